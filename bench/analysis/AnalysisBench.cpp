// Throughput of the stream health analysis alone, fed the way the sink receives samples:
// a stream with every packet on one PID, and one spread over 20 PIDs (with a PAT and a
// PMT among them, so that sections are gathered and checked too).
//   bench_analysis [MB per run, default 256]
#include "ts/StreamAnalysis.h"
#include "capture/TsPacketChecker.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr size_t MB = 1048576;
constexpr size_t SAMPLE = 348 * 188;          // 65,424 bytes, as a tuner delivers them
constexpr size_t PACKETS = 20 * 16 * 550;     // 33 MB, beyond the caches; counters wrap whole
constexpr int ROUNDS = 9;                     // best of many: other load only slows a run

using Clock = std::chrono::steady_clock;

// One packet: the PAT and a PMT are real sections, the others carry payload only.
void MakePacket(uint8_t* p, uint16_t pid, uint8_t cc)
{
    std::memset(p, 0xA5, 188);
    p[0] = 0x47;
    p[1] = static_cast<uint8_t>(0x40 | pid >> 8);
    p[2] = static_cast<uint8_t>(pid);
    p[3] = static_cast<uint8_t>(0x10 | (cc & 0x0F));
    if (pid != 0 && pid != 0x20)
        return;
    std::memset(p + 4, 0xFF, 184);
    p[4] = 0;
    uint8_t* s = p + 5;
    const uint8_t pat[] = {0x00, 0xB0, 0x0D, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x01, 0xE0, 0x20};
    const uint8_t pmt[] = {0x02, 0xB0, 0x12, 0x00, 0x01, 0xC1, 0x00, 0x00, 0xE0, 0x21,
                           0xF0, 0x00, 0x02, 0xE0, 0x21, 0xF0, 0x00};
    const size_t n = pid == 0 ? sizeof(pat) : sizeof(pmt);
    std::memcpy(s, pid == 0 ? pat : pmt, n);
    PutSectionCrc(s, n);
}

std::vector<uint8_t> MakeRing(unsigned nPids)
{
    std::vector<uint8_t> ring(PACKETS * 188);
    std::vector<uint8_t> cc(nPids, 0);
    for (size_t i = 0; i < PACKETS; ++i) {
        const unsigned k = static_cast<unsigned>(i % nPids);
        const uint16_t pid = nPids == 1 ? 0x100 : static_cast<uint16_t>(k == 0 ? 0 : 0x1F + k);
        MakePacket(ring.data() + 188 * i, pid, cc[k]++);
    }
    return ring;
}

double Run(const std::vector<uint8_t>& ring, size_t total, uint64_t& nCcErrors)
{
    double best = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        CStreamAnalysis analysis;
        const auto start = Clock::now();
        size_t done = 0, pos = 0;
        int64_t nTime = 0;
        while (done < total) {
            const size_t n = std::min(SAMPLE, ring.size() - pos);
            analysis.OnBytes(ring.data() + pos, n, nTime += 350);
            pos = pos + n == ring.size() ? 0 : pos + n;
            done += n;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        best = std::max(best, static_cast<double>(done) / MB / seconds);
        nCcErrors = analysis.Summarise().nCcErrors;
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const size_t total = (argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256) * MB;
    for (unsigned nPids : {1u, 20u}) {
        const std::vector<uint8_t> ring = MakeRing(nPids);
        uint64_t nCcErrors = 0;
        const double mbps = Run(ring, total, nCcErrors);
        std::printf("analysis, %2u PID%s: %8.0f MB/s (continuity errors %llu)\n", nPids, nPids == 1 ? " " : "s", mbps,
                    static_cast<unsigned long long>(nCcErrors));
        if (nCcErrors != 0)
            return 1;
    }
    return 0;
}
