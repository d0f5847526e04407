#include "CaptureFixture.h"
#include "support/TestSource.h"

#include <algorithm>

namespace {

// The sink and a test source in the platform's filter graph manager, connected directly
// and running, as the tuner graph is.
class CaptureGraph
{
public:
    CaptureGraph(IBaseFilter* pSink, IPin* pSinkPin)
    {
        m_pSource = new CTestSource;
        m_pSourceFilter = m_pSource->Face();
        m_pStream = m_pSource->AddStreamPin();
        EXPECT_NE(m_pStream, nullptr);
        EXPECT_EQ(m_pGraph.CreateInstance(CLSID_FilterGraph, CLSCTX_INPROC_SERVER), S_OK);
        EXPECT_EQ(m_pGraph->AddFilter(pSink, L"Parser"), S_OK);
        EXPECT_EQ(m_pGraph->AddFilter(m_pSourceFilter, L"Source"), S_OK);
        EXPECT_EQ(m_pGraph->ConnectDirect(m_pStream, pSinkPin, nullptr), S_OK);
        EXPECT_EQ(m_pGraph.QueryTo(m_pControl), S_OK);
    }

    ~CaptureGraph()
    {
        // Removing every filter disconnects them; then nothing holds the filters but us.
        InterfaceHolder<IEnumFilters> pFilters;
        if (SUCCEEDED(m_pGraph->EnumFilters(pFilters.OutSlot()))) {
            std::vector<InterfaceHolder<IBaseFilter>> all;
            InterfaceHolder<IBaseFilter> pFilter;
            while (pFilters->Next(1, pFilter.OutSlot(), nullptr) == S_OK)
                all.push_back(pFilter);
            pFilters.Reset();
            for (auto& f : all)
                EXPECT_EQ(m_pGraph->RemoveFilter(f), S_OK);
        }
    }

    HRESULT Deliver(const Bytes& data, size_t pos, size_t len)
    {
        return m_pStream->DeliverBytes(data.data() + pos, static_cast<long>(len));
    }

    InterfaceHolder<IGraphBuilder> m_pGraph;
    InterfaceHolder<IMediaControl> m_pControl;
    InterfaceHolder<IBaseFilter> m_pSourceFilter;
    CTestSource* m_pSource = nullptr;
    CTestSourcePin* m_pStream = nullptr;
};

FILTER_STATE StateOf(IBaseFilter* pFilter)
{
    FILTER_STATE state = static_cast<FILTER_STATE>(-1);
    EXPECT_EQ(pFilter->GetState(0, &state), S_OK);
    return state;
}

}  // namespace

TEST_F(CaptureTest, RecordsAndChecksWhatThePlatformGraphDelivers)
{
    const size_t SAMPLE = 348 * TS_PACKET_SIZE;  // 65,424 bytes
    Bytes stream = {0x12, 0x47, 0x00, 0x47, 0x99};  // junk before the first packet
    const Bytes packets = TestStream(1, 348 * 24);
    stream.insert(stream.end(), packets.begin(), packets.end());
    {
        CaptureGraph graph(m_pSink, m_pPin);
        CMediaType mt;
        ASSERT_EQ(m_pPin->ConnectionMediaType(&mt), S_OK);
        EXPECT_EQ(mt.subtype, MEDIASUBTYPE_MPEG2_TRANSPORT);

        ASSERT_TRUE(SUCCEEDED(graph.m_pControl->Run()));
        EXPECT_EQ(StateOf(m_pSink), State_Running);
        // The graph took the sink's clock.
        InterfaceHolder<IReferenceClock> pOffered;
        InterfaceHolder<IReferenceClock> pUsed;
        ASSERT_EQ(m_pSink->QueryInterface(IID_IReferenceClock, pOffered.OutVoid()), S_OK);
        ASSERT_EQ(m_pSink->GetSyncSource(pUsed.OutSlot()), S_OK);
        EXPECT_EQ(pUsed.Get(), pOffered.Get());

        // Not recording: checked only.
        size_t pos = 0;
        ASSERT_EQ(graph.Deliver(stream, pos, 1000), S_OK);
        pos += 1000;

        // Recording without limit, samples cut anywhere.
        StartCapture(0);
        const size_t nFirst = pos;
        for (size_t len : {SAMPLE, size_t{7}, size_t{60001}, size_t{188}, SAMPLE}) {
            ASSERT_EQ(graph.Deliver(stream, pos, len), S_OK);
            pos += len;
        }
        g_CaptureState.StopCapture();
        EXPECT_EQ(FileContent(), Bytes(stream.begin() + nFirst, stream.begin() + pos));

        // A new capture with a 1 MB limit truncates the file and ends inside the 17th sample.
        StartCapture(1);
        const size_t nSecond = pos;
        for (int i = 0; i < 20; ++i) {
            ASSERT_EQ(graph.Deliver(stream, pos, SAMPLE), S_OK);
            pos += SAMPLE;
            EXPECT_EQ(g_CaptureState.IsRecording(), i < 16) << "sample " << i;
        }
        EXPECT_EQ(g_CaptureState.EndReason(), CaptureEnd::LimitReached);
        EXPECT_EQ(g_CaptureState.CapturedBytes(), 17 * SAMPLE);
        EXPECT_EQ(FileContent(), Bytes(stream.begin() + nSecond, stream.begin() + nSecond + 17 * SAMPLE));

        // Every packet delivered was checked, recorded or not.
        const size_t nPacketsSent = (pos - 5) / TS_PACKET_SIZE;
        EXPECT_EQ(PacketsCounted(), nPacketsSent);
        EXPECT_EQ(nTestPackets.load(), nPacketsSent);
        EXPECT_EQ(nLostPackets.load(), 0u);
        EXPECT_EQ(nCrcErrors.load(), 0u);

        ASSERT_TRUE(SUCCEEDED(graph.m_pControl->Stop()));
        EXPECT_EQ(StateOf(m_pSink), State_Stopped);
    }
    EXPECT_FALSE(m_pPin->IsConnected());
}

TEST_F(CaptureTest, WithoutTheSinkClockTheGraphRunsOnAnotherOne)
{
    HRESULT hr = S_OK;
    InterfaceHolder<IBaseFilter> pSink(
        static_cast<IBaseFilter*>(new CCaptureFilter(&hr, ProgramCaptureSession(), CLSID_NoClock)));
    ASSERT_EQ(hr, S_OK);
    InterfaceHolder<IPin> pPin;
    ASSERT_EQ(pSink->FindPin(L"Input", pPin.OutSlot()), S_OK);
    {
        CaptureGraph graph(pSink, pPin);
        ASSERT_TRUE(SUCCEEDED(graph.m_pControl->Run()));
        InterfaceHolder<IReferenceClock> pUsed;
        ASSERT_EQ(pSink->GetSyncSource(pUsed.OutSlot()), S_OK);
        EXPECT_FALSE(pUsed.IsNull());
        Bytes packets = TestStream(1, 10);
        EXPECT_EQ(graph.Deliver(packets, 0, packets.size()), S_OK);
        EXPECT_EQ(PacketsCounted(), 10u);
        ASSERT_TRUE(SUCCEEDED(graph.m_pControl->Stop()));
    }
}
