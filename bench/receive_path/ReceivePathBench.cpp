// Throughput of the sink's receive path without the media sample around it: every sample
// goes through the sink's own CReceivePath (written through the capture state, aligned and
// checked), against a plain fwrite loop writing the same samples to the same kind of file.
// Also the checker alone on a stream whose every packet is on the test PID.
//   bench_receive_path [file path] [MB per run, default 128]
#include "bench/AllocationCount.h"
#include "capture/ReceivePath.h"
#include "simtuner/TsGenerator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr size_t MB = 1048576;
// Larger than the caches, so the data comes from memory; whole packets and whole samples
// of 65,424 bytes, so the test stream wraps to sequence 1 cleanly.
constexpr size_t RING = 65424 * 512;
constexpr int ROUNDS = 15;  // short runs, best of many: other load on the machine only slows a run

// Where sample number i lies in the ring.
size_t Offset(size_t i, size_t sample)
{
    return i % (RING / sample) * sample;
}

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> MakeStream(uint32_t nTestPerMille)
{
    TsGeneratorConfig config;
    config.nTestPerMille = nTestPerMille;
    config.nPsiInterval = 100000;
    CTsGenerator generator(config);
    std::vector<uint8_t> ring(RING);
    generator.Fill(ring.data(), ring.size());
    return ring;
}

double MBps(size_t bytes, Clock::duration d)
{
    return static_cast<double>(bytes) / MB / std::chrono::duration<double>(d).count();
}

double PlainFwrite(const char* path, const std::vector<uint8_t>& ring, size_t sample, size_t total)
{
    const auto start = Clock::now();
    FILE* fp = std::fopen(path, "wb");
    if (!fp)
        return 0;
    for (size_t i = 0; i < total / sample; ++i)
        std::fwrite(ring.data() + Offset(i, sample), 1, sample, fp);
    std::fclose(fp);
    const auto elapsed = Clock::now() - start;
    std::remove(path);
    return MBps(total, elapsed);
}

double ReceivePath(const char* path, const std::vector<uint8_t>& ring, size_t sample, size_t total,
                   uint64_t& nAllocations)
{
    static CCaptureSession session;
    static CReceivePath receive(session);
    CCaptureState& capture = session.State();
    const auto start = Clock::now();
    FILE* fp = std::fopen(path, "wb");
    if (!fp || !capture.StartCapture(fp, 0))
        return 0;
    const uint64_t before = AllocationsSoFar();
    for (size_t i = 0; i < total / sample; ++i)
        receive.Receive(ring.data() + Offset(i, sample), static_cast<int32_t>(sample));
    nAllocations += AllocationsSoFar() - before;
    capture.StopCapture();
    const auto elapsed = Clock::now() - start;
    std::remove(path);
    return capture.CapturedBytes() == total ? MBps(total, elapsed) : 0;
}

double CheckOnly(const std::vector<uint8_t>& ring, size_t sample, size_t total)
{
    uint8_t carry[TS_CARRY_SIZE];
    int32_t nCarry = 0;
    const auto start = Clock::now();
    for (size_t i = 0; i < total / sample; ++i)
        AlignPackets(ring.data() + Offset(i, sample), static_cast<int32_t>(sample), carry, nCarry);
    return MBps(total, Clock::now() - start);
}

} // namespace

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "qlts_bench_capture.ts";
    const size_t total = (argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 128) * MB;

    const std::vector<uint8_t> other = MakeStream(0);
    uint64_t nAllocations = 0;
    std::printf("receive path (capture write + align + check) against plain fwrite, %zu MB per run, %d rounds\n",
                total / MB, ROUNDS);
    bool bOk = true;
    for (size_t sample : {size_t{65424}, MB}) {
        const size_t bytes = total / sample * sample;
        // Each round runs both back to back, alternating which goes first; the ratio is the
        // median of the rounds' ratios, the figures the best runs.
        double fw = 0, rp = 0;
        std::vector<double> ratios;
        for (int r = 0; r < ROUNDS; ++r) {
            double f = 0, p = 0;
            if (r % 2 == 0)
                f = PlainFwrite(path, other, sample, bytes);
            p = ReceivePath(path, other, sample, bytes, nAllocations);
            if (r % 2 != 0)
                f = PlainFwrite(path, other, sample, bytes);
            fw = std::max(fw, f);
            rp = std::max(rp, p);
            ratios.push_back(f > 0 ? p / f : 0);
        }
        std::sort(ratios.begin(), ratios.end());
        const double ratio = ratios[ratios.size() / 2];
        bOk = bOk && fw > 0 && rp > 0;
        double align = 0;
        for (int r = 0; r < ROUNDS; ++r)
            align = std::max(align, CheckOnly(other, sample, bytes));
        std::printf("  sample %7zu bytes: fwrite %8.1f MB/s, receive path %8.1f MB/s, ratio %.3f"
                    " (align + check alone %.1f MB/s)\n",
                    sample, fw, rp, ratio, align);
    }
    std::printf("  allocations in the receive loop: %llu\n", static_cast<unsigned long long>(nAllocations));

    const std::vector<uint8_t> test = MakeStream(1000);
    ResetTestStreamCounters();
    double check = 0;
    for (int r = 0; r < ROUNDS; ++r)
        check = std::max(check, CheckOnly(test, 65424, total / 65424 * 65424));
    std::printf("every packet on PID 0x100, 65424-byte samples, align + check: %8.1f MB/s (crc errors %u, lost %u)\n",
                check, nCrcErrors.load(), nLostPackets.load());
    return bOk && nAllocations == 0 ? 0 : 1;
}
