// A signal lost during a console capture, taken away mid-capture through the device's control.
#include "win/cli/CliCaptureFixture.h"

namespace {
class CliLostSignalTest : public CliCaptureTest
{
};
} // namespace

TEST_F(CliLostSignalTest, SignalLostForTheLockTimeoutEndsWithNoLockAndACompleteFile)
{
    StartCapture("1");
    Control(L"Quillon DVB-T Terrestrial Tuner")->SetSignalLost(TRUE);
    m_thread.join();
    EXPECT_EQ(m_nExit, EXIT_NO_LOCK);
    EXPECT_EQ(&m_graph.CaptureSession(), &ProgramCaptureSession()) << "the graph has the program's session back";
    EXPECT_EQ(g_CaptureState.CapturedBytes(), 0u) << "the command records into a session of its own";
    ExpectCompleteFileAndSummary();
    EXPECT_NE(ReadAll(m_strOut).find("ended by lock timeout, exit code 4"), std::string::npos);
    EXPECT_NE(ReadAll(m_strErr).find("no lock for the lock timeout"), std::string::npos);
}

TEST_F(CliLostSignalTest, SignalThatComesBackKeepsTheRecordingGoing)
{
    StartCapture("600");
    InterfaceHolder<ISimTunerControl> control = Control(L"Quillon DVB-T Terrestrial Tuner");
    control->SetSignalLost(TRUE);
    ASSERT_TRUE(WaitUntil([this] { return ReadAll(m_strErr).find("no lock  strength") != std::string::npos; }))
        << ReadAll(m_strErr);
    control->SetSignalLost(FALSE);
    const uint64_t nBefore = ReadAll(m_strCapture).size();
    ASSERT_TRUE(WaitUntil([this, nBefore] { return ReadAll(m_strCapture).size() > nBefore; }));
    EXPECT_FALSE(m_bDone) << "still recording";
    m_stop.RequestStop();
    m_thread.join();
    EXPECT_EQ(m_nExit, EXIT_OK);
    ExpectCompleteFileAndSummary();
    EXPECT_NE(ReadAll(m_strErr).find("stopped by Ctrl+C"), std::string::npos);
}
