#include "filters/EnumMediaTypes.h"

#include "filters/BasePin.h"

#include <new>

CEnumMediaTypes* CEnumMediaTypes::Create(CBasePin* pPin, CEnumMediaTypes* pEnumMediaTypes)
{
    return new (std::nothrow) CEnumMediaTypes(pPin, pEnumMediaTypes);
}

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pPin, CEnumMediaTypes* pEnumMediaTypes)
    : m_Position(0)
    , m_pPin(pPin)
    , m_Version(0)
    , m_cRef(1)
{
    if (pEnumMediaTypes) {
        m_Position = pEnumMediaTypes->m_Position;
        m_Version = pEnumMediaTypes->m_Version;
    } else {
        m_Version = m_pPin->GetMediaTypeVersion();
    }
    m_pPin->AddRef();
}

CEnumMediaTypes::~CEnumMediaTypes()
{
    m_pPin->Release();
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IEnumMediaTypes || riid == IID_IUnknown) {
        *ppv = static_cast<IEnumMediaTypes*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CEnumMediaTypes::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

ULONG STDMETHODCALLTYPE CEnumMediaTypes::Release()
{
    LONG lRef = InterlockedDecrement(&m_cRef);
    if (lRef == 0)
        delete this;
    return static_cast<ULONG>(lRef);
}

bool CEnumMediaTypes::AreWeOutOfSync() const
{
    return m_Version != m_pPin->GetMediaTypeVersion();
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::Next(ULONG cTypes, AM_MEDIA_TYPE** ppTypes, ULONG* pcFetched)
{
    if (!ppTypes)
        return E_POINTER;
    if (AreWeOutOfSync())
        return VFW_E_ENUM_OUT_OF_SYNC;
    if (pcFetched)
        *pcFetched = 0;
    else if (cTypes > 1)
        return E_INVALIDARG;

    ULONG cFetched = 0;
    while (cFetched < cTypes) {
        CMediaType mt;
        HRESULT hr = m_pPin->GetMediaType(m_Position++, &mt);
        if (hr != S_OK)
            break;
        AM_MEDIA_TYPE* pType = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        if (!pType)
            break;
        // The format block and pUnk reference move to the caller's record.
        *pType = mt;
        mt.cbFormat = 0;
        mt.pbFormat = nullptr;
        mt.pUnk = nullptr;
        ppTypes[cFetched++] = pType;
    }
    if (pcFetched)
        *pcFetched = cFetched;
    return cFetched == cTypes ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::Skip(ULONG cTypes)
{
    if (cTypes == 0)
        return S_OK;
    if (AreWeOutOfSync())
        return VFW_E_ENUM_OUT_OF_SYNC;
    const long long llPosition = static_cast<long long>(m_Position) + cTypes;
    if (llPosition > 0x7FFFFFFF) {
        m_Position = 0x7FFFFFFF;
        return S_FALSE;
    }
    m_Position = static_cast<int>(llPosition);
    CMediaType mt;
    return m_pPin->GetMediaType(m_Position - 1, &mt) == S_OK ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::Reset()
{
    m_Position = 0;
    m_Version = m_pPin->GetMediaTypeVersion();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::Clone(IEnumMediaTypes** ppEnum)
{
    if (!ppEnum)
        return E_POINTER;
    if (AreWeOutOfSync()) {
        *ppEnum = nullptr;
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    *ppEnum = Create(m_pPin, this);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}
