// Reference counting and QueryInterface of a hand-made object with one interface; it
// starts with one reference, owned by its creator, and deletes itself with the last.
#pragma once

#include "graph/Com.h"

template <class I>
class CUnknownOf : public I
{
public:
    virtual ~CUnknownOf() = default;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == __uuidof(I)) {
            *ppv = static_cast<I*>(this);
            this->AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_cRef); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG n = InterlockedDecrement(&m_cRef);
        if (n == 0)
            delete this;
        return n;
    }

private:
    LONG m_cRef = 1;
};
