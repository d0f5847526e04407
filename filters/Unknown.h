// COM object base with delegating reference counting.
#pragma once

#include "filters/LiveObject.h"
#include "graph/Com.h"

// The non-delegating face: same slot layout as IUnknown, so a pointer to it serves as the
// object's own IUnknown when no outer unknown aggregates it.
struct INonDelegatingUnknown
{
    virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
};

class CUnknown : public INonDelegatingUnknown, public CLiveObject
{
public:
    // pName describes the object for debugging only; pUnk is the outer unknown or null.
    CUnknown(const char* pName, IUnknown* pUnk);
    CUnknown(const CUnknown&) = delete;
    CUnknown& operator=(const CUnknown&) = delete;

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;
    virtual ~CUnknown();

    // The unknown every COM face forwards to (never counted).
    IUnknown* GetOwner() const { return m_pUnknown; }

protected:
    IUnknown* m_pUnknown;
    LONG volatile m_cRef;
};

// Stores pUnk in *ppv with a reference added; E_POINTER for a null ppv.
HRESULT GetInterface(IUnknown* pUnk, void** ppv);

// The IUnknown methods of every COM face of a CUnknown-derived class: forward to the owner.
#define DECLARE_IUNKNOWN                                                          \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override    \
    {                                                                             \
        return GetOwner()->QueryInterface(riid, ppv);                             \
    }                                                                             \
    ULONG STDMETHODCALLTYPE AddRef() override { return GetOwner()->AddRef(); }    \
    ULONG STDMETHODCALLTYPE Release() override { return GetOwner()->Release(); }
