#include "TsBuild.h"
#include "ts/StreamAnalysis.h"

#include <gtest/gtest.h>

namespace {

uint64_t CcErrorsOf(const StreamHealthSummary& s, uint16_t pid)
{
    for (const PidHealth& p : s.Pids) {
        if (p.nPid == pid)
            return p.nCcErrors;
    }
    return UINT64_MAX;
}

StreamHealthSummary Feed(const std::vector<Packet>& packets)
{
    CStreamAnalysis analysis;
    for (const Packet& p : packets)
        analysis.OnPacket(p.data());
    return analysis.Summarise();
}

} // namespace

TEST(StreamContinuity, CounterRulesOfTheSystemsLayer)
{
    // Wraps 15 -> 0, one duplicate allowed (again after an in-order packet), adaptation-only
    // packets repeat the counter.
    std::vector<Packet> ok;
    for (uint8_t cc : {14, 15, 0, 0, 1, 1, 2})
        ok.push_back(MakePacket(0x100, cc));
    ok.push_back(MakePacket(0x100, 2, false));
    ok.push_back(MakePacket(0x100, 3));
    EXPECT_EQ(CcErrorsOf(Feed(ok), 0x100), 0u);

    // A second repeat is an error; so are a skip and an adaptation-only packet that advances.
    EXPECT_EQ(CcErrorsOf(Feed({MakePacket(0x100, 3), MakePacket(0x100, 3), MakePacket(0x100, 3)}), 0x100), 1u);
    EXPECT_EQ(CcErrorsOf(Feed({MakePacket(0x100, 3), MakePacket(0x100, 5), MakePacket(0x100, 6)}), 0x100), 1u);
    EXPECT_EQ(CcErrorsOf(Feed({MakePacket(0x100, 3), MakePacket(0x100, 4, false), MakePacket(0x100, 5)}), 0x100), 1u);

    // The discontinuity indicator sets a new start; the null PID is never checked.
    Packet jump = MakePacket(0x100, 9);
    AddAdaptation(jump, 0x80);
    const StreamHealthSummary s =
        Feed({MakePacket(0x100, 3), jump, MakePacket(0x100, 10), MakePacket(0x1FFF, 0), MakePacket(0x1FFF, 7)});
    EXPECT_EQ(CcErrorsOf(s, 0x100), 0u);
    EXPECT_EQ(CcErrorsOf(s, 0x1FFF), 0u);
    EXPECT_EQ(s.nCcErrors, 0u);
}

TEST(StreamContinuity, ErrorIndicatorAndScramblingAreCountedPerPid)
{
    Packet tei = MakePacket(0x200, 7);
    tei[1] |= 0x80;  // its counter is not trusted, so no continuity error follows
    Packet scrambled = MakePacket(0x200, 1);
    scrambled[3] |= 0x80;
    const StreamHealthSummary s = Feed({MakePacket(0x200, 0), tei, scrambled});
    EXPECT_EQ(s.nPackets, 3u);
    EXPECT_EQ(s.nTeiPackets, 1u);
    EXPECT_EQ(s.nScrambled, 1u);
    EXPECT_EQ(s.nCcErrors, 0u);
    ASSERT_EQ(s.Pids.size(), 1u);
    EXPECT_EQ(s.Pids[0].nScrambled, 1u);
    EXPECT_EQ(s.Pids[0].nPackets, 3u);
}

TEST(StreamSync, LossAndResyncOverRawRunsOfAnyCut)
{
    // Packets 0..5, then 5 garbage bytes, packets 6..11, then a run ending in garbage.
    std::vector<uint8_t> bytes = {0x01, 0x02, 0x03};  // before the first lock: skipped, no loss
    for (uint8_t i = 0; i < 12; ++i) {
        if (i == 6)
            bytes.insert(bytes.end(), {0x10, 0x11, 0x12, 0x13, 0x14});
        const Packet p = MakePacket(0x300, i);
        bytes.insert(bytes.end(), p.begin(), p.end());
    }
    bytes.insert(bytes.end(), {0x20, 0x21});
    for (size_t cut : {1u, 7u, 100u, 188u, 500u, 5000u}) {
        CStreamAnalysis analysis;
        for (size_t pos = 0; pos < bytes.size(); pos += cut)
            analysis.OnBytes(bytes.data() + pos, std::min(cut, bytes.size() - pos));
        const StreamHealthSummary s = analysis.Summarise();
        EXPECT_EQ(s.nPackets, 12u) << cut;
        EXPECT_EQ(s.nSkippedBytes, 10u) << cut;
        EXPECT_EQ(s.nSyncLosses, 2u) << cut;
        EXPECT_EQ(s.nResyncs, 1u) << cut;
        EXPECT_EQ(s.nBytes, bytes.size()) << cut;
        EXPECT_EQ(s.nCcErrors, 0u) << cut;
        EXPECT_EQ(analysis.Progress().nSyncLosses, 2u);
    }
}
