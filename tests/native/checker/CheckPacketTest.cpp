#include "CheckerFixture.h"

namespace {

void Check(const Bytes& p)
{
    CheckPacket(p.data(), ((p[1] << 8) | p[2]) & 0x1FFF);
}

} // namespace

using CheckPacketTest = CheckerTest;

TEST_F(CheckPacketTest, EveryPacketCountsItsBitsButOnlyTheTestPidIsChecked)
{
    Check(TsPacket(0x000));
    Check(TsPacket(0x1FFF));
    Check(TsPacket(0x101));
    EXPECT_EQ(nBitsReceived.load(), 3u * 1504);
    EXPECT_EQ(ReadCounters(), (Counters{3, 0, 0, 0, 0, 0}));
}

TEST_F(CheckPacketTest, PidIgnoresTheFlagBitsOfItsBytes)
{
    Bytes p = TestPacket(6);
    p[1] = 0xE1;  // error, unit start and priority bits set around PID 0x100
    PutLe32(&p[184], Crc32Mpeg2(p.data(), 184));
    Feed(p);
    EXPECT_EQ(ReadCounters(), (Counters{1, 6, 6, 1, 0, 0}));
}

TEST_F(CheckPacketTest, UnsynchronisedCheckerIgnoresBadCrcAndSequenceZero)
{
    Check(TestPacket(5, false));
    Check(TestPacket(0));
    EXPECT_EQ(ReadCounters(), (Counters{2, 0, 0, 0, 0, 0}));
    Check(TestPacket(7));
    EXPECT_EQ(ReadCounters(), (Counters{3, 7, 7, 1, 0, 0}));
}

TEST_F(CheckPacketTest, GapCountsTheSkippedNumbersAsLostAndAccounted)
{
    Check(TestPacket(1));
    Check(TestPacket(2));
    Check(TestPacket(5));
    EXPECT_EQ(ReadCounters(), (Counters{3, 1, 5, 5, 0, 2}));
    Check(TestPacket(6));
    EXPECT_EQ(ReadCounters(), (Counters{4, 1, 6, 6, 0, 2}));
}

TEST_F(CheckPacketTest, BadCrcCountsOnceAndAdvancesWithoutComparing)
{
    Check(TestPacket(10));
    Check(TestPacket(500, false));  // its number is not trusted
    Check(TestPacket(12));
    EXPECT_EQ(ReadCounters(), (Counters{3, 10, 12, 3, 1, 0}));
}

TEST_F(CheckPacketTest, SequenceOneReanchorsWithoutLoss)
{
    Check(TestPacket(40));
    Check(TestPacket(41));
    Check(TestPacket(1));
    Check(TestPacket(2));
    EXPECT_EQ(ReadCounters(), (Counters{4, 1, 2, 4, 0, 0}));
}

TEST_F(CheckPacketTest, SequenceOneWithBadCrcStillReanchors)
{
    Check(TestPacket(40));
    Check(TestPacket(1, false));
    Check(TestPacket(2));
    EXPECT_EQ(ReadCounters(), (Counters{3, 1, 2, 3, 1, 0}));
}

TEST_F(CheckPacketTest, LowerNumberCountsNoLossAndMovesTheExpectationBack)
{
    Check(TestPacket(20));
    Check(TestPacket(21));
    Check(TestPacket(18));
    EXPECT_EQ(ReadCounters(), (Counters{3, 20, 18, 3, 0, 0}));
    Check(TestPacket(19));
    EXPECT_EQ(ReadCounters(), (Counters{4, 20, 19, 4, 0, 0}));
}

TEST_F(CheckPacketTest, SynchronisedCheckerKeepsCountingAfterGarbageAndRestarts)
{
    Feed(Concat({TestPacket(3), Bytes(40, 0x10), TestPacket(4), TsPacket(0x30), TestPacket(6)}));
    EXPECT_EQ(ReadCounters(), (Counters{4, 3, 6, 4, 0, 1}));
}
