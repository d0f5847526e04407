#include "support/FakeAllocator.h"

#include <gtest/gtest.h>

CFakeAllocator::~CFakeAllocator()
{
    EXPECT_EQ(m_cRef, 1) << "references to a fake allocator left";
}

STDMETHODIMP CFakeAllocator::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IMemAllocator) {
        *ppv = static_cast<IMemAllocator*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CFakeAllocator::SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual)
{
    ++m_nSetProperties;
    m_Requested = *pRequest;
    if (FAILED(m_hrSetProperties))
        return m_hrSetProperties;
    m_Props = m_Grant ? *m_Grant : *pRequest;
    *pActual = m_Props;
    return S_OK;
}

STDMETHODIMP CFakeAllocator::GetProperties(ALLOCATOR_PROPERTIES* pProps)
{
    *pProps = m_Props;
    return S_OK;
}

STDMETHODIMP CFakeAllocator::Commit()
{
    ++m_nCommit;
    return m_hrCommit;
}

STDMETHODIMP CFakeAllocator::Decommit()
{
    ++m_nDecommit;
    return m_hrDecommit;
}
