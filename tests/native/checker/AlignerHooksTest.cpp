#include "CheckerFixture.h"

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
