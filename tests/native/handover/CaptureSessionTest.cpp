#include "capture/CaptureSession.h"
#include "capture/TsPacketChecker.h"
#include "MemoryFile.h"
#include "native/checker/CheckerFixture.h"
#include "support/TestPackets.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

// Writes down what a consumer is told: R<recorded><length> at a run's start, P per packet,
// | at its end; and keeps each run's raw bytes.
class RunLog : public IPacketConsumer {
public:
    void OnRunStart(const uint8_t* pRun, int32_t nLength, bool bRecorded) override
    {
        m_Log += std::string("R") + (bRecorded ? "1:" : "0:") + std::to_string(nLength);
        m_Raw.insert(m_Raw.end(), pRun, pRun + nLength);
    }
    void OnPacket(const uint8_t*) override { m_Log += "P"; }
    void OnRunEnd() override { m_Log += "|"; }
    std::string m_Log;
    Bytes m_Raw;
};

// Counts packets; sets *pbGone when destroyed.
class Counter : public IPacketConsumer {
public:
    explicit Counter(std::atomic<bool>* pbGone = nullptr) : m_pbGone(pbGone) {}
    ~Counter()
    {
        if (m_pbGone)
            *m_pbGone = true;
    }
    void OnPacket(const uint8_t*) override { ++m_nPackets; }
    std::atomic<int> m_nPackets{0};

private:
    std::atomic<bool>* m_pbGone;
};

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override { ResetTestStreamCounters(); }
    SampleWrite Receive(CCaptureSession& session, const Bytes& run)
    {
        return session.Receive(run.data(), static_cast<int32_t>(run.size()), m_Carry, m_nCarry);
    }
    uint8_t m_Carry[TS_CARRY_SIZE] = {};
    int32_t m_nCarry = 0;
};

} // namespace

// The session decides once per run whether the file got it, and every consumer hears that
// before the run's packets, together with the run's bytes as they came.
TEST_F(SessionTest, ConsumersAreToldPerRunWhetherTheFileGotIt)
{
    CMemoryFile disk(2 * 188 + 100);  // the fourth run below is written short, the fifth not at all
    CCaptureSession session;
    RunLog& log = session.MakeConsumer<RunLog>();
    const Bytes split = TestStream(1, 2);

    Receive(session, TsPacket(0x20));
    ASSERT_TRUE(session.StartCapture(disk.Open(), 0));
    Receive(session, Bytes(split.begin(), split.begin() + 100));
    Receive(session, Bytes(split.begin() + 100, split.end()));
    EXPECT_EQ(Receive(session, TestStream(3, 1)), SampleWrite::ClosedOnWriteError);
    ASSERT_TRUE(session.StartCapture(disk.Open(), 0));
    EXPECT_EQ(Receive(session, TestStream(4, 1)), SampleWrite::ClosedOnWriteError);

    EXPECT_EQ(log.m_Log, "R0:188P|R1:100|R1:276PP|R1:188P|R0:188P|");
    EXPECT_EQ(log.m_Raw, Concat({TsPacket(0x20), split, TestStream(3, 1), TestStream(4, 1)}));
    EXPECT_EQ(ReadCounters().nPackets, 5u) << "the test stream checker is fed as well";
}

TEST_F(SessionTest, ASessionOnTheProgramsStateRecordsIntoIt)
{
    CMemoryFile disk;
    CCaptureState state;
    {
        CCaptureSession session(state);
        RunLog& log = session.MakeConsumer<RunLog>();
        EXPECT_FALSE(session.StartCapture(nullptr, 0));
        ASSERT_TRUE(state.StartCapture(disk.Open(), 0));
        CMemoryFile refused;
        EXPECT_FALSE(session.StartCapture(refused.Open(), 0)) << "a recording is on";
        EXPECT_EQ(refused.Closes(), 1) << "a refused file is closed, not leaked";
        Receive(session, TestStream(1, 2));
        EXPECT_EQ(log.m_Log, "R1:376PP|");
    }
    EXPECT_FALSE(state.IsRecording()) << "closing the session ends the recording";
    EXPECT_EQ(disk.Data(), TestStream(1, 2));
    EXPECT_EQ(disk.Closes(), 1);
}

// Close: the capture file first, then the stream is shut out, then what the session owns
// goes, the last made first; runs that come later reach nobody.
TEST_F(SessionTest, CloseEndsTheRecordingBeforeItDestroysWhatItOwns)
{
    CMemoryFile disk;
    std::string order;
    // Notes its name when it goes, and whether the capture file was closed by then.
    struct Output {
        Output(std::string* pOrder, const CMemoryFile* pDisk, char cName)
            : m_pOrder(pOrder), m_pDisk(pDisk), m_cName(cName)
        {
        }
        ~Output() { *m_pOrder += std::string(1, m_cName) + (m_pDisk->Closes() == 1 ? "+" : "-"); }
        std::string* m_pOrder;
        const CMemoryFile* m_pDisk;
        char m_cName;
    };
    CCaptureSession session;
    session.Make<Output>(&order, &disk, 'a');
    std::atomic<bool> bCounterGone{false};
    Counter& counter = session.MakeConsumer<Counter>(&bCounterGone);
    session.Make<Output>(&order, &disk, 'b');
    ASSERT_TRUE(session.StartCapture(disk.Open(), 0));
    Receive(session, TestStream(1, 1));
    EXPECT_EQ(counter.m_nPackets, 1);

    session.Close();
    EXPECT_EQ(order, "b+a+");
    EXPECT_TRUE(bCounterGone);
    EXPECT_EQ(disk.Data(), TestStream(1, 1));
    EXPECT_EQ(Receive(session, TestStream(2, 1)), SampleWrite::NotWritten);
    EXPECT_EQ(ReadCounters().nPackets, 1u) << "a closed session aligns nothing";
    session.Close();
    EXPECT_EQ(disk.Closes(), 1);
}

// A run in progress when Close starts is finished before anything owned is destroyed.
TEST_F(SessionTest, CloseWaitsForTheRunInProgress)
{
    CMemoryFile disk;
    std::atomic<bool> bOwnedGone{false}, bInside{false}, bDestroyedWhileInside{false};
    struct Stall : IPacketConsumer {
        CCaptureSession* pSession;
        std::atomic<bool>*pbInside, *pbGone, *pbBad;
        void OnPacket(const uint8_t*) override
        {
            *pbInside = true;
            // Close has begun once the recording it ends is over.
            while (pSession->State().IsRecording())
                std::this_thread::yield();
            for (int i = 0; i < 20000; ++i) {
                if (*pbGone)
                    *pbBad = true;
                std::this_thread::yield();
            }
        }
    };
    CCaptureSession session;
    session.Make<Counter>(&bOwnedGone);
    Stall& stall = session.MakeConsumer<Stall>();
    stall.pSession = &session;
    stall.pbInside = &bInside;
    stall.pbGone = &bOwnedGone;
    stall.pbBad = &bDestroyedWhileInside;
    ASSERT_TRUE(session.StartCapture(disk.Open(), 0));

    std::thread streaming([&] { Receive(session, TestStream(1, 1)); });
    while (!bInside)
        std::this_thread::yield();
    session.Close();
    streaming.join();
    EXPECT_TRUE(bOwnedGone);
    EXPECT_FALSE(bDestroyedWhileInside);
}

// Consumers come and go while the stream runs; a list has no fixed size.
TEST_F(SessionTest, ConsumersJoinAndLeaveWhileTheStreamRuns)
{
    CCaptureSession session;
    std::atomic<bool> bStop{false};
    std::thread streaming([&] {
        uint8_t carry[TS_CARRY_SIZE];
        int32_t nCarry = 0;
        const Bytes run = TestStream(1, 4);
        while (!bStop)
            session.Receive(run.data(), static_cast<int32_t>(run.size()), carry, nCarry);
    });
    std::vector<Counter*> counters;
    for (int i = 0; i < 40; ++i) {
        counters.push_back(&session.MakeConsumer<Counter>());
        if (i % 3 == 0)
            session.RemoveConsumer(counters[static_cast<size_t>(i / 2)]);
    }
    while (counters.back()->m_nPackets < 8)
        std::this_thread::yield();
    bStop = true;
    streaming.join();
    EXPECT_GE(counters[2]->m_nPackets, counters.back()->m_nPackets)
        << "an earlier consumer got every run a later one got";
    session.Close();
}
