// Recording from the control panel: Start capture and Stop, the report of the end at the
// next tick, closing the window while recording, and keeping the system awake meanwhile.
#include "win/dialog_support/CaptureFixture.h"

namespace {

class Recording : public CaptureTest
{
};

} // namespace

TEST_F(Recording, StopEndsTheFileAndTheNextTickReportsIt)
{
    EXPECT_EQ(EnabledControls(), Joined(kAlwaysEnabled, {"START_CAPTURE", "RESET_TUNE", "BROWSE", "CAPTURE_FILE"}));
    const std::string path = Text(IDC_CAPTURE_FILE);
    Click(IDC_START_CAPTURE);
    EXPECT_EQ(Boxes(), std::vector<SeenBox>{});
    EXPECT_TRUE(g_CaptureState.IsRecording());
    EXPECT_EQ(EnabledControls(), m_recording);
    EXPECT_EQ(AwakeRequests(), kAwakeHold);

    // The captured figure grows in whole megabytes; the free space is the file's volume's.
    ASSERT_TRUE(WaitCaptured(1048576));
    Report report = CurrentReport();
    EXPECT_GE(report.nCapturedMB, 1);
    EXPECT_EQ(report.nStrength, 60);
    EXPECT_EQ(report.nQuality, 75);
    EXPECT_NEAR(report.nFreeMB, FreeMegabytes((m_folder + "\\").c_str()), 64);

    // A Start capture command that arrives while recording (its button is disabled) leaves
    // the file being written alone.
    const uint64_t nBefore = g_CaptureState.CapturedBytes();
    Notify(IDC_START_CAPTURE, BN_CLICKED);
    EXPECT_TRUE(g_CaptureState.IsRecording());
    EXPECT_GE(g_CaptureState.CapturedBytes(), nBefore);
    EXPECT_EQ(Boxes(), std::vector<SeenBox>{});
    EXPECT_EQ(AwakeRequests(), std::vector<EXECUTION_STATE>{});

    // Stop changes the controls at once and leaves the file complete.
    Click(IDC_STOP);
    EXPECT_FALSE(g_CaptureState.IsRecording());
    EXPECT_EQ(EnabledControls(), m_tunedIdle) << "the limit field opens whatever the check box says";
    EXPECT_EQ(FileSize(path), static_cast<int64_t>(g_CaptureState.CapturedBytes()));
    EXPECT_TRUE(HoldsTransportPackets(path));
    EXPECT_EQ(Boxes(), std::vector<SeenBox>{}) << "the end is reported by the timer";
    EXPECT_EQ(AwakeRequests(), kAwakeRelease);

    Tick();
    EXPECT_EQ(Boxes(), (std::vector<SeenBox>{{"QL", "Stream Capture Done!"}}));
    EXPECT_EQ(EnabledControls(), m_tunedIdle);
    EXPECT_EQ(AwakeRequests(), std::vector<EXECUTION_STATE>{}) << "released once";
    Tick();
    EXPECT_EQ(Boxes(), std::vector<SeenBox>{}) << "reported once";
    EXPECT_EQ(CurrentReport().nCapturedMB, static_cast<int>(g_CaptureState.CapturedMB()))
        << "the final figure stays after Stop";
}

TEST_F(Recording, AStopBeforeAnyTickIsReportedAtTheNextTick)
{
    Click(IDC_START_CAPTURE);
    Click(IDC_STOP);
    EXPECT_EQ(EnabledControls(), m_tunedIdle);
    Tick();
    EXPECT_EQ(Boxes(), (std::vector<SeenBox>{{"QL", "Stream Capture Done!"}}));
}

TEST_F(Recording, ClosingTheWindowEndsTheRecordingWithACompleteFile)
{
    const std::string path = Text(IDC_CAPTURE_FILE);
    Click(IDC_START_CAPTURE);
    ASSERT_TRUE(WaitCaptured(300000));

    SendMessageA(m_hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(m_hDlg));
    EXPECT_EQ(AwakeRequests(), (std::vector<EXECUTION_STATE>{ES_CONTINUOUS | ES_SYSTEM_REQUIRED, ES_CONTINUOUS}));
    EXPECT_FALSE(g_CaptureState.IsRecording());
    EXPECT_EQ(g_CaptureState.EndReason(), CaptureEnd::Stopped);
    const uint64_t nCaptured = g_CaptureState.CapturedBytes();
    EXPECT_EQ(FileSize(path), static_cast<int64_t>(nCaptured)) << "every byte counted is in the closed file";
    Pump(300);
    EXPECT_EQ(g_CaptureState.CapturedBytes(), nCaptured);
    EXPECT_EQ(Boxes(), std::vector<SeenBox>{}) << "no report without a window";
}

TEST(KeepAwake, ARequestStillHeldAtExitIsWithdrawn)
{
    g_awakeRequests.clear();
    {
        CKeepAwake awake(RecordAwakeRequest);
        awake.Hold();
        awake.Hold();
        EXPECT_TRUE(awake.IsHeld());
    }
    EXPECT_EQ(g_awakeRequests, (std::vector<EXECUTION_STATE>{ES_CONTINUOUS | ES_SYSTEM_REQUIRED, ES_CONTINUOUS}));
}
