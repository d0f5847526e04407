#include "filters/EnumPins.h"

#include "filters/BaseFilter.h"
#include "filters/BasePin.h"

#include <algorithm>
#include <new>

CEnumPins* CEnumPins::Create(CBaseFilter* pFilter, CEnumPins* pEnumPins)
{
    // The cache copy of a clone may fail to allocate; no exception leaves this call.
    try {
        return new CEnumPins(pFilter, pEnumPins);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CEnumPins::CEnumPins(CBaseFilter* pFilter, CEnumPins* pEnumPins)
    : m_Position(0)
    , m_PinCount(0)
    , m_pFilter(pFilter)
    , m_Version(0)
    , m_cRef(1)
{
    if (pEnumPins) {
        m_Position = pEnumPins->m_Position;
        m_PinCount = pEnumPins->m_PinCount;
        m_Version = pEnumPins->m_Version;
        m_PinCache = pEnumPins->m_PinCache;
    } else {
        m_PinCount = m_pFilter->GetPinCount();
        m_Version = m_pFilter->GetPinVersion();
    }
    m_pFilter->AddRef();
}

CEnumPins::~CEnumPins()
{
    m_pFilter->Release();
}

HRESULT STDMETHODCALLTYPE CEnumPins::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IEnumPins || riid == IID_IUnknown) {
        *ppv = static_cast<IEnumPins*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CEnumPins::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

ULONG STDMETHODCALLTYPE CEnumPins::Release()
{
    LONG lRef = InterlockedDecrement(&m_cRef);
    if (lRef == 0)
        delete this;
    return static_cast<ULONG>(lRef);
}

bool CEnumPins::AreWeOutOfSync() const
{
    return m_Version != m_pFilter->GetPinVersion();
}

void CEnumPins::Refresh()
{
    m_Version = m_pFilter->GetPinVersion();
    m_PinCount = m_pFilter->GetPinCount();
    m_Position = 0;
}

bool CEnumPins::IsCached(CBasePin* pPin) const
{
    return std::find(m_PinCache.begin(), m_PinCache.end(), pPin) != m_PinCache.end();
}

HRESULT STDMETHODCALLTYPE CEnumPins::Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched)
{
    if (!ppPins)
        return E_POINTER;
    if (pcFetched)
        *pcFetched = 0;
    else if (cPins > 1)
        return E_INVALIDARG;
    if (AreWeOutOfSync())
        Refresh();

    const ULONG cRemaining = m_PinCount > m_Position ? static_cast<ULONG>(m_PinCount - m_Position) : 0;
    ULONG cWanted = std::min(cRemaining, cPins);
    if (cWanted == 0)
        return S_FALSE;

    ULONG cFetched = 0;
    HRESULT hr = S_OK;
    while (cWanted > 0 && m_Position < m_PinCount) {
        CBasePin* pPin = m_pFilter->GetPin(m_Position++);
        if (!pPin) {
            hr = VFW_E_ENUM_OUT_OF_SYNC;
            break;
        }
        if (IsCached(pPin))
            continue;
        try {
            m_PinCache.push_back(pPin);
        } catch (const std::bad_alloc&) {
            hr = E_OUTOFMEMORY;
            break;
        }
        ppPins[cFetched++] = pPin;
        pPin->AddRef();
        --cWanted;
    }
    if (FAILED(hr)) {
        // The caller owns nothing after a failure: take back what this call handed out.
        for (ULONG i = 0; i < cFetched; ++i) {
            m_PinCache.pop_back();
            ppPins[i]->Release();
            ppPins[i] = nullptr;
        }
        return hr;
    }
    if (pcFetched)
        *pcFetched = cFetched;
    return cFetched == cPins ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CEnumPins::Skip(ULONG cPins)
{
    if (AreWeOutOfSync())
        return VFW_E_ENUM_OUT_OF_SYNC;
    const ULONG cRemaining = m_PinCount > m_Position ? static_cast<ULONG>(m_PinCount - m_Position) : 0;
    if (cPins > cRemaining)
        return S_FALSE;
    m_Position += static_cast<int>(cPins);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumPins::Reset()
{
    m_Version = m_pFilter->GetPinVersion();
    m_PinCount = m_pFilter->GetPinCount();
    m_Position = 0;
    m_PinCache.clear();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumPins::Clone(IEnumPins** ppEnum)
{
    if (!ppEnum)
        return E_POINTER;
    if (AreWeOutOfSync()) {
        *ppEnum = nullptr;
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    *ppEnum = Create(m_pFilter, this);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}
