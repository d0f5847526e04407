// What the stream report costs on top of the analysis: a stream of 1 GB (by default) fed as
// a file is read, with a PCR on one PID so that the timeline's clock moves, analysed alone
// and analysed with the report written; then the page sizes of that run and of a simulated
// 24-hour capture (86400 one-second steps, every service series and the tuner's samples
// five times a second).
//   bench_report [MB per run, default 1024]
#include "capture/CaptureReport.h"
#include "ts/StreamAnalysis.h"
#include "capture/TsPacketChecker.h"
#include "ts/HtmlReport.h"
#include "native/ts/TsBuild.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr size_t MB = 1048576;
constexpr size_t CHUNK = 1 << 20;              // as qltscap analyze reads a file
constexpr size_t PACKETS = 16 * 20000;         // 60 MB, beyond the caches; counters wrap whole
constexpr uint64_t PACKETS_PER_SECOND = 10000; // about 15 Mbit/s by the PCR
constexpr int ROUNDS = 5;

using Clock = std::chrono::steady_clock;

// A PAT naming two programs, their PMTs, and payload on four PIDs; a PCR every 40 packets.
std::vector<uint8_t> MakeRing()
{
    std::vector<uint8_t> ring(PACKETS * 188, 0xA5);
    uint8_t cc[0x2000] = {};
    for (size_t i = 0; i < PACKETS; ++i) {
        uint8_t* p = ring.data() + 188 * i;
        const size_t k = i % 400;
        const uint16_t pid = k == 0 ? 0 : k == 1 ? 0x1000 : k == 2 ? 0x1001 : static_cast<uint16_t>(0x100 + k % 4);
        p[0] = 0x47;
        p[1] = static_cast<uint8_t>((k < 3 ? 0x40 : 0) | pid >> 8);
        p[2] = static_cast<uint8_t>(pid);
        p[3] = static_cast<uint8_t>(0x10 | (cc[pid]++ & 0x0F));
        if (k < 3) {
            std::memset(p + 4, 0xFF, 184);
            const uint16_t nProgram = static_cast<uint16_t>(k);
            const uint8_t pat[] = {0x00, 0xB0, 0x11, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x01, 0xF0, 0x00, 0x00, 0x02, 0xF0, 0x01};
            const uint8_t pmt[] = {0x02, 0xB0, 0x17, 0x00, static_cast<uint8_t>(nProgram), 0xC1, 0x00, 0x00,
                                   0xE1, static_cast<uint8_t>(nProgram == 1 ? 0x00 : 0x02), 0xF0, 0x00,
                                   0x02, 0xE1, static_cast<uint8_t>(nProgram == 1 ? 0x00 : 0x02), 0xF0, 0x00,
                                   0x04, 0xE1, static_cast<uint8_t>(nProgram == 1 ? 0x01 : 0x03), 0xF0, 0x00};
            const uint8_t* s = k == 0 ? pat : pmt;
            const size_t n = k == 0 ? sizeof(pat) : sizeof(pmt);
            p[4] = 0;
            std::memcpy(p + 5, s, n);
            PutSectionCrc(p + 5, n);
        } else if (pid == 0x100 && i % 40 == 4) {
            const uint64_t pcr = i * 27000000 / PACKETS_PER_SECOND;
            p[3] |= 0x20;
            p[4] = 7;
            p[5] = 0x10;
            PutPcr(p, pcr);
        }
    }
    return ring;
}

// Feeds total bytes of the ring; the PCR clock of each pass is set apart by a
// discontinuity-free step, as one long recording. Returns seconds taken.
double Feed(CStreamAnalysis& analysis, std::vector<uint8_t>& ring, size_t total)
{
    const auto start = Clock::now();
    for (size_t done = 0, pos = 0; done < total;) {
        const size_t n = std::min(CHUNK, ring.size() - pos);
        analysis.OnBytes(ring.data() + pos, n);
        pos = pos + n == ring.size() ? 0 : pos + n;
        done += n;
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    const size_t total = (argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1024) * MB;
    const std::string page = argc > 2 ? argv[2] : "bench_report.html";
    std::vector<uint8_t> ring = MakeRing();
    double alone = 1e9, withReport = 1e9;
    for (int round = 0; round < ROUNDS; ++round) {
        {
            CStreamAnalysis analysis;
            const double t = Feed(analysis, ring, total);
            (void)analysis.Summarise();
            alone = std::min(alone, t);
        }
        CStreamAnalysis analysis;
        const auto start = Clock::now();
        Feed(analysis, ring, total);
        std::string error;
        if (!WriteStreamReport(page, "bench.ts", analysis, nullptr, false, &error)) {
            std::fprintf(stderr, "bench_report: %s\n", error.c_str());
            return 1;
        }
        withReport = std::min(withReport, std::chrono::duration<double>(Clock::now() - start).count());
    }
    FILE* pFile = std::fopen(page.c_str(), "rb");
    long nShort = 0;
    if (pFile) {
        std::fseek(pFile, 0, SEEK_END);
        nShort = std::ftell(pFile);
        std::fclose(pFile);
    }
    std::printf("analysis alone:       %8.0f MB/s (%.3f s for %zu MB)\n", total / MB / alone, alone, total / MB);
    std::printf("analysis with report: %8.0f MB/s (%.3f s), %+.1f %%\n", total / MB / withReport, withReport,
                (withReport / alone - 1) * 100);

    // A day: every service series busy, a spike, errors now and then, the tuner sampled five
    // times a second with a quality dip.
    CStreamTimeline stream;
    CSignalTimeline signal;
    for (uint64_t sec = 0; sec < 86400; ++sec) {
        StreamBin counts;
        for (size_t s = 0; s < TIMELINE_SERIES; ++s) {
            counts.nSeriesBytes[s] = 200000 + (sec * 7919 + s * 104729) % 50000 + (sec == 40000 ? 1000000 : 0);
            counts.nBytes += counts.nSeriesBytes[s];
        }
        if (sec % 97 == 0)
            counts.nErrors[sec % STREAM_ERROR_KINDS] = 1;
        stream.Flush(static_cast<int64_t>(sec * 1000000 + 999000), counts);
        for (int tick = 0; tick < 5; ++tick)
            signal.Sample(static_cast<int64_t>(sec * 1000000 + tick * 200000), sec % 5000 != 0, 70 + sec % 7,
                          sec % 3000 < 20 ? 30 : 85, sec / 600 * 1316);
    }
    StreamHealthSummary day;
    for (uint16_t n = 1; n < TIMELINE_SERIES; ++n)
        day.Programs.push_back({n, static_cast<uint16_t>(0x1000 + n), true, 0x100, {{0x02, 0x100}, {0x06, 0x101, 0x6A}}});
    day.nPackets = 1;
    StreamReportInput input{"C:\\Recordings\\day.ts", &day, &stream, &signal, true};
    std::printf("report sizes: %ld bytes for this run, %zu bytes for a simulated 24-hour capture\n", nShort,
                FormatHtmlReport(input).size());
    return 0;
}
