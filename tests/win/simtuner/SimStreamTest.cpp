// Graphs built by hand: simulated tuner (optionally through a receiver component) to a test
// sink, tuned through the control nodes, delivering the transport stream.
#include "SimTestSink.h"
#include "SimTestSupport.h"

#include "capture/CaptureFilter.h"
#include "capture/CaptureSession.h"
#include "capture/TsPacketChecker.h"
#include "graph/BdaGuids.h"
#include "simtuner/TsGenerator.h"

#include <cstdio>

namespace {

constexpr long kSampleSize = 47001;  // not a multiple of 188

std::string Scenario(const std::string& extra)
{
    return "[tuner]\nname = Quillon Stream Tuner\nkind = terrestrial\nchannel = 506000 bw=8\nlock_delay = 30\n"
           "bitrate = 200000000\nsample_size = " +
           std::to_string(kSampleSize) + "\n" + extra +
           "[receiver]\nname = Refusing Receiver\nrefuse = yes\n[receiver]\nname = Passing Receiver\n";
}

class SimStream : public SimTunerTest {
protected:
    void SetUp() override
    {
        SimTunerTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(m_Graph.CreateInstance(CLSID_FilterGraph, CLSCTX_INPROC_SERVER)));
        m_Graph.QueryTo(m_Control);
        ResetTestStreamCounters();
    }
    void TearDown() override
    {
        if (!m_Control.IsNull())
            m_Control->Stop();
        m_Control.Reset();
        m_Graph.Reset();
        m_Sink.Reset();
        m_Tuner.Reset();
        SimTunerTest::TearDown();
    }

    // Registers the scenario and builds tuner (-> receiver) -> sink; nKeep -1 takes the
    // program's capture sink instead of the test sink.
    void Build(const std::string& extra, long nKeep, long nRefuseAfter = -1, const char* pReceiver = nullptr)
    {
        Register(Scenario(extra));
        m_Tuner = BindTuner("Quillon Stream Tuner");
        ASSERT_FALSE(m_Tuner.IsNull());
        if (nKeep < 0) {
            ASSERT_EQ(CreateCaptureFilter(m_Sink, ProgramCaptureSession()), S_OK);
        } else {
            m_pSink = new CSimTestSink(static_cast<size_t>(nKeep), nRefuseAfter);
            m_Sink = static_cast<IBaseFilter*>(m_pSink);
        }
        ASSERT_EQ(m_Graph->AddFilter(m_Tuner, L"BDA Source"), S_OK);
        ASSERT_EQ(m_Graph->AddFilter(m_Sink, L"Sink"), S_OK);
        InterfaceHolder<IPin> upstream = PinByIndex(m_Tuner, 1);
        if (pReceiver) {
            for (SimTestDevice& device : EnumerateDevices(KSCATEGORY_BDA_RECEIVER_COMPONENT)) {
                if (device.sName == pReceiver)
                    m_Receiver = device.Filter;
            }
            ASSERT_FALSE(m_Receiver.IsNull());
            ASSERT_EQ(m_Graph->AddFilter(m_Receiver, L"bda"), S_OK);
            ASSERT_EQ(m_Graph->ConnectDirect(upstream, PinByIndex(m_Receiver, 0), nullptr), S_OK);
            upstream = PinByIndex(m_Receiver, 1);
        }
        ASSERT_EQ(m_Graph->ConnectDirect(upstream, PinByIndex(m_Sink, 0), nullptr), S_OK);
        ASSERT_EQ(JoinTopology(m_Tuner), S_OK);
        m_Device = ControlOf(m_Tuner);
    }

    HRESULT Tune(ULONG frequency, ULONG bandwidth)
    {
        InterfaceHolder<IBDA_FrequencyFilter> filter = NodeInterface<IBDA_FrequencyFilter>(m_Tuner, 0);
        QueriedHolder<IBDA_DeviceControl> control(m_Tuner);
        if (filter.IsNull() || control.IsNull())
            return E_NOINTERFACE;
        filter->put_FrequencyMultiplier(1000);
        filter->put_Bandwidth(bandwidth);
        filter->put_Frequency(frequency);
        HRESULT hr = control->CheckChanges();
        return hr == S_OK ? control->CommitChanges() : hr;
    }

    bool Locked()
    {
        InterfaceHolder<IBDA_SignalStatistics> stats = NodeInterface<IBDA_SignalStatistics>(m_Tuner, 1);
        BOOLEAN locked = FALSE;
        return !stats.IsNull() && stats->get_SignalLocked(&locked) == S_OK && locked;
    }

    SimDelivery Delivery()
    {
        SimDelivery delivery = {};
        m_Device->GetDelivery(&delivery);
        return delivery;
    }

    // Runs until the sink has nBytes, then stops the graph.
    void RunUntil(uint64_t nBytes)
    {
        ASSERT_TRUE(SUCCEEDED(m_Control->Run()));
        EXPECT_TRUE(WaitFor([&] { return m_pSink->ByteCount() >= nBytes; })) << m_pSink->ByteCount();
        ASSERT_TRUE(SUCCEEDED(m_Control->Stop()));
    }

    InterfaceHolder<IGraphBuilder> m_Graph;
    InterfaceHolder<IMediaControl> m_Control;
    InterfaceHolder<IBaseFilter> m_Tuner;
    InterfaceHolder<IBaseFilter> m_Receiver;
    InterfaceHolder<IBaseFilter> m_Sink;
    InterfaceHolder<ISimTunerControl> m_Device;
    CSimTestSink* m_pSink = nullptr;
};

std::vector<uint8_t> Generated(const TsGeneratorConfig& config, size_t nBytes, TsGeneratorStats* pStats = nullptr)
{
    CTsGenerator generator(config);
    std::vector<uint8_t> bytes(nBytes);
    generator.Fill(bytes.data(), bytes.size());
    if (pStats)
        *pStats = generator.Stats();
    return bytes;
}

} // namespace

TEST_F(SimStream, CleanChannelArrivesByteExactInSamplesOfTheConfiguredSize)
{
    Build("", 2000000);
    ASSERT_EQ(Tune(506000, 8), S_OK);
    EXPECT_TRUE(WaitFor([&] { return Locked(); }));
    RunUntil(1500000);

    const SimDelivery delivery = Delivery();
    EXPECT_FALSE(delivery.bStreaming) << "the thread has ended when Stop returns";
    EXPECT_EQ(delivery.hrLastEnd, S_OK);
    EXPECT_EQ(delivery.nBytes, m_pSink->ByteCount());
    const std::vector<uint8_t> bytes = m_pSink->Bytes();
    EXPECT_EQ(bytes, Generated(TsGeneratorConfig(), bytes.size()));
    for (long size : m_pSink->SampleSizes())
        ASSERT_EQ(size, kSampleSize);
    EXPECT_GT(nTestPackets.load(), 1000u);
    EXPECT_EQ(nCrcErrors.load(), 0u);
    EXPECT_EQ(nLostPackets.load(), 0u);
}

TEST_F(SimStream, TheProgramsCaptureSinkRecordsTheStreamByteExact)
{
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    const std::string path = std::string(dir) + "qlsim_capture.ts";
    Build("", -1);
    ASSERT_EQ(Tune(506000, 8), S_OK);
    FILE* pFile = std::fopen(path.c_str(), "wb");
    ASSERT_NE(pFile, nullptr);
    ASSERT_TRUE(g_CaptureState.StartCapture(pFile, 1));  // ends itself at 1 MB
    ASSERT_TRUE(SUCCEEDED(m_Control->Run()));
    EXPECT_TRUE(WaitFor([] { return !g_CaptureState.IsRecording(); }));
    ASSERT_TRUE(SUCCEEDED(m_Control->Stop()));
    g_CaptureState.StopCapture();

    std::vector<uint8_t> recorded;
    pFile = std::fopen(path.c_str(), "rb");
    ASSERT_NE(pFile, nullptr);
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pFile)) > 0)
        recorded.insert(recorded.end(), buffer, buffer + n);
    std::fclose(pFile);
    std::remove(path.c_str());
    ASSERT_GE(recorded.size(), 1048576u);
    EXPECT_EQ(recorded, Generated(TsGeneratorConfig(), recorded.size()));
    EXPECT_GT(nTestPackets.load(), 1000u);
    EXPECT_EQ(nCrcErrors.load(), 0u);
    EXPECT_EQ(nLostPackets.load(), 0u);
}

TEST_F(SimStream, ImpairmentsAreCountedExactlyByTheChecker)
{
    Build("drop_every = 37\nbad_crc_every = 23\ngarbage_every = 101\ngarbage_bytes = 13\nprograms = 2\n", 0);
    ASSERT_EQ(Tune(506000, 8), S_OK);
    RunUntil(1500000);
    TsGeneratorConfig config;
    config.nPrograms = 2;
    config.nDropEvery = 37;
    config.nBadCrcEvery = 23;
    config.nGarbageEvery = 101;
    config.nGarbageBytes = 13;
    TsGeneratorStats stats;
    Generated(config, static_cast<size_t>(m_pSink->ByteCount()), &stats);
    EXPECT_GT(stats.nLost, 10u);
    EXPECT_GT(stats.nBadCrc, 10u);
    EXPECT_EQ(nLostPackets.load(), stats.nLost);
    EXPECT_EQ(nCrcErrors.load(), stats.nBadCrc);
}

TEST_F(SimStream, NothingFlowsUnlockedOrPausedAndALostSignalPausesTheStream)
{
    Build("", 4000000);
    ASSERT_EQ(Tune(506000, 7), S_OK);  // wrong bandwidth: no lock
    ASSERT_TRUE(SUCCEEDED(m_Control->Pause()));
    FILTER_STATE state;
    EXPECT_EQ(m_Tuner->GetState(0, &state), VFW_S_CANT_CUE);
    ASSERT_TRUE(SUCCEEDED(m_Control->Run()));
    // Nothing may arrive however long the run is watched; 80 ms is 2 MB at this bitrate.
    Sleep(80);
    EXPECT_EQ(m_pSink->ByteCount(), 0u);
    EXPECT_TRUE(Delivery().bStreaming);

    ASSERT_EQ(Tune(506000, 8), S_OK);
    ASSERT_TRUE(WaitFor([&] { return m_pSink->ByteCount() > 200000; }));
    m_Device->SetSignalLost(TRUE);
    EXPECT_FALSE(Locked());
    // Only the sample already past the lock check may still arrive, however late the
    // streaming thread runs; a stream that ignored the loss would bring megabytes.
    const uint64_t atLoss = m_pSink->ByteCount();
    Sleep(200);
    EXPECT_LE(m_pSink->ByteCount(), atLoss + kSampleSize);
    m_Device->SetSignalLost(FALSE);
    ASSERT_TRUE(WaitFor([&] { return m_pSink->ByteCount() > atLoss + 200000; }));
    ASSERT_TRUE(SUCCEEDED(m_Control->Stop()));
    // The stream goes on where it paused: still byte-exact.
    const std::vector<uint8_t> bytes = m_pSink->Bytes();
    EXPECT_EQ(bytes, Generated(TsGeneratorConfig(), bytes.size()));
}

TEST_F(SimStream, ARefusalDownstreamEndsDeliveryCleanly)
{
    Build("", 1000000, 3);
    ASSERT_EQ(Tune(506000, 8), S_OK);
    ASSERT_TRUE(SUCCEEDED(m_Control->Run()));
    ASSERT_TRUE(WaitFor([&] { return !Delivery().bStreaming; }));
    const SimDelivery delivery = Delivery();
    EXPECT_EQ(delivery.nSamples, 3u);
    EXPECT_EQ(delivery.nRefusals, 1u);
    EXPECT_EQ(delivery.hrLastEnd, E_FAIL);
    EXPECT_EQ(m_pSink->Refusals(), 1u) << "no delivery after the refusal";
    ASSERT_TRUE(SUCCEEDED(m_Control->Stop()));

    // A new run starts a new stream from its first byte.
    ASSERT_TRUE(SUCCEEDED(m_Control->Run()));
    ASSERT_TRUE(WaitFor([&] { return Delivery().nRefusals == 2; }));
    EXPECT_EQ(m_pSink->Refusals(), 2u);
}

TEST_F(SimStream, TheReceiverComponentPassesTheStreamAndARefusingOneConnectsNothing)
{
    Build("", 600000, -1, "Passing Receiver");
    ASSERT_EQ(Tune(506000, 8), S_OK);
    RunUntil(500000);
    const std::vector<uint8_t> bytes = m_pSink->Bytes();
    EXPECT_EQ(bytes, Generated(TsGeneratorConfig(), bytes.size()));

    InterfaceHolder<IBaseFilter> refusing;
    for (SimTestDevice& device : EnumerateDevices(KSCATEGORY_BDA_RECEIVER_COMPONENT)) {
        if (device.sName == "Refusing Receiver")
            refusing = device.Filter;
    }
    ASSERT_FALSE(refusing.IsNull());
    ASSERT_EQ(m_Graph->AddFilter(refusing, L"bda2"), S_OK);
    InterfaceHolder<IPin> tunerOut = PinByIndex(m_Tuner, 1);
    ASSERT_EQ(m_Graph->Disconnect(tunerOut), S_OK);
    EXPECT_TRUE(FAILED(m_Graph->ConnectDirect(tunerOut, PinByIndex(refusing, 0), nullptr)));
}

TEST_F(SimStream, ATransportStreamFileIsReplayedInALoop)
{
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    const std::string path = std::string(dir) + "qlsim_loop.ts";
    std::vector<uint8_t> content = Generated(TsGeneratorConfig(), 188 * 300);
    FILE* pFile = std::fopen(path.c_str(), "wb");
    ASSERT_NE(pFile, nullptr);
    std::fwrite(content.data(), 1, content.size(), pFile);
    std::fclose(pFile);

    Build("source = file:" + path + "\n", 300000);
    ASSERT_EQ(Tune(506000, 8), S_OK);
    RunUntil(250000);
    const std::vector<uint8_t> bytes = m_pSink->Bytes();
    ASSERT_GT(bytes.size(), 2 * content.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(bytes[i], content[i % content.size()]) << i;
    EXPECT_EQ(nCrcErrors.load(), 0u);
    std::remove(path.c_str());
}

TEST_F(SimStream, ADeliveryBlockedLongerThanTheBuffersLastLosesWhatDidNotFit)
{
    Build("buffer_ms = 50\n", 0);
    ASSERT_EQ(Tune(506000, 8), S_OK);
    ASSERT_TRUE(SUCCEEDED(m_Control->Run()));
    ASSERT_TRUE(WaitFor([&] { return m_pSink->ByteCount() > 1000000; }));
    m_pSink->BlockNextDelivery();
    ASSERT_TRUE(m_pSink->WaitBlocked(10000));
    // Holds the delivery several times as long as the 50 ms buffer lasts.
    Sleep(300);
    m_pSink->ReleaseBlock();
    ASSERT_TRUE(WaitFor([&] { return Delivery().nDrops > 0; }));
    const uint64_t atDrop = m_pSink->ByteCount();
    // Enough more for good test packets behind the gap to show it to the checker.
    ASSERT_TRUE(WaitFor([&] { return m_pSink->ByteCount() > atDrop + 1000000; }));
    ASSERT_TRUE(SUCCEEDED(m_Control->Stop()));

    const SimDelivery delivery = Delivery();
    // At 200 Mbit/s a 300 ms hold overruns a 50 ms buffer by about 250 ms of stream; the
    // bound leaves room for a sleep that ends a little early.
    EXPECT_GE(delivery.nDroppedBytes, 200 * 200000000ull / 8000);
    EXPECT_EQ(delivery.nDroppedBytes, delivery.nDroppedPackets * 188);
    EXPECT_GT(delivery.nDroppedTestPackets, 0u);
    EXPECT_EQ(nLostPackets.load(), delivery.nDroppedTestPackets);
    EXPECT_EQ(nCrcErrors.load(), 0u);
    EXPECT_EQ(delivery.nBytes, m_pSink->ByteCount());
}

TEST_F(SimStream, ARunningDeviceIsBusyForEveryOtherFilterUntilItStops)
{
    Build("", 0);
    ASSERT_EQ(Tune(506000, 8), S_OK);
    ASSERT_TRUE(SUCCEEDED(m_Control->Run()));
    InterfaceHolder<IBaseFilter> second = BindTuner("Quillon Stream Tuner");
    ASSERT_FALSE(second.IsNull());
    EXPECT_EQ(second->Pause(), SIM_E_DEVICE_IN_USE);
    FILTER_STATE state = State_Running;
    EXPECT_EQ(second->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    // What does not run the device still works.
    DeviceInfoRecord info = {};
    EXPECT_EQ(SendVendorRequest(second, QLBDA_IOCTL_GET_DEVICE_INFO, nullptr, 0, &info, sizeof(info)), S_OK);
    EXPECT_EQ(JoinTopology(second), S_OK);
    // A graph around the second filter reports the same status.
    InterfaceHolder<IGraphBuilder> graph;
    ASSERT_TRUE(SUCCEEDED(graph.CreateInstance(CLSID_FilterGraph, CLSCTX_INPROC_SERVER)));
    ASSERT_EQ(graph->AddFilter(second, L"BDA Source"), S_OK);
    QueriedHolder<IMediaControl> control(graph);
    EXPECT_EQ(control->Run(), SIM_E_DEVICE_IN_USE);
    control->Stop();

    const uint64_t atRefusal = m_pSink->ByteCount();
    EXPECT_TRUE(WaitFor([&] { return m_pSink->ByteCount() > atRefusal + 1000000; })) << "the first keeps delivering";
    ASSERT_TRUE(SUCCEEDED(m_Control->Stop()));
    EXPECT_EQ(second->Pause(), S_OK);
    EXPECT_EQ(m_Control->Run(), SIM_E_DEVICE_IN_USE);
    // The graph's Stop after a failed Run leaves the sink paused: stop it directly.
    m_Control->Stop();
    m_Sink->Stop();
    // The last release of a filter that was not stopped gives the device back too.
    control.Reset();
    graph.Reset();
    second.Reset();
    EXPECT_TRUE(SUCCEEDED(m_Control->Run()));
}
