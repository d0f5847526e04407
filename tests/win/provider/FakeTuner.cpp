#include "FakeTuner.h"

#include <cstring>

namespace {

template <class T>
ULONG CountedRelease(T* pObject, LONG volatile& cRef)
{
    const LONG n = InterlockedDecrement(&cRef);
    if (n == 0)
        delete pObject;
    return static_cast<ULONG>(n);
}

// Hands out the pins the tuner exposes. With m_bEnumFailsWhenChanged it reports a pin set
// that changed after its creation as out of sync, as the platform's enumerators do.
class CFakeTunerEnumPins final : public IEnumPins
{
public:
    CFakeTunerEnumPins(CFakeTuner* pTuner, std::vector<CFakeTunerPin*>* pPins)
        : m_pTuner(pTuner), m_pTunerRef(static_cast<IBaseFilter*>(pTuner)), m_pPins(pPins),
          m_nVersion(pTuner->m_nPinVersion)
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
    STDMETHODIMP_(ULONG) Release() override { return CountedRelease(this, m_cRef); }

    STDMETHODIMP Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override
    {
        if (pcFetched)
            *pcFetched = 0;
        if (m_pTuner->m_bEnumFailsWhenChanged && m_nVersion != m_pTuner->m_nPinVersion)
            return VFW_E_ENUM_OUT_OF_SYNC;
        ULONG n = 0;
        while (n < cPins && m_nPos < m_pPins->size()) {
            ppPins[n] = (*m_pPins)[m_nPos++];
            ppPins[n]->AddRef();
            ++n;
        }
        if (pcFetched)
            *pcFetched = n;
        return n == cPins ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG cPins) override { return E_NOTIMPL; }
    STDMETHODIMP Reset() override
    {
        m_nPos = 0;
        m_nVersion = m_pTuner->m_nPinVersion;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumPins** ppEnum) override { return E_NOTIMPL; }

private:
    LONG volatile m_cRef = 1;
    CFakeTuner* m_pTuner;
    InterfaceHolder<IBaseFilter> m_pTunerRef;  // an enumerator keeps its filter alive
    std::vector<CFakeTunerPin*>* m_pPins;
    LONG m_nVersion;
    size_t m_nPos = 0;
};

// Offers the BDA antenna type once.
class CFakeAntennaTypes final : public IEnumMediaTypes
{
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IEnumMediaTypes) {
            *ppv = static_cast<IEnumMediaTypes*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_cRef); }
    STDMETHODIMP_(ULONG) Release() override { return CountedRelease(this, m_cRef); }

    STDMETHODIMP Next(ULONG cTypes, AM_MEDIA_TYPE** ppTypes, ULONG* pcFetched) override
    {
        ULONG n = 0;
        if (cTypes > 0 && !m_bDone) {
            auto* pType = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
            std::memset(pType, 0, sizeof(*pType));
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
    STDMETHODIMP Skip(ULONG cTypes) override { return E_NOTIMPL; }
    STDMETHODIMP Reset() override
    {
        m_bDone = false;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumMediaTypes** ppEnum) override { return E_NOTIMPL; }

private:
    LONG volatile m_cRef = 1;
    bool m_bDone = false;
};

}  // namespace

CFakeTunerPin::CFakeTunerPin(CFakeTuner* pTuner, PIN_DIRECTION direction)
    : m_pTuner(pTuner), m_direction(direction)
{
}

STDMETHODIMP CFakeTunerPin::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IPin) {
        *ppv = static_cast<IPin*>(this);
    } else if (riid == IID_IMemInputPin) {
        *ppv = static_cast<IMemInputPin*>(this);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CFakeTunerPin::AddRef() { return m_pTuner->AddRef(); }
STDMETHODIMP_(ULONG) CFakeTunerPin::Release() { return m_pTuner->Release(); }

STDMETHODIMP CFakeTunerPin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) { return E_NOTIMPL; }

STDMETHODIMP CFakeTunerPin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt)
{
    ++m_nReceiveConnectionCalls;
    if (m_nRefuseConnections > 0) {
        --m_nRefuseConnections;
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    if (m_pPeer)
        return VFW_E_ALREADY_CONNECTED;
    m_pPeer = pConnector;
    return S_OK;
}

STDMETHODIMP CFakeTunerPin::Disconnect()
{
    if (!m_pPeer)
        return S_FALSE;
    m_pPeer.Reset();
    m_pNotifiedAllocator.Reset();
    return S_OK;
}

STDMETHODIMP CFakeTunerPin::ConnectedTo(IPin** ppPin)
{
    *ppPin = m_pPeer.Get();
    if (!*ppPin)
        return VFW_E_NOT_CONNECTED;
    (*ppPin)->AddRef();
    return S_OK;
}

STDMETHODIMP CFakeTunerPin::ConnectionMediaType(AM_MEDIA_TYPE* pmt) { return E_NOTIMPL; }

STDMETHODIMP CFakeTunerPin::QueryPinInfo(PIN_INFO* pInfo)
{
    if (FAILED(m_hrQueryPinInfo))
        return m_hrQueryPinInfo;
    pInfo->pFilter = nullptr;
    if (!m_bNoOwner) {
        pInfo->pFilter = static_cast<IBaseFilter*>(m_pTuner);
        pInfo->pFilter->AddRef();
    }
    wcscpy(pInfo->achName, m_direction == PINDIR_INPUT ? L"Antenna In" : L"MPEG-2 Out");
    pInfo->dir = m_direction;
    return m_hrQueryPinInfo;
}

STDMETHODIMP CFakeTunerPin::QueryDirection(PIN_DIRECTION* pDirection)
{
    *pDirection = m_direction;
    return S_OK;
}

STDMETHODIMP CFakeTunerPin::QueryId(LPWSTR* ppId) { return E_NOTIMPL; }
STDMETHODIMP CFakeTunerPin::QueryAccept(const AM_MEDIA_TYPE* pmt) { return S_OK; }

STDMETHODIMP CFakeTunerPin::EnumMediaTypes(IEnumMediaTypes** ppEnum)
{
    *ppEnum = nullptr;
    if (!m_bOfferAntennaType)
        return E_NOTIMPL;
    *ppEnum = new CFakeAntennaTypes;
    return S_OK;
}

STDMETHODIMP CFakeTunerPin::QueryInternalConnections(IPin** apPin, ULONG* nPin) { return E_NOTIMPL; }
STDMETHODIMP CFakeTunerPin::EndOfStream() { return S_OK; }
STDMETHODIMP CFakeTunerPin::BeginFlush() { return S_OK; }
STDMETHODIMP CFakeTunerPin::EndFlush() { return S_OK; }
STDMETHODIMP CFakeTunerPin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) { return S_OK; }

STDMETHODIMP CFakeTunerPin::GetAllocator(IMemAllocator** ppAllocator)
{
    *ppAllocator = m_pOfferedAllocator.Get();
    if (!*ppAllocator)
        return VFW_E_NO_ALLOCATOR;
    (*ppAllocator)->AddRef();
    return S_OK;
}

STDMETHODIMP CFakeTunerPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly)
{
    m_pNotifiedAllocator = pAllocator;
    return S_OK;
}

STDMETHODIMP CFakeTunerPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) { return E_NOTIMPL; }
STDMETHODIMP CFakeTunerPin::Receive(IMediaSample* pSample) { return E_UNEXPECTED; }
STDMETHODIMP CFakeTunerPin::ReceiveMultiple(IMediaSample** pSamples, long nSamples, long* nProcessed)
{
    return E_UNEXPECTED;
}
STDMETHODIMP CFakeTunerPin::ReceiveCanBlock() { return S_FALSE; }

CFakeTuner::CFakeTuner() : m_connectPin(this, PINDIR_INPUT) {}

CFakeTuner::~CFakeTuner()
{
    for (CFakeTunerPin* pPin : m_exposed)
        delete pPin;
}

CFakeTunerPin* CFakeTuner::ExposePin(PIN_DIRECTION direction)
{
    m_exposed.push_back(new CFakeTunerPin(this, direction));
    ++m_nPinVersion;
    return m_exposed.back();
}

STDMETHODIMP CFakeTuner::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown) {
        *ppv = static_cast<IBaseFilter*>(this);
    } else if (m_bExposeBaseFilter &&
               (riid == IID_IBaseFilter || riid == IID_IMediaFilter || riid == IID_IPersist)) {
        *ppv = static_cast<IBaseFilter*>(this);
    } else if (m_bExposeTopology && riid == __uuidof(IBDA_Topology)) {  // strmiids has a wrong IID_IBDA_Topology
        *ppv = static_cast<IBDA_Topology*>(this);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CFakeTuner::AddRef() { return InterlockedIncrement(&m_cRef); }
STDMETHODIMP_(ULONG) CFakeTuner::Release() { return CountedRelease(this, m_cRef); }

STDMETHODIMP CFakeTuner::GetClassID(CLSID* pClsid)
{
    ++m_nFilterCalls;
    *pClsid = GUID_NULL;
    return S_OK;
}

STDMETHODIMP CFakeTuner::Stop()
{
    ++m_nFilterCalls;
    m_state = State_Stopped;
    return S_OK;
}

STDMETHODIMP CFakeTuner::Pause()
{
    ++m_nFilterCalls;
    m_state = State_Paused;
    return S_OK;
}

STDMETHODIMP CFakeTuner::Run(REFERENCE_TIME tStart)
{
    ++m_nFilterCalls;
    m_state = State_Running;
    return S_OK;
}

STDMETHODIMP CFakeTuner::GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* pState)
{
    ++m_nFilterCalls;
    *pState = m_state;
    return S_OK;
}

STDMETHODIMP CFakeTuner::SetSyncSource(IReferenceClock* pClock)
{
    ++m_nFilterCalls;
    return S_OK;
}

STDMETHODIMP CFakeTuner::GetSyncSource(IReferenceClock** ppClock)
{
    ++m_nFilterCalls;
    *ppClock = nullptr;
    return S_OK;
}

STDMETHODIMP CFakeTuner::EnumPins(IEnumPins** ppEnum)
{
    ++m_nFilterCalls;
    *ppEnum = nullptr;
    if (FAILED(m_hrEnumPins))
        return m_hrEnumPins;
    *ppEnum = new CFakeTunerEnumPins(this, &m_exposed);
    return S_OK;
}

STDMETHODIMP CFakeTuner::FindPin(LPCWSTR Id, IPin** ppPin)
{
    ++m_nFilterCalls;
    *ppPin = nullptr;
    return VFW_E_NOT_FOUND;
}

STDMETHODIMP CFakeTuner::QueryFilterInfo(FILTER_INFO* pInfo)
{
    ++m_nFilterCalls;
    wcscpy(pInfo->achName, L"Fake Tuner");
    pInfo->pGraph = m_pGraph;
    if (m_pGraph)
        m_pGraph->AddRef();
    return S_OK;
}

STDMETHODIMP CFakeTuner::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName)
{
    ++m_nFilterCalls;
    m_pGraph = pGraph;
    return S_OK;
}

STDMETHODIMP CFakeTuner::QueryVendorInfo(LPWSTR* pVendorInfo)
{
    ++m_nFilterCalls;
    return E_NOTIMPL;
}

STDMETHODIMP CFakeTuner::GetNodeTypes(ULONG* pulcNodeTypes, ULONG ulcNodeTypesMax, ULONG rgulNodeTypes[])
{
    ++m_nTopologyCalls;
    return E_NOTIMPL;
}

STDMETHODIMP CFakeTuner::GetNodeDescriptors(ULONG* ulcNodeDescriptors, ULONG ulcNodeDescriptorsMax,
                                            BDANODE_DESCRIPTOR rgNodeDescriptors[])
{
    ++m_nTopologyCalls;
    return E_NOTIMPL;
}

STDMETHODIMP CFakeTuner::GetNodeInterfaces(ULONG ulNodeType, ULONG* pulcInterfaces, ULONG ulcInterfacesMax,
                                           GUID rgguidInterfaces[])
{
    ++m_nTopologyCalls;
    return E_NOTIMPL;
}

STDMETHODIMP CFakeTuner::GetPinTypes(ULONG* pulcPinTypes, ULONG ulcPinTypesMax, ULONG rgulPinTypes[])
{
    ++m_nTopologyCalls;
    if (FAILED(m_hrGetPinTypes))
        return m_hrGetPinTypes;
    ULONG n = 0;
    for (; n < m_pinTypes.size() && n < ulcPinTypesMax; ++n)
        rgulPinTypes[n] = m_pinTypes[n];
    *pulcPinTypes = n;
    return m_hrGetPinTypes;
}

STDMETHODIMP CFakeTuner::GetTemplateConnections(ULONG* pulcConnections, ULONG ulcConnectionsMax,
                                                BDA_TEMPLATE_CONNECTION rgConnections[])
{
    ++m_nTopologyCalls;
    return E_NOTIMPL;
}

STDMETHODIMP CFakeTuner::CreatePin(ULONG ulPinType, ULONG* pulPinId)
{
    ++m_nTopologyCalls;
    m_createdTypes.push_back(ulPinType);
    if (FAILED(m_hrCreatePin)) {
        *pulPinId = 0xDEAD;  // a failing driver may leave anything behind
        return m_hrCreatePin;
    }
    ExposePin(m_exposed.empty() ? PINDIR_INPUT : PINDIR_OUTPUT);
    *pulPinId = m_nNextPinId++;
    return S_OK;
}

STDMETHODIMP CFakeTuner::DeletePin(ULONG ulPinId)
{
    ++m_nTopologyCalls;
    return E_NOTIMPL;
}

STDMETHODIMP CFakeTuner::SetMediaType(ULONG ulPinId, AM_MEDIA_TYPE* pMediaType)
{
    ++m_nTopologyCalls;
    return E_NOTIMPL;
}

STDMETHODIMP CFakeTuner::SetMedium(ULONG ulPinId, REGPINMEDIUM* pMedium)
{
    ++m_nTopologyCalls;
    return E_NOTIMPL;
}

STDMETHODIMP CFakeTuner::CreateTopology(ULONG ulInputPinId, ULONG ulOutputPinId)
{
    ++m_nTopologyCalls;
    m_topologies.emplace_back(ulInputPinId, ulOutputPinId);
    return m_hrCreateTopology;
}

STDMETHODIMP CFakeTuner::GetControlNode(ULONG ulInputPinId, ULONG ulOutputPinId, ULONG ulNodeType,
                                        IUnknown** ppControlNode)
{
    ++m_nTopologyCalls;
    return E_NOTIMPL;
}
