// The fake BDA state, control nodes and ready-made devices.
#include "support/FakeBda.h"

#include "graph/BdaGuids.h"
#include "tuner/TopologyNodes.h"
#include "base/TunerKinds.h"

namespace {

LONG g_nNodesAlive = 0;

class CFakeNode final : public IBDA_FrequencyFilter,
                        public IBDA_LNBInfo,
                        public IBDA_DigitalDemodulator,
                        public IBDA_SignalStatistics,
                        public IBDA_DeviceControl
{
public:
    CFakeNode(const FakeBdaStatePtr& state, const FakeNodeSetup& setup) : m_state(state), m_setup(setup)
    {
        InterlockedIncrement(&g_nNodesAlive);
    }
    ~CFakeNode() { InterlockedDecrement(&g_nNodesAlive); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown)
            *ppv = static_cast<IBDA_FrequencyFilter*>(this);
        else if (riid == __uuidof(IBDA_FrequencyFilter) && m_setup.bFrequencyFilter)
            *ppv = static_cast<IBDA_FrequencyFilter*>(this);
        else if (riid == __uuidof(IBDA_LNBInfo) && m_setup.bLnbInfo)
            *ppv = static_cast<IBDA_LNBInfo*>(this);
        else if (riid == __uuidof(IBDA_DigitalDemodulator) && m_setup.bDemodulator)
            *ppv = static_cast<IBDA_DigitalDemodulator*>(this);
        else if (riid == __uuidof(IBDA_SignalStatistics) && m_setup.bStatistics)
            *ppv = static_cast<IBDA_SignalStatistics*>(this);
        else if (riid == __uuidof(IBDA_DeviceControl) && m_setup.bDeviceControl)
            *ppv = static_cast<IBDA_DeviceControl*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_cRef); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG n = InterlockedDecrement(&m_cRef);
        if (n == 0)
            delete this;
        return n;
    }

    // IBDA_FrequencyFilter
    STDMETHODIMP put_Autotune(ULONG v) override { return Put("put_Autotune", v); }
    STDMETHODIMP get_Autotune(ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Frequency(ULONG v) override { return Put("put_Frequency", v); }
    STDMETHODIMP get_Frequency(ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Polarity(Polarisation v) override { return Put("put_Polarity", v); }
    STDMETHODIMP get_Polarity(Polarisation*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Range(ULONG v) override { return Put("put_Range", v); }
    STDMETHODIMP get_Range(ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Bandwidth(ULONG v) override { return Put("put_Bandwidth", v); }
    STDMETHODIMP get_Bandwidth(ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_FrequencyMultiplier(ULONG v) override { return Put("put_FrequencyMultiplier", v); }
    STDMETHODIMP get_FrequencyMultiplier(ULONG*) override { return E_NOTIMPL; }

    // IBDA_LNBInfo
    STDMETHODIMP put_LocalOscilatorFrequencyLowBand(ULONG v) override { return Put("put_LOFLow", v); }
    STDMETHODIMP get_LocalOscilatorFrequencyLowBand(ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_LocalOscilatorFrequencyHighBand(ULONG v) override { return Put("put_LOFHigh", v); }
    STDMETHODIMP get_LocalOscilatorFrequencyHighBand(ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_HighLowSwitchFrequency(ULONG v) override { return Put("put_HighLowSwitch", v); }
    STDMETHODIMP get_HighLowSwitchFrequency(ULONG*) override { return E_NOTIMPL; }

    // IBDA_DigitalDemodulator: values come by address
    STDMETHODIMP put_ModulationType(ModulationType* p) override { return Put("put_ModulationType", *p); }
    STDMETHODIMP get_ModulationType(ModulationType*) override { return E_NOTIMPL; }
    STDMETHODIMP put_InnerFECMethod(FECMethod* p) override { return Put("put_InnerFECMethod", *p); }
    STDMETHODIMP get_InnerFECMethod(FECMethod*) override { return E_NOTIMPL; }
    STDMETHODIMP put_InnerFECRate(BinaryConvolutionCodeRate* p) override { return Put("put_InnerFECRate", *p); }
    STDMETHODIMP get_InnerFECRate(BinaryConvolutionCodeRate*) override { return E_NOTIMPL; }
    STDMETHODIMP put_OuterFECMethod(FECMethod* p) override { return Put("put_OuterFECMethod", *p); }
    STDMETHODIMP get_OuterFECMethod(FECMethod*) override { return E_NOTIMPL; }
    STDMETHODIMP put_OuterFECRate(BinaryConvolutionCodeRate* p) override { return Put("put_OuterFECRate", *p); }
    STDMETHODIMP get_OuterFECRate(BinaryConvolutionCodeRate*) override { return E_NOTIMPL; }
    STDMETHODIMP put_SymbolRate(ULONG* p) override { return Put("put_SymbolRate", *p); }
    STDMETHODIMP get_SymbolRate(ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP put_SpectralInversion(SpectralInversion* p) override { return Put("put_SpectralInversion", *p); }
    STDMETHODIMP get_SpectralInversion(SpectralInversion*) override { return E_NOTIMPL; }

    // IBDA_SignalStatistics: a failing read leaves its output alone.
    STDMETHODIMP put_SignalStrength(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_SignalStrength(LONG* p) override { return Get("get_SignalStrength", p, m_state->nStrength); }
    STDMETHODIMP put_SignalQuality(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_SignalQuality(LONG* p) override { return Get("get_SignalQuality", p, m_state->nQuality); }
    STDMETHODIMP put_SignalPresent(BOOLEAN) override { return E_NOTIMPL; }
    STDMETHODIMP get_SignalPresent(BOOLEAN* p) override
    {
        return Get("get_SignalPresent", p, LockReached() ? m_state->bPresent : BOOLEAN(0));
    }
    STDMETHODIMP put_SignalLocked(BOOLEAN) override { return E_NOTIMPL; }
    STDMETHODIMP get_SignalLocked(BOOLEAN* p) override
    {
        ++m_state->nLockReads;
        m_state->LockReadTimes.push_back(timeGetTime());
        return Get("get_SignalLocked", p, LockReached() ? m_state->bLocked : BOOLEAN(0));
    }
    STDMETHODIMP put_SampleTime(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP get_SampleTime(LONG*) override { return E_NOTIMPL; }

    // IBDA_DeviceControl of a node
    STDMETHODIMP StartChanges() override { return Put("StartChanges", 0); }
    STDMETHODIMP CheckChanges() override { return Put("CheckChanges", 0); }
    STDMETHODIMP CommitChanges() override { return Put("CommitChanges", 0); }
    STDMETHODIMP GetChangeState(ULONG*) override { return E_NOTIMPL; }

private:
    HRESULT Put(const char* pszName, LONGLONG nValue)
    {
        return m_state->Log(pszName, static_cast<LONG>(m_setup.nType), nValue);
    }
    template <class T>
    HRESULT Get(const char* pszName, T* p, T value)
    {
        const HRESULT hr = m_state->Log(pszName, static_cast<LONG>(m_setup.nType));
        if (hr == S_OK)
            *p = value;
        return hr;
    }
    bool LockReached() const { return m_state->nLockReads > m_state->nLockAfterReads; }

    LONG m_cRef = 1;
    FakeBdaStatePtr m_state;
    FakeNodeSetup m_setup;
};

} // namespace

FakeNodeSetup MakeNode(REFGUID guidFunction, ULONG nType)
{
    FakeNodeSetup setup = {};
    setup.guidFunction = guidFunction;
    setup.nType = nType;
    return setup;
}

HRESULT FakeBdaState::Result(const std::string& sCall, LONG nNode) const
{
    auto found = Failures.find(sCall + "@" + std::to_string(nNode));
    if (found == Failures.end())
        found = Failures.find(sCall);
    return found == Failures.end() ? S_OK : found->second;
}

HRESULT FakeBdaState::Log(const std::string& sCall, LONG nNode, LONGLONG nValue)
{
    Calls.push_back({sCall, nNode, nValue});
    return Result(sCall, nNode);
}

std::vector<std::string> FakeBdaState::CallNames() const
{
    std::vector<std::string> names;
    for (const BdaCall& call : Calls)
        names.push_back(call.sName);
    return names;
}

std::vector<ULONG> FakeBdaState::CreatedPinTypes() const
{
    std::vector<ULONG> types;
    for (const BdaCall& call : CallsNamed({"CreatePin"}))
        types.push_back(static_cast<ULONG>(call.nValue));
    return types;
}

std::vector<std::pair<ULONG, ULONG>> FakeBdaState::Topologies() const
{
    std::vector<std::pair<ULONG, ULONG>> joined;
    for (const BdaCall& call : CallsNamed({"CreateTopology"}))
        joined.emplace_back(static_cast<ULONG>(call.nValue >> 32), static_cast<ULONG>(call.nValue));
    return joined;
}

std::vector<BdaCall> FakeBdaState::CallsNamed(std::initializer_list<const char*> names) const
{
    std::vector<BdaCall> selected;
    for (const BdaCall& call : Calls)
        for (const char* pszName : names)
            if (call.sName == pszName)
                selected.push_back(call);
    return selected;
}

InterfaceHolder<IUnknown> CreateFakeNode(const FakeBdaStatePtr& state, const FakeNodeSetup& setup)
{
    InterfaceHolder<IUnknown> node;
    node.Attach(static_cast<IBDA_FrequencyFilter*>(new CFakeNode(state, setup)));
    return node;
}

LONG FakeBdaNodesAlive() { return g_nNodesAlive; }

GUID DemodulatorOf(int nSourceType)
{
    const TunerKind* pKind = FindTunerKind(nSourceType);
    return pKind ? DemodulatorNodeOf(*pKind) : GUID_NULL;
}

FakeBdaStatePtr MakeTunerState(int nSourceType)
{
    FakeBdaStatePtr state = std::make_shared<FakeBdaState>();
    state->Pins = {{L"Input0", PINDIR_INPUT, true}, {L"MPEG2 Transport", PINDIR_OUTPUT, false}};
    FakeNodeSetup rf = MakeNode(KSNODE_BDA_RF_TUNER, 0);
    rf.bFrequencyFilter = true;
    rf.bStatistics = true;
    rf.bLnbInfo = nSourceType == SRC_TYPE_DVBS;
    FakeNodeSetup demodulator = MakeNode(DemodulatorOf(nSourceType), 1);
    demodulator.bDemodulator = true;
    demodulator.bStatistics = true;
    state->Nodes = {rf, demodulator};
    // Its driver exposes its pins from the start and creates no others.
    state->Failures["CreatePin"] = E_NOTIMPL;
    state->DeviceInfo.nDeviceType = 1 << (nSourceType - 1);
    return state;
}

FakeBdaStatePtr MakeReceiverState()
{
    FakeBdaStatePtr state = std::make_shared<FakeBdaState>();
    state->Pins = {{L"In", PINDIR_INPUT, false}, {L"Out", PINDIR_OUTPUT, false}};
    state->bTopology = false;
    state->bDeviceControl = false;
    return state;
}
