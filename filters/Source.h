// Source-filter base: owns the filter lock and finds pins by their one-based position.
#pragma once

#include "filters/BaseFilter.h"

class CSource : public CBaseFilter
{
public:
    CSource(const char* pName, IUnknown* pUnk, REFCLSID clsid);

    // Id is the decimal one-based index of the pin ("1" is pin 0), not its name.
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR Id, IPin** ppPin) override;

protected:
    CCritSec m_cStateLock;
};
