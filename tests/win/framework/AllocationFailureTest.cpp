// Task-memory allocation failures (forced through a malloc spy) and objects destroyed
// while still holding what a connection gave them.
#include "FrameworkPeers.h"

#include <string>

namespace {

// Makes CoTaskMemAlloc fail for one chosen size while armed.
class CFailingMallocSpy : public IMallocSpy
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IMallocSpy) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T cbRequest) override
    {
        if (cbRequest == m_cbFail) {
            ++m_nFailed;
            return 0;
        }
        return cbRequest;
    }
    void* STDMETHODCALLTYPE PostAlloc(void* pActual) override { return pActual; }
    void* STDMETHODCALLTYPE PreFree(void* pRequest, BOOL) override { return pRequest; }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* pRequest, SIZE_T cbRequest, void** ppNewRequest, BOOL) override
    {
        *ppNewRequest = pRequest;
        return cbRequest;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* pActual, BOOL) override { return pActual; }
    void* STDMETHODCALLTYPE PreGetSize(void* pRequest, BOOL) override { return pRequest; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T cbActual, BOOL) override { return cbActual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* pRequest, BOOL) override { return pRequest; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int fActual) override { return fActual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

    SIZE_T m_cbFail = 0;
    int m_nFailed = 0;
};

class AllocationFailure : public FrameworkTest
{
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        ASSERT_EQ(CoRegisterMallocSpy(&m_spy), S_OK);
    }
    void TearDown() override
    {
        m_spy.m_cbFail = 0;
        CoRevokeMallocSpy();
        FrameworkTest::TearDown();
    }
    CFailingMallocSpy m_spy;
};

class CCountedUnknown : public IUnknown
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override { *ppv = nullptr; return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_cRef; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_cRef; }
    ULONG m_cRef = 1;
};

using Teardown = FrameworkTest;

}

TEST_F(AllocationFailure, FailedFormatCopyLeavesAnEmptyFormatAndOwnReference)
{
    CCountedUnknown unk;
    {
        CMediaType source = MakeType(kA, kA, kA, 777, 1);
        source.pUnk = &unk;
        unk.AddRef();
        m_spy.m_cbFail = 777;
        CMediaType target;
        EXPECT_EQ(target.Set(source), E_OUTOFMEMORY);
        EXPECT_EQ(m_spy.m_nFailed, 1);
        EXPECT_EQ(target.cbFormat, 0u);
        EXPECT_EQ(target.pbFormat, nullptr) << "never the source's block";
        EXPECT_EQ(target.pUnk, &unk);
        EXPECT_EQ(unk.m_cRef, 3u);
        m_spy.m_cbFail = 0;
    }
    EXPECT_EQ(unk.m_cRef, 1u) << "each copy released exactly its own reference";
}

TEST_F(AllocationFailure, ConnectionMediaTypeReportsAFailedCopy)
{
    auto* pFilter = new CTestFilter;
    InterfaceHolder<IBaseFilter> filter(pFilter->Face());
    CTestInputPin* pIn = pFilter->AddInput(L"In");
    CPeerPin peer(PINDIR_OUTPUT);
    const CMediaType mt = MakeType(kA, kA, kA, 777, 1);
    ASSERT_EQ(pIn->ReceiveConnection(&peer, &mt), S_OK);

    m_spy.m_cbFail = 777;
    AM_MEDIA_TYPE got;
    EXPECT_EQ(pIn->ConnectionMediaType(&got), E_OUTOFMEMORY);
    EXPECT_EQ(got.cbFormat, 0u);
    EXPECT_EQ(got.pbFormat, nullptr);
    m_spy.m_cbFail = 0;
    EXPECT_EQ(pIn->Disconnect(), S_OK);

    m_spy.m_cbFail = 777;
    EXPECT_EQ(pIn->ReceiveConnection(&peer, &mt), E_OUTOFMEMORY) << "the type could not be stored";
    EXPECT_FALSE(pIn->IsConnected());
    EXPECT_EQ(peer.m_cRef, 1);
}

TEST_F(AllocationFailure, TypeEnumeratorStopsWhenARecordCannotBeAllocated)
{
    auto* pFilter = new CTestFilter;
    InterfaceHolder<IBaseFilter> filter(pFilter->Face());
    CTestOutputPin* pOut = pFilter->AddOutput(L"Out");
    pOut->m_Types = {MakeType(kA, kA, kA, 16, 2), MakeType(kA, kA, kA)};
    InterfaceHolder<IEnumMediaTypes> e;
    ASSERT_EQ(pOut->EnumMediaTypes(e.OutSlot()), S_OK);
    AM_MEDIA_TYPE* pTypes[2] = {};
    ULONG cFetched = 9;
    m_spy.m_cbFail = sizeof(AM_MEDIA_TYPE);
    EXPECT_EQ(e->Next(2, pTypes, &cFetched), S_FALSE);
    EXPECT_EQ(cFetched, 0u);
    m_spy.m_cbFail = 0;
    ASSERT_EQ(e->Next(1, pTypes, &cFetched), S_OK);
    EXPECT_EQ(pTypes[0]->cbFormat, 0u) << "the position moved past the type that failed";
    DeleteMediaType(pTypes[0]);
}

TEST_F(AllocationFailure, QueryIdReportsOutOfMemory)
{
    auto* pFilter = new CTestFilter;
    InterfaceHolder<IBaseFilter> filter(pFilter->Face());
    CTestInputPin* pIn = pFilter->AddInput(L"Input-with-a-peculiar-length");
    m_spy.m_cbFail = (std::wstring(L"Input-with-a-peculiar-length").size() + 1) * sizeof(WCHAR);
    LPWSTR pId = reinterpret_cast<LPWSTR>(1);
    EXPECT_EQ(pIn->QueryId(&pId), E_OUTOFMEMORY);
    EXPECT_EQ(pId, nullptr);
}

TEST_F(Teardown, PinDestroyedWhileConnectedDropsWhatItHolds)
{
    CFakeAllocator allocator;
    CPeerPin peer(PINDIR_INPUT);
    peer.m_bKeepConnector = false;
    peer.m_pAllocator = &allocator;
    {
        auto* pFilter = new CTestFilter;
        InterfaceHolder<IBaseFilter> filter(pFilter->Face());
        CTestOutputPin* pOut = pFilter->AddOutput(L"Out");
        const CMediaType mt = MakeType(kA, kA, kA);
        ASSERT_EQ(pOut->Connect(&peer, &mt), S_OK);
        EXPECT_EQ(peer.m_cRef, 3) << "connected pin and transport face";
        EXPECT_EQ(allocator.m_cRef, 2);
    }
    EXPECT_EQ(peer.m_cRef, 1);
    EXPECT_EQ(allocator.m_cRef, 1);
}
