#include "TsBuild.h"
#include "ts/HealthReport.h"
#include "ts/StreamAnalysis.h"
#include "simtuner/TsGenerator.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// Generates until a whole number of units is out, so that the Stats describe every byte.
std::vector<uint8_t> Generate(CTsGenerator& generator, size_t nBytes)
{
    std::vector<uint8_t> bytes(nBytes);
    generator.Fill(bytes.data(), bytes.size());
    for (;;) {
        const TsGeneratorStats& s = generator.Stats();
        if (s.nBytes == s.nPackets * 188 + s.nGarbageBytes)
            return bytes;
        uint8_t b;
        generator.Fill(&b, 1);
        bytes.push_back(b);
    }
}

StreamHealthSummary Analyse(const std::vector<uint8_t>& bytes, size_t cut)
{
    CStreamAnalysis analysis;
    for (size_t pos = 0; pos < bytes.size(); pos += cut)
        analysis.OnBytes(bytes.data() + pos, std::min(cut, bytes.size() - pos));
    return analysis.Summarise();
}

} // namespace

TEST(StreamGenerator, CleanStreamHasTheGeneratorsProgramsAndNoErrors)
{
    TsGeneratorConfig config;
    config.nPrograms = 3;
    config.nPsiInterval = 50;
    CTsGenerator generator(config);
    const auto bytes = Generate(generator, 188 * 5000);
    const StreamHealthSummary s = Analyse(bytes, 1316);
    EXPECT_EQ(s.nPackets, generator.Stats().nPackets);
    EXPECT_EQ(s.nCcErrors + s.nSyncLosses + s.nSkippedBytes + s.nPsiCrcErrors + s.nTeiPackets, 0u);
    EXPECT_EQ(s.nPsiSections, 100u * 5);  // a PAT, three PMTs and the SDT every 50 packets
    EXPECT_EQ(s.nTransportStreamId, 1);
    ASSERT_EQ(s.Programs.size(), 3u);
    for (uint16_t n = 1; n <= 3; ++n) {
        EXPECT_EQ(s.Programs[n - 1].nNumber, n);
        EXPECT_EQ(s.Programs[n - 1].nPmtPid, 0x1000 + n);
        EXPECT_TRUE(s.Programs[n - 1].bPmtSeen);
        ASSERT_EQ(s.Programs[n - 1].Streams.size(), 1u);
        EXPECT_EQ(s.Programs[n - 1].Streams[0].nPid, 0x100);
    }
    uint64_t nTest = 0;
    for (const PidHealth& p : s.Pids)
        nTest += p.nPid == 0x100 ? p.nPackets : 0;
    EXPECT_EQ(nTest, generator.Stats().nTestPackets);
}

TEST(StreamGenerator, ImpairmentsGiveExactCounts)
{
    // Garbage runs: each is one loss of sync and one resynchronisation.
    TsGeneratorConfig config;
    config.nGarbageEvery = 7;
    config.nGarbageBytes = 13;
    CTsGenerator garbled(config);
    const auto bytes = Generate(garbled, 188 * 3000);
    for (size_t cut : {100u, 1316u, 65536u}) {
        const StreamHealthSummary s = Analyse(bytes, cut);
        EXPECT_EQ(s.nPackets, garbled.Stats().nPackets);
        EXPECT_EQ(s.nSkippedBytes, garbled.Stats().nGarbageBytes);
        EXPECT_EQ(s.nSyncLosses, garbled.Stats().nGarbageBytes / 13);
        EXPECT_EQ(s.nResyncs, s.nSyncLosses);
        EXPECT_EQ(s.nCcErrors, 0u);
    }

    // Dropped test numbers and bad test CRCs live inside the test payload: the transport
    // layer stays whole, so the analysis sees a clean stream of exactly the packets sent.
    config = TsGeneratorConfig{};
    config.nDropEvery = 5;
    config.nBadCrcEvery = 3;
    CTsGenerator payloadImpaired(config);
    StreamHealthSummary s = Analyse(Generate(payloadImpaired, 188 * 3000), 4096);
    EXPECT_GT(payloadImpaired.Stats().nLost, 0u);
    EXPECT_EQ(s.nPackets, payloadImpaired.Stats().nPackets);
    EXPECT_EQ(s.nCcErrors + s.nPsiCrcErrors, 0u);

    // Packets really lost on the way: one continuity error per lost packet; a corrupted
    // PAT: one CRC error each.
    CTsGenerator clean(TsGeneratorConfig{});
    auto stream = Generate(clean, 188 * 4000);
    std::vector<uint8_t> lossy;
    uint64_t nDropped = 0, nCorrupted = 0;
    for (size_t i = 0; i < stream.size() / 188; ++i) {
        uint8_t* p = stream.data() + 188 * i;
        const uint16_t pid = static_cast<uint16_t>((p[1] & 0x1F) << 8 | p[2]);
        if (pid == 0x100 && i % 37 == 0) {
            ++nDropped;
            continue;
        }
        if (pid == 0 && i % 2000 == 0) {
            p[20] ^= 0x40;
            ++nCorrupted;
        }
        lossy.insert(lossy.end(), p, p + 188);
    }
    s = Analyse(lossy, 188 * 7);
    EXPECT_GT(nDropped, 10u);
    EXPECT_EQ(s.nCcErrors, nDropped);
    EXPECT_EQ(nCorrupted, 2u);
    EXPECT_EQ(s.nPsiCrcErrors, nCorrupted);
}

TEST(StreamGenerator, BitratesByArrivalAndByPcr)
{
    // 1000 packets a second by arrival: one run of 10 packets every 10 ms for 3 s.
    CTsGenerator generator(TsGeneratorConfig{});
    const auto bytes = Generate(generator, 188 * 3001);
    CStreamAnalysis arrival;
    for (size_t run = 0; run * 1880 < 188 * 3000; ++run)
        arrival.OnBytes(bytes.data() + run * 1880, 1880, static_cast<int64_t>(run) * 10000);
    StreamHealthSummary s = arrival.Summarise();
    EXPECT_EQ(s.Arrival.nAverageBps, 1504000u);
    EXPECT_EQ(s.Arrival.nPeakBps, 1504000u);
    EXPECT_EQ(s.Arrival.nMeasuredMs, 2990u);

    // A PCR every 10 packets at 2000 packets a second; the clock wraps on the way and one
    // discontinuity starts a new run at a far-off value.
    CStreamAnalysis pcr;
    const uint64_t wrap = (uint64_t{1} << 33) * 300;
    uint64_t clock = wrap - 27000000;
    for (int i = 0; i < 6000; ++i) {
        Packet p = MakePacket(0x31, static_cast<uint8_t>(i));
        if (i % 10 == 0) {
            const bool bJump = i == 3000;
            if (bJump)
                clock = 12345;
            AddAdaptation(p, static_cast<uint8_t>(bJump ? 0x90 : 0x10), 7);
            PutPcr(p.data(), clock);
            clock = (clock + 135000) % wrap;
        }
        pcr.OnPacket(p.data());
    }
    s = pcr.Summarise();
    EXPECT_EQ(s.nPcrPid, 0x31);
    EXPECT_EQ(s.Pcr.nAverageBps, 3008000u);
    EXPECT_EQ(s.Pcr.nPeakBps, 3008000u);
    EXPECT_EQ(s.Pcr.nMeasuredMs, 2990u);  // two runs of 299 steps of 5 ms
    EXPECT_EQ(s.Arrival.nMeasuredMs, 0u);
    EXPECT_EQ(s.nCcErrors, 0u);
}

TEST(StreamGenerator, ProgressIsReadableWhileAnotherThreadFeeds)
{
    TsGeneratorConfig config;
    config.nGarbageEvery = 11;
    config.nGarbageBytes = 5;
    CTsGenerator generator(config);
    const auto bytes = Generate(generator, 188 * 20000);
    CStreamAnalysis analysis;
    std::thread feeder([&] {
        for (size_t pos = 0; pos < bytes.size(); pos += 1000)
            analysis.OnBytes(bytes.data() + pos, std::min<size_t>(1000, bytes.size() - pos));
    });
    StreamProgress last;
    for (;;) {
        const StreamProgress now = analysis.Progress();
        EXPECT_GE(now.nPackets, last.nPackets);
        EXPECT_GE(now.nSyncLosses, last.nSyncLosses);
        last = now;
        if (now.nPackets == generator.Stats().nPackets)
            break;
        std::this_thread::yield();
    }
    feeder.join();
    EXPECT_EQ(analysis.Progress().nSyncLosses, generator.Stats().nGarbageBytes / 5);
    EXPECT_EQ(analysis.Summarise().nPackets, last.nPackets);
}

TEST(StreamReport, TextAndJsonCarryTheSameFigures)
{
    StreamHealthSummary s;
    s.nPackets = 12345;
    s.nCcErrors = 7;
    s.nPcrPid = 0x31;
    s.Pcr = {3008000, 3100000, 2990};
    s.Programs.push_back({1, 0x1001, true, 0x31, {{0x02, 0x31}}});
    s.Services.push_back({1, 1, "Quote\" back\\slash\n\x01", "utf-8", "P\\xE9", "iso-6937"});
    s.Pids.push_back({0x31, 12345, 7, 0, true});
    const std::string json = FormatHealthJson(s);
    EXPECT_NE(json.find("\"packets\":12345,"), std::string::npos);
    EXPECT_NE(json.find("\"cc_errors\":7,"), std::string::npos);
    EXPECT_NE(json.find("\"bitrate_pcr\":{\"pid\":49,\"average_bps\":3008000,\"peak_bps\":3100000,\"measured_ms\":2990}"),
              std::string::npos);
    EXPECT_NE(json.find("\"name\":\"Quote\\\" back\\\\slash\\n\\u0001\""), std::string::npos);
    EXPECT_NE(json.find("\"provider\":\"P\\\\xE9\""), std::string::npos);
    EXPECT_NE(json.find("\"streams\":[{\"pid\":49,\"type\":2,\"type_name\":\"MPEG-2 video\",\"kind\":\"video\"}]"),
              std::string::npos);
    EXPECT_NE(json.find("\"pids\":[{\"pid\":49,\"packets\":12345,\"cc_errors\":7,\"scrambled\":0,\"pcr\":true}]}"),
              std::string::npos);
    const std::string text = FormatHealthText(s);
    EXPECT_NE(text.find("Continuity errors    7\n"), std::string::npos);
    EXPECT_NE(text.find("average 3008000 bit/s, peak 3100000 bit/s over 2990 ms (PCR PID 0x0031)"), std::string::npos);
    EXPECT_NE(text.find("PMT 0x1001  PCR 0x0031  streams 0x0031/type 0x02 (MPEG-2 video)\n"), std::string::npos);
    EXPECT_NE(text.find("Bitrate by arrival   not measured"), std::string::npos);
}
