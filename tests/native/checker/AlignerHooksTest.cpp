#include "CheckerFixture.h"

#include "capture/CaptureAnalysisFeed.h"
#include "capture/CaptureSession.h"

#include <cstdio>
#include <string>

namespace {

// Writes down every hook call: P packet, S<n> skipped bytes, | end of run.
class HookLog : public IPacketConsumer {
public:
    void OnPacket(const uint8_t*) override { m_Log += "P"; }
    void OnSkippedBytes(uint32_t nBytes) override { m_Log += "S" + std::to_string(nBytes); }
    void OnRunEnd() override { m_Log += "|"; }
    std::string m_Log;
};

Bytes Packets(uint32_t firstSeq, uint32_t count)
{
    Bytes run;
    for (uint32_t s = firstSeq; s < firstSeq + count; ++s) {
        Bytes p = TestPacket(s);
        run.insert(run.end(), p.begin(), p.end());
    }
    return run;
}

int64_t g_nNowUs = 0;
int64_t FakeNowUs()
{
    return g_nNowUs;
}

} // namespace

using AlignerHooksTest = CheckerTest;

// Every byte of a run is either in a delivered packet, skipped, or carried to the next run.
TEST_F(AlignerHooksTest, SkippedBytesAndRunEndsAreReportedWhereTheyLie)
{
    HookLog log;
    CPacketConsumers consumers(&log);
    const Bytes run = Concat({TestPacket(1), Bytes(5, 0x11), TestPacket(2), TestPacket(3)});
    AlignPackets(run.data(), static_cast<int32_t>(run.size()), m_Guarded + 16, m_nCarry, consumers);
    EXPECT_EQ(log.m_Log, "PS5PP|");

    log.m_Log.clear();
    const Bytes tail = Concat({Bytes(7, 0x22), TestPacket(4), TestPacket(5), TestPacket(6)});
    AlignPackets(tail.data(), 100, m_Guarded + 16, m_nCarry, consumers);  // garbage, then a packet start
    AlignPackets(tail.data() + 100, static_cast<int32_t>(tail.size() - 100), m_Guarded + 16, m_nCarry, consumers);
    EXPECT_EQ(log.m_Log, "S7|PPP|");

    log.m_Log.clear();
    const Bytes garbage = Bytes(50, 0x33);
    AlignPackets(garbage.data(), 50, m_Guarded + 16, m_nCarry, consumers);
    EXPECT_EQ(log.m_Log, "S50|") << "a run without any sync is skipped whole";
}

// The capture's analysis sees the runs the file got, and only those.
TEST_F(AlignerHooksTest, CaptureFeedPassesOnExactlyTheRecordedRuns)
{
    const std::string path = testing::TempDir() + "aligner_hooks_feed.ts";
    CCaptureSession session;
    CStreamAnalysis& analysis = session.Make<CStreamAnalysis>();
    session.MakeConsumer<CCaptureAnalysisFeed>(analysis, &FakeNowUs);
    auto receive = [&](const Bytes& run) {
        session.Receive(run.data(), static_cast<int32_t>(run.size()), m_Guarded + 16, m_nCarry);
    };

    receive(Packets(1, 3));  // before the recording
    FILE* pFile = std::fopen(path.c_str(), "wb");
    ASSERT_NE(pFile, nullptr);
    ASSERT_TRUE(session.StartCapture(pFile, 0));
    g_nNowUs = 1000000;
    receive(Concat({TestPacket(4), Bytes(10, 0x11), TestPacket(5)}));
    g_nNowUs = 2000000;
    receive(Packets(6, 4));
    session.State().StopCapture();
    receive(Packets(10, 2));  // after it

    const StreamHealthSummary summary = analysis.Summarise();
    EXPECT_EQ(summary.nPackets, 6u);
    EXPECT_EQ(summary.nSkippedBytes, 10u);
    EXPECT_EQ(summary.nBytes, session.State().CapturedBytes());
    EXPECT_EQ(summary.nSyncLosses, 1u);
    EXPECT_EQ(summary.Arrival.nMeasuredMs, 1000u) << "arrival marked after each recorded run";
    std::remove(path.c_str());
}
