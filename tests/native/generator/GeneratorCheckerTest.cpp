#include "capture/TsPacketChecker.h"
#include "simtuner/TsGenerator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Outcome {
    TsGeneratorStats stats;
    uint64_t nPackets;
    uint32_t nTest, nCrc, nLost;
    int32_t nCarry;
};

// Generates nTotal bytes in samples of the given sizes (repeated) and runs them through the
// aligner and checker as the capture pin does.
Outcome GenerateAndCheck(const TsGeneratorConfig& config, size_t nTotal, std::vector<size_t> sampleSizes)
{
    ResetTestStreamCounters();
    CTsGenerator generator(config);
    std::vector<uint8_t> buffer;
    uint8_t carry[TS_CARRY_SIZE];
    int32_t nCarry = 0;
    size_t done = 0;
    for (size_t i = 0; done < nTotal; ++i) {
        const size_t n = std::min(sampleSizes[i % sampleSizes.size()], nTotal - done);
        buffer.resize(n);
        generator.Fill(buffer.data(), n);
        AlignPackets(buffer.data(), static_cast<int32_t>(n), carry, nCarry);
        done += n;
    }
    return {generator.Stats(), nBitsReceived.load() / TS_BITS_PER_PACKET, nTestPackets.load(), nCrcErrors.load(),
            nLostPackets.load(), nCarry};
}

const std::vector<size_t> kOddSamples = {65424, 1, 187, 1000, 189, 7, 65423, 376};

} // namespace

TEST(GeneratorThroughChecker, CleanStreamHasNoErrorAndNoLoss)
{
    TsGeneratorConfig config;
    config.nPrograms = 3;
    config.nPsiInterval = 50;
    const Outcome o = GenerateAndCheck(config, 4'000'000, kOddSamples);
    EXPECT_GT(o.stats.nTestPackets, 9000u);
    EXPECT_EQ(o.nPackets, o.stats.nPackets);
    EXPECT_EQ(o.nTest, o.stats.nTestPackets);
    EXPECT_EQ(o.nCrc, 0u);
    EXPECT_EQ(o.nLost, 0u);
    EXPECT_EQ(nFirstSeq.load(), 1u);
    // What is left over is the start of the next packet, waiting in the carry.
    EXPECT_EQ(o.stats.nBytes, o.stats.nPackets * 188 + static_cast<uint64_t>(o.nCarry));
}

TEST(GeneratorThroughChecker, EveryTestPacketStreamIsCheckedWhole)
{
    TsGeneratorConfig config;
    config.nTestPerMille = 1000;
    config.nFirstSeq = 70000;
    const Outcome o = GenerateAndCheck(config, 188 * 5000, {65424});
    EXPECT_EQ(o.stats.nPackets, 5000u);
    EXPECT_EQ(o.nTest, 5000u - 5 * 3);  // a PAT, a PMT and an SDT every 1000 packets
    EXPECT_EQ(nFirstSeq.load(), 70000u);
    EXPECT_EQ(nExpectedSeq.load(), 70000u + o.nTest - 1);
}

TEST(GeneratorThroughChecker, LostPacketsAreCountedExactly)
{
    TsGeneratorConfig config;
    config.nDropEvery = 10;
    const Outcome o = GenerateAndCheck(config, 3'000'000, kOddSamples);
    const uint64_t sent = o.stats.nTestPackets;
    ASSERT_GT(sent, 1000u);
    // Every tenth number is skipped; a skip shows once the next packet is in.
    EXPECT_EQ(o.stats.nLost, (sent - 1) / 9);
    EXPECT_EQ(o.nLost, o.stats.nLost);
    EXPECT_EQ(o.nTest, sent + o.stats.nLost);
    EXPECT_EQ(o.nCrc, 0u);
}

TEST(GeneratorThroughChecker, BadCrcsAreCountedExactly)
{
    TsGeneratorConfig config;
    config.nBadCrcEvery = 7;
    const Outcome o = GenerateAndCheck(config, 3'000'000, kOddSamples);
    const uint64_t sent = o.stats.nTestPackets;
    EXPECT_EQ(o.stats.nBadCrc, sent / 7);
    EXPECT_EQ(o.nCrc, o.stats.nBadCrc);
    EXPECT_EQ(o.nLost, 0u);
    EXPECT_EQ(o.nTest, sent);
}

TEST(GeneratorThroughChecker, GarbageBetweenPacketsIsSkippedWithoutLoss)
{
    TsGeneratorConfig config;
    config.nGarbageEvery = 5;
    config.nGarbageBytes = 13;
    const Outcome o = GenerateAndCheck(config, 3'000'000, kOddSamples);
    EXPECT_EQ(o.stats.nGarbageBytes, (o.stats.nPackets - 1) / 5 * 13);
    EXPECT_EQ(o.nPackets, o.stats.nPackets);
    EXPECT_EQ(o.nTest, o.stats.nTestPackets);
    EXPECT_EQ(o.nCrc, 0u);
    EXPECT_EQ(o.nLost, 0u);
}

TEST(GeneratorThroughChecker, AllImpairmentsTogetherGiveTheirOwnCounts)
{
    TsGeneratorConfig config;
    config.nPrograms = 2;
    config.nTestPerMille = 800;
    config.nDropEvery = 6;
    config.nBadCrcEvery = 4;
    config.nGarbageEvery = 3;
    config.nGarbageBytes = 64;
    const Outcome o = GenerateAndCheck(config, 2'000'000, kOddSamples);
    EXPECT_GT(o.stats.nLost, 100u);
    EXPECT_GT(o.stats.nBadCrc, 100u);
    EXPECT_EQ(o.nPackets, o.stats.nPackets);
    EXPECT_EQ(o.nLost, o.stats.nLost);
    EXPECT_EQ(o.nCrc, o.stats.nBadCrc);
    EXPECT_EQ(o.nTest, o.stats.nTestPackets + o.stats.nLost);
}

TEST(TsGenerator, StreamContinuesAcrossFillsOfAnyLength)
{
    TsGeneratorConfig config;
    config.nGarbageEvery = 4;
    config.nGarbageBytes = 9;
    config.nDropEvery = 3;
    CTsGenerator whole(config), pieces(config);
    std::vector<uint8_t> a(50000), b(50000);
    whole.Fill(a.data(), a.size());
    size_t pos = 0;
    for (size_t n : {1u, 187u, 188u, 189u, 5000u, 3u}) {
        pieces.Fill(b.data() + pos, n);
        pos += n;
    }
    pieces.Fill(b.data() + pos, b.size() - pos);
    EXPECT_EQ(a, b);
    EXPECT_EQ(whole.Stats().nPackets, pieces.Stats().nPackets);
    EXPECT_EQ(whole.Stats().nBytes, 50000u);
}

TEST(TsGenerator, StatisticsCountOnlyPacketsDeliveredWhole)
{
    CTsGenerator generator(TsGeneratorConfig{});
    uint8_t buffer[400];
    generator.Fill(buffer, 187);
    EXPECT_EQ(generator.Stats().nPackets, 0u);
    generator.Fill(buffer, 1);
    EXPECT_EQ(generator.Stats().nPackets, 1u);
    generator.Fill(buffer, 376);
    EXPECT_EQ(generator.Stats().nPackets, 3u);
}

TEST(TsGenerator, TestShareDecidesBetweenTestAndNullPackets)
{
    TsGeneratorConfig config;
    config.nPsiInterval = 100000;
    config.nTestPerMille = 250;
    CTsGenerator generator(config);
    std::vector<uint8_t> stream(188 * 4003);
    generator.Fill(stream.data(), stream.size());
    int nTest = 0, nNull = 0;
    for (size_t i = 3; i < 4003; ++i) {  // after the PAT, the PMT and the SDT
        const int pid = ((stream[i * 188 + 1] << 8) | stream[i * 188 + 2]) & 0x1FFF;
        nTest += pid == 0x100;
        nNull += pid == 0x1FFF;
    }
    EXPECT_EQ(nTest, 1000);
    EXPECT_EQ(nNull, 3000);
}

TEST(TsGenerator, DroppedStreamShowsAsLostTestPacketsAndSkippedContinuity)
{
    ResetTestStreamCounters();
    CTsGenerator generator(TsGeneratorConfig{});
    std::vector<uint8_t> stream;
    uint8_t carry[TS_CARRY_SIZE];
    int32_t nCarry = 0;
    const size_t sizes[] = {50000, 333, 188 * 40, 1, 70001};
    const uint64_t drops[] = {188 * 1000, 1, 0, 50000, 7};
    for (int round = 0; round < 6; ++round) {
        for (size_t i = 0; i < 5; ++i) {
            std::vector<uint8_t> sample(sizes[i]);
            generator.Fill(sample.data(), sample.size());
            AlignPackets(sample.data(), static_cast<int32_t>(sample.size()), carry, nCarry);
            stream.insert(stream.end(), sample.begin(), sample.end());
            generator.Drop(drops[i]);
        }
    }
    const TsGeneratorStats& stats = generator.Stats();
    ASSERT_GT(stats.nDroppedTestPackets, 1000u);
    EXPECT_EQ(stats.nDroppedBytes, stats.nDroppedPackets * 188) << "whole packets";
    EXPECT_GE(stats.nDroppedBytes, 6 * (188 * 1000 + 1 + 50000u));
    EXPECT_EQ(nCrcErrors.load(), 0u) << "the packet under way goes out whole";
    EXPECT_EQ(nLostPackets.load(), stats.nDroppedTestPackets);
    EXPECT_EQ(stats.nLost, stats.nDroppedTestPackets);
    EXPECT_EQ(stats.nBytes, stream.size());

    // A test packet's continuity counter still follows its sequence number: the dropped
    // packets used up both.
    for (size_t pos = 0; pos + 188 <= stream.size(); pos += 188) {
        const uint8_t* p = &stream[pos];
        ASSERT_EQ(p[0], 0x47) << pos;
        if ((((p[1] << 8) | p[2]) & 0x1FFF) == 0x100)
            ASSERT_EQ(p[3] & 0x0F, (p[4] - 1) & 0x0F) << pos;
    }
}
