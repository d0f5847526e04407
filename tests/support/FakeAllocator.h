// A hand-made IMemAllocator that records what it is asked and its commit state, grants what
// the test says, and fails on demand. It lives on the test's stack: its count starts at 1
// and must end at 1.
#pragma once

#include "graph/Com.h"

#include <optional>

class CFakeAllocator : public IMemAllocator
{
public:
    CFakeAllocator() = default;
    virtual ~CFakeAllocator();

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_cRef); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&m_cRef); }

    STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual) override;
    STDMETHODIMP GetProperties(ALLOCATOR_PROPERTIES* pProps) override;
    STDMETHODIMP Commit() override;
    STDMETHODIMP Decommit() override;
    // Never committed for real: no sample is handed out.
    STDMETHODIMP GetBuffer(IMediaSample**, REFERENCE_TIME*, REFERENCE_TIME*, DWORD) override
    {
        return VFW_E_NOT_COMMITTED;
    }
    STDMETHODIMP ReleaseBuffer(IMediaSample*) override { return S_OK; }

    LONG m_cRef = 1;
    HRESULT m_hrSetProperties = S_OK;
    HRESULT m_hrCommit = S_OK;
    HRESULT m_hrDecommit = S_OK;
    std::optional<ALLOCATOR_PROPERTIES> m_Grant;  // what SetProperties grants; the request when unset
    ALLOCATOR_PROPERTIES m_Requested = {};        // the last request, granted or not
    ALLOCATOR_PROPERTIES m_Props = {};            // what was granted
    int m_nSetProperties = 0, m_nCommit = 0, m_nDecommit = 0;
};
