// A writer thread pushes samples at full speed while the test starts and stops captures
// with small limits. Every capture file must be closed exactly once, never written after
// that, and hold a contiguous run of whole samples exactly as they were sent.
#include "capture/CaptureState.h"
#include "MemoryFile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <thread>

namespace {

constexpr uint64_t MB = 1048576;
constexpr uint64_t SAMPLE_START = 1;  // low bit of the first word of every sample

// The stream is 8-byte words holding (word index << 1) | sample start flag.
class CStreamWriter {
public:
    explicit CStreamWriter(CCaptureState& capture) : m_Capture(capture), m_Thread([this] { Run(); }) {}
    ~CStreamWriter()
    {
        m_bQuit = true;
        m_Thread.join();
    }
    uint64_t Samples() const { return m_nSamples.load(); }

private:
    void Run()
    {
        std::vector<uint64_t> words(2048);
        std::minstd_rand rng(1);
        uint64_t index = 0;
        while (!m_bQuit.load(std::memory_order_relaxed)) {
            const size_t n = 1 + rng() % words.size();
            for (size_t i = 0; i < n; ++i)
                words[i] = (index + i) << 1;
            words[0] |= SAMPLE_START;
            index += n;
            m_Capture.WriteSample(reinterpret_cast<const uint8_t*>(words.data()), static_cast<int32_t>(n * 8));
            m_nSamples.fetch_add(1, std::memory_order_relaxed);
        }
    }

    CCaptureState& m_Capture;
    std::atomic<bool> m_bQuit{false};
    std::atomic<uint64_t> m_nSamples{0};
    std::thread m_Thread;
};

// What the window thread's status timer does: read the figures at any time.
class CStatusPoller {
public:
    explicit CStatusPoller(const CCaptureState& capture)
        : m_Thread([this, &capture] {
              while (!m_bQuit.load(std::memory_order_relaxed)) {
                  m_nSum += capture.CapturedMB() + static_cast<uint32_t>(capture.EndReason()) + capture.IsRecording();
                  std::this_thread::yield();
              }
          })
    {
    }
    ~CStatusPoller()
    {
        m_bQuit = true;
        m_Thread.join();
    }

private:
    std::atomic<bool> m_bQuit{false};
    uint64_t m_nSum = 0;
    std::thread m_Thread;
};

// Checks one finished capture; returns a description of the first fault, or "".
std::string Verify(const CMemoryFile& file, const CCaptureState& capture, uint32_t nLimitMB)
{
    if (file.Closes() != 1)
        return "closed " + std::to_string(file.Closes()) + " times";
    if (file.WritesAfterClose() != 0)
        return "written after close";
    const std::vector<uint8_t>& data = file.Data();
    if (capture.CapturedBytes() != data.size())
        return "count " + std::to_string(capture.CapturedBytes()) + " for " + std::to_string(data.size()) + " bytes";
    if (data.size() % 8 != 0)
        return "partial word";
    const size_t nWords = data.size() / 8;
    uint64_t nLastSampleStart = 0;
    uint64_t first = 0;
    for (size_t i = 0; i < nWords; ++i) {
        uint64_t w;
        std::memcpy(&w, data.data() + i * 8, 8);
        if (i == 0) {
            if (!(w & SAMPLE_START))
                return "file does not begin with a whole sample";
            first = w >> 1;
        } else if ((w >> 1) != first + i) {
            return "word " + std::to_string(i) + " out of sequence";
        }
        if (w & SAMPLE_START)
            nLastSampleStart = i * 8;
    }
    const uint64_t nLimit = nLimitMB * MB;
    switch (capture.EndReason()) {
    case CaptureEnd::LimitReached:
        if (nLimit == 0 || data.size() < nLimit || nLastSampleStart >= nLimit)
            return "limit closed the file at " + std::to_string(data.size());
        break;
    case CaptureEnd::Stopped:
        if (nLimit != 0 && data.size() >= nLimit)
            return "file grew past the limit";
        break;
    default:
        return "unexpected end reason";
    }
    return "";
}

} // namespace

TEST(Handover, StartStopAndLimitRaceAWriterAtFullSpeed)
{
    // The file outlives the capture and its writer, so that an assertion ending the test
    // mid-recording leaves them nothing freed to write into.
    std::unique_ptr<CMemoryFile> file;
    CCaptureState capture;
    CStreamWriter writer(capture);
    CStatusPoller poller(capture);
    std::minstd_rand rng(42);
    int nLimitEnds = 0, nStops = 0;

    for (int round = 0; round < 160; ++round) {
        file = std::make_unique<CMemoryFile>();
        file->Reserve(3 * MB);
        const uint32_t nLimitMB = rng() % 3;  // 0: no limit
        ASSERT_TRUE(capture.StartCapture(file->Open(round % 2 == 0), nLimitMB));
        const uint64_t start = writer.Samples();
        switch (rng() % 4) {
        case 0:
            break;  // stop at once, often while the first write is in progress
        case 1:
            while (writer.Samples() < start + 1 + rng() % 8)
                std::this_thread::yield();
            break;
        case 2:
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % 3000));
            break;
        default:
            // Up to about 3 MB: a limit usually ends it first, but Stop may still race it.
            while (capture.IsRecording() && writer.Samples() < start + 200 + rng() % 400)
                std::this_thread::yield();
            break;
        }
        capture.StopCapture();
        ASSERT_FALSE(capture.IsRecording());
        (capture.EndReason() == CaptureEnd::LimitReached ? nLimitEnds : nStops)++;
        const std::string fault = Verify(*file, capture, nLimitMB);
        ASSERT_EQ(fault, "") << "round " << round << ", limit " << nLimitMB << " MB";
    }
    // Both ways of ending must have been exercised for the race to mean anything.
    EXPECT_GT(nLimitEnds, 0);
    EXPECT_GT(nStops, 0);
}
