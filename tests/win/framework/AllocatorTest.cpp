// Allocator decision and its fallback, commit and decommit, the IMemInputPin side, and
// sample delivery from a streaming thread.
#include "FrameworkPeers.h"

#include <thread>

namespace {

class OutputAllocator : public OutputPinTest
{
protected:
    HRESULT Connect() { return m_pOut->Connect(&m_peer, &m_mt); }

    const CMediaType m_mt = MakeType(kA, kA, kA);
};

class InputAllocator : public FrameworkTest
{
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        m_pFilter = new CTestFilter;
        m_filter = m_pFilter->Face();
        m_pIn = m_pFilter->AddInput(L"In");
        m_mem = static_cast<IMemInputPin*>(m_pIn);
    }
    void TearDown() override
    {
        if (m_pFilter->IsActive())
            m_filter->Stop();
        m_pIn->Disconnect();
        m_mem.Reset();
        m_filter.Reset();
        FrameworkTest::TearDown();
    }

    CPeerPin m_peer{PINDIR_OUTPUT};
    CTestFilter* m_pFilter = nullptr;
    InterfaceHolder<IBaseFilter> m_filter;
    CTestInputPin* m_pIn = nullptr;
    InterfaceHolder<IMemInputPin> m_mem;
    const CMediaType m_mt = MakeType(kA, kA, kA);
};

// Samples from a committed real memory allocator.
class CSampleSet
{
public:
    explicit CSampleSet(int n)
    {
        EXPECT_EQ(m_alloc.CreateInstance(CLSID_MemoryAllocator, CLSCTX_INPROC_SERVER), S_OK);
        ALLOCATOR_PROPERTIES req = {n, 64, 1, 0}, actual = {};
        EXPECT_EQ(m_alloc->SetProperties(&req, &actual), S_OK);
        EXPECT_EQ(m_alloc->Commit(), S_OK);
        for (int i = 0; i < n; ++i) {
            IMediaSample* p = nullptr;
            EXPECT_EQ(m_alloc->GetBuffer(&p, nullptr, nullptr, 0), S_OK);
            m_samples.push_back(p);
        }
    }
    ~CSampleSet()
    {
        for (IMediaSample* p : m_samples)
            p->Release();
        m_alloc->Decommit();
    }
    IMediaSample** Get() { return m_samples.data(); }

private:
    InterfaceHolder<IMemAllocator> m_alloc;
    std::vector<IMediaSample*> m_samples;
};

using Delivery = FrameworkTest;

}

TEST_F(OutputAllocator, InputPinsAllocatorIsTakenWhenItsSizeCanBeSet)
{
    m_peer.m_bHasRequirements = true;
    m_peer.m_Requirements = {3, 4096, 0, 0};
    ASSERT_EQ(Connect(), S_OK);
    EXPECT_EQ(m_pOut->Allocator(), &m_allocator);
    ASSERT_EQ(m_pOut->m_DecideAllocators.size(), 1u);
    EXPECT_EQ(m_pOut->m_PropsSeen.cBuffers, 3);
    EXPECT_EQ(m_pOut->m_PropsSeen.cbBuffer, 4096);
    EXPECT_EQ(m_pOut->m_PropsSeen.cbAlign, 1) << "an alignment of 0 becomes 1";
    ASSERT_EQ(m_peer.m_Notified.size(), 1u);
    EXPECT_EQ(m_peer.m_Notified[0], &m_allocator);
    EXPECT_EQ(m_allocator.m_Props.cbBuffer, 1024);

    ASSERT_EQ(m_filter->Pause(), S_OK);
    EXPECT_EQ(m_allocator.m_nCommit, 1);
    ASSERT_EQ(m_filter->Stop(), S_OK);
    EXPECT_EQ(m_allocator.m_nDecommit, 1);

    ASSERT_EQ(m_pOut->Disconnect(), S_OK);
    EXPECT_EQ(m_allocator.m_cRef, 1);
    EXPECT_EQ(m_pOut->InputPin(), nullptr);
}

TEST_F(OutputAllocator, RefusedInputAllocatorFallsBackToANewOne)
{
    m_pOut->m_hrDecideFirst = E_FAIL;
    ASSERT_EQ(Connect(), S_OK);
    ASSERT_EQ(m_pOut->m_DecideAllocators.size(), 2u);
    EXPECT_EQ(m_pOut->m_DecideAllocators[0], &m_allocator);
    ASSERT_NE(m_pOut->Allocator(), nullptr);
    EXPECT_NE(m_pOut->Allocator(), &m_allocator);
    EXPECT_EQ(m_pOut->m_DecideAllocators[1], m_pOut->Allocator());
    ASSERT_EQ(m_peer.m_Notified.size(), 1u);
    EXPECT_EQ(m_peer.m_Notified[0], m_pOut->Allocator());
    EXPECT_EQ(m_allocator.m_cRef, 1) << "the refused allocator is released";

    ASSERT_EQ(m_filter->Pause(), S_OK);
    IMediaSample* pSample = nullptr;
    ASSERT_EQ(m_pOut->GetDeliveryBuffer(&pSample, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(pSample->GetSize(), 1024);
    EXPECT_EQ(m_pOut->Deliver(pSample), S_OK);
    EXPECT_EQ(m_peer.m_nReceive, 1);
    pSample->Release();
}

TEST_F(OutputAllocator, NoAllocatorFromTheInputPinFallsBackToo)
{
    m_peer.m_pAllocator = nullptr;
    ASSERT_EQ(Connect(), S_OK);
    EXPECT_EQ(m_pOut->m_DecideAllocators.size(), 1u);
    EXPECT_NE(m_pOut->Allocator(), nullptr);
}

TEST_F(OutputAllocator, NotificationRefusedTwiceFailsTheConnection)
{
    m_peer.m_hrNotifyAllocator = E_NOTIMPL;
    EXPECT_EQ(Connect(), E_NOTIMPL);
    EXPECT_EQ(m_peer.m_Notified.size(), 2u);
    EXPECT_EQ(m_peer.m_nDisconnect, 1);
    EXPECT_FALSE(m_pOut->IsConnected());
    EXPECT_EQ(m_pOut->Allocator(), nullptr);
    EXPECT_EQ(m_pOut->InputPin(), nullptr);
    EXPECT_EQ(m_peer.m_cRef, 1);
    EXPECT_EQ(m_allocator.m_cRef, 1);

    m_peer.m_hrNotifyAllocator = S_OK;
    m_pOut->m_hrDecide = E_OUTOFMEMORY;
    EXPECT_EQ(Connect(), E_OUTOFMEMORY);
    EXPECT_FALSE(m_pOut->IsConnected());
}

TEST_F(OutputAllocator, CommitAndDecommitNeedAnAllocator)
{
    EXPECT_EQ(m_pOut->Active(), VFW_E_NO_ALLOCATOR);
    EXPECT_EQ(m_pOut->Inactive(), VFW_E_NO_ALLOCATOR);
    IMediaSample* pSample = nullptr;
    EXPECT_EQ(m_pOut->GetDeliveryBuffer(&pSample, nullptr, nullptr, 0), E_NOINTERFACE);
    EXPECT_EQ(m_pOut->Deliver(nullptr), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(m_pOut->DeliverEndOfStream(), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(m_pOut->DeliverBeginFlush(), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(m_pOut->DeliverEndFlush(), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(m_pOut->DeliverNewSegment(0, 1, 1.0), VFW_E_NOT_CONNECTED);

    ASSERT_EQ(Connect(), S_OK);
    m_allocator.m_hrCommit = E_OUTOFMEMORY;
    EXPECT_EQ(m_filter->Pause(), E_OUTOFMEMORY);
    EXPECT_TRUE(m_pFilter->IsStopped());
}

TEST_F(OutputAllocator, StreamCommandsReachTheConnectedPin)
{
    ASSERT_EQ(Connect(), S_OK);
    m_peer.m_hrReceive = S_FALSE;
    EXPECT_EQ(m_pOut->Deliver(nullptr), S_FALSE);
    EXPECT_EQ(m_pOut->DeliverNewSegment(77, 88, 1.0), S_OK);
    EXPECT_EQ(m_peer.m_tSegment, 77);
    EXPECT_EQ(m_pOut->DeliverBeginFlush(), S_OK);
    EXPECT_EQ(m_pOut->DeliverEndFlush(), S_OK);
    EXPECT_EQ(m_pOut->DeliverEndOfStream(), S_OK);
    EXPECT_EQ(m_peer.m_nBeginFlush + m_peer.m_nEndFlush + m_peer.m_nEndOfStream, 3);
}

TEST_F(OutputAllocator, FailedDecommitKeepsTheConnection)
{
    ASSERT_EQ(Connect(), S_OK);
    m_allocator.m_hrDecommit = E_UNEXPECTED;
    EXPECT_EQ(m_pOut->Disconnect(), E_UNEXPECTED);
    EXPECT_TRUE(m_pOut->IsConnected());
    EXPECT_EQ(m_pOut->Allocator(), &m_allocator);
}

TEST_F(InputAllocator, DefaultAllocatorIsCreatedOnceAndReplacedByNotification)
{
    InterfaceHolder<IMemAllocator> first, second;
    ASSERT_EQ(m_mem->GetAllocator(first.OutSlot()), S_OK);
    ASSERT_EQ(m_mem->GetAllocator(second.OutSlot()), S_OK);
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(m_mem->GetAllocator(nullptr), E_POINTER);

    CFakeAllocator fake;
    EXPECT_EQ(m_mem->NotifyAllocator(&fake, TRUE), S_OK);
    EXPECT_EQ(m_pIn->Allocator(), &fake);
    EXPECT_TRUE(m_pIn->IsReadOnly());
    EXPECT_EQ(fake.m_cRef, 2);
    EXPECT_EQ(m_mem->NotifyAllocator(nullptr, FALSE), E_POINTER);
    EXPECT_EQ(m_mem->NotifyAllocator(first, FALSE), S_OK);
    EXPECT_EQ(fake.m_cRef, 1);
    EXPECT_FALSE(m_pIn->IsReadOnly());

    ALLOCATOR_PROPERTIES props;
    EXPECT_EQ(m_mem->GetAllocatorRequirements(&props), E_NOTIMPL);
}

TEST_F(InputAllocator, StopWithoutAllocatorStillEndsStopped)
{
    ASSERT_EQ(m_pIn->ReceiveConnection(&m_peer, &m_mt), S_OK);
    ASSERT_EQ(m_filter->Run(0), S_OK);
    EXPECT_EQ(m_filter->Stop(), VFW_E_NO_ALLOCATOR);
    EXPECT_TRUE(m_pFilter->IsStopped());
}

TEST_F(InputAllocator, FlushingAndStreamingChecks)
{
    CFakeAllocator fake;
    ASSERT_EQ(m_pIn->ReceiveConnection(&m_peer, &m_mt), S_OK);
    ASSERT_EQ(m_mem->NotifyAllocator(&fake, FALSE), S_OK);
    EXPECT_EQ(m_pIn->CheckStreaming(), VFW_E_WRONG_STATE);
    ASSERT_EQ(m_filter->Run(0), S_OK);
    EXPECT_EQ(m_pIn->CheckStreaming(), S_OK);
    EXPECT_EQ(m_pIn->BeginFlush(), S_OK);
    EXPECT_TRUE(m_pIn->IsFlushing());
    EXPECT_EQ(m_pIn->CheckStreaming(), S_FALSE);
    EXPECT_EQ(m_pIn->EndFlush(), S_OK);
    EXPECT_FALSE(m_pIn->IsFlushing());
    EXPECT_EQ(m_pIn->BeginFlush(), S_OK);
    EXPECT_EQ(m_filter->Stop(), S_OK);
    EXPECT_FALSE(m_pIn->IsFlushing()) << "stopping ends a flush";
    EXPECT_EQ(fake.m_nDecommit, 1);
    EXPECT_EQ(m_pIn->Disconnect(), S_OK);
    EXPECT_EQ(fake.m_nDecommit, 2);
    EXPECT_EQ(fake.m_cRef, 1);
}

TEST_F(InputAllocator, ReceiveMultipleStopsAtTheFirstAnswerOtherThanOk)
{
    CSampleSet samples(3);
    long nDone = -1;
    EXPECT_EQ(m_mem->ReceiveMultiple(samples.Get(), 0, &nDone), S_OK);
    EXPECT_EQ(nDone, 0);
    m_pIn->m_hrReceive = {S_OK, S_FALSE, S_OK};
    EXPECT_EQ(m_mem->ReceiveMultiple(samples.Get(), 3, &nDone), S_FALSE);
    EXPECT_EQ(nDone, 1);
    EXPECT_EQ(m_pIn->m_nReceived.load(), 2);
    EXPECT_EQ(m_mem->ReceiveMultiple(samples.Get(), 1, &nDone), S_OK);
    EXPECT_EQ(nDone, 1);
    EXPECT_EQ(m_mem->ReceiveMultiple(nullptr, 1, &nDone), E_POINTER);
    EXPECT_EQ(m_mem->ReceiveMultiple(samples.Get(), 1, nullptr), E_POINTER);
}

TEST_F(InputAllocator, ReceiveCanBlockAsksEveryConnectedOutputsPeer)
{
    EXPECT_EQ(m_mem->ReceiveCanBlock(), S_OK) << "no output pins";
    CTestOutputPin* pOut1 = m_pFilter->AddOutput(L"Out1");
    CTestOutputPin* pOut2 = m_pFilter->AddOutput(L"Out2");
    EXPECT_EQ(m_mem->ReceiveCanBlock(), S_OK) << "no connected output pins";

    CFakeAllocator fake;
    CPeerPin down1(PINDIR_INPUT), down2(PINDIR_INPUT);
    down1.m_pAllocator = &fake;
    down2.m_pAllocator = &fake;
    ASSERT_EQ(pOut1->Connect(&down1, &m_mt), S_OK);
    ASSERT_EQ(pOut2->Connect(&down2, &m_mt), S_OK);
    EXPECT_EQ(m_mem->ReceiveCanBlock(), S_FALSE);
    down2.m_hrCanBlock = S_OK;
    EXPECT_EQ(m_mem->ReceiveCanBlock(), S_OK);
    down2.m_hrCanBlock = E_NOTIMPL;
    EXPECT_EQ(m_mem->ReceiveCanBlock(), S_OK);
    down2.m_bMemInput = false;
    down2.m_hrCanBlock = S_FALSE;
    EXPECT_EQ(m_mem->ReceiveCanBlock(), S_OK);

    EXPECT_EQ(pOut1->Disconnect(), S_OK);
    EXPECT_EQ(pOut2->Disconnect(), S_OK);
    down1.Disconnect();
    down2.Disconnect();
}

TEST_F(Delivery, StreamingThreadDeliversThroughTheAgreedAllocator)
{
    auto* pUp = new CTestFilter;
    auto* pDown = new CTestFilter;
    InterfaceHolder<IBaseFilter> up(pUp->Face()), down(pDown->Face());
    CTestOutputPin* pOut = pUp->AddOutput(L"Out");
    CTestInputPin* pIn = pDown->AddInput(L"In");
    pOut->m_cBuffers = 3;
    pOut->m_cbBuffer = 188 * 7;
    const CMediaType mt = MakeType(kA, kA, kA);
    ASSERT_EQ(pOut->Connect(pIn, &mt), S_OK);
    ASSERT_EQ(down->Run(0), S_OK);
    ASSERT_EQ(up->Run(0), S_OK);

    const int nSamples = 200;
    std::thread streamer([&] {
        for (int n = 0; n < nSamples; ++n) {
            IMediaSample* pSample = nullptr;
            if (FAILED(pOut->GetDeliveryBuffer(&pSample, nullptr, nullptr, 0)))
                return;
            BYTE* pData = nullptr;
            pSample->GetPointer(&pData);
            const long cb = pSample->GetSize() - (n % 5);
            for (long i = 0; i < cb; ++i)
                pData[i] = PatternByte(i);
            pSample->SetActualDataLength(cb);
            pOut->Deliver(pSample);
            pSample->Release();
        }
        pOut->DeliverEndOfStream();
    });
    streamer.join();
    EXPECT_EQ(pIn->m_nReceived.load(), nSamples);
    EXPECT_EQ(pIn->m_cbReceived.load(), nSamples * 188 * 7 - (nSamples / 5) * (0 + 1 + 2 + 3 + 4));
    EXPECT_EQ(pIn->m_nBadBytes.load(), 0);

    // The downstream filter stops first: the shared allocator is decommitted and the
    // upstream pin can no longer get buffers.
    ASSERT_EQ(down->Stop(), S_OK);
    IMediaSample* pSample = nullptr;
    EXPECT_EQ(pOut->GetDeliveryBuffer(&pSample, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
    ASSERT_EQ(up->Stop(), S_OK);
    EXPECT_EQ(pOut->Disconnect(), S_OK);
    EXPECT_EQ(pIn->Disconnect(), S_OK);
}

TEST_F(Delivery, StoppingWakesAThreadWaitingForABuffer)
{
    auto* pUp = new CTestFilter;
    auto* pDown = new CTestFilter;
    InterfaceHolder<IBaseFilter> up(pUp->Face()), down(pDown->Face());
    CTestOutputPin* pOut = pUp->AddOutput(L"Out");
    CTestInputPin* pIn = pDown->AddInput(L"In");
    pOut->m_cBuffers = 1;
    const CMediaType mt = MakeType(kA, kA, kA);
    ASSERT_EQ(pOut->Connect(pIn, &mt), S_OK);
    ASSERT_EQ(up->Pause(), S_OK);

    IMediaSample* pHeld = nullptr;
    ASSERT_EQ(pOut->GetDeliveryBuffer(&pHeld, nullptr, nullptr, 0), S_OK);
    HRESULT hrWaiting = S_OK;
    HANDLE hAsking = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE hReturned = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread waiter([&] {
        IMediaSample* pSample = nullptr;
        SetEvent(hAsking);
        hrWaiting = pOut->GetDeliveryBuffer(&pSample, nullptr, nullptr, 0);
        SetEvent(hReturned);
        if (pSample)
            pSample->Release();
    });
    // The only buffer is held, so the request cannot return until something wakes it.
    EXPECT_EQ(WaitForSingleObject(hAsking, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(hReturned, 300), static_cast<DWORD>(WAIT_TIMEOUT)) << "returned without a buffer";
    EXPECT_EQ(up->Stop(), S_OK);
    const bool bWoken = WaitForSingleObject(hReturned, 10000) == WAIT_OBJECT_0;
    EXPECT_TRUE(bWoken) << "Stop left the thread waiting";
    // Freeing the held buffer ends a wait that Stop failed to end, so the test can finish.
    pHeld->Release();
    waiter.join();
    EXPECT_TRUE(bWoken && FAILED(hrWaiting)) << "the waiting thread gets no buffer once decommitted";
    CloseHandle(hAsking);
    CloseHandle(hReturned);
    EXPECT_EQ(pOut->Disconnect(), S_OK);
    EXPECT_EQ(pIn->Disconnect(), S_OK);
}
