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
    EXPECT_FALSE(g_CaptureState.IsRecording());
    ExpectCompleteFileAndSummary();
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
    const uint64_t nBefore = g_CaptureState.CapturedBytes();
    ASSERT_TRUE(WaitUntil([nBefore] { return g_CaptureState.CapturedBytes() > nBefore; }));
    EXPECT_TRUE(g_CaptureState.IsRecording());
    m_stop.RequestStop();
    m_thread.join();
    EXPECT_EQ(m_nExit, EXIT_OK);
    ExpectCompleteFileAndSummary();
    EXPECT_NE(ReadAll(m_strErr).find("stopped by Ctrl+C"), std::string::npos);
}
