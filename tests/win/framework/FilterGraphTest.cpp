// The framework inside Wine's real filter graph manager: joining, direct connection,
// running with a streaming source, stopping, removal and release.
#include "FrameworkPeers.h"

#include <thread>

namespace {

// Output pin of a live source: a streaming thread runs from Active to Inactive and
// delivers pattern-filled samples until the allocator is decommitted.
class CStreamingPin : public CBaseOutputPin
{
public:
    CStreamingPin(CBaseFilter* pFilter, CCritSec* pLock)
        : CBaseOutputPin("streaming pin", pFilter, pLock, nullptr, L"TS Out")
    {
    }

    HRESULT CheckMediaType(const CMediaType* pmt) override
    {
        return pmt->majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int iPosition, CMediaType* pmt) override
    {
        if (iPosition != 0)
            return VFW_S_NO_MORE_ITEMS;
        pmt->SetType(&MEDIATYPE_Stream);
        pmt->SetSubtype(&MEDIASUBTYPE_MPEG2_TRANSPORT);
        pmt->SetFormatType(&FORMAT_None);
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pprop) override
    {
        pprop->cBuffers = 4;
        pprop->cbBuffer = 188 * 16;
        ALLOCATOR_PROPERTIES actual = {};
        return pAlloc->SetProperties(pprop, &actual);
    }
    HRESULT Active() override
    {
        HRESULT hr = CBaseOutputPin::Active();
        if (SUCCEEDED(hr))
            m_thread = std::thread([this] { Stream(); });
        return hr;
    }
    HRESULT Inactive() override
    {
        HRESULT hr = CBaseOutputPin::Inactive();
        if (m_thread.joinable())
            m_thread.join();
        return hr;
    }

    IMemAllocator* Allocator() const { return m_pAllocator; }

    std::atomic<long> m_nDelivered{0};
    std::atomic<long> m_nBadTime{0};

private:
    void Stream()
    {
        for (;;) {
            IMediaSample* pSample = nullptr;
            if (FAILED(GetDeliveryBuffer(&pSample, nullptr, nullptr, 0)))
                return;
            BYTE* pData = nullptr;
            pSample->GetPointer(&pData);
            const long cb = pSample->GetSize();
            for (long i = 0; i < cb; ++i)
                pData[i] = PatternByte(i);
            pSample->SetActualDataLength(cb);
            REFERENCE_TIME rt = 0;
            if (FAILED(m_pFilter->StreamTime(rt)))
                ++m_nBadTime;
            HRESULT hr = Deliver(pSample);
            pSample->Release();
            if (FAILED(hr))
                return;
            ++m_nDelivered;
            Sleep(1);
        }
    }

    std::thread m_thread;
};

class CStreamingSource : public CSource
{
public:
    CStreamingSource() : CSource("streaming source", nullptr, GUID_NULL) { m_pPin = new CStreamingPin(this, &m_PinLock); }
    ~CStreamingSource() override { delete m_pPin; }
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? m_pPin : nullptr; }
    IBaseFilter* Face() { return this; }

    CCritSec m_PinLock;
    CStreamingPin* m_pPin;
};

class RealGraph : public FrameworkTest
{
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        ASSERT_EQ(m_graph.CreateInstance(CLSID_FilterGraph, CLSCTX_INPROC_SERVER), S_OK);
        ASSERT_EQ(m_graph.QueryTo(m_control), S_OK);
        m_pSource = new CStreamingSource;
        m_source = m_pSource->Face();
        m_pSink = new CTestFilter;
        m_sink = m_pSink->Face();
        m_pIn = m_pSink->AddInput(L"Input");
        ASSERT_EQ(m_graph->AddFilter(m_sink, L"Sink"), S_OK);
        ASSERT_EQ(m_graph->AddFilter(m_source, L"Network Provider"), S_OK);
    }
    void TearDown() override
    {
        m_control.Reset();
        m_graph.Reset();
        m_source.Reset();
        m_sink.Reset();
        FrameworkTest::TearDown();
    }
    FILTER_STATE State(IBaseFilter* pFilter)
    {
        FILTER_STATE state = State_Running;
        EXPECT_EQ(pFilter->GetState(0, &state), S_OK);
        return state;
    }

    InterfaceHolder<IGraphBuilder> m_graph;
    InterfaceHolder<IMediaControl> m_control;
    CStreamingSource* m_pSource = nullptr;
    InterfaceHolder<IBaseFilter> m_source;
    CTestFilter* m_pSink = nullptr;
    InterfaceHolder<IBaseFilter> m_sink;
    CTestInputPin* m_pIn = nullptr;
};

}

TEST_F(RealGraph, JoiningGivesNameGraphAndEventSink)
{
    FILTER_INFO info;
    ASSERT_EQ(m_source->QueryFilterInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Network Provider");
    EXPECT_NE(info.pGraph, nullptr);
    if (info.pGraph)
        info.pGraph->Release();
    EXPECT_NE(m_pSink->Sink(), nullptr);

    InterfaceHolder<IBaseFilter> found;
    ASSERT_EQ(m_graph->FindFilterByName(L"Network Provider", found.OutSlot()), S_OK);
    InterfaceHolder<IPin> pin;
    EXPECT_EQ(found->FindPin(L"1", pin.OutSlot()), S_OK);
    EXPECT_EQ(pin.Get(), static_cast<IPin*>(m_pSource->m_pPin));
}

TEST_F(RealGraph, ConnectsRunsStreamsStopsAndReleasesEverything)
{
    const LONG cLiveBefore = CLiveObject::LiveCount();
    ASSERT_EQ(m_graph->ConnectDirect(m_pSource->m_pPin, m_pIn, nullptr), S_OK);
    AM_MEDIA_TYPE mt;
    ASSERT_EQ(m_pIn->ConnectionMediaType(&mt), S_OK);
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_MPEG2_TRANSPORT);
    FreeMediaType(mt);

    ASSERT_TRUE(SUCCEEDED(m_control->Run()));
    EXPECT_EQ(State(m_source), State_Running);
    EXPECT_EQ(State(m_sink), State_Running);
    InterfaceHolder<IReferenceClock> clock;
    EXPECT_EQ(m_sink->GetSyncSource(clock.OutSlot()), S_OK);
    EXPECT_FALSE(clock.IsNull()) << "the graph hands its clock to every filter";
    clock.Reset();

    for (int i = 0; i < 400 && m_pIn->m_nReceived < 20; ++i)
        Sleep(5);
    EXPECT_TRUE(SUCCEEDED(m_control->Pause()));
    EXPECT_EQ(State(m_source), State_Paused);
    ASSERT_TRUE(SUCCEEDED(m_control->Stop()));
    EXPECT_EQ(State(m_source), State_Stopped);
    EXPECT_EQ(State(m_sink), State_Stopped);

    EXPECT_GE(m_pIn->m_nReceived.load(), 20);
    EXPECT_EQ(m_pIn->m_nReceived.load(), m_pSource->m_pPin->m_nDelivered.load());
    EXPECT_EQ(m_pIn->m_cbReceived.load(), m_pIn->m_nReceived.load() * 188 * 16);
    EXPECT_EQ(m_pIn->m_nBadBytes.load(), 0);
    EXPECT_EQ(m_pSource->m_pPin->m_nBadTime.load(), 0);

    ASSERT_EQ(m_graph->RemoveFilter(m_source), S_OK);
    EXPECT_FALSE(m_pIn->IsConnected());
    EXPECT_FALSE(m_pSource->m_pPin->IsConnected());
    FILTER_INFO info;
    ASSERT_EQ(m_source->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.pGraph, nullptr);

    m_source.Reset();
    EXPECT_EQ(CLiveObject::LiveCount(), cLiveBefore - 2) << "the source and its pin are gone";
    m_control.Reset();
    m_graph.Reset();
    EXPECT_EQ(m_pSink->Refs(), 1) << "the released graph keeps no reference to the sink";
}

TEST_F(RealGraph, RefusedConnectionLeavesBothPinsFree)
{
    m_pIn->m_hrCheckMediaType = S_FALSE;
    EXPECT_EQ(m_graph->ConnectDirect(m_pSource->m_pPin, m_pIn, nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_FALSE(m_pIn->IsConnected());
    EXPECT_FALSE(m_pSource->m_pPin->IsConnected());
    EXPECT_EQ(m_pSource->m_pPin->Allocator(), nullptr);

    m_pIn->m_hrCheckMediaType = S_OK;
    CMediaType wrong;
    wrong.SetType(&MEDIATYPE_Video);
    wrong.SetFormatType(&FORMAT_None);
    EXPECT_EQ(m_graph->ConnectDirect(m_pSource->m_pPin, m_pIn, &wrong), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(m_graph->ConnectDirect(m_pSource->m_pPin, m_pIn, nullptr), S_OK);
    EXPECT_EQ(m_graph->ConnectDirect(m_pSource->m_pPin, m_pIn, nullptr), VFW_E_ALREADY_CONNECTED);
}

TEST_F(RealGraph, RealMemoryAllocatorIsSharedAcrossTheConnection)
{
    ASSERT_EQ(m_graph->ConnectDirect(m_pSource->m_pPin, m_pIn, nullptr), S_OK);
    IMemAllocator* pAlloc = m_pSource->m_pPin->Allocator();
    ASSERT_NE(pAlloc, nullptr);
    EXPECT_EQ(pAlloc, m_pIn->Allocator());
    ALLOCATOR_PROPERTIES props = {};
    ASSERT_EQ(pAlloc->GetProperties(&props), S_OK);
    EXPECT_EQ(props.cBuffers, 4);
    EXPECT_EQ(props.cbBuffer, 188 * 16);
    EXPECT_EQ(props.cbAlign, 1);
}
