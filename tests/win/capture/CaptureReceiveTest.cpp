#include "CaptureFixture.h"
#include "FakeSample.h"
#include "support/TraceCapture.h"

#include <chrono>
#include <future>
#include <string>
#include <thread>

namespace {

using Lines = std::vector<std::string>;

const std::string RECEIVED = "Receive OK??";
const std::string NON_EMPTY = " (Buf && Len>0) == true";
const std::string RECORDING = "bRecord  == true";
const std::string LIMIT_CLOSE = "bRecord  == true and close fpsave";
const std::string WRITE_FAILED = "bRecord  == true but write failed, close fpsave";

}  // namespace

TEST_F(CaptureTest, TracesEverySampleAndWritesOnlyWhileRecording)
{
    Bytes data = TsPacket(0x200, 1);
    CFakeSample sample(data.data(), static_cast<long>(data.size()));
    CTraceCapture traces;

    EXPECT_EQ(m_pPin->Receive(&sample), S_OK);
    EXPECT_EQ(traces.Lines(), (Lines{RECEIVED, NON_EMPTY}));

    traces.Clear();
    StartCapture(0);
    EXPECT_EQ(m_pPin->Receive(&sample), S_OK);
    EXPECT_EQ(traces.Lines(), (Lines{RECEIVED, NON_EMPTY, RECORDING}));
    EXPECT_EQ(g_CaptureState.CapturedBytes(), data.size());

    // Nothing but the buffer, its length and its size is consulted, and no reference is kept.
    EXPECT_EQ(sample.m_nOtherCalls, 0);
    EXPECT_EQ(sample.m_cRef, 1);
    g_CaptureState.StopCapture();
    EXPECT_EQ(FileContent(), data);
}

TEST_F(CaptureTest, SamplesWithoutBytesAreIgnored)
{
    Bytes data = TsPacket(0x200, 1);
    StartCapture(0);
    CTraceCapture traces;

    CFakeSample empty(data.data(), 0);
    CFakeSample negative(data.data(), -5);
    CFakeSample noBuffer(nullptr, 188);
    CFakeSample failingPointer(data.data(), 188);
    failingPointer.m_hrGetPointer = E_FAIL;
    for (CFakeSample* pSample : {&empty, &negative, &noBuffer, &failingPointer})
        EXPECT_EQ(m_pPin->Receive(pSample), S_OK);
    EXPECT_EQ(traces.Lines(), (Lines{RECEIVED, RECEIVED, RECEIVED, RECEIVED}));
    EXPECT_EQ(g_CaptureState.CapturedBytes(), 0u);
    EXPECT_EQ(PacketsCounted(), 0u);

    // A missing sample is refused before anything is touched.
    EXPECT_EQ(m_pPin->Receive(nullptr), E_POINTER);
    EXPECT_EQ(traces.Lines().size(), 4u);
}

TEST_F(CaptureTest, ALengthBeyondTheBufferIsTakenAtTheBufferSize)
{
    // The bytes behind the buffer are another test packet, which must be neither written
    // nor checked.
    Bytes stream = TestStream(1, 2);
    CFakeSample overlong(stream.data(), 2 * TS_PACKET_SIZE, TS_PACKET_SIZE);
    CFakeSample noRoom(stream.data(), TS_PACKET_SIZE, 0);
    StartCapture(0);
    CTraceCapture traces;
    EXPECT_EQ(m_pPin->Receive(&overlong), S_OK);
    EXPECT_EQ(m_pPin->Receive(&noRoom), S_OK);
    EXPECT_EQ(traces.Lines(), (Lines{RECEIVED, NON_EMPTY, RECORDING, RECEIVED}));
    g_CaptureState.StopCapture();

    EXPECT_EQ(FileContent(), Bytes(stream.begin(), stream.begin() + TS_PACKET_SIZE));
    EXPECT_EQ(g_CaptureState.CapturedBytes(), static_cast<uint64_t>(TS_PACKET_SIZE));
    EXPECT_EQ(PacketsCounted(), 1u);
    EXPECT_EQ(nTestPackets.load(), 1u);
}

TEST_F(CaptureTest, TheFileIsTheExactConcatenationOfTheSamples)
{
    // Junk before the first sync byte and sample boundaries inside packets.
    Bytes stream = {0x00, 0x12, 0x34};
    Bytes packets = TestStream(1, 40);
    stream.insert(stream.end(), packets.begin(), packets.end());
    stream.push_back(0x47);

    StartCapture(0);
    size_t pos = 0;
    for (size_t len : {1u, 100u, 188u, 1000u, 3u, 4000u}) {
        CFakeSample sample(stream.data() + pos, static_cast<long>(len));
        EXPECT_EQ(m_pPin->Receive(&sample), S_OK);
        pos += len;
    }
    CFakeSample rest(stream.data() + pos, static_cast<long>(stream.size() - pos));
    EXPECT_EQ(m_pPin->Receive(&rest), S_OK);
    g_CaptureState.StopCapture();

    EXPECT_EQ(FileContent(), stream);
    EXPECT_EQ(g_CaptureState.CapturedBytes(), stream.size());
    EXPECT_EQ(g_CaptureState.EndReason(), CaptureEnd::Stopped);
    // Every packet was aligned across the boundaries and checked once.
    EXPECT_EQ(PacketsCounted(), 40u);
    EXPECT_EQ(nTestPackets.load(), 40u);
    EXPECT_EQ(nCrcErrors.load(), 0u);
    EXPECT_EQ(nLostPackets.load(), 0u);
}

TEST_F(CaptureTest, PacketsAreCheckedWhetherOrNotAFileIsWritten)
{
    Bytes stream = TestStream(1, 10);
    const long half = 5 * TS_PACKET_SIZE + 50;  // the carry spans the two samples
    CFakeSample first(stream.data(), half);
    CFakeSample second(stream.data() + half, static_cast<long>(stream.size()) - half);

    EXPECT_EQ(m_pPin->Receive(&first), S_OK);
    EXPECT_EQ(PacketsCounted(), 5u);
    EXPECT_EQ(m_pPin->Receive(&second), S_OK);
    EXPECT_EQ(PacketsCounted(), 10u);
    EXPECT_EQ(nTestPackets.load(), 10u);
    EXPECT_EQ(nLostPackets.load(), 0u);
    EXPECT_TRUE(FileContent().empty());
}

TEST_F(CaptureTest, TheSampleThatReachesTheLimitIsWrittenWholeThenTheFileCloses)
{
    // 1 MB limit; samples of 400,000 bytes: the third one crosses it.
    Bytes big(400000);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<uint8_t>(i * 7 + 3);
    CFakeSample sample(big.data(), static_cast<long>(big.size()));
    StartCapture(1);
    CTraceCapture traces;

    EXPECT_EQ(m_pPin->Receive(&sample), S_OK);
    EXPECT_EQ(m_pPin->Receive(&sample), S_OK);
    EXPECT_TRUE(g_CaptureState.IsRecording());
    traces.Clear();
    EXPECT_EQ(m_pPin->Receive(&sample), S_OK);
    EXPECT_EQ(traces.Lines(), (Lines{RECEIVED, NON_EMPTY, RECORDING, LIMIT_CLOSE}));
    EXPECT_FALSE(g_CaptureState.IsRecording());
    EXPECT_EQ(g_CaptureState.EndReason(), CaptureEnd::LimitReached);

    // The next sample is no longer written, but still reaches the checker.
    traces.Clear();
    const uint64_t nBitsBefore = nBitsReceived.load();
    Bytes packets = TestStream(1, 3);
    CFakeSample late(packets.data(), static_cast<long>(packets.size()));
    EXPECT_EQ(m_pPin->Receive(&late), S_OK);
    EXPECT_EQ(traces.Lines(), (Lines{RECEIVED, NON_EMPTY}));
    EXPECT_EQ(nBitsReceived.load() - nBitsBefore, 3 * TS_BITS_PER_PACKET);

    const Bytes content = FileContent();
    ASSERT_EQ(content.size(), 1200000u);
    EXPECT_EQ(g_CaptureState.CapturedBytes(), 1200000u);
    for (size_t part = 0; part < 3; ++part)
        EXPECT_TRUE(std::equal(big.begin(), big.end(), content.begin() + part * big.size())) << part;
}

TEST_F(CaptureTest, AFailedWriteEndsTheRecordingWithItsOwnTrace)
{
    // A stream open for reading only refuses every write, as a full disk would.
    FILE* fp = std::fopen(m_path.c_str(), "wb");
    ASSERT_NE(fp, nullptr);
    std::fclose(fp);
    StartCapture(0, "rb");

    Bytes data = TsPacket(0x200, 9);
    CFakeSample sample(data.data(), static_cast<long>(data.size()));
    CTraceCapture traces;
    EXPECT_EQ(m_pPin->Receive(&sample), S_OK);
    EXPECT_EQ(traces.Lines(), (Lines{RECEIVED, NON_EMPTY, RECORDING, WRITE_FAILED}));
    EXPECT_FALSE(g_CaptureState.IsRecording());
    EXPECT_EQ(g_CaptureState.EndReason(), CaptureEnd::WriteFailed);
    EXPECT_EQ(g_CaptureState.CapturedBytes(), 0u);
    // Streaming goes on: the bytes were still checked.
    EXPECT_EQ(PacketsCounted(), 1u);
}

TEST_F(CaptureTest, ReceiveMultipleReceivesEverySampleInOrder)
{
    Bytes stream = TestStream(1, 4);
    CFakeSample a(stream.data(), 300);
    CFakeSample b(stream.data() + 300, static_cast<long>(stream.size()) - 300);
    IMediaSample* samples[] = {&a, &b};
    long nProcessed = -1;
    StartCapture(0);
    EXPECT_EQ(m_pPin->ReceiveMultiple(samples, 2, &nProcessed), S_OK);
    EXPECT_EQ(nProcessed, 2);
    g_CaptureState.StopCapture();
    EXPECT_EQ(FileContent(), stream);
    EXPECT_EQ(nTestPackets.load(), 4u);
}

TEST_F(CaptureTest, ReceiveTakesNoLock)
{
    // Another thread holds the filter lock (which is also the pin lock) throughout.
    std::promise<void> locked;
    std::promise<void> release;
    std::thread holder([&] {
        m_pFilter->pStateLock()->Lock();
        locked.set_value();
        release.get_future().wait();
        m_pFilter->pStateLock()->Unlock();
    });
    locked.get_future().wait();

    Bytes data = TsPacket(0x200, 1);
    auto received = std::async(std::launch::async, [&] {
        CFakeSample sample(data.data(), static_cast<long>(data.size()));
        return m_pPin->Receive(&sample);
    });
    const bool bDone = received.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    release.set_value();
    holder.join();
    EXPECT_TRUE(bDone) << "Receive waited for the filter lock";
    EXPECT_EQ(received.get(), S_OK);
}
