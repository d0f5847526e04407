// The fake BDA filter, its pins and their enumerators.
#include "support/FakeBda.h"
#include "support/UnknownOf.h"

#include "graph/BdaGuids.h"
#include "tuner/IoctlCommand.h"

#include <algorithm>
#include <cstring>

namespace {

LONG g_nFiltersAlive = 0;

class CFakeBdaFilter;

class CFakeBdaPin final : public IPin, public IMemInputPin, public IKsPropertySet
{
public:
    CFakeBdaPin(CFakeBdaFilter* pFilter, size_t nIndex, const FakePinSetup& setup)
        : m_pFilter(pFilter), m_nIndex(nIndex), m_setup(setup)
    {
    }

    bool Listed() const { return m_setup.bListed; }
    IMemAllocator* NotifiedAllocator() const { return m_pAllocator.Get(); }

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
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
    STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP EndOfStream() override { return S_OK; }
    STDMETHODIMP BeginFlush() override { return S_OK; }
    STDMETHODIMP EndFlush() override { return S_OK; }
    STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

    // IMemInputPin: the upstream pin brings its own allocator unless the state offers one.
    STDMETHODIMP GetAllocator(IMemAllocator** ppAllocator) override;
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
    const std::vector<CFakeBdaPin*>& Pins() const { return m_pins; }
    // Changes whenever a pin is created.
    size_t PinVersion() const { return m_pins.size(); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown ||
            (m_state->bBaseFilter && (riid == IID_IPersist || riid == IID_IMediaFilter || riid == IID_IBaseFilter)))
            *ppv = static_cast<IBaseFilter*>(this);
        else if (riid == __uuidof(IBDA_Topology) && m_state->bTopology)  // strmiids has an outdated IID_IBDA_Topology
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

    // IBaseFilter: every call is logged.
    STDMETHODIMP GetClassID(CLSID* pClsid) override
    {
        *pClsid = GUID_NULL;
        return m_state->Log("GetClassID", -1);
    }
    STDMETHODIMP Stop() override
    {
        const HRESULT hr = m_state->Log("Stop", -1);
        if (SUCCEEDED(hr))
            m_eState = State_Stopped;
        return hr;
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
        return m_state->Log("GetState", -1);
    }
    STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override
    {
        m_pClock = pClock;
        return m_state->Log("SetSyncSource", -1);
    }
    STDMETHODIMP GetSyncSource(IReferenceClock** ppClock) override
    {
        *ppClock = m_pClock.Get();
        if (*ppClock)
            (*ppClock)->AddRef();
        return m_state->Log("GetSyncSource", -1);
    }
    STDMETHODIMP EnumPins(IEnumPins** ppEnum) override;
    STDMETHODIMP FindPin(LPCWSTR, IPin** ppPin) override
    {
        m_state->Log("FindPin", -1);
        *ppPin = nullptr;
        return VFW_E_NOT_FOUND;
    }
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override
    {
        lstrcpynW(pInfo->achName, m_name.c_str(), MAX_FILTER_NAME);
        pInfo->pGraph = m_pGraph;
        if (m_pGraph)
            m_pGraph->AddRef();
        return m_state->Log("QueryFilterInfo", -1);
    }
    // Only joining can be refused; leaving a graph always succeeds.
    STDMETHODIMP JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override
    {
        const HRESULT hr = m_state->Log("JoinFilterGraph", -1);
        if (pGraph) {
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
        m_state->Log("QueryVendorInfo", -1);
        *ppInfo = nullptr;
        return E_NOTIMPL;
    }

    // IBDA_Topology: every call is logged.
    STDMETHODIMP GetNodeTypes(ULONG*, ULONG, ULONG[]) override { return NotImplemented("GetNodeTypes"); }
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
    STDMETHODIMP GetNodeInterfaces(ULONG, ULONG*, ULONG, GUID[]) override { return NotImplemented("GetNodeInterfaces"); }
    STDMETHODIMP GetPinTypes(ULONG* pnCount, ULONG nMax, ULONG rgTypes[]) override
    {
        const HRESULT hr = m_state->Log("GetPinTypes", -1);
        if (FAILED(hr))
            return hr;
        const std::vector<ULONG>& types = m_state->PinTypes;
        ULONG n = 0;
        for (; n < types.size() && n < nMax; ++n)
            rgTypes[n] = types[n];
        *pnCount = n;
        return hr;
    }
    STDMETHODIMP GetTemplateConnections(ULONG*, ULONG, BDA_TEMPLATE_CONNECTION[]) override
    {
        return NotImplemented("GetTemplateConnections");
    }
    // The new pin is listed: the first of a filter without listed pins is its input.
    STDMETHODIMP CreatePin(ULONG nType, ULONG* pnId) override
    {
        const HRESULT hr = m_state->Log("CreatePin", -1, nType);
        if (hr != S_OK) {
            *pnId = 0xDEAD;  // a failing driver may leave anything behind
            return hr;
        }
        const bool bAnyListed = std::any_of(m_pins.begin(), m_pins.end(), [](CFakeBdaPin* p) { return p->Listed(); });
        *pnId = m_state->nNextPinId++;
        const FakePinSetup setup = {L"Pin " + std::to_wstring(*pnId), bAnyListed ? PINDIR_OUTPUT : PINDIR_INPUT};
        m_pins.push_back(new CFakeBdaPin(this, m_pins.size(), setup));
        return S_OK;
    }
    STDMETHODIMP DeletePin(ULONG) override { return NotImplemented("DeletePin"); }
    STDMETHODIMP SetMediaType(ULONG, AM_MEDIA_TYPE*) override { return NotImplemented("SetMediaType"); }
    STDMETHODIMP SetMedium(ULONG, REGPINMEDIUM*) override { return NotImplemented("SetMedium"); }
    // Both ids in one logged value: the input id in the high half.
    STDMETHODIMP CreateTopology(ULONG nInput, ULONG nOutput) override
    {
        return m_state->Log("CreateTopology", -1, (static_cast<LONGLONG>(nInput) << 32) | nOutput);
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

private:
    HRESULT NotImplemented(const char* pszName)
    {
        m_state->Log(pszName, -1);
        return E_NOTIMPL;
    }

    LONG m_cRef = 1;
    FakeBdaStatePtr m_state;
    std::vector<CFakeBdaPin*> m_pins;
    FILTER_STATE m_eState = State_Stopped;
    IFilterGraph* m_pGraph = nullptr;  // the graph owns the filter, not the other way round
    std::wstring m_name;
    InterfaceHolder<IReferenceClock> m_pClock;
};

// Hands out the filter's listed pins as they are when asked; keeps the filter alive. A pin
// set that changed since the enumerator was made or reset is out of sync, as with the
// platform's enumerators, unless the state says otherwise.
class CFakeBdaPinEnum final : public CUnknownOf<IEnumPins>
{
public:
    CFakeBdaPinEnum(CFakeBdaFilter* pFilter, size_t nPos = 0)
        : m_pFilter(pFilter), m_pFilterRef(static_cast<IBaseFilter*>(pFilter)), m_nVersion(pFilter->PinVersion()),
          m_nPos(nPos)
    {
    }

    STDMETHODIMP Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override
    {
        if (pcFetched)
            *pcFetched = 0;
        if (OutOfSync())
            return VFW_E_ENUM_OUT_OF_SYNC;
        const std::vector<CFakeBdaPin*>& pins = m_pFilter->Pins();
        ULONG n = 0;
        for (; n < cPins && SkipUnlisted(); ++n) {
            ppPins[n] = pins[m_nPos++];
            ppPins[n]->AddRef();
        }
        if (pcFetched)
            *pcFetched = n;
        return n == cPins ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG cPins) override
    {
        if (OutOfSync())
            return VFW_E_ENUM_OUT_OF_SYNC;
        for (; cPins > 0 && SkipUnlisted(); --cPins)
            ++m_nPos;
        return cPins == 0 ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override
    {
        m_nPos = 0;
        m_nVersion = m_pFilter->PinVersion();
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumPins** ppEnum) override
    {
        *ppEnum = new CFakeBdaPinEnum(m_pFilter, m_nPos);
        return S_OK;
    }

private:
    bool OutOfSync() const
    {
        return m_pFilter->State().bEnumOutOfSyncWhenChanged && m_nVersion != m_pFilter->PinVersion();
    }
    // Moves to the next listed pin; false when there is none.
    bool SkipUnlisted()
    {
        const std::vector<CFakeBdaPin*>& pins = m_pFilter->Pins();
        while (m_nPos < pins.size() && !pins[m_nPos]->Listed())
            ++m_nPos;
        return m_nPos < pins.size();
    }

    CFakeBdaFilter* m_pFilter;
    InterfaceHolder<IBaseFilter> m_pFilterRef;
    size_t m_nVersion;
    size_t m_nPos;
};

// Offers the BDA antenna type once.
class CAntennaTypeEnum final : public CUnknownOf<IEnumMediaTypes>
{
public:
    STDMETHODIMP Next(ULONG cTypes, AM_MEDIA_TYPE** ppTypes, ULONG* pcFetched) override
    {
        ULONG n = 0;
        if (cTypes > 0 && !m_bDone) {
            auto* pType = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
            if (!pType)
                return E_OUTOFMEMORY;
            memset(pType, 0, sizeof(*pType));
            pType->majortype = KSDATAFORMAT_TYPE_BDA_ANTENNA;
            pType->subtype = MEDIASUBTYPE_None;
            pType->formattype = FORMAT_None;
            ppTypes[0] = pType;
            m_bDone = true;
            n = 1;
        }
        if (pcFetched)
            *pcFetched = n;
        return n == cTypes ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG) override { return E_NOTIMPL; }
    STDMETHODIMP Reset() override
    {
        m_bDone = false;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumMediaTypes**) override { return E_NOTIMPL; }

private:
    bool m_bDone = false;
};

STDMETHODIMP CFakeBdaFilter::EnumPins(IEnumPins** ppEnum)
{
    *ppEnum = nullptr;
    const HRESULT hr = m_state->Log("EnumPins", -1);
    if (FAILED(hr))
        return hr;
    *ppEnum = new CFakeBdaPinEnum(this);
    return S_OK;
}

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
    FakeBdaState& state = State();
    const HRESULT hr = state.Log("ReceiveConnection", -1);
    if (FAILED(hr))
        return hr;
    if (state.nConnectionsToRefuse > 0) {
        --state.nConnectionsToRefuse;
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
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
    state.ConnectedFrom.push_back(filter.achName);
    return S_OK;
}

STDMETHODIMP CFakeBdaPin::QueryPinInfo(PIN_INFO* pInfo)
{
    const HRESULT hr = State().Log("QueryPinInfo", -1);
    if (FAILED(hr))
        return hr;
    pInfo->pFilter = nullptr;
    if (State().bPinInfoNamesFilter) {
        pInfo->pFilter = m_pFilter;
        m_pFilter->AddRef();
    }
    pInfo->dir = m_setup.eDirection;
    lstrcpynW(pInfo->achName, m_setup.sName.c_str(), MAX_PIN_NAME);
    return hr;
}

STDMETHODIMP CFakeBdaPin::EnumMediaTypes(IEnumMediaTypes** ppEnum)
{
    *ppEnum = nullptr;
    if (m_setup.eDirection != PINDIR_INPUT || !State().bOfferAntennaType)
        return E_NOTIMPL;
    *ppEnum = new CAntennaTypeEnum;
    return S_OK;
}

STDMETHODIMP CFakeBdaPin::GetAllocator(IMemAllocator** ppAllocator)
{
    *ppAllocator = State().pOfferedAllocator.Get();
    if (!*ppAllocator)
        return VFW_E_NO_ALLOCATOR;
    (*ppAllocator)->AddRef();
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

} // namespace

HRESULT CreateFakeBdaFilter(const FakeBdaStatePtr& state, REFIID riid, void** ppv)
{
    CFakeBdaFilter* pFilter = new CFakeBdaFilter(state);
    const HRESULT hr = pFilter->QueryInterface(riid, ppv);
    pFilter->Release();
    return hr;
}

IPin* FakeBdaPin(IBaseFilter* pFakeFilter, size_t nIndex)
{
    const std::vector<CFakeBdaPin*>& pins = static_cast<CFakeBdaFilter*>(pFakeFilter)->Pins();
    return nIndex < pins.size() ? static_cast<IPin*>(pins[nIndex]) : nullptr;
}

IMemAllocator* FakeBdaNotifiedAllocator(IPin* pFakePin)
{
    return static_cast<CFakeBdaPin*>(pFakePin)->NotifiedAllocator();
}

LONG FakeBdaFiltersAlive() { return g_nFiltersAlive; }
