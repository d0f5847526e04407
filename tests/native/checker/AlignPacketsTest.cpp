#include "CheckerFixture.h"

namespace {

// A test packet whose byte at `offset` is a sync byte, CRC still good.
Bytes TestPacketWithSyncAt(uint32_t seq, size_t offset)
{
    Bytes p = TestPacket(seq);
    p[offset] = 0x47;
    PutLe32(&p[184], Crc32Mpeg2(p.data(), 184));
    return p;
}

} // namespace

using AlignPacketsTest = CheckerTest;

TEST_F(AlignPacketsTest, WholePacketsAreCheckedInStreamOrderWithNothingCarried)
{
    Feed(TestStream(1, 5));
    EXPECT_EQ(ReadCounters(), (Counters{5, 1, 5, 5, 0, 0}));
    EXPECT_EQ(m_nCarry, 0);
}

TEST_F(AlignPacketsTest, RunStartingWithSyncIsTakenWithoutLookAhead)
{
    // Nothing confirms the first packet: 188 bytes further on there is no sync byte.
    Feed(Concat({TestPacket(9), Bytes(300, 0x11)}));
    EXPECT_EQ(ReadCounters(), (Counters{1, 9, 9, 1, 0, 0}));
    EXPECT_EQ(m_nCarry, 0);
}

TEST_F(AlignPacketsTest, ResyncSkipsSyncBytesThatTheNextTwoPacketStartsDoNotConfirm)
{
    // Garbage of 200 bytes, then test packets at 200, 388 and 576.
    Bytes garbage = Bytes(200, 0x00);
    garbage[1] = 0x47;    // confirmed 188 further on (index 189), but not 376 further on
    garbage[5] = 0x47;    // nothing 188 further on
    garbage[189] = 0x47;  // 188 further on lies inside the first packet
    Feed(Concat({garbage, TestStream(1, 3)}));
    EXPECT_EQ(ReadCounters(), (Counters{3, 1, 3, 3, 0, 0}));
    EXPECT_EQ(m_nCarry, 0);
}

TEST_F(AlignPacketsTest, NearTheEndOfTheRunOnlyPositionsInsideItAreConfirmed)
{
    // 188 left: a lone sync byte is enough.
    Feed(Concat({Bytes(50, 0x01), TestPacket(3)}));
    EXPECT_EQ(ReadCounters().nPackets, 1u);

    // 288 left: the byte 188 further on must be a sync byte, and it is not.
    Feed(Concat({Bytes(10, 0x01), TsPacket(0x200), Bytes(100, 0x01)}));
    EXPECT_EQ(ReadCounters().nPackets, 1u);
    EXPECT_EQ(m_nCarry, 0);

    // 100 left after garbage: the start of a packet is kept for the next run.
    Bytes p = TestPacket(4);
    Feed(Concat({Bytes(20, 0x02), Bytes(p.begin(), p.begin() + 100)}));
    EXPECT_EQ(m_nCarry, 100);
    Feed(Bytes(p.begin() + 100, p.end()));
    EXPECT_EQ(ReadCounters(), (Counters{2, 3, 4, 2, 0, 0}));
}

TEST_F(AlignPacketsTest, ShortRunStartingWithSyncIsCarriedWhole)
{
    Bytes p = TestPacket(1);
    Feed(Bytes(p.begin(), p.begin() + 120));
    EXPECT_EQ(m_nCarry, 120);
    EXPECT_EQ(0, std::memcmp(Carry(), p.data(), 120));
    EXPECT_EQ(ReadCounters().nPackets, 0u);
}

TEST_F(AlignPacketsTest, ThreeHundredSeventySixBytesGiveTwoPacketsAndNoCarry)
{
    Feed(Concat({TsPacket(0x20), TsPacket(0x21)}));
    EXPECT_EQ(ReadCounters().nPackets, 2u);
    EXPECT_EQ(m_nCarry, 0);
}

TEST_F(AlignPacketsTest, PacketSplitAnywhereIsCompletedAndCheckedOnce)
{
    const Bytes run = TestStream(1, 2);
    for (size_t cut : {1u, 3u, 4u, 8u, 100u, 184u, 187u}) {
        ResetTestStreamCounters();
        FeedSplit(run, {cut});
        EXPECT_EQ(ReadCounters(), (Counters{2, 1, 2, 2, 0, 0})) << "cut at " << cut;
        EXPECT_EQ(m_nCarry, 0);
    }
}

TEST_F(AlignPacketsTest, CarriedPacketTakesTheNextBytesEvenWhenTheyHoldASyncByte)
{
    const Bytes run = Concat({TestPacketWithSyncAt(1, 100), TestPacketWithSyncAt(2, 101)});
    FeedSplit(run, {100, 100});
    EXPECT_EQ(ReadCounters(), (Counters{2, 1, 2, 2, 0, 0}));
    EXPECT_EQ(m_nCarry, 0);
}

TEST_F(AlignPacketsTest, StreamFedInAwkwardPiecesLosesNothing)
{
    const Bytes run = TestStream(1, 40);
    for (size_t piece : {1u, 7u, 187u, 189u, 375u, 377u, 1000u}) {
        ResetTestStreamCounters();
        for (size_t pos = 0; pos < run.size(); pos += piece)
            Feed(run.data() + pos, std::min(piece, run.size() - pos));
        EXPECT_EQ(ReadCounters(), (Counters{40, 1, 40, 40, 0, 0})) << "pieces of " << piece;
        EXPECT_EQ(m_nCarry, 0);
    }
}

TEST_F(AlignPacketsTest, GarbageAtASampleBoundaryIsSkippedInTheNextSample)
{
    const Bytes first = TestStream(1, 2);
    Feed(Concat({first, Bytes(30, 0x33)}));
    Feed(Concat({Bytes(17, 0x44), TestStream(3, 2)}));
    EXPECT_EQ(ReadCounters(), (Counters{4, 1, 4, 4, 0, 0}));
}

TEST_F(AlignPacketsTest, OutOfRangeCarryCountIsTakenAsEmpty)
{
    m_nCarry = 400;
    Feed(TestPacket(1));
    EXPECT_EQ(ReadCounters().nPackets, 1u);
    m_nCarry = -3;
    Feed(TestPacket(2));
    EXPECT_EQ(ReadCounters(), (Counters{2, 1, 2, 2, 0, 0}));
}

TEST_F(AlignPacketsTest, NullOrEmptyRunChangesNothing)
{
    Feed(nullptr, 188);
    Bytes p = TsPacket(0x20);
    Feed(p.data(), 0);
    EXPECT_EQ(ReadCounters().nPackets, 0u);
    EXPECT_EQ(m_nCarry, 0);
}

namespace {

// Remembers the first byte after the header of every packet it is handed.
class RecordingConsumer : public IPacketConsumer {
public:
    void OnPacket(const uint8_t* pPacket) override { m_Seen.push_back(pPacket[TS_TEST_SEQ_OFFSET]); }
    std::vector<uint8_t> m_Seen;
};

} // namespace

TEST_F(AlignPacketsTest, EveryConsumerGetsEveryPacketOnceInStreamOrder)
{
    RecordingConsumer first, second;
    CPacketConsumers consumers(&g_TestStreamChecker);
    ASSERT_TRUE(consumers.Add(&first));
    ASSERT_TRUE(consumers.Add(&second));
    EXPECT_FALSE(consumers.Add(&first)) << "a consumer is listed once";
    const Bytes run = TestStream(1, 4);
    AlignPackets(run.data(), 300, m_Guarded + 16, m_nCarry, consumers);
    AlignPackets(run.data() + 300, static_cast<int32_t>(run.size() - 300), m_Guarded + 16, m_nCarry, consumers);
    EXPECT_EQ(first.m_Seen, (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(second.m_Seen, first.m_Seen);
    EXPECT_EQ(ReadCounters(), (Counters{4, 1, 4, 4, 0, 0})) << "the checker is still one of them";

    consumers.Remove(&first);
    AlignPackets(run.data(), 188, m_Guarded + 16, m_nCarry, consumers);
    EXPECT_EQ(first.m_Seen.size(), 4u);
    EXPECT_EQ(second.m_Seen.size(), 5u);
}

TEST(PacketConsumers, ListHasNoFixedSizeAndRefusesNull)
{
    RecordingConsumer c[9];
    CPacketConsumers consumers;
    EXPECT_FALSE(consumers.Add(nullptr));
    EXPECT_EQ(consumers.Take().nCount, 0);
    for (RecordingConsumer& consumer : c)
        EXPECT_TRUE(consumers.Add(&consumer));
    const CPacketConsumers::Snapshot before = consumers.Take();
    consumers.Remove(&c[1]);
    consumers.Remove(&c[1]);
    const CPacketConsumers::Snapshot after = consumers.Take();
    ASSERT_EQ(after.nCount, 8);
    EXPECT_EQ(after.Items[1], &c[2]) << "the others keep their order";
    ASSERT_EQ(before.nCount, 9) << "a run that took the list before keeps walking it";
    EXPECT_EQ(before.Items[1], &c[1]);
}
