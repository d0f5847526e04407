#include "TsBuild.h"

#include "ts/TsPacket.h"
#include "ts/TsSync.h"

#include <gtest/gtest.h>

TEST(TsPacketView, ReadsHeaderPcrAndPayload)
{
    Packet p = MakePacket(0x1ABC, 9, true, true);
    AddAdaptation(p, 0x90, 7);  // discontinuity and PCR
    const uint8_t pcr[6] = {0x12, 0x34, 0x56, 0x78, 0x81, 0x2C};  // base 0x2468ACF1, extension 0x12C
    std::copy(pcr, pcr + 6, p.begin() + 6);
    const CTsPacket packet(p.data());
    EXPECT_EQ(packet.Pid(), 0x1ABC);
    EXPECT_TRUE(packet.UnitStart());
    EXPECT_EQ(packet.ContinuityCounter(), 9);
    EXPECT_TRUE(packet.Discontinuity());
    ASSERT_TRUE(packet.HasPcr());
    EXPECT_EQ(packet.Pcr(), uint64_t{0x2468ACF1} * 300 + 0x12C);
    EXPECT_EQ(packet.PayloadOffset(), 12);
    EXPECT_EQ(packet.PayloadSize(), 176);
}

TEST(TsPacketView, AdaptationFieldLongerThanThePacketIsNotRead)
{
    Packet p = MakePacket(0x100, 0);
    AddAdaptation(p, 0x90, 200);
    const CTsPacket packet(p.data());
    EXPECT_FALSE(packet.Discontinuity());
    EXPECT_FALSE(packet.HasPcr());
    EXPECT_EQ(packet.PayloadSize(), 0);
}

TEST(TsSync, SyncByteCountsOnlyWhenTheNextTwoPacketStartsConfirmIt)
{
    std::vector<uint8_t> run(5, 0x00);
    run[2] = TS_SYNC_BYTE;  // a stray sync byte: 188 bytes on is none
    for (int i = 0; i < 3; ++i) {
        const Packet p = MakePacket(0x20, static_cast<uint8_t>(i));
        run.insert(run.end(), p.begin(), p.end());
    }
    EXPECT_EQ(FindSyncPoint(run.data(), run.size()), 5u);
    // At the end of a run, what the run does not hold cannot refute a sync byte.
    EXPECT_EQ(FindSyncPoint(run.data(), 5 + 200), 5u);
    EXPECT_EQ(FindSyncPoint(run.data(), 5), 2u);
    EXPECT_EQ(FindSyncPoint(run.data(), 2), 2u);
}
