#include "filters/Unknown.h"

CUnknown::CUnknown(const char* pName, IUnknown* pUnk)
    : m_pUnknown(pUnk ? pUnk : reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(this)))
    , m_cRef(0)
{
}

CUnknown::~CUnknown() = default;

HRESULT STDMETHODCALLTYPE CUnknown::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown)
        return GetInterface(reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(this)), ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CUnknown::NonDelegatingAddRef()
{
    LONG lRef = InterlockedIncrement(&m_cRef);
    return lRef > 1 ? static_cast<ULONG>(lRef) : 1;
}

ULONG STDMETHODCALLTYPE CUnknown::NonDelegatingRelease()
{
    LONG lRef = InterlockedDecrement(&m_cRef);
    if (lRef == 0) {
        // A count of 1 keeps references taken and dropped by the destructor from
        // deleting the object a second time.
        m_cRef = 1;
        delete this;
        return 0;
    }
    return lRef > 1 ? static_cast<ULONG>(lRef) : 1;
}

HRESULT GetInterface(IUnknown* pUnk, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = pUnk;
    pUnk->AddRef();
    return S_OK;
}
