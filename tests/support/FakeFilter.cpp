#include "support/FakeFilter.h"
#include "support/UnknownOf.h"

#include <cstring>

namespace {

LONG g_nLiveFilters = 0;

LPWSTR CoTaskCopy(const std::wstring& text)
{
    size_t cb = (text.size() + 1) * sizeof(WCHAR);
    LPWSTR p = static_cast<LPWSTR>(CoTaskMemAlloc(cb));
    if (p)
        memcpy(p, text.c_str(), cb);
    return p;
}

// Enumerates a snapshot of the filter's pins; holds the filter alive.
class CFakePinEnum final : public CUnknownOf<IEnumPins>
{
public:
    CFakePinEnum(IBaseFilter* pFilter, std::vector<IPin*> pins, size_t nPos = 0)
        : m_pFilter(pFilter), m_pins(std::move(pins)), m_nPos(nPos)
    {
    }

    STDMETHODIMP Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override
    {
        ULONG n = 0;
        while (n < cPins && m_nPos < m_pins.size()) {
            ppPins[n] = m_pins[m_nPos++];
            ppPins[n]->AddRef();
            ++n;
        }
        if (pcFetched)
            *pcFetched = n;
        return n == cPins ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG cPins) override
    {
        m_nPos += cPins;
        if (m_nPos > m_pins.size()) {
            m_nPos = m_pins.size();
            return S_FALSE;
        }
        return S_OK;
    }
    STDMETHODIMP Reset() override
    {
        m_nPos = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumPins** ppEnum) override
    {
        *ppEnum = new CFakePinEnum(m_pFilter, m_pins, m_nPos);
        return S_OK;
    }

private:
    InterfaceHolder<IBaseFilter> m_pFilter;
    std::vector<IPin*> m_pins;
    size_t m_nPos;
};

} // namespace

CFakePin::CFakePin(CFakeFilter* pFilter, const std::wstring& name, PIN_DIRECTION direction)
    : m_pFilter(pFilter), m_name(name), m_direction(direction)
{
}

STDMETHODIMP CFakePin::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IPin) {
        *ppv = static_cast<IPin*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CFakePin::AddRef() { return m_pFilter->AddRef(); }
STDMETHODIMP_(ULONG) CFakePin::Release() { return m_pFilter->Release(); }

STDMETHODIMP CFakePin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE*)
{
    ++m_nConnectCalls;
    if (FAILED(m_hrConnect))
        return m_hrConnect;
    if (!m_pPeer.IsNull())
        return VFW_E_ALREADY_CONNECTED;
    AM_MEDIA_TYPE mt = {};
    mt.majortype = MEDIATYPE_Stream;
    HRESULT hr = pReceivePin->ReceiveConnection(this, &mt);
    if (FAILED(hr))
        return hr;
    m_pPeer = pReceivePin;
    return S_OK;
}

STDMETHODIMP CFakePin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE*)
{
    if (FAILED(m_hrReceiveConnection))
        return m_hrReceiveConnection;
    if (!m_pPeer.IsNull())
        return VFW_E_ALREADY_CONNECTED;
    m_pPeer = pConnector;
    return S_OK;
}

STDMETHODIMP CFakePin::Disconnect()
{
    if (m_pPeer.IsNull())
        return S_FALSE;
    m_pPeer.Reset();
    return S_OK;
}

STDMETHODIMP CFakePin::ConnectedTo(IPin** ppPin)
{
    *ppPin = m_pPeer.Get();
    if (!*ppPin)
        return VFW_E_NOT_CONNECTED;
    (*ppPin)->AddRef();
    return S_OK;
}

STDMETHODIMP CFakePin::ConnectionMediaType(AM_MEDIA_TYPE* pmt)
{
    memset(pmt, 0, sizeof(*pmt));
    if (m_pPeer.IsNull())
        return VFW_E_NOT_CONNECTED;
    pmt->majortype = MEDIATYPE_Stream;
    return S_OK;
}

STDMETHODIMP CFakePin::QueryPinInfo(PIN_INFO* pInfo)
{
    pInfo->pFilter = m_pFilter;
    m_pFilter->AddRef();
    pInfo->dir = m_direction;
    lstrcpynW(pInfo->achName, m_name.c_str(), MAX_PIN_NAME);
    return S_OK;
}

STDMETHODIMP CFakePin::QueryDirection(PIN_DIRECTION* pDirection)
{
    if (FAILED(m_hrQueryDirection))
        return m_hrQueryDirection;
    *pDirection = m_direction;
    return S_OK;
}

STDMETHODIMP CFakePin::QueryId(LPWSTR* ppId)
{
    *ppId = CoTaskCopy(m_name);
    return *ppId ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CFakePin::QueryAccept(const AM_MEDIA_TYPE*) { return S_OK; }
STDMETHODIMP CFakePin::EnumMediaTypes(IEnumMediaTypes** ppEnum)
{
    *ppEnum = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP CFakePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }
STDMETHODIMP CFakePin::EndOfStream() { return S_OK; }
STDMETHODIMP CFakePin::BeginFlush() { return S_OK; }
STDMETHODIMP CFakePin::EndFlush() { return S_OK; }
STDMETHODIMP CFakePin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }

CFakeFilter::CFakeFilter(REFCLSID clsid) : m_clsid(clsid)
{
    InterlockedIncrement(&g_nLiveFilters);
}

CFakeFilter::~CFakeFilter()
{
    for (CFakePin* pPin : m_pins)
        delete pPin;
    InterlockedDecrement(&g_nLiveFilters);
}

LONG CFakeFilter::LiveCount() { return g_nLiveFilters; }

CFakePin* CFakeFilter::AddPin(const std::wstring& name, PIN_DIRECTION direction)
{
    m_pins.push_back(new CFakePin(this, name, direction));
    return m_pins.back();
}

STDMETHODIMP CFakeFilter::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IPersist || riid == IID_IMediaFilter ||
        riid == IID_IBaseFilter) {
        *ppv = static_cast<IBaseFilter*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CFakeFilter::AddRef() { return InterlockedIncrement(&m_cRef); }

STDMETHODIMP_(ULONG) CFakeFilter::Release()
{
    LONG n = InterlockedDecrement(&m_cRef);
    if (n == 0)
        delete this;
    return n;
}

STDMETHODIMP CFakeFilter::GetClassID(CLSID* pClsid)
{
    *pClsid = m_clsid;
    return S_OK;
}

STDMETHODIMP CFakeFilter::Stop()
{
    ++m_nStopCalls;
    if (FAILED(m_hrStop))
        return m_hrStop;
    m_state = State_Stopped;
    return S_OK;
}

STDMETHODIMP CFakeFilter::Pause()
{
    ++m_nPauseCalls;
    if (FAILED(m_hrPause))
        return m_hrPause;
    m_state = State_Paused;
    return S_OK;
}

STDMETHODIMP CFakeFilter::Run(REFERENCE_TIME)
{
    ++m_nRunCalls;
    if (FAILED(m_hrRun))
        return m_hrRun;
    m_state = State_Running;
    return S_OK;
}

STDMETHODIMP CFakeFilter::GetState(DWORD, FILTER_STATE* pState)
{
    *pState = m_state;
    return m_hrGetState;
}

STDMETHODIMP CFakeFilter::SetSyncSource(IReferenceClock* pClock)
{
    m_pClock = pClock;
    return S_OK;
}

STDMETHODIMP CFakeFilter::GetSyncSource(IReferenceClock** ppClock)
{
    *ppClock = m_pClock.Get();
    if (*ppClock)
        (*ppClock)->AddRef();
    return S_OK;
}

STDMETHODIMP CFakeFilter::EnumPins(IEnumPins** ppEnum)
{
    ++m_nEnumPinsCalls;
    if (FAILED(m_hrEnumPins)) {
        *ppEnum = nullptr;
        return m_hrEnumPins;
    }
    *ppEnum = new CFakePinEnum(this, std::vector<IPin*>(m_pins.begin(), m_pins.end()), m_nEnumStart);
    return S_OK;
}

STDMETHODIMP CFakeFilter::FindPin(LPCWSTR Id, IPin** ppPin)
{
    for (CFakePin* pPin : m_pins) {
        LPWSTR pszId = nullptr;
        pPin->QueryId(&pszId);
        bool bMatch = pszId && lstrcmpW(pszId, Id) == 0;
        CoTaskMemFree(pszId);
        if (bMatch) {
            *ppPin = pPin;
            pPin->AddRef();
            return S_OK;
        }
    }
    *ppPin = nullptr;
    return VFW_E_NOT_FOUND;
}

STDMETHODIMP CFakeFilter::QueryFilterInfo(FILTER_INFO* pInfo)
{
    lstrcpynW(pInfo->achName, m_name.c_str(), MAX_FILTER_NAME);
    pInfo->pGraph = m_pGraph;
    if (m_pGraph)
        m_pGraph->AddRef();
    return S_OK;
}

STDMETHODIMP CFakeFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName)
{
    ++m_nJoinCalls;
    HRESULT hr = pGraph ? m_hrJoin : m_hrLeave;
    if (FAILED(hr))
        return hr;
    m_pGraph = pGraph;
    m_name = pName ? pName : L"";
    return S_OK;
}

STDMETHODIMP CFakeFilter::QueryVendorInfo(LPWSTR* pVendorInfo)
{
    *pVendorInfo = nullptr;
    return E_NOTIMPL;
}
