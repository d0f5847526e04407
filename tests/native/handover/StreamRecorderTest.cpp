// The console capture's recorder through the real receive path: runs of random length cut
// from a packet stream, a writer thread that empties the ring into a memory output, and an
// output that stalls, fails or bounds its parts. The output must be the packets of the runs
// kept, in order, each run kept or left out whole, with the figures adding up.
#include "capture/CaptureState.h"
#include "capture/CaptureSession.h"
#include "capture/ReceivePath.h"
#include "capture/RecordPartName.h"
#include "ts/StreamAnalysis.h"
#include "capture/StreamRecorder.h"
#include "support/TestPackets.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

namespace {

constexpr uint32_t JUNK = 40;  // bytes before the first packet start

// Test-stream packet n with its continuity counter, so that the analysis sees every gap.
Bytes Packet(uint32_t n)
{
    Bytes p = TsPacket(static_cast<uint16_t>(TS_TEST_PID), n);
    p[3] = static_cast<uint8_t>(0x10 | (n & 0x0F));
    PutLe32(&p[TS_TEST_SEQ_OFFSET], n);
    PutLe32(&p[TS_TEST_CRC_OFFSET], Crc32Mpeg2(p.data(), TS_TEST_CRC_OFFSET));
    return p;
}

uint32_t SequenceAt(const Bytes& out, size_t nAt)
{
    return out[nAt + 4] | out[nAt + 5] << 8 | out[nAt + 6] << 16 | static_cast<uint32_t>(out[nAt + 7]) << 24;
}

// Memory output: parts as written. Writes wait while stalled; they fail or report the
// reader gone once nFailAfter bytes are written.
class CMemoryOutput : public IRecordOutput {
public:
    std::vector<Bytes> Parts;
    std::atomic<bool> bStalled{false};
    uint64_t nFailAfter = UINT64_MAX;
    OutputStatus eFailure = OutputStatus::Failed;
    uint64_t nMostPerPart = 0;
    uint32_t nOpenParts = 0;

    bool OpenPart(uint32_t nPart) override
    {
        EXPECT_EQ(nPart, Parts.size() + 1);
        EXPECT_EQ(nOpenParts, 0u);
        Parts.emplace_back();
        ++nOpenParts;
        return true;
    }
    OutputStatus Write(const uint8_t* pData, size_t nLength) override
    {
        EXPECT_EQ(nOpenParts, 1u);
        while (bStalled.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (m_nWritten + nLength > nFailAfter)
            return eFailure;
        m_nWritten += nLength;
        Parts.back().insert(Parts.back().end(), pData, pData + nLength);
        return OutputStatus::Written;
    }
    bool ClosePart() override
    {
        --nOpenParts;
        return true;
    }
    uint64_t MostBytesPerPart() const override { return nMostPerPart; }

    Bytes All() const
    {
        Bytes all;
        for (const Bytes& part : Parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    }

private:
    uint64_t m_nWritten = 0;
};

int64_t FakeNowUs()
{
    static std::atomic<int64_t> nNow{0};
    return nNow += 1000;
}

// JUNK bytes, then packets 0 .. nPackets-1, cut into runs of 1 .. nMostRun bytes.
struct Source {
    Bytes Stream;
    std::vector<size_t> RunEnds;  // offset after each run
    Source(uint32_t nPackets, size_t nMostRun, uint32_t nSeed)
    {
        Stream.assign(JUNK, 0x11);
        for (uint32_t n = 0; n < nPackets; ++n) {
            const Bytes p = Packet(n);
            Stream.insert(Stream.end(), p.begin(), p.end());
        }
        std::minstd_rand rng(nSeed);
        for (size_t nAt = 0; nAt < Stream.size();) {
            nAt += std::min<size_t>(1 + rng() % nMostRun, Stream.size() - nAt);
            RunEnds.push_back(nAt);
        }
    }
    // The run whose bytes complete packet n.
    size_t RunOfPacket(uint32_t n) const
    {
        const size_t nLast = JUNK + (n + 1) * size_t{TS_PACKET_SIZE} - 1;
        return static_cast<size_t>(std::upper_bound(RunEnds.begin(), RunEnds.end(), nLast) - RunEnds.begin());
    }
};

class StreamRecorderTest : public testing::Test {
protected:
    // Feeds the source through a receive path as the sink does; pfnBetweenRuns is called
    // with each run's index before it.
    template <class F>
    void Feed(CStreamRecorder& recorder, const Source& source, F betweenRuns)
    {
        CCaptureSession session;
        CReceivePath path(session);
        session.AddConsumer(&recorder);
        size_t nAt = 0;
        for (size_t i = 0; i < source.RunEnds.size(); ++i) {
            betweenRuns(i);
            path.Receive(source.Stream.data() + nAt, static_cast<int32_t>(source.RunEnds[i] - nAt));
            nAt = source.RunEnds[i];
        }
    }
    void Feed(CStreamRecorder& recorder, const Source& source)
    {
        Feed(recorder, source, [](size_t) {});
    }
};

} // namespace

TEST_F(StreamRecorderTest, StalledOutputLosesWholeRunsOnlyAndEverythingKeptIsWrittenInOrder)
{
    const Source source(40000, 30000, 7);
    CMemoryOutput output;
    RecordSettings settings;
    settings.nRingBytes = 512 * 1024;
    CStreamAnalysis analysis;
    CStreamRecorder recorder(output, settings, &analysis, &FakeNowUs);
    ASSERT_TRUE(recorder.Start());
    // The stall starts and ends while the streaming side runs on without waiting.
    const size_t nRuns = source.RunEnds.size();
    Feed(recorder, source, [&](size_t i) {
        if (i == nRuns / 3)
            output.bStalled = true;
        if (i == nRuns * 2 / 3)
            output.bStalled = false;
        if (i % 16 == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    });
    recorder.Finish();

    const RecordFigures figures = recorder.Figures();
    const Bytes out = output.All();
    ASSERT_EQ(out.size() % TS_PACKET_SIZE, 0u);
    EXPECT_EQ(out.size(), figures.nBytesWritten);
    EXPECT_EQ(figures.nBytesAccepted, figures.nBytesWritten);
    EXPECT_EQ(figures.nSkippedBytes, JUNK);
    EXPECT_GT(figures.nSamplesDropped, 0u);
    EXPECT_GE(figures.nDropEvents, 1u);
    EXPECT_LE(figures.nRingHighest, figures.nRingBytes);

    // Each packet written is the source's, in order; each run's packets all or none.
    std::vector<bool> written(40000, false);
    uint32_t nNext = 0;
    uint64_t nGaps = 0;
    for (size_t nAt = 0; nAt < out.size(); nAt += TS_PACKET_SIZE) {
        const uint32_t n = SequenceAt(out, nAt);
        ASSERT_GE(n, nNext);
        ASSERT_TRUE(std::equal(out.begin() + nAt, out.begin() + nAt + TS_PACKET_SIZE, Packet(n).begin()));
        nGaps += n != nNext;
        written[n] = true;
        nNext = n + 1;
    }
    std::vector<int> runKept(nRuns, -1);
    for (uint32_t n = 0; n < written.size(); ++n) {
        int& kept = runKept[source.RunOfPacket(n)];
        if (kept < 0)
            kept = written[n];
        ASSERT_EQ(kept, static_cast<int>(written[n])) << "packet " << n;
    }
    EXPECT_EQ(figures.nBytesDropped, (40000 - out.size() / TS_PACKET_SIZE) * uint64_t{TS_PACKET_SIZE});
    EXPECT_GT(nGaps, 0u);

    // The analysis describes the output: its bytes, its packets, a continuity error per gap.
    const StreamHealthSummary summary = analysis.Summarise();
    EXPECT_EQ(summary.nBytes, out.size());
    EXPECT_EQ(summary.nSkippedBytes, 0u);
    EXPECT_GE(summary.nCcErrors, nGaps > 0 ? 1u : 0u);
}

TEST_F(StreamRecorderTest, SizeLimitEndsAtTheLastWholePacketOrTheRawRunThatReachesIt)
{
    const Source source(8000, 5000, 3);
    const uint64_t nLimit = 1000000;
    for (const bool bRaw : {false, true}) {
        CMemoryOutput output;
        RecordSettings settings;
        settings.bRaw = bRaw;
        settings.nRingBytes = 4 << 20;
        settings.nLimitBytes = nLimit;
        CStreamRecorder recorder(output, settings);
        ASSERT_TRUE(recorder.Start());
        Feed(recorder, source);
        recorder.Finish();
        EXPECT_EQ(recorder.EndReason(), RecordEnd::LimitReached) << bRaw;
        const Bytes out = output.All();
        if (bRaw) {
            // The driver's bytes as delivered, the junk included, up to the run that reached it.
            EXPECT_GE(out.size(), nLimit);
            EXPECT_NE(std::find(source.RunEnds.begin(), source.RunEnds.end(), out.size()), source.RunEnds.end());
            EXPECT_TRUE(std::equal(out.begin(), out.end(), source.Stream.begin()));
        } else {
            EXPECT_EQ(out.size(), nLimit - nLimit % TS_PACKET_SIZE);
            EXPECT_TRUE(std::equal(out.begin(), out.end(), source.Stream.begin() + JUNK));
        }
        EXPECT_EQ(recorder.Figures().nBytesWritten, out.size());
    }
}

TEST_F(StreamRecorderTest, PartsStartWithAPacketAndTogetherAreTheWholeCapture)
{
    const Source source(6000, 7000, 5);
    const Bytes whole(source.Stream.begin() + JUNK, source.Stream.end());
    struct Case {
        uint64_t nSplit, nMostPerPart;
        RecordEnd eEnd;
    } const cases[] = {
        {100000, 0, RecordEnd::None},        // split by size
        {300000, 120000, RecordEnd::None},   // the volume's bound cuts first
        {0, 120000, RecordEnd::PartTooBig},  // not split: the bound ends the capture
    };
    for (const Case& c : cases) {
        CMemoryOutput output;
        output.nMostPerPart = c.nMostPerPart;
        RecordSettings settings;
        settings.nRingBytes = 4 << 20;
        settings.nSplitBytes = c.nSplit;
        CStreamRecorder recorder(output, settings);
        ASSERT_TRUE(recorder.Start());
        Feed(recorder, source);
        recorder.Finish();
        EXPECT_EQ(recorder.EndReason(), c.eEnd) << c.nSplit;
        EXPECT_EQ(recorder.Figures().nParts, output.Parts.size());
        const uint64_t nBound = std::min(c.nSplit ? c.nSplit : UINT64_MAX, c.nMostPerPart ? c.nMostPerPart : UINT64_MAX);
        for (const Bytes& part : output.Parts) {
            ASSERT_FALSE(part.empty());
            EXPECT_EQ(part[0], TS_SYNC_BYTE);
            EXPECT_LE(part.size(), nBound);
            EXPECT_EQ(part.size() % TS_PACKET_SIZE, 0u);
        }
        const Bytes out = output.All();
        if (c.eEnd == RecordEnd::None) {
            EXPECT_EQ(out, whole);
            EXPECT_GT(output.Parts.size(), 2u);
        } else {
            EXPECT_EQ(out.size(), c.nMostPerPart - c.nMostPerPart % TS_PACKET_SIZE);
            EXPECT_TRUE(std::equal(out.begin(), out.end(), whole.begin()));
        }
    }
}

TEST_F(StreamRecorderTest, AFailedOrClosedOutputEndsTheRecordingWithWhatReachedIt)
{
    const Source source(4000, 3000, 9);
    for (const OutputStatus eFailure : {OutputStatus::Failed, OutputStatus::Closed}) {
        CMemoryOutput output;
        output.nFailAfter = 300000;
        output.eFailure = eFailure;
        RecordSettings settings;
        settings.nRingBytes = 4 << 20;
        CStreamRecorder recorder(output, settings);
        ASSERT_TRUE(recorder.Start());
        Feed(recorder, source);
        recorder.Finish();
        EXPECT_EQ(recorder.EndReason(),
                  eFailure == OutputStatus::Closed ? RecordEnd::OutputClosed : RecordEnd::WriteFailed);
        EXPECT_EQ(recorder.Figures().nBytesWritten, output.All().size());
        EXPECT_LE(output.All().size(), 300000u);
        EXPECT_EQ(output.nOpenParts, 0u);
    }
}

TEST(RecordPartNameTest, NumberGoesBeforeTheFilesOwnExtension)
{
    EXPECT_EQ(RecordPartName("rec.ts", 1), "rec-0001.ts");
    EXPECT_EQ(RecordPartName("C:\\tv.d\\rec.ts", 12), "C:\\tv.d\\rec-0012.ts");
    EXPECT_EQ(RecordPartName("tv.d/rec", 2), "tv.d/rec-0002");
    EXPECT_EQ(RecordPartName(".ts", 3), ".ts-0003");
    EXPECT_EQ(RecordPartName("a.b.ts", 10000), "a.b-10000.ts");
}
