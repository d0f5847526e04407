#include "filters/BaseFilter.h"

#include "filters/BasePin.h"
#include "filters/EnumPins.h"

#include <cwchar>
#include <new>

CBaseFilter::CBaseFilter(const char* pName, IUnknown* pUnk, CCritSec* pLock, REFCLSID clsid)
    : CUnknown(pName, pUnk)
    , m_State(State_Stopped)
    , m_tStart(0)
    , m_clsid(clsid)
    , m_pLock(pLock)
    , m_pName(nullptr)
    , m_pGraph(nullptr)
    , m_pSink(nullptr)
    , m_PinVersion(1)
{
}

CBaseFilter::~CBaseFilter()
{
    delete[] m_pName;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IBaseFilter || riid == IID_IMediaFilter || riid == IID_IPersist)
        return GetInterface(static_cast<IBaseFilter*>(this), ppv);
    if (riid == IID_IAMovieSetup)
        return GetInterface(static_cast<IAMovieSetup*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT STDMETHODCALLTYPE CBaseFilter::GetClassID(CLSID* pClsID)
{
    if (!pClsID)
        return E_POINTER;
    *pClsID = m_clsid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Stop()
{
    CAutoLock lock(m_pLock);
    HRESULT hr = S_OK;
    if (m_State != State_Stopped) {
        const int cPins = GetPinCount();
        for (int n = 0; n < cPins; ++n) {
            CBasePin* pPin = GetPin(n);
            if (!pPin || !pPin->IsConnected())
                continue;
            HRESULT hrPin = pPin->Inactive();
            if (FAILED(hrPin) && SUCCEEDED(hr))
                hr = hrPin;
        }
    }
    m_State = State_Stopped;
    return hr;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Pause()
{
    CAutoLock lock(m_pLock);
    if (m_State == State_Stopped) {
        const int cPins = GetPinCount();
        for (int n = 0; n < cPins; ++n) {
            CBasePin* pPin = GetPin(n);
            if (!pPin || !pPin->IsConnected())
                continue;
            HRESULT hr = pPin->Active();
            if (FAILED(hr))
                return hr;
        }
    }
    m_State = State_Paused;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Run(REFERENCE_TIME tStart)
{
    CAutoLock lock(m_pLock);
    m_tStart = tStart;
    if (m_State == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr))
            return hr;
    }
    if (m_State != State_Running) {
        const int cPins = GetPinCount();
        for (int n = 0; n < cPins; ++n) {
            CBasePin* pPin = GetPin(n);
            if (!pPin || !pPin->IsConnected())
                continue;
            HRESULT hr = pPin->Run(tStart);
            if (FAILED(hr))
                return hr;
        }
    }
    m_State = State_Running;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::GetState(DWORD dwMSecs, FILTER_STATE* State)
{
    if (!State)
        return E_POINTER;
    *State = m_State;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::SetSyncSource(IReferenceClock* pClock)
{
    CAutoLock lock(m_pLock);
    m_pClock = pClock;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::GetSyncSource(IReferenceClock** pClock)
{
    if (!pClock)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    *pClock = m_pClock;
    if (*pClock)
        (*pClock)->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::StreamTime(REFERENCE_TIME& rtStream)
{
    if (m_pClock.IsNull())
        return VFW_E_NO_CLOCK;
    REFERENCE_TIME rtNow = 0;
    HRESULT hr = m_pClock->GetTime(&rtNow);
    if (FAILED(hr))
        return hr;
    rtStream = rtNow - m_tStart;
    return hr;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::EnumPins(IEnumPins** ppEnum)
{
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = CEnumPins::Create(this, nullptr);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::FindPin(LPCWSTR Id, IPin** ppPin)
{
    if (!ppPin)
        return E_POINTER;
    *ppPin = nullptr;
    if (!Id)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    const int cPins = GetPinCount();
    for (int n = 0; n < cPins; ++n) {
        CBasePin* pPin = GetPin(n);
        if (pPin && pPin->Name() && std::wcscmp(pPin->Name(), Id) == 0)
            return GetInterface(static_cast<IPin*>(pPin), reinterpret_cast<void**>(ppPin));
    }
    return VFW_E_NOT_FOUND;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::QueryFilterInfo(FILTER_INFO* pInfo)
{
    if (!pInfo)
        return E_POINTER;
    pInfo->achName[0] = L'\0';
    if (m_pName) {
        std::wcsncpy(pInfo->achName, m_pName, MAX_FILTER_NAME - 1);
        pInfo->achName[MAX_FILTER_NAME - 1] = L'\0';
    }
    pInfo->pGraph = m_pGraph;
    if (m_pGraph)
        m_pGraph->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName)
{
    CAutoLock lock(m_pLock);
    m_pGraph = pGraph;
    m_pSink = nullptr;
    if (pGraph) {
        // The sink is held uncounted, like the graph, so the filter never keeps it alive.
        QueriedHolder<IMediaEventSink> sink(pGraph);
        m_pSink = sink.Get();
    }
    delete[] m_pName;
    m_pName = nullptr;
    if (pName) {
        const size_t cch = std::wcslen(pName) + 1;
        m_pName = new (std::nothrow) WCHAR[cch];
        if (m_pName)
            std::wmemcpy(m_pName, pName, cch);
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::QueryVendorInfo(LPWSTR* pVendorInfo)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Register()
{
    // The program's filters are never registered with the system.
    return GetSetupData() ? E_NOTIMPL : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Unregister()
{
    return GetSetupData() ? E_NOTIMPL : S_FALSE;
}

LONG CBaseFilter::GetPinVersion()
{
    return m_PinVersion;
}

const AMOVIESETUP_FILTER* CBaseFilter::GetSetupData()
{
    return nullptr;
}

void CBaseFilter::IncrementPinVersion()
{
    InterlockedIncrement(&m_PinVersion);
}
