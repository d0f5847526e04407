// Control nodes of the simulated tuner's topology, handed out by IBDA_Topology::GetControlNode.
// A node has its own COM identity but lives as long as its filter: its reference count is
// the filter's. Every call goes to the device's log with the node's index.
#pragma once

#include "graph/Com.h"
#include "simtuner/SimSettings.h"

#include <vector>

class CSimTunerFilter;

class CSimNode : public IBDA_SignalStatistics
{
public:
    CSimNode(CSimTunerFilter* pFilter, LONG nIndex, SimNode eType);
    virtual ~CSimNode() = default;
    CSimNode(const CSimNode&) = delete;
    CSimNode& operator=(const CSimNode&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IBDA_SignalStatistics: read-only levels from the tuning state.
    HRESULT STDMETHODCALLTYPE put_SignalStrength(LONG lDbStrength) override;
    HRESULT STDMETHODCALLTYPE get_SignalStrength(LONG* plDbStrength) override;
    HRESULT STDMETHODCALLTYPE put_SignalQuality(LONG lPercentQuality) override;
    HRESULT STDMETHODCALLTYPE get_SignalQuality(LONG* plPercentQuality) override;
    HRESULT STDMETHODCALLTYPE put_SignalPresent(BOOLEAN fPresent) override;
    HRESULT STDMETHODCALLTYPE get_SignalPresent(BOOLEAN* pfPresent) override;
    HRESULT STDMETHODCALLTYPE put_SignalLocked(BOOLEAN fLocked) override;
    HRESULT STDMETHODCALLTYPE get_SignalLocked(BOOLEAN* pfLocked) override;
    HRESULT STDMETHODCALLTYPE put_SampleTime(LONG lmsSampleTime) override;
    HRESULT STDMETHODCALLTYPE get_SampleTime(LONG* plmsSampleTime) override;

    SimNode Type() const { return m_eType; }
    // The interfaces the node answers, for IBDA_Topology::GetNodeInterfaces.
    virtual std::vector<GUID> Interfaces() const = 0;
    IUnknown* Identity() { return static_cast<IBDA_SignalStatistics*>(this); }

protected:
    // The node's own interfaces beyond IUnknown and IBDA_SignalStatistics.
    virtual HRESULT QueryNodeInterface(REFIID riid, void** ppv) = 0;
    // A put_ of one tuning value: logged with the value, then stored while changes are open.
    template <class F>
    HRESULT PutValue(ULONG eCall, LONG value, F store);
    // A get_ of one tuning value: logged with the value returned.
    template <class T, class F>
    HRESULT GetValue(ULONG eCall, T* pValue, F read);

    CSimTunerFilter* m_pFilter;
    LONG m_nIndex;
    SimNode m_eType;
    LONG m_nSampleTimeMs = 100;
};

// The RF tuner node: frequency filter, LNB information (satellite) and statistics.
class CSimRfNode : public CSimNode, public IBDA_FrequencyFilter, public IBDA_LNBInfo
{
public:
    CSimRfNode(CSimTunerFilter* pFilter, LONG nIndex, bool bLnbInfo);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override { return CSimNode::QueryInterface(riid, ppv); }
    ULONG STDMETHODCALLTYPE AddRef() override { return CSimNode::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return CSimNode::Release(); }

    // IBDA_FrequencyFilter
    HRESULT STDMETHODCALLTYPE put_Autotune(ULONG ulTransponder) override;
    HRESULT STDMETHODCALLTYPE get_Autotune(ULONG* pulTransponder) override;
    HRESULT STDMETHODCALLTYPE put_Frequency(ULONG ulFrequency) override;
    HRESULT STDMETHODCALLTYPE get_Frequency(ULONG* pulFrequency) override;
    HRESULT STDMETHODCALLTYPE put_Polarity(Polarisation Polarity) override;
    HRESULT STDMETHODCALLTYPE get_Polarity(Polarisation* pPolarity) override;
    HRESULT STDMETHODCALLTYPE put_Range(ULONG ulRange) override;
    HRESULT STDMETHODCALLTYPE get_Range(ULONG* pulRange) override;
    HRESULT STDMETHODCALLTYPE put_Bandwidth(ULONG ulBandwidth) override;
    HRESULT STDMETHODCALLTYPE get_Bandwidth(ULONG* pulBandwidth) override;
    HRESULT STDMETHODCALLTYPE put_FrequencyMultiplier(ULONG ulMultiplier) override;
    HRESULT STDMETHODCALLTYPE get_FrequencyMultiplier(ULONG* pulMultiplier) override;

    // IBDA_LNBInfo
    HRESULT STDMETHODCALLTYPE put_LocalOscilatorFrequencyLowBand(ULONG ulLOFLow) override;
    HRESULT STDMETHODCALLTYPE get_LocalOscilatorFrequencyLowBand(ULONG* pulLOFLow) override;
    HRESULT STDMETHODCALLTYPE put_LocalOscilatorFrequencyHighBand(ULONG ulLOFHigh) override;
    HRESULT STDMETHODCALLTYPE get_LocalOscilatorFrequencyHighBand(ULONG* pulLOFHigh) override;
    HRESULT STDMETHODCALLTYPE put_HighLowSwitchFrequency(ULONG ulSwitchFrequency) override;
    HRESULT STDMETHODCALLTYPE get_HighLowSwitchFrequency(ULONG* pulSwitchFrequency) override;

    std::vector<GUID> Interfaces() const override;

protected:
    HRESULT QueryNodeInterface(REFIID riid, void** ppv) override;

private:
    bool m_bLnbInfo;
    ULONG m_nAutotune = 0;
};

// A demodulator node (QPSK, COFDM, QAM or 8VSB): digital demodulator and statistics.
class CSimDemodNode : public CSimNode, public IBDA_DigitalDemodulator
{
public:
    CSimDemodNode(CSimTunerFilter* pFilter, LONG nIndex, SimNode eType);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override { return CSimNode::QueryInterface(riid, ppv); }
    ULONG STDMETHODCALLTYPE AddRef() override { return CSimNode::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return CSimNode::Release(); }

    HRESULT STDMETHODCALLTYPE put_ModulationType(ModulationType* pModulationType) override;
    HRESULT STDMETHODCALLTYPE get_ModulationType(ModulationType* pModulationType) override;
    HRESULT STDMETHODCALLTYPE put_InnerFECMethod(FECMethod* pFECMethod) override;
    HRESULT STDMETHODCALLTYPE get_InnerFECMethod(FECMethod* pFECMethod) override;
    HRESULT STDMETHODCALLTYPE put_InnerFECRate(BinaryConvolutionCodeRate* pFECRate) override;
    HRESULT STDMETHODCALLTYPE get_InnerFECRate(BinaryConvolutionCodeRate* pFECRate) override;
    HRESULT STDMETHODCALLTYPE put_OuterFECMethod(FECMethod* pFECMethod) override;
    HRESULT STDMETHODCALLTYPE get_OuterFECMethod(FECMethod* pFECMethod) override;
    HRESULT STDMETHODCALLTYPE put_OuterFECRate(BinaryConvolutionCodeRate* pFECRate) override;
    HRESULT STDMETHODCALLTYPE get_OuterFECRate(BinaryConvolutionCodeRate* pFECRate) override;
    HRESULT STDMETHODCALLTYPE put_SymbolRate(ULONG* pSymbolRate) override;
    HRESULT STDMETHODCALLTYPE get_SymbolRate(ULONG* pSymbolRate) override;
    HRESULT STDMETHODCALLTYPE put_SpectralInversion(SpectralInversion* pSpectralInversion) override;
    HRESULT STDMETHODCALLTYPE get_SpectralInversion(SpectralInversion* pSpectralInversion) override;

    std::vector<GUID> Interfaces() const override;

protected:
    HRESULT QueryNodeInterface(REFIID riid, void** ppv) override;

private:
    template <class T>
    HRESULT PutByAddress(ULONG eCall, T* pValue, int32_t SimTuning::*pField);
    template <class T>
    HRESULT GetByAddress(ULONG eCall, T* pValue, int32_t SimTuning::*pField);
};

// The function GUID of a node type.
const GUID& NodeFunction(SimNode eType);
