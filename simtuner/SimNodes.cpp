#include "simtuner/SimNodes.h"

#include "graph/BdaGuids.h"
#include "simtuner/SimTunerFilter.h"
#include "tuner/TopologyNodes.h"
#include "base/TunerKinds.h"

const GUID& NodeFunction(SimNode eType)
{
    const TunerKind* pKind = FindTunerKind(eType);
    return pKind ? DemodulatorNodeOf(*pKind) : KSNODE_BDA_RF_TUNER;
}

CSimNode::CSimNode(CSimTunerFilter* pFilter, LONG nIndex, SimNode eType)
    : m_pFilter(pFilter)
    , m_nIndex(nIndex)
    , m_eType(eType)
{
}

HRESULT STDMETHODCALLTYPE CSimNode::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IBDA_SignalStatistics) {
        *ppv = static_cast<IBDA_SignalStatistics*>(this);
        AddRef();
        return S_OK;
    }
    return QueryNodeInterface(riid, ppv);
}

ULONG STDMETHODCALLTYPE CSimNode::AddRef()
{
    return m_pFilter->GetOwner()->AddRef();
}

ULONG STDMETHODCALLTYPE CSimNode::Release()
{
    return m_pFilter->GetOwner()->Release();
}

template <class F>
HRESULT CSimNode::PutValue(ULONG eCall, LONG value, F store)
{
    return m_pFilter->Device()->Call(static_cast<SimCallId>(eCall), m_nIndex, value, 0, 0, [&](SimCallRecord&) {
        CAutoLock lock(m_pFilter->TuningLock());
        store(m_pFilter->Tuning().Pending());
        return S_OK;
    });
}

template <class T, class F>
HRESULT CSimNode::GetValue(ULONG eCall, T* pValue, F read)
{
    return m_pFilter->Device()->Call(static_cast<SimCallId>(eCall), m_nIndex, 0, 0, 0, [&](SimCallRecord& r) {
        if (!pValue)
            return E_POINTER;
        CAutoLock lock(m_pFilter->TuningLock());
        *pValue = static_cast<T>(read(m_pFilter->Tuning().Pending()));
        r.Values[0] = static_cast<LONG>(*pValue);
        return S_OK;
    });
}

// Levels come from the committed tuning and the device's signal, read at the time of the call.
HRESULT STDMETHODCALLTYPE CSimNode::get_SignalStrength(LONG* plDbStrength)
{
    return m_pFilter->Device()->Call(SIM_CALL_GET_SIGNAL_STRENGTH, m_nIndex, 0, 0, 0, [&](SimCallRecord& r) {
        if (!plDbStrength)
            return E_POINTER;
        const SimSignal signal = m_pFilter->Device()->Signal();
        CAutoLock lock(m_pFilter->TuningLock());
        r.Values[0] = *plDbStrength = m_pFilter->Tuning().Strength(signal);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CSimNode::get_SignalQuality(LONG* plPercentQuality)
{
    return m_pFilter->Device()->Call(SIM_CALL_GET_SIGNAL_QUALITY, m_nIndex, 0, 0, 0, [&](SimCallRecord& r) {
        if (!plPercentQuality)
            return E_POINTER;
        const SimSignal signal = m_pFilter->Device()->Signal();
        CAutoLock lock(m_pFilter->TuningLock());
        r.Values[0] = *plPercentQuality = m_pFilter->Tuning().Quality(GetTickCount64(), signal);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CSimNode::get_SignalPresent(BOOLEAN* pfPresent)
{
    return m_pFilter->Device()->Call(SIM_CALL_GET_SIGNAL_PRESENT, m_nIndex, 0, 0, 0, [&](SimCallRecord& r) {
        if (!pfPresent)
            return E_POINTER;
        const SimSignal signal = m_pFilter->Device()->Signal();
        CAutoLock lock(m_pFilter->TuningLock());
        *pfPresent = m_pFilter->Tuning().IsPresent(signal) ? TRUE : FALSE;
        r.Values[0] = *pfPresent;
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CSimNode::get_SignalLocked(BOOLEAN* pfLocked)
{
    return m_pFilter->Device()->Call(SIM_CALL_GET_SIGNAL_LOCKED, m_nIndex, 0, 0, 0, [&](SimCallRecord& r) {
        if (!pfLocked)
            return E_POINTER;
        *pfLocked = m_pFilter->IsLockedNow() ? TRUE : FALSE;
        r.Values[0] = *pfLocked;
        return S_OK;
    });
}

// The levels are measured by the tuner, not set by an application.
HRESULT STDMETHODCALLTYPE CSimNode::put_SignalStrength(LONG lDbStrength)
{
    return m_pFilter->Device()->Call(SIM_CALL_PUT_SIGNAL_STRENGTH, m_nIndex, lDbStrength, 0, 0,
                                     [](SimCallRecord&) { return E_NOTIMPL; });
}

HRESULT STDMETHODCALLTYPE CSimNode::put_SignalQuality(LONG lPercentQuality)
{
    return m_pFilter->Device()->Call(SIM_CALL_PUT_SIGNAL_QUALITY, m_nIndex, lPercentQuality, 0, 0,
                                     [](SimCallRecord&) { return E_NOTIMPL; });
}

HRESULT STDMETHODCALLTYPE CSimNode::put_SignalPresent(BOOLEAN fPresent)
{
    return m_pFilter->Device()->Call(SIM_CALL_PUT_SIGNAL_PRESENT, m_nIndex, fPresent, 0, 0,
                                     [](SimCallRecord&) { return E_NOTIMPL; });
}

HRESULT STDMETHODCALLTYPE CSimNode::put_SignalLocked(BOOLEAN fLocked)
{
    return m_pFilter->Device()->Call(SIM_CALL_PUT_SIGNAL_LOCKED, m_nIndex, fLocked, 0, 0,
                                     [](SimCallRecord&) { return E_NOTIMPL; });
}

HRESULT STDMETHODCALLTYPE CSimNode::put_SampleTime(LONG lmsSampleTime)
{
    return m_pFilter->Device()->Call(SIM_CALL_PUT_SAMPLE_TIME, m_nIndex, lmsSampleTime, 0, 0, [&](SimCallRecord&) {
        m_nSampleTimeMs = lmsSampleTime;
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CSimNode::get_SampleTime(LONG* plmsSampleTime)
{
    return m_pFilter->Device()->Call(SIM_CALL_GET_SAMPLE_TIME, m_nIndex, 0, 0, 0, [&](SimCallRecord& r) {
        if (!plmsSampleTime)
            return E_POINTER;
        r.Values[0] = *plmsSampleTime = m_nSampleTimeMs;
        return S_OK;
    });
}

CSimRfNode::CSimRfNode(CSimTunerFilter* pFilter, LONG nIndex, bool bLnbInfo)
    : CSimNode(pFilter, nIndex, SIM_NODE_RF_TUNER)
    , m_bLnbInfo(bLnbInfo)
{
}

HRESULT CSimRfNode::QueryNodeInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IBDA_FrequencyFilter) {
        *ppv = static_cast<IBDA_FrequencyFilter*>(this);
    } else if (riid == IID_IBDA_LNBInfo && m_bLnbInfo) {
        *ppv = static_cast<IBDA_LNBInfo*>(this);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

std::vector<GUID> CSimRfNode::Interfaces() const
{
    std::vector<GUID> interfaces = {IID_IBDA_FrequencyFilter};
    if (m_bLnbInfo)
        interfaces.push_back(IID_IBDA_LNBInfo);
    interfaces.push_back(IID_IBDA_SignalStatistics);
    return interfaces;
}

HRESULT STDMETHODCALLTYPE CSimRfNode::put_Autotune(ULONG ulTransponder)
{
    return m_pFilter->Device()->Call(SIM_CALL_PUT_AUTOTUNE, m_nIndex, static_cast<LONG>(ulTransponder), 0, 0,
                                     [&](SimCallRecord&) {
                                         m_nAutotune = ulTransponder;
                                         return S_OK;
                                     });
}

HRESULT STDMETHODCALLTYPE CSimRfNode::get_Autotune(ULONG* pulTransponder)
{
    return m_pFilter->Device()->Call(SIM_CALL_GET_AUTOTUNE, m_nIndex, 0, 0, 0, [&](SimCallRecord& r) {
        if (!pulTransponder)
            return E_POINTER;
        *pulTransponder = m_nAutotune;
        r.Values[0] = static_cast<LONG>(m_nAutotune);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CSimRfNode::put_Frequency(ULONG ulFrequency)
{
    return PutValue(SIM_CALL_PUT_FREQUENCY, static_cast<LONG>(ulFrequency),
                    [&](SimTuning& t) { t.nFrequency = ulFrequency; });
}

HRESULT STDMETHODCALLTYPE CSimRfNode::get_Frequency(ULONG* pulFrequency)
{
    return GetValue(SIM_CALL_GET_FREQUENCY, pulFrequency, [](const SimTuning& t) { return t.nFrequency; });
}

HRESULT STDMETHODCALLTYPE CSimRfNode::put_Polarity(Polarisation Polarity)
{
    return PutValue(SIM_CALL_PUT_POLARITY, Polarity, [&](SimTuning& t) { t.nPolarity = Polarity; });
}

HRESULT STDMETHODCALLTYPE CSimRfNode::get_Polarity(Polarisation* pPolarity)
{
    return GetValue(SIM_CALL_GET_POLARITY, pPolarity, [](const SimTuning& t) { return t.nPolarity; });
}

HRESULT STDMETHODCALLTYPE CSimRfNode::put_Range(ULONG ulRange)
{
    return PutValue(SIM_CALL_PUT_RANGE, static_cast<LONG>(ulRange), [&](SimTuning& t) { t.nRange = ulRange; });
}

HRESULT STDMETHODCALLTYPE CSimRfNode::get_Range(ULONG* pulRange)
{
    return GetValue(SIM_CALL_GET_RANGE, pulRange, [](const SimTuning& t) { return t.nRange; });
}

HRESULT STDMETHODCALLTYPE CSimRfNode::put_Bandwidth(ULONG ulBandwidth)
{
    return PutValue(SIM_CALL_PUT_BANDWIDTH, static_cast<LONG>(ulBandwidth),
                    [&](SimTuning& t) { t.nBandwidth = ulBandwidth; });
}

HRESULT STDMETHODCALLTYPE CSimRfNode::get_Bandwidth(ULONG* pulBandwidth)
{
    return GetValue(SIM_CALL_GET_BANDWIDTH, pulBandwidth, [](const SimTuning& t) { return t.nBandwidth; });
}

HRESULT STDMETHODCALLTYPE CSimRfNode::put_FrequencyMultiplier(ULONG ulMultiplier)
{
    return PutValue(SIM_CALL_PUT_FREQUENCY_MULTIPLIER, static_cast<LONG>(ulMultiplier),
                    [&](SimTuning& t) { t.nFrequencyMultiplier = ulMultiplier; });
}

HRESULT STDMETHODCALLTYPE CSimRfNode::get_FrequencyMultiplier(ULONG* pulMultiplier)
{
    return GetValue(SIM_CALL_GET_FREQUENCY_MULTIPLIER, pulMultiplier,
                    [](const SimTuning& t) { return t.nFrequencyMultiplier; });
}

HRESULT STDMETHODCALLTYPE CSimRfNode::put_LocalOscilatorFrequencyLowBand(ULONG ulLOFLow)
{
    return PutValue(SIM_CALL_PUT_LOF_LOW_BAND, static_cast<LONG>(ulLOFLow), [&](SimTuning& t) { t.nLofLow = ulLOFLow; });
}

HRESULT STDMETHODCALLTYPE CSimRfNode::get_LocalOscilatorFrequencyLowBand(ULONG* pulLOFLow)
{
    return GetValue(SIM_CALL_GET_LOF_LOW_BAND, pulLOFLow, [](const SimTuning& t) { return t.nLofLow; });
}

HRESULT STDMETHODCALLTYPE CSimRfNode::put_LocalOscilatorFrequencyHighBand(ULONG ulLOFHigh)
{
    return PutValue(SIM_CALL_PUT_LOF_HIGH_BAND, static_cast<LONG>(ulLOFHigh),
                    [&](SimTuning& t) { t.nLofHigh = ulLOFHigh; });
}

HRESULT STDMETHODCALLTYPE CSimRfNode::get_LocalOscilatorFrequencyHighBand(ULONG* pulLOFHigh)
{
    return GetValue(SIM_CALL_GET_LOF_HIGH_BAND, pulLOFHigh, [](const SimTuning& t) { return t.nLofHigh; });
}

HRESULT STDMETHODCALLTYPE CSimRfNode::put_HighLowSwitchFrequency(ULONG ulSwitchFrequency)
{
    return PutValue(SIM_CALL_PUT_HIGH_LOW_SWITCH, static_cast<LONG>(ulSwitchFrequency),
                    [&](SimTuning& t) { t.nLofSwitch = ulSwitchFrequency; });
}

HRESULT STDMETHODCALLTYPE CSimRfNode::get_HighLowSwitchFrequency(ULONG* pulSwitchFrequency)
{
    return GetValue(SIM_CALL_GET_HIGH_LOW_SWITCH, pulSwitchFrequency, [](const SimTuning& t) { return t.nLofSwitch; });
}

CSimDemodNode::CSimDemodNode(CSimTunerFilter* pFilter, LONG nIndex, SimNode eType)
    : CSimNode(pFilter, nIndex, eType)
{
}

HRESULT CSimDemodNode::QueryNodeInterface(REFIID riid, void** ppv)
{
    if (riid != IID_IBDA_DigitalDemodulator) {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    *ppv = static_cast<IBDA_DigitalDemodulator*>(this);
    AddRef();
    return S_OK;
}

std::vector<GUID> CSimDemodNode::Interfaces() const
{
    return {IID_IBDA_DigitalDemodulator, IID_IBDA_SignalStatistics};
}

// The demodulator takes its values by address (BDA convention); the log keeps the value.
template <class T>
HRESULT CSimDemodNode::PutByAddress(ULONG eCall, T* pValue, int32_t SimTuning::*pField)
{
    SimCallRecord record = CSimDevice::MakeRecord(static_cast<SimCallId>(eCall), m_nIndex,
                                                  pValue ? static_cast<LONG>(*pValue) : 0);
    return m_pFilter->Device()->Call(record, [&](SimCallRecord&) {
        if (!pValue)
            return E_POINTER;
        CAutoLock lock(m_pFilter->TuningLock());
        m_pFilter->Tuning().Pending().*pField = static_cast<int32_t>(*pValue);
        return S_OK;
    });
}

template <class T>
HRESULT CSimDemodNode::GetByAddress(ULONG eCall, T* pValue, int32_t SimTuning::*pField)
{
    return GetValue(eCall, pValue, [pField](const SimTuning& t) { return t.*pField; });
}

HRESULT STDMETHODCALLTYPE CSimDemodNode::put_ModulationType(ModulationType* p)
{
    return PutByAddress(SIM_CALL_PUT_MODULATION_TYPE, p, &SimTuning::nModulation);
}

HRESULT STDMETHODCALLTYPE CSimDemodNode::get_ModulationType(ModulationType* p)
{
    return GetByAddress(SIM_CALL_GET_MODULATION_TYPE, p, &SimTuning::nModulation);
}

HRESULT STDMETHODCALLTYPE CSimDemodNode::put_InnerFECMethod(FECMethod* p)
{
    return PutByAddress(SIM_CALL_PUT_INNER_FEC_METHOD, p, &SimTuning::nInnerFecMethod);
}

HRESULT STDMETHODCALLTYPE CSimDemodNode::get_InnerFECMethod(FECMethod* p)
{
    return GetByAddress(SIM_CALL_GET_INNER_FEC_METHOD, p, &SimTuning::nInnerFecMethod);
}

HRESULT STDMETHODCALLTYPE CSimDemodNode::put_InnerFECRate(BinaryConvolutionCodeRate* p)
{
    return PutByAddress(SIM_CALL_PUT_INNER_FEC_RATE, p, &SimTuning::nInnerFecRate);
}

HRESULT STDMETHODCALLTYPE CSimDemodNode::get_InnerFECRate(BinaryConvolutionCodeRate* p)
{
    return GetByAddress(SIM_CALL_GET_INNER_FEC_RATE, p, &SimTuning::nInnerFecRate);
}

HRESULT STDMETHODCALLTYPE CSimDemodNode::put_OuterFECMethod(FECMethod* p)
{
    return PutByAddress(SIM_CALL_PUT_OUTER_FEC_METHOD, p, &SimTuning::nOuterFecMethod);
}

HRESULT STDMETHODCALLTYPE CSimDemodNode::get_OuterFECMethod(FECMethod* p)
{
    return GetByAddress(SIM_CALL_GET_OUTER_FEC_METHOD, p, &SimTuning::nOuterFecMethod);
}

HRESULT STDMETHODCALLTYPE CSimDemodNode::put_OuterFECRate(BinaryConvolutionCodeRate* p)
{
    return PutByAddress(SIM_CALL_PUT_OUTER_FEC_RATE, p, &SimTuning::nOuterFecRate);
}

HRESULT STDMETHODCALLTYPE CSimDemodNode::get_OuterFECRate(BinaryConvolutionCodeRate* p)
{
    return GetByAddress(SIM_CALL_GET_OUTER_FEC_RATE, p, &SimTuning::nOuterFecRate);
}

HRESULT STDMETHODCALLTYPE CSimDemodNode::put_SpectralInversion(SpectralInversion* p)
{
    return PutByAddress(SIM_CALL_PUT_SPECTRAL_INVERSION, p, &SimTuning::nSpectralInversion);
}

HRESULT STDMETHODCALLTYPE CSimDemodNode::get_SpectralInversion(SpectralInversion* p)
{
    return GetByAddress(SIM_CALL_GET_SPECTRAL_INVERSION, p, &SimTuning::nSpectralInversion);
}

HRESULT STDMETHODCALLTYPE CSimDemodNode::put_SymbolRate(ULONG* pSymbolRate)
{
    SimCallRecord record = CSimDevice::MakeRecord(SIM_CALL_PUT_SYMBOL_RATE, m_nIndex,
                                                  pSymbolRate ? static_cast<LONG>(*pSymbolRate) : 0);
    return m_pFilter->Device()->Call(record, [&](SimCallRecord&) {
        if (!pSymbolRate)
            return E_POINTER;
        CAutoLock lock(m_pFilter->TuningLock());
        m_pFilter->Tuning().Pending().nSymbolRate = *pSymbolRate;
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CSimDemodNode::get_SymbolRate(ULONG* pSymbolRate)
{
    return GetValue(SIM_CALL_GET_SYMBOL_RATE, pSymbolRate, [](const SimTuning& t) { return t.nSymbolRate; });
}
