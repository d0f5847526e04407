#include "capture/CaptureReport.h"
#include "ts/HealthReport.h"
#include "ts/StreamAnalysis.h"
#include "cli/ScanServices.h"
#include "native/ts/TsBuild.h"
#include "ts/HtmlReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <sstream>

namespace {

// A PMT entry: stream type, PID and the descriptor tags it carries (each with two bytes).
struct Es {
    uint8_t nType;
    uint16_t nPid;
    std::vector<uint8_t> Tags;
};

std::vector<Packet> Tables(const std::vector<std::pair<uint16_t, std::vector<Es>>>& programs, uint8_t cc = 0)
{
    std::vector<uint8_t> pat;
    std::vector<Packet> packets;
    for (size_t i = 0; i < programs.size(); ++i) {
        Append(pat, Be16(programs[i].first));
        Append(pat, Be16(static_cast<uint16_t>(0xE000 | (0x1000 + i))));
    }
    packets = Packetise(0, MakeSection(0x00, 1, pat), cc);
    for (size_t i = 0; i < programs.size(); ++i) {
        std::vector<uint8_t> pmt = Be16(static_cast<uint16_t>(0xE000 | programs[i].second[0].nPid));
        Append(pmt, Be16(0xF000));
        for (const Es& es : programs[i].second) {
            pmt.push_back(es.nType);
            Append(pmt, Be16(static_cast<uint16_t>(0xE000 | es.nPid)));
            Append(pmt, Be16(static_cast<uint16_t>(0xF000 | es.Tags.size() * 4)));
            for (uint8_t tag : es.Tags)
                Append(pmt, {tag, 2, 0x65, 0x6E});
        }
        const auto more = Packetise(static_cast<uint16_t>(0x1000 + i), MakeSection(0x02, programs[i].first, pmt), cc);
        packets.insert(packets.end(), more.begin(), more.end());
    }
    return packets;
}

// A payload packet carrying a PCR of nPcr 27 MHz ticks.
Packet PcrPacket(uint16_t pid, uint8_t cc, uint64_t nPcr)
{
    Packet p = MakePacket(pid, cc);
    AddAdaptation(p, 0x10, 7);
    PutPcr(p.data(), nPcr);
    return p;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(StreamTypes, PrivateDataIsNamedByItsDescriptorInScanAnalyzeAndReport)
{
    const auto packets = Tables({{5, {{0x02, 0x100, {}}, {0x06, 0x101, {0x0A, 0x6A}}, {0x06, 0x102, {0x7A}},
                                      {0x06, 0x103, {0x56}}, {0x06, 0x104, {0x59}}, {0x06, 0x105, {}}}}});
    CStreamAnalysis analysis;
    CScanServiceCollector scan;
    for (const Packet& p : packets) {
        analysis.OnPacket(p.data());
        scan.OnPacket(p.data());
    }
    const StreamHealthSummary s = analysis.Summarise();
    const std::string text = FormatHealthText(s);
    EXPECT_NE(text.find("0x0100/type 0x02 (MPEG-2 video) 0x0101/type 0x06 (AC-3) 0x0102/type 0x06 (E-AC-3) "
                        "0x0103/type 0x06 (teletext) 0x0104/type 0x06 (DVB subtitles) 0x0105/type 0x06 (private data)"),
              std::string::npos)
        << text;
    EXPECT_NE(FormatHealthJson(s).find(R"("pid":257,"type":6,"type_name":"AC-3","kind":"audio")"), std::string::npos);
    const std::vector<ScanService> services = scan.Services();
    ASSERT_EQ(services.size(), 1u);
    EXPECT_EQ(services[0].VideoPids, std::vector<uint16_t>{0x100});
    EXPECT_EQ(services[0].AudioPids, (std::vector<uint16_t>{0x101, 0x102}));
}

TEST(StreamTimeline, FollowsThePcrAndSplitsTheServices)
{
    // Two programs, 1000 packets a second by the PCR of PID 0x100 for 10 s; one packet of
    // program 2 goes missing in second 6.
    auto stream = Tables({{1, {{0x02, 0x100, {}}}}, {2, {{0x02, 0x200, {}}}}});
    uint8_t cc1 = 0, cc2 = 0;
    for (int i = 0; i < 10000; ++i) {
        if (i % 10 == 0)
            stream.push_back(PcrPacket(0x100, cc1++, static_cast<uint64_t>(i) * 27000));
        else if (i % 2 == 0)
            stream.push_back(MakePacket(0x100, cc1++));
        else if (i != 6001)
            stream.push_back(MakePacket(0x200, cc2++));
        else
            ++cc2;
    }
    CStreamAnalysis analysis;
    for (const Packet& p : stream)
        analysis.OnPacket(p.data());
    analysis.EndOfStream();
    const StreamHealthSummary s = analysis.Summarise();
    const CStreamTimeline& t = analysis.Timeline();
    EXPECT_EQ(t.SpanUs(), 9990000u);
    ASSERT_EQ(t.Bins().Count(), 10u);
    uint64_t nErrors = 0, nSeries[TIMELINE_SERIES] = {};
    for (size_t i = 0; i < t.Bins().Count(); ++i) {
        nErrors += t.Bins()[i].nErrors[0];
        for (size_t k = 0; k < TIMELINE_SERIES; ++k)
            nSeries[k] += t.Bins()[i].nSeriesBytes[k];
    }
    EXPECT_EQ(t.Bins()[6].nErrors[0], 1u);
    EXPECT_EQ(nErrors, s.nCcErrors);
    // The series hold exactly the packets the PID table counts: each program its PMT and
    // streams (read before their packets came), the rest the tables.
    auto packetsOf = [&](uint16_t pid) {
        for (const PidHealth& p : s.Pids)
            if (p.nPid == pid)
                return p.nPackets * 188;
        return uint64_t{0};
    };
    EXPECT_EQ(nSeries[0], packetsOf(0x100) + packetsOf(0x1000));
    EXPECT_EQ(nSeries[1], packetsOf(0x200) + packetsOf(0x1001));
    EXPECT_EQ(nSeries[0] + nSeries[1] + nSeries[TIMELINE_OTHER], s.nBytes);
    // Whole seconds: 500 + 500 packets, and one fewer in second 6.
    EXPECT_EQ(t.Bins()[3].nMaxSecondBytes, 1000u * 188);
    EXPECT_EQ(t.Bins()[6].nMinSecondBytes, 999u * 188);
}

TEST(StreamTimeline, ADayStaysBoundedAndKeepsOneSecondSpikesAndErrors)
{
    CStreamTimeline stream;
    CSignalTimeline signal;
    const int64_t start = 5000000;
    for (uint64_t sec = 0; sec < 86400; ++sec) {
        const int64_t at = start + static_cast<int64_t>(sec * 1000000);
        StreamBin counts;
        counts.nSeriesBytes[0] = sec == 43210 ? 9000000 : 2500000;
        counts.nSeriesBytes[TIMELINE_OTHER] = 100000;
        counts.nBytes = counts.nSeriesBytes[0] + 100000;
        counts.nErrors[static_cast<size_t>(StreamErrorKind::Crc)] = sec == 77777 ? 3 : 0;
        stream.Flush(at + 999000, counts);
        for (int tick = 0; tick < 5; ++tick)
            signal.Sample(at + tick * 200000, sec != 60000, 80, sec == 60000 ? 12 : 90, sec >= 70000 ? 4096 : 0);
    }
    const auto& bins = stream.Bins();
    EXPECT_LE(bins.Count(), TIMELINE_BINS);
    EXPECT_EQ(bins.WidthUs(), 128000000u);
    uint64_t nBytes = 0, nCrc = 0;
    for (size_t i = 0; i < bins.Count(); ++i) {
        nBytes += bins[i].nBytes;
        nCrc += bins[i].nErrors[static_cast<size_t>(StreamErrorKind::Crc)];
    }
    EXPECT_EQ(nBytes, uint64_t{86399} * 2600000 + 9100000);
    EXPECT_EQ(nCrc, 3u);
    EXPECT_EQ(bins[77777 / 128].nErrors[static_cast<size_t>(StreamErrorKind::Crc)], 3u);
    EXPECT_EQ(bins[43210 / 128].nMaxSecondBytes, 9100000u);
    EXPECT_EQ(bins[43210 / 128].nMinSecondBytes, 2600000u);
    const SignalBin& dip = signal.Bins()[60000 / 128];
    EXPECT_EQ(dip.nMinQuality, 12);
    EXPECT_EQ(dip.nMaxQuality, 90);
    EXPECT_LT(dip.nLocked, dip.nSamples);
    EXPECT_EQ(signal.DroppedBytes(), 4096u);

    StreamHealthSummary summary;
    summary.nBytes = nBytes;
    summary.nPackets = nBytes / 188;
    StreamReportInput input{"C:\\Recordings\\day.ts", &summary, &stream, &signal, true};
    const std::string page = FormatHtmlReport(input);
    std::printf("report of a simulated 24-hour capture: %zu bytes\n", page.size());
    EXPECT_LT(page.size(), 2u * 1024 * 1024);
    EXPECT_NE(page.find("id=\"marks-crc\" class=\"marks\" data-total=\"3\""), std::string::npos);
    EXPECT_NE(page.find("id=\"marks-drop\" class=\"marks\" data-total=\"4096\""), std::string::npos);
    EXPECT_NE(page.find("class=\"partly\""), std::string::npos);
}

TEST(HtmlReport, EscapesBroadcastTextAndLoadsNothingFromElsewhere)
{
    auto stream = Tables({{1, {{0x1B, 0x100, {}}, {0x06, 0x101, {0x6A}}}}});
    std::vector<uint8_t> sdt = Be16(1);
    sdt.push_back(0xFF);
    const std::string name = "<script>alert(1)</script> & \"Co\"";
    std::vector<uint8_t> body{0x48, static_cast<uint8_t>(3 + 2 + name.size()), 0x01, 2, 'P', 'r',
                              static_cast<uint8_t>(name.size())};
    body.insert(body.end(), name.begin(), name.end());
    Append(sdt, Be16(1));
    sdt.push_back(0xFC);
    Append(sdt, Be16(static_cast<uint16_t>(0x8000 | body.size())));
    Append(sdt, body);
    const auto sdtPackets = Packetise(0x11, MakeSection(0x42, 1, sdt));
    stream.insert(stream.end(), sdtPackets.begin(), sdtPackets.end());
    CStreamAnalysis analysis;
    int64_t at = 0;
    for (const Packet& p : stream)
        analysis.OnBytes(p.data(), p.size(), at += 100000);
    const std::string path = testing::TempDir() + "report-escape.html";
    std::string error;
    ASSERT_TRUE(WriteStreamReport(path, "a<b>.ts", analysis, nullptr, false, &error)) << error;
    const std::string page = ReadFile(path);
    std::remove(path.c_str());
    EXPECT_EQ(page.find("<script>alert"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt; &amp; &quot;Co&quot;"), std::string::npos);
    EXPECT_NE(page.find("Stream report: a&lt;b&gt;.ts"), std::string::npos);
    EXPECT_NE(page.find("0x0101 AC-3"), std::string::npos);
    for (const char* external : {"src=", "href=", "url(", "@import", "http"})
        EXPECT_EQ(page.find(external), std::string::npos) << external;
    EXPECT_NE(page.find("id=\"series-service-0\""), std::string::npos);
    EXPECT_EQ(page.find("id=\"chart-signal\""), std::string::npos);  // a file has no tuner samples
}

TEST(CaptureReport, LogsOneFlushedLineASecond)
{
    const std::string path = testing::TempDir() + "capture-log.csv";
    CCaptureReport report;
    std::string error;
    ASSERT_TRUE(report.OpenLog(path, &error)) << error;
    CaptureTick tick;
    for (int i = 0; i <= 16; ++i) {  // 3.2 s of 200 ms ticks, 250 kB a tick
        tick.nNowUs = 1000000 + i * 200000;
        tick.nBytes = static_cast<uint64_t>(i) * 250000;
        tick.bLocked = i != 7;
        tick.nStrength = 70;
        tick.nQuality = 60 + i;
        tick.Stream.nCcErrors = i >= 8 ? 2 : 0;
        report.Tick(tick);
    }
    // Read while the log is still open: every line is already on disk.
    EXPECT_EQ(ReadFile(path), CaptureLogHeader() +
                                  "1.0,1250000,10.000,1,70,65,0,0,0,0,0\n"
                                  "2.0,2500000,10.000,1,70,70,2,0,0,0,0\n"
                                  "3.0,3750000,10.000,1,70,75,2,0,0,0,0\n");
    std::remove(path.c_str());
}

namespace {

// The number that follows the last of the texts, each found after the one before.
int64_t NumberAfter(const std::string& text, std::initializer_list<const char*> path)
{
    size_t at = 0;
    for (const char* pszPart : path) {
        at = text.find(pszPart, at);
        if (at == std::string::npos)
            return INT64_MIN;
        at += std::strlen(pszPart);
    }
    while (at < text.size() && text[at] == ' ')
        ++at;
    return std::strtoll(text.c_str() + at, nullptr, 10);
}

} // namespace

TEST(StreamReport, EveryFigureOfTheTextIsItsJsonTwin)
{
    // One stream whose counts all differ: 3 bytes before the first packet; 3 sync losses
    // (5, 6 and 7 bytes of garbage, the last at the end), so 2 resynchronisations; 4 packets
    // with the error indicator, 5 scrambled, 6 counter skips, 7 good sections, 8 bad ones.
    std::vector<Packet> stream = Tables({{3, {{0x02, 0x100, {}}, {0x04, 0x101, {}}}}});
    const std::vector<uint8_t> sdt = MakeSection(0x42, 1, {0x00, 0x01, 0xFF});
    std::vector<uint8_t> badSdt = sdt;
    badSdt[9] ^= 0x01;
    uint8_t cc100 = 0, cc101 = 0, cc11 = 0;
    for (int i = 0; i < 300; ++i) {
        if (i % 10 == 0) {
            cc100 += i % 50 == 10 ? 2 : 0;  // 6 skips: at 10, 60, ..., 260
            stream.push_back(PcrPacket(0x100, cc100++, static_cast<uint64_t>(i) * 270000));
        } else if (i % 2 == 0) {
            stream.push_back(MakePacket(0x100, cc100++));
        } else {
            stream.push_back(MakePacket(0x101, cc101++));
            if (i % 60 == 1)
                stream.back()[3] |= 0xC0;
        }
        if (i % 20 == 5 && i < 260)
            stream.push_back(Packetise(0x11, i < 100 ? sdt : badSdt, cc11++)[0]);
        if (i % 75 == 7) {
            stream.push_back(MakePacket(0x102, 0));
            stream.back()[1] |= 0x80;
        }
    }
    std::vector<uint8_t> bytes = {0x01, 0x02, 0x03};
    for (size_t i = 0; i < stream.size(); ++i) {
        if (i == 100 || i == 200)
            bytes.insert(bytes.end(), i == 100 ? 5 : 6, 0x00);
        bytes.insert(bytes.end(), stream[i].begin(), stream[i].end());
    }
    bytes.insert(bytes.end(), 7, 0x00);
    CStreamAnalysis analysis;
    int64_t nArrivalUs = 0;
    for (size_t pos = 0; pos < bytes.size(); pos += 1880)
        analysis.OnBytes(bytes.data() + pos, std::min<size_t>(1880, bytes.size() - pos), nArrivalUs += 100000);
    StreamHealthSummary s = analysis.Summarise();
    s.Recording = {true, "T", "t", "o.ts", 9, 4567, "size", 8, 123456789, 2222, 11, 13, 17, 67108864, 1048576, 19};

    struct Twin {
        std::initializer_list<const char*> Text, Json;
        int64_t nExpected;  // INT64_MIN: whatever the analysis measured, the same in both
    };
    const uint64_t nPackets = stream.size();
    const Twin twins[] = {
        {{"\n  Bytes "}, {"{\"bytes\":"}, static_cast<int64_t>(nPackets * 188 + 21)},
        {{"\n  Packets "}, {"\"packets\":"}, static_cast<int64_t>(nPackets)},
        {{"Skipped bytes "}, {"\"skipped_bytes\":"}, 21},
        {{"Sync losses "}, {"\"sync_losses\":"}, 3},
        {{"(resynchronised "}, {"\"resyncs\":"}, 2},
        {{"Transport errors "}, {"\"tei_packets\":"}, 4},
        {{"Scrambled packets "}, {"\"scrambled_packets\":"}, 5},
        {{"Continuity errors "}, {"\"cc_errors\":"}, 6},
        {{"PSI sections "}, {"\"psi_sections\":"}, 7},
        {{"(CRC errors "}, {"\"psi_crc_errors\":"}, 8},
        {{"Bitrate by arrival", "average "}, {"\"bitrate_arrival\"", "\"average_bps\":"}, INT64_MIN},
        {{"Bitrate by arrival", "peak "}, {"\"bitrate_arrival\"", "\"peak_bps\":"}, INT64_MIN},
        {{"Bitrate by arrival", "over "}, {"\"bitrate_arrival\"", "\"measured_ms\":"}, INT64_MIN},
        {{"Bitrate by PCR", "average "}, {"\"bitrate_pcr\"", "\"average_bps\":"}, INT64_MIN},
        {{"Bitrate by PCR", "peak "}, {"\"bitrate_pcr\"", "\"peak_bps\":"}, INT64_MIN},
        {{"Bitrate by PCR", "over "}, {"\"bitrate_pcr\"", "\"measured_ms\":"}, INT64_MIN},
        {{"Transport stream id "}, {"\"transport_stream_id\":"}, 1},
        {{"  Output ", "("}, {"\"parts\":"}, 9},
        {{"Duration "}, {"\"duration_ms\":"}, 4567},
        {{"exit code "}, {"\"exit_code\":"}, 8},
        {{"Bytes written "}, {"\"bytes_written\":"}, 123456789},
        {{"Dropped, slow output "}, {"\"bytes_dropped\":"}, 2222},
        {{"Dropped, slow output ", "bytes, "}, {"\"samples_dropped\":"}, 11},
        {{"Dropped, slow output ", "samples, "}, {"\"drop_events\":"}, 13},
        {{"Skipped, not written "}, {"\"skipped_not_written\":"}, 17},
        {{"Buffer highest fill "}, {"\"buffer_highest\":"}, 1048576},
        {{"Buffer highest fill ", " of "}, {"\"buffer_bytes\":"}, 67108864},
        {{"Output blocked "}, {"\"longest_block_ms\":"}, 19},
    };
    const std::string text = FormatHealthText(s);
    const std::string json = FormatHealthJson(s);
    for (const Twin& twin : twins) {
        const int64_t nText = NumberAfter(text, twin.Text), nJson = NumberAfter(json, twin.Json);
        EXPECT_EQ(nText, nJson) << *twin.Text.begin() << "\n" << text << json;
        EXPECT_NE(nText, INT64_MIN) << *twin.Text.begin();
        if (twin.nExpected != INT64_MIN)
            EXPECT_EQ(nText, twin.nExpected) << *twin.Text.begin();
    }
    EXPECT_GT(s.Arrival.nPeakBps, 0u);
    EXPECT_GT(s.Pcr.nPeakBps, 0u);
    for (const PidHealth& p : s.Pids) {
        char row[96], object[128];
        std::snprintf(row, sizeof(row), "\n  0x%04X  %llu  %llu  %llu  %s\n", p.nPid,
                      static_cast<unsigned long long>(p.nPackets), static_cast<unsigned long long>(p.nCcErrors),
                      static_cast<unsigned long long>(p.nScrambled), p.bPcr ? "yes" : "no");
        std::snprintf(object, sizeof(object), "{\"pid\":%u,\"packets\":%llu,\"cc_errors\":%llu,\"scrambled\":%llu,"
                      "\"pcr\":%s}", p.nPid, static_cast<unsigned long long>(p.nPackets),
                      static_cast<unsigned long long>(p.nCcErrors), static_cast<unsigned long long>(p.nScrambled),
                      p.bPcr ? "true" : "false");
        EXPECT_NE(text.find(row), std::string::npos) << row;
        EXPECT_NE(json.find(object), std::string::npos) << object;
    }
    EXPECT_EQ(s.Pids.size(), 6u);  // PAT, SDT, PMT, two streams and the errored PID
}
