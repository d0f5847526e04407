// Recordings the sink ends: at the size limit (and the limit's check box and field), and on
// a file that cannot be written.
#include "win/dialog_support/CaptureFixture.h"

namespace {

class RecordingEnd : public CaptureTest
{
};

} // namespace

TEST_F(RecordingEnd, LimitEndsTheRecordingAndItsCheckBoxClearsIt)
{
    Click(IDC_LIMIT_ENABLE);
    EXPECT_TRUE(Enabled(IDC_LIMIT_MB));
    Type(IDC_LIMIT_MB, "1");
    const std::string path = Text(IDC_CAPTURE_FILE);
    Click(IDC_START_CAPTURE);
    EXPECT_FALSE(Enabled(IDC_LIMIT_ENABLE));

    // The sink ends the recording; the running timer notices within a tick.
    ASSERT_TRUE(PumpUntil([] { return !g_CaptureState.IsRecording(); }, 15000));
    ASSERT_TRUE(PumpUntil([&] { return Enabled(IDC_START_CAPTURE); }, 15000));
    EXPECT_EQ(Boxes(), (std::vector<SeenBox>{{"QL", "Stream Capture Done!"}}));
    EXPECT_EQ(EnabledControls(), m_tunedIdle);
    EXPECT_EQ(AwakeRequests(), (std::vector<EXECUTION_STATE>{ES_CONTINUOUS | ES_SYSTEM_REQUIRED, ES_CONTINUOUS}))
        << "the tick that notices the limit lets the system sleep again";
    const int64_t nSize = FileSize(path);
    EXPECT_GE(nSize, 1048576);
    EXPECT_LT(nSize, 1048576 + 50000) << "the sample that reaches the limit is the last";
    EXPECT_EQ(CurrentReport().nCapturedMB, 1);

    // Unticking clears and closes the field: the next recording has no limit.
    Type(IDC_LIMIT_MB, "1");
    Click(IDC_LIMIT_ENABLE);
    EXPECT_FALSE(Ticked(IDC_LIMIT_ENABLE));
    EXPECT_EQ(Text(IDC_LIMIT_MB), "");
    EXPECT_FALSE(Enabled(IDC_LIMIT_MB));
    // With the stream held back, only a sample already on its way can follow the start:
    // far less than the last recording's megabyte, however slowly this thread runs.
    m_control->SetSignalLost(TRUE);
    Answerer().Plan(IDYES);
    Click(IDC_START_CAPTURE);
    EXPECT_EQ(Boxes(), (std::vector<SeenBox>{{"QL capture tool", "The file is exist, continue to overwrite this file"}}));
    ASSERT_TRUE(g_CaptureState.IsRecording());
    EXPECT_LT(g_CaptureState.CapturedBytes(), 1048576u) << "each start counts anew";
    m_control->SetSignalLost(FALSE);
    ASSERT_TRUE(WaitCaptured(1048576 + 300000));
    EXPECT_TRUE(g_CaptureState.IsRecording());
    StopAndReport();

    // Letters in the field read 0, which is no limit; the field is read ticked or not.
    Type(IDC_LIMIT_MB, "one");
    Answerer().Plan(IDYES);
    Click(IDC_START_CAPTURE);
    ASSERT_TRUE(WaitCaptured(1048576 + 300000));
    EXPECT_TRUE(g_CaptureState.IsRecording());
    Boxes();
    StopAndReport();
}

TEST_F(RecordingEnd, AFileThatCannotBeWrittenIsReportedAsFailed)
{
    // A device file that takes no data: every write fails as on a full disk.
    WIN32_FIND_DATAA found;
    HANDLE hFind = FindFirstFileA("Z:\\dev\\full", &found);
    if (hFind == INVALID_HANDLE_VALUE)
        GTEST_SKIP() << "no /dev/full";
    FindClose(hFind);
    StartAt("Z:\\dev\\full");
    EXPECT_EQ(Boxes(), std::vector<SeenBox>{});
    ASSERT_TRUE(PumpUntil([] { return !g_CaptureState.IsRecording(); }, 15000));
    EXPECT_EQ(g_CaptureState.EndReason(), CaptureEnd::WriteFailed);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(IDC_START_CAPTURE); }, 15000));
    EXPECT_EQ(Boxes(), (std::vector<SeenBox>{{"QL", "Stream Capture FAILED: the file could not be written!\n"
                                                    "The file holds only the data before the failure."}}));
    EXPECT_EQ(Text(IDC_STATUS), "Stream Capture FAILED: the file could not be written!");
    EXPECT_EQ(EnabledControls(), m_tunedIdle);
    EXPECT_EQ(AwakeRequests(), (std::vector<EXECUTION_STATE>{ES_CONTINUOUS | ES_SYSTEM_REQUIRED, ES_CONTINUOUS}));

    // The next recording clears the failure and ends well.
    StartAt(InFolder("good.ts"));
    EXPECT_EQ(Text(IDC_STATUS), "");
    ASSERT_TRUE(WaitCaptured(1));
    StopAndReport();
}

// A session that really ends closes the file complete before the process can be ended; a
// cancelled end of session leaves the recording running.
TEST_F(RecordingEnd, EndOfSessionEndsTheRecordingAsStopDoes)
{
    const std::string path = Text(IDC_CAPTURE_FILE);
    Click(IDC_START_CAPTURE);
    ASSERT_TRUE(WaitCaptured(300000));
    SendMessageA(m_hDlg, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(g_CaptureState.IsRecording());
    SendMessageA(m_hDlg, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(g_CaptureState.IsRecording());
    EXPECT_EQ(FileSize(path), static_cast<int64_t>(g_CaptureState.CapturedBytes()));
    EXPECT_EQ(AwakeRequests(), (std::vector<EXECUTION_STATE>{ES_CONTINUOUS | ES_SYSTEM_REQUIRED, ES_CONTINUOUS}));
    EXPECT_TRUE(Enabled(IDC_START_CAPTURE));
    Tick();
    Boxes();
}
