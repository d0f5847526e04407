#include "filters/BasePin.h"

#include "filters/EnumMediaTypes.h"

#include <cwchar>
#include <new>

namespace {

// The refusals that only mean "not this type" and so do not override a stronger answer.
bool IsTypeRefusal(HRESULT hr)
{
    return hr == E_FAIL || hr == VFW_E_TYPE_NOT_ACCEPTED || hr == E_INVALIDARG;
}

}

CBasePin::CBasePin(const char* pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr,
                   LPCWSTR pName, PIN_DIRECTION dir)
    : CUnknown(pObjectName, nullptr)
    , m_pName(nullptr)
    , m_dir(dir)
    , m_pLock(pLock)
    , m_bRunTimeError(false)
    , m_bCanReconnectWhenActive(false)
    , m_bTryMyTypesFirst(false)
    , m_pFilter(pFilter)
    , m_pQSink(nullptr)
    , m_TypeVersion(1)
    , m_tStart(0)
    , m_tStop(0x7FFFFFFFFFFFFFFFLL)
    , m_dRate(1.0)
{
    if (pName) {
        const size_t cch = std::wcslen(pName) + 1;
        m_pName = new (std::nothrow) WCHAR[cch];
        if (m_pName)
            std::wmemcpy(m_pName, pName, cch);
    }
}

CBasePin::~CBasePin()
{
    delete[] m_pName;
}

HRESULT STDMETHODCALLTYPE CBasePin::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IPin)
        return GetInterface(static_cast<IPin*>(this), ppv);
    if (riid == IID_IQualityControl)
        return GetInterface(static_cast<IQualityControl*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

ULONG STDMETHODCALLTYPE CBasePin::NonDelegatingAddRef()
{
    return m_pFilter->AddRef();
}

ULONG STDMETHODCALLTYPE CBasePin::NonDelegatingRelease()
{
    return m_pFilter->Release();
}

HRESULT STDMETHODCALLTYPE CBasePin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt)
{
    if (!pReceivePin)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    if (IsConnected())
        return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped() && !m_bCanReconnectWhenActive)
        return VFW_E_NOT_STOPPED;

    HRESULT hr = AgreeMediaType(pReceivePin, reinterpret_cast<const CMediaType*>(pmt));
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    return S_OK;
}

HRESULT CBasePin::AgreeMediaType(IPin* pReceivePin, const CMediaType* pmt)
{
    if (pmt && !pmt->IsPartiallySpecified())
        return AttemptConnection(pReceivePin, pmt);

    HRESULT hrResult = VFW_E_NO_ACCEPTABLE_TYPES;
    for (int round = 0; round < 2; ++round) {
        const bool bMine = (round == 0) == m_bTryMyTypesFirst;
        IEnumMediaTypes* pEnum = nullptr;
        HRESULT hr = bMine ? EnumMediaTypes(&pEnum) : pReceivePin->EnumMediaTypes(&pEnum);
        if (FAILED(hr) || !pEnum)
            continue;
        hr = TryMediaTypes(pReceivePin, pmt, pEnum);
        pEnum->Release();
        if (SUCCEEDED(hr))
            return S_OK;
        if (!IsTypeRefusal(hr))
            hrResult = hr;
    }
    return hrResult;
}

HRESULT CBasePin::TryMediaTypes(IPin* pReceivePin, const CMediaType* pmt, IEnumMediaTypes* pEnum)
{
    HRESULT hr = pEnum->Reset();
    if (FAILED(hr))
        return hr;

    HRESULT hrRemembered = S_OK;
    for (;;) {
        AM_MEDIA_TYPE* pType = nullptr;
        ULONG cFetched = 0;
        if (pEnum->Next(1, &pType, &cFetched) != S_OK || cFetched != 1 || !pType)
            break;
        const CMediaType* pCandidate = reinterpret_cast<const CMediaType*>(pType);
        if (!pmt || pCandidate->MatchesPartial(pmt)) {
            hr = AttemptConnection(pReceivePin, pCandidate);
            if (FAILED(hr) && SUCCEEDED(hrRemembered) && !IsTypeRefusal(hr))
                hrRemembered = hr;
        } else {
            hr = VFW_E_TYPE_NOT_ACCEPTED;
        }
        DeleteMediaType(pType);
        if (SUCCEEDED(hr))
            return S_OK;
    }
    return FAILED(hrRemembered) ? hrRemembered : VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT CBasePin::AttemptConnection(IPin* pReceivePin, const CMediaType* pmt)
{
    HRESULT hr = CheckConnect(pReceivePin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }

    hr = CheckMediaType(pmt);
    if (hr == S_OK) {
        m_Connected = pReceivePin;
        hr = SetMediaType(pmt);
        if (SUCCEEDED(hr)) {
            hr = pReceivePin->ReceiveConnection(static_cast<IPin*>(this), pmt);
            if (SUCCEEDED(hr)) {
                hr = CompleteConnect(pReceivePin);
                if (SUCCEEDED(hr))
                    return hr;
                pReceivePin->Disconnect();
            }
        }
    } else if (SUCCEEDED(hr) || hr == E_FAIL || hr == E_INVALIDARG) {
        hr = VFW_E_TYPE_NOT_ACCEPTED;
    }

    BreakConnect();
    m_Connected.Reset();
    return hr;
}

HRESULT STDMETHODCALLTYPE CBasePin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt)
{
    if (!pConnector || !pmt)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    if (IsConnected())
        return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped() && !m_bCanReconnectWhenActive)
        return VFW_E_NOT_STOPPED;

    HRESULT hr = CheckConnect(pConnector);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }

    const CMediaType* pType = reinterpret_cast<const CMediaType*>(pmt);
    hr = CheckMediaType(pType);
    if (hr != S_OK) {
        BreakConnect();
        if (SUCCEEDED(hr) || hr == E_FAIL || hr == E_INVALIDARG)
            hr = VFW_E_TYPE_NOT_ACCEPTED;
        return hr;
    }

    m_Connected = pConnector;
    hr = SetMediaType(pType);
    if (SUCCEEDED(hr)) {
        hr = CompleteConnect(pConnector);
        if (SUCCEEDED(hr))
            return S_OK;
    }
    m_Connected.Reset();
    BreakConnect();
    return hr;
}

HRESULT STDMETHODCALLTYPE CBasePin::Disconnect()
{
    CAutoLock lock(m_pLock);
    if (!IsStopped())
        return VFW_E_NOT_STOPPED;
    if (!IsConnected())
        return S_FALSE;
    HRESULT hr = BreakConnect();
    if (FAILED(hr))
        return hr;
    m_Connected.Reset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::ConnectedTo(IPin** ppPin)
{
    if (!ppPin)
        return E_POINTER;
    *ppPin = m_Connected;
    if (!*ppPin)
        return VFW_E_NOT_CONNECTED;
    (*ppPin)->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* pmt)
{
    if (!pmt)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    if (!IsConnected()) {
        static_cast<CMediaType*>(pmt)->InitMediaType();
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(pmt, &m_mt);
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryPinInfo(PIN_INFO* pInfo)
{
    if (!pInfo)
        return E_POINTER;
    pInfo->pFilter = static_cast<IBaseFilter*>(m_pFilter);
    pInfo->pFilter->AddRef();
    pInfo->achName[0] = L'\0';
    if (m_pName) {
        std::wcsncpy(pInfo->achName, m_pName, MAX_PIN_NAME - 1);
        pInfo->achName[MAX_PIN_NAME - 1] = L'\0';
    }
    pInfo->dir = m_dir;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryDirection(PIN_DIRECTION* pPinDir)
{
    if (!pPinDir)
        return E_POINTER;
    *pPinDir = m_dir;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryId(LPWSTR* Id)
{
    if (!Id)
        return E_POINTER;
    const size_t cch = (m_pName ? std::wcslen(m_pName) : 0) + 1;
    *Id = static_cast<LPWSTR>(CoTaskMemAlloc(cch * sizeof(WCHAR)));
    if (!*Id)
        return E_OUTOFMEMORY;
    if (m_pName)
        std::wmemcpy(*Id, m_pName, cch);
    else
        (*Id)[0] = L'\0';
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryAccept(const AM_MEDIA_TYPE* pmt)
{
    if (!pmt)
        return E_POINTER;
    HRESULT hr = CheckMediaType(reinterpret_cast<const CMediaType*>(pmt));
    return FAILED(hr) ? S_FALSE : hr;
}

HRESULT STDMETHODCALLTYPE CBasePin::EnumMediaTypes(IEnumMediaTypes** ppEnum)
{
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = CEnumMediaTypes::Create(this, nullptr);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryInternalConnections(IPin** apPin, ULONG* nPin)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBasePin::EndOfStream()
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate)
{
    m_tStart = tStart;
    m_tStop = tStop;
    m_dRate = dRate;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::Notify(IBaseFilter* pSender, Quality q)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBasePin::SetSink(IQualityControl* piqc)
{
    CAutoLock lock(m_pLock);
    m_pQSink = piqc;
    return S_OK;
}

LONG CBasePin::GetMediaTypeVersion()
{
    return m_TypeVersion;
}

void CBasePin::IncrementTypeVersion()
{
    InterlockedIncrement(&m_TypeVersion);
}

HRESULT CBasePin::Active()
{
    return S_OK;
}

HRESULT CBasePin::Inactive()
{
    m_bRunTimeError = false;
    return S_OK;
}

HRESULT CBasePin::Run(REFERENCE_TIME tStart)
{
    return S_OK;
}

HRESULT CBasePin::SetMediaType(const CMediaType* pmt)
{
    return m_mt.Set(*pmt);
}

HRESULT CBasePin::CheckConnect(IPin* pPin)
{
    PIN_DIRECTION dir;
    HRESULT hr = pPin->QueryDirection(&dir);
    if (FAILED(hr))
        return hr;
    return dir == m_dir ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect()
{
    return S_OK;
}

HRESULT CBasePin::CompleteConnect(IPin* pReceivePin)
{
    return S_OK;
}

HRESULT CBasePin::GetMediaType(int iPosition, CMediaType* pMediaType)
{
    return E_UNEXPECTED;
}
