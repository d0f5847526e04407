// The graph's sink records into the capture session named before the build, and consumers
// the graph was handed leave that session with the graph.
#include "win/tunergraph_sim/SimGraphFixture.h"

#include "capture/CaptureSession.h"
#include "support/TestPackets.h"

#include <atomic>
#include <cstdio>
#include <functional>

namespace {

class PacketCount : public IPacketConsumer {
public:
    void OnPacket(const uint8_t*) override { ++m_nPackets; }
    std::atomic<uint64_t> m_nPackets{0};
};

// Polls until the condition holds; false after a generous limit.
bool WaitFor(const std::function<bool()>& condition)
{
    for (int nWaited = 0; nWaited < 60000 && !condition(); nWaited += 20)
        Sleep(20);
    return condition();
}

using SimSession = SimGraphTest;

} // namespace

TEST_F(SimSession, TheSinkRecordsIntoTheSessionNamedBeforeTheBuild)
{
    Register(kQuickDefaultScenario);
    const std::string path = testing::TempDir() + "sim_session.ts";
    PacketCount graphOnly;
    {
        CCaptureSession session;
        PacketCount& counted = session.MakeConsumer<PacketCount>();
        ASSERT_EQ(m_graph.SetCaptureSession(&session), S_OK);
        ASSERT_EQ(Build(1), S_OK);
        EXPECT_EQ(m_graph.SetCaptureSession(nullptr), E_FAIL) << "the sink keeps the session it was made with";
        ASSERT_EQ(m_graph.AddPacketConsumer(&graphOnly), S_OK);
        EXPECT_EQ(m_graph.AddPacketConsumer(&graphOnly), E_FAIL);
        ASSERT_EQ(m_graph.TuneDVBT(506000, 8), S_OK);
        ASSERT_TRUE(session.StartCapture(std::fopen(path.c_str(), "wb"), 0));
        ASSERT_TRUE(WaitFor([&] { return session.State().CapturedBytes() > 0 && graphOnly.m_nPackets > 0; }));
        EXPECT_GT(counted.m_nPackets, 0u);
        EXPECT_FALSE(g_CaptureState.IsRecording());

        Destroy();
        const uint64_t nGraphOnly = graphOnly.m_nPackets, nCounted = counted.m_nPackets;
        uint8_t carry[TS_CARRY_SIZE];
        int32_t nCarry = 0;
        const Bytes packet = TsPacket(0x20);
        session.Receive(packet.data(), static_cast<int32_t>(packet.size()), carry, nCarry);
        EXPECT_EQ(counted.m_nPackets, nCounted + 1);
        EXPECT_EQ(graphOnly.m_nPackets, nGraphOnly) << "the graph's consumer left with the graph";
        ASSERT_EQ(m_graph.SetCaptureSession(nullptr), S_OK);
    }
    EXPECT_EQ(&m_graph.CaptureSession(), &ProgramCaptureSession());
    std::remove(path.c_str());
}
