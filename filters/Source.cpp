#include "filters/Source.h"

#include "filters/BasePin.h"

#include <cwchar>

CSource::CSource(const char* pName, IUnknown* pUnk, REFCLSID clsid)
    : CBaseFilter(pName, pUnk, &m_cStateLock, clsid)
{
}

HRESULT STDMETHODCALLTYPE CSource::FindPin(LPCWSTR Id, IPin** ppPin)
{
    if (!ppPin)
        return E_POINTER;
    *ppPin = nullptr;
    if (!Id)
        return E_POINTER;
    // The id reads as _wtoi does (no number reads as 0); 64-bit arithmetic keeps the
    // one-based to zero-based step from overflowing.
    const long long index = static_cast<long long>(_wtoi(Id)) - 1;
    if (index < 0 || index > 0x7FFFFFFF)
        return VFW_E_NOT_FOUND;
    CAutoLock lock(m_pLock);
    CBasePin* pPin = GetPin(static_cast<int>(index));
    if (!pPin)
        return VFW_E_NOT_FOUND;
    return GetInterface(static_cast<IPin*>(pPin), reinterpret_cast<void**>(ppPin));
}
