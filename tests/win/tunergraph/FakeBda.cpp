#include "FakeBda.h"

#include "graph/BdaGuids.h"
#include "tuner/IoctlCommand.h"

#include <algorithm>
#include <cstring>

namespace {

LONG g_nFiltersAlive = 0;
LONG g_nNodesAlive = 0;

class CFakeBdaFilter;

class CFakeBdaPin final : public IPin, public IMemInputPin, public IKsPropertySet
{
public:
    CFakeBdaPin(CFakeBdaFilter* pFilter, size_t nIndex, const FakePinSetup& setup)
        : m_pFilter(pFilter), m_nIndex(nIndex), m_setup(setup)
    {
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP Disconnect() override
    {
        if (m_pPeer.IsNull())
            return S_FALSE;
        m_pPeer.Reset();
        m_pAllocator.Reset();
        return S_OK;
    }
    STDMETHODIMP ConnectedTo(IPin** ppPin) override
    {
        *ppPin = m_pPeer.Get();
        if (!*ppPin)
            return VFW_E_NOT_CONNECTED;
        (*ppPin)->AddRef();
        return S_OK;
    }
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* pmt) override
    {
        memset(pmt, 0, sizeof(*pmt));
        if (m_pPeer.IsNull())
            return VFW_E_NOT_CONNECTED;
        pmt->majortype = MEDIATYPE_Stream;
        return S_OK;
    }
    STDMETHODIMP QueryPinInfo(PIN_INFO* pInfo) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* pDirection) override
    {
        *pDirection = m_setup.eDirection;
        return S_OK;
    }
    STDMETHODIMP QueryId(LPWSTR* ppId) override
    {
        const size_t cb = (m_setup.sName.size() + 1) * sizeof(WCHAR);
        *ppId = static_cast<LPWSTR>(CoTaskMemAlloc(cb));
        if (!*ppId)
            return E_OUTOFMEMORY;
        memcpy(*ppId, m_setup.sName.c_str(), cb);
        return S_OK;
    }
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE*) override { return S_OK; }
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** ppEnum) override
    {
        *ppEnum = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP EndOfStream() override { return S_OK; }
    STDMETHODIMP BeginFlush() override { return S_OK; }
    STDMETHODIMP EndFlush() override { return S_OK; }
    STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

    // IMemInputPin: the upstream pin brings its own allocator.
    STDMETHODIMP GetAllocator(IMemAllocator** ppAllocator) override
    {
        *ppAllocator = nullptr;
        return VFW_E_NO_ALLOCATOR;
    }
    STDMETHODIMP NotifyAllocator(IMemAllocator* pAllocator, BOOL) override
    {
        m_pAllocator = pAllocator;
        return S_OK;
    }
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
    STDMETHODIMP Receive(IMediaSample*) override { return S_OK; }
    STDMETHODIMP ReceiveMultiple(IMediaSample**, long, long* pnProcessed) override
    {
        *pnProcessed = 0;
        return S_OK;
    }
    STDMETHODIMP ReceiveCanBlock() override { return S_FALSE; }

    // IKsPropertySet: the maker's driver behind the input pin.
    STDMETHODIMP Set(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData, DWORD cbInstanceData,
                     LPVOID pPropData, DWORD cbPropData) override;
    STDMETHODIMP Get(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP QuerySupported(REFGUID, DWORD, DWORD*) override { return E_NOTIMPL; }

private:
    FakeBdaState& State() const;

    CFakeBdaFilter* m_pFilter;
    size_t m_nIndex;
    FakePinSetup m_setup;
    InterfaceHolder<IPin> m_pPeer;
    InterfaceHolder<IMemAllocator> m_pAllocator;
};

class CPinList final : public IEnumPins
{
public:
    CPinList(IBaseFilter* pFilter, std::vector<IPin*> pins, size_t nPos = 0)
        : m_pFilter(pFilter), m_pins(std::move(pins)), m_nPos(nPos)
    {
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IEnumPins) {
            *ppv = static_cast<IEnumPins*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_cRef); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG n = InterlockedDecrement(&m_cRef);
        if (n == 0)
            delete this;
        return n;
    }
    STDMETHODIMP Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override
    {
        ULONG n = 0;
        for (; n < cPins && m_nPos < m_pins.size(); ++n) {
            ppPins[n] = m_pins[m_nPos++];
            ppPins[n]->AddRef();
        }
        if (pcFetched)
            *pcFetched = n;
        return n == cPins ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG cPins) override
    {
        m_nPos = std::min<size_t>(m_nPos + cPins, m_pins.size());
        return m_nPos < m_pins.size() ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override
    {
        m_nPos = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumPins** ppEnum) override
    {
        *ppEnum = new CPinList(m_pFilter, m_pins, m_nPos);
        return S_OK;
    }

private:
    LONG m_cRef = 1;
    InterfaceHolder<IBaseFilter> m_pFilter;
    std::vector<IPin*> m_pins;
    size_t m_nPos;
};

class CFakeBdaFilter final : public IBaseFilter, public IBDA_Topology, public IBDA_DeviceControl
{
public:
    explicit CFakeBdaFilter(const FakeBdaStatePtr& state) : m_state(state)
    {
        InterlockedIncrement(&g_nFiltersAlive);
        ++m_state->nFiltersMade;
        for (const FakePinSetup& setup : m_state->Pins)
            m_pins.push_back(new CFakeBdaPin(this, m_pins.size(), setup));
    }
    ~CFakeBdaFilter()
    {
        for (CFakeBdaPin* pPin : m_pins)
            delete pPin;
        InterlockedDecrement(&g_nFiltersAlive);
    }

    FakeBdaState& State() const { return *m_state; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IPersist || riid == IID_IMediaFilter || riid == IID_IBaseFilter)
            *ppv = static_cast<IBaseFilter*>(this);
        else if (riid == __uuidof(IBDA_Topology) && m_state->bTopology)
            *ppv = static_cast<IBDA_Topology*>(this);
        else if (riid == __uuidof(IBDA_DeviceControl) && m_state->bDeviceControl)
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

    // IBaseFilter
    STDMETHODIMP GetClassID(CLSID* pClsid) override
    {
        *pClsid = GUID_NULL;
        return S_OK;
    }
    STDMETHODIMP Stop() override
    {
        m_eState = State_Stopped;
        return S_OK;
    }
    STDMETHODIMP Pause() override
    {
        const HRESULT hr = m_state->Log("Pause", -1);
        if (SUCCEEDED(hr))
            m_eState = State_Paused;
        return hr;
    }
    STDMETHODIMP Run(REFERENCE_TIME) override
    {
        const HRESULT hr = m_state->Log("Run", -1);
        if (SUCCEEDED(hr))
            m_eState = State_Running;
        return hr;
    }
    STDMETHODIMP GetState(DWORD, FILTER_STATE* pState) override
    {
        *pState = m_eState;
        return S_OK;
    }
    STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override
    {
        m_pClock = pClock;
        return S_OK;
    }
    STDMETHODIMP GetSyncSource(IReferenceClock** ppClock) override
    {
        *ppClock = m_pClock.Get();
        if (*ppClock)
            (*ppClock)->AddRef();
        return S_OK;
    }
    STDMETHODIMP EnumPins(IEnumPins** ppEnum) override
    {
        *ppEnum = new CPinList(this, std::vector<IPin*>(m_pins.begin(), m_pins.end()));
        return S_OK;
    }
    STDMETHODIMP FindPin(LPCWSTR, IPin** ppPin) override
    {
        *ppPin = nullptr;
        return VFW_E_NOT_FOUND;
    }
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override
    {
        lstrcpynW(pInfo->achName, m_name.c_str(), MAX_FILTER_NAME);
        pInfo->pGraph = m_pGraph;
        if (m_pGraph)
            m_pGraph->AddRef();
        return S_OK;
    }
    STDMETHODIMP JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override
    {
        if (pGraph) {
            const HRESULT hr = m_state->Log("JoinFilterGraph", -1);
            if (FAILED(hr))
                return hr;
            m_state->JoinedAs.push_back(pName ? pName : L"");
        }
        m_pGraph = pGraph;
        m_name = pName ? pName : L"";
        return S_OK;
    }
    STDMETHODIMP QueryVendorInfo(LPWSTR* ppInfo) override
    {
        *ppInfo = nullptr;
        return E_NOTIMPL;
    }

    // IBDA_Topology
    STDMETHODIMP GetNodeTypes(ULONG*, ULONG, ULONG[]) override { return E_NOTIMPL; }
    STDMETHODIMP GetNodeDescriptors(ULONG* pnCount, ULONG nMax, BDANODE_DESCRIPTOR rgNodes[]) override
    {
        const HRESULT hr = m_state->Log("GetNodeDescriptors", -1, nMax);
        if (FAILED(hr))
            return hr;
        // The true count is reported, but never more written than there is room for.
        const std::vector<FakeNodeSetup>& nodes = m_state->Nodes;
        for (ULONG i = 0; i < nodes.size() && i < nMax; ++i) {
            rgNodes[i] = {};
            rgNodes[i].ulBdaNodeType = nodes[i].nType;
            rgNodes[i].guidFunction = nodes[i].guidFunction;
        }
        *pnCount = static_cast<ULONG>(nodes.size());
        return S_OK;
    }
    STDMETHODIMP GetNodeInterfaces(ULONG, ULONG*, ULONG, GUID[]) override { return E_NOTIMPL; }
    STDMETHODIMP GetPinTypes(ULONG* pnCount, ULONG nMax, ULONG rgTypes[]) override
    {
        const ULONG types[] = {0, 1};
        for (ULONG i = 0; i < 2 && i < nMax; ++i)
            rgTypes[i] = types[i];
        *pnCount = 2;
        return S_OK;
    }
    STDMETHODIMP GetTemplateConnections(ULONG*, ULONG, BDA_TEMPLATE_CONNECTION[]) override { return E_NOTIMPL; }
    STDMETHODIMP CreatePin(ULONG, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP DeletePin(ULONG) override { return E_NOTIMPL; }
    STDMETHODIMP SetMediaType(ULONG, AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    STDMETHODIMP SetMedium(ULONG, REGPINMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP CreateTopology(ULONG nInput, ULONG nOutput) override
    {
        return m_state->Log("CreateTopology", -1, nInput * 100 + nOutput);
    }
    STDMETHODIMP GetControlNode(ULONG nInput, ULONG nOutput, ULONG nType, IUnknown** ppNode) override
    {
        *ppNode = nullptr;
        m_state->ControlNodeRequests.push_back({nInput, nOutput, nType});
        const HRESULT hr = m_state->Log("GetControlNode", static_cast<LONG>(nType));
        if (hr != S_OK)
            return hr;
        for (const FakeNodeSetup& setup : m_state->Nodes) {
            if (setup.nType == nType) {
                *ppNode = CreateFakeNode(m_state, setup).Detach();
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }

    // IBDA_DeviceControl of the filter
    STDMETHODIMP StartChanges() override { return m_state->Log("StartChanges", -1); }
    STDMETHODIMP CheckChanges() override { return m_state->Log("CheckChanges", -1); }
    STDMETHODIMP CommitChanges() override { return m_state->Log("CommitChanges", -1); }
    STDMETHODIMP GetChangeState(ULONG* pState) override
    {
        *pState = 0;
        return m_state->Log("GetChangeState", -1);
    }

    ULONG RefCount() const { return static_cast<ULONG>(m_cRef); }

private:
    LONG m_cRef = 1;
    FakeBdaStatePtr m_state;
    std::vector<CFakeBdaPin*> m_pins;
    FILTER_STATE m_eState = State_Stopped;
    IFilterGraph* m_pGraph = nullptr;  // the graph owns the filter, not the other way round
    std::wstring m_name;
    InterfaceHolder<IReferenceClock> m_pClock;
};

FakeBdaState& CFakeBdaPin::State() const { return m_pFilter->State(); }

STDMETHODIMP CFakeBdaPin::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IPin)
        *ppv = static_cast<IPin*>(this);
    else if (riid == IID_IMemInputPin && m_setup.eDirection == PINDIR_INPUT)
        *ppv = static_cast<IMemInputPin*>(this);
    else if (riid == IID_IKsPropertySet && m_setup.bPropertySet)
        *ppv = static_cast<IKsPropertySet*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CFakeBdaPin::AddRef() { return m_pFilter->AddRef(); }
STDMETHODIMP_(ULONG) CFakeBdaPin::Release() { return m_pFilter->Release(); }

// An output pin offers the transport stream and brings the downstream pin's allocator, or
// its own, as a streaming pin would.
STDMETHODIMP CFakeBdaPin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE*)
{
    if (!m_pPeer.IsNull())
        return VFW_E_ALREADY_CONNECTED;
    AM_MEDIA_TYPE mt = {};
    mt.majortype = MEDIATYPE_Stream;
    mt.subtype = MEDIASUBTYPE_MPEG2_TRANSPORT;
    mt.bFixedSizeSamples = TRUE;
    mt.lSampleSize = 188;
    HRESULT hr = pReceivePin->ReceiveConnection(this, &mt);
    if (FAILED(hr))
        return hr;
    QueriedHolder<IMemInputPin> input(pReceivePin);
    InterfaceHolder<IMemAllocator> allocator;
    if (input.IsNull() || FAILED(input->GetAllocator(allocator.OutSlot())) || allocator.IsNull())
        hr = allocator.CreateInstance(CLSID_MemoryAllocator, CLSCTX_INPROC_SERVER);
    if (SUCCEEDED(hr)) {
        ALLOCATOR_PROPERTIES wanted = {2, 188 * 64, 1, 0}, actual = {};
        hr = allocator->SetProperties(&wanted, &actual);
    }
    if (SUCCEEDED(hr) && !input.IsNull())
        hr = input->NotifyAllocator(allocator, FALSE);
    if (FAILED(hr)) {
        pReceivePin->Disconnect();
        return hr;
    }
    m_pPeer = pReceivePin;
    m_pAllocator = allocator;
    return S_OK;
}

STDMETHODIMP CFakeBdaPin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE*)
{
    if (FAILED(State().hrReceiveConnection))
        return State().hrReceiveConnection;
    if (!m_pPeer.IsNull())
        return VFW_E_ALREADY_CONNECTED;
    m_pPeer = pConnector;
    PIN_INFO pin = {};
    FILTER_INFO filter = {};
    if (SUCCEEDED(pConnector->QueryPinInfo(&pin)) && pin.pFilter) {
        if (SUCCEEDED(pin.pFilter->QueryFilterInfo(&filter)) && filter.pGraph)
            filter.pGraph->Release();
        pin.pFilter->Release();
    }
    State().ConnectedFrom.push_back(filter.achName);
    return S_OK;
}

STDMETHODIMP CFakeBdaPin::QueryPinInfo(PIN_INFO* pInfo)
{
    pInfo->pFilter = m_pFilter;
    m_pFilter->AddRef();
    pInfo->dir = m_setup.eDirection;
    lstrcpynW(pInfo->achName, m_setup.sName.c_str(), MAX_PIN_NAME);
    return S_OK;
}

STDMETHODIMP CFakeBdaPin::Set(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData, DWORD cbInstanceData,
                              LPVOID pPropData, DWORD cbPropData)
{
    FakeBdaState& state = State();
    KsSetRecord record = {m_nIndex, m_setup.sName, guidPropSet, dwPropID, {}, {}, cbInstanceData, cbPropData, -1};
    if (pInstanceData)
        record.Instance.assign(static_cast<BYTE*>(pInstanceData), static_cast<BYTE*>(pInstanceData) + cbInstanceData);
    if (pPropData)
        record.Data.assign(static_cast<BYTE*>(pPropData), static_cast<BYTE*>(pPropData) + cbPropData);

    IoctlCommandFields command = {};
    const bool bVendor = IsEqualGUID(guidPropSet, KSPROPSETID_VendorIoctl) && dwPropID == 0 && pPropData &&
                         ParseIoctlCommand(static_cast<const uint8_t*>(pPropData), cbPropData, &command);
    if (bVendor && command.nCounterAddress)
        record.nCounterAtSet = *reinterpret_cast<const uint32_t*>(static_cast<uintptr_t>(command.nCounterAddress));
    state.KsSets.push_back(record);
    if (!bVendor)
        return E_PROP_SET_UNSUPPORTED;

    const auto result = state.VendorResults.find(command.nCode);
    const HRESULT hr = result == state.VendorResults.end() ? S_OK : result->second;
    state.Log("Vendor", -1, command.nCode);
    if (FAILED(hr))
        return hr;
    void* pIn = reinterpret_cast<void*>(static_cast<uintptr_t>(command.nInAddress));
    void* pOut = reinterpret_cast<void*>(static_cast<uintptr_t>(command.nOutAddress));
    if (command.nCode == QLBDA_IOCTL_GET_DEVICE_INFO && pOut && command.nOutLength >= sizeof(DeviceInfoRecord))
        memcpy(pOut, &state.DeviceInfo, sizeof(DeviceInfoRecord));
    if (command.nCode == QLBDA_IOCTL_GET_DRIVER_INFO && pOut && command.nOutLength >= sizeof(DriverInfoRecord))
        memcpy(pOut, &state.DriverInfo, sizeof(DriverInfoRecord));
    if (command.nCode == QLBDA_IOCTL_SET_LNB_DATA && pIn && command.nInLength >= sizeof(LnbDataRecord)) {
        memcpy(&state.LastLnb, pIn, sizeof(LnbDataRecord));
        ++state.nLnbRecords;
    }
    return hr;
}

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

std::vector<BdaCall> FakeBdaState::CallsNamed(std::initializer_list<const char*> names) const
{
    std::vector<BdaCall> selected;
    for (const BdaCall& call : Calls)
        for (const char* pszName : names)
            if (call.sName == pszName)
                selected.push_back(call);
    return selected;
}

HRESULT CreateFakeBdaFilter(const FakeBdaStatePtr& state, REFIID riid, void** ppv)
{
    CFakeBdaFilter* pFilter = new CFakeBdaFilter(state);
    const HRESULT hr = pFilter->QueryInterface(riid, ppv);
    pFilter->Release();
    return hr;
}

InterfaceHolder<IUnknown> CreateFakeNode(const FakeBdaStatePtr& state, const FakeNodeSetup& setup)
{
    InterfaceHolder<IUnknown> node;
    node.Attach(static_cast<IBDA_FrequencyFilter*>(new CFakeNode(state, setup)));
    return node;
}

LONG FakeBdaFiltersAlive() { return g_nFiltersAlive; }
LONG FakeBdaNodesAlive() { return g_nNodesAlive; }

GUID DemodulatorOf(int nSourceType)
{
    switch (nSourceType) {
    case SRC_TYPE_DVBS: return KSNODE_BDA_QPSK_DEMODULATOR;
    case SRC_TYPE_DVBT: return KSNODE_BDA_COFDM_DEMODULATOR;
    case SRC_TYPE_DVBC: return KSNODE_BDA_QAM_DEMODULATOR;
    default: return KSNODE_BDA_8VSB_DEMODULATOR;
    }
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
