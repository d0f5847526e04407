// Start capture on path texts a user can get wrong: nothing typed, a folder that does not
// exist, a folder itself, another drive, a bare name; and the free space the report shows.
#include "win/dialog_support/PathTextFixture.h"

TEST_F(PathText, TextsThatNameNoWritableFileAreRefused)
{
    ExpectNotCorrect("");

    ExpectIncorrect(InFolder("missing\\capture.ts"));
    EXPECT_EQ(GetFileAttributesA(InFolder("missing").c_str()), INVALID_FILE_ATTRIBUTES) << "no folder is made";

    ASSERT_TRUE(CreateDirectoryA(InFolder("folder.ts").c_str(), nullptr));
    ExpectIncorrect(InFolder("folder.ts"));

    ExpectIncorrect("Q:\\capture.ts");
    EXPECT_EQ(FilesInFolder(m_folder), 0);
}

TEST_F(PathText, BareNameGoesToTheWorkingFolderAndFreeSpaceFollowsThePath)
{
    StartAt("bare.ts");
    EXPECT_EQ(Boxes(), std::vector<SeenBox>{});
    ASSERT_TRUE(g_CaptureState.IsRecording());
    ASSERT_TRUE(WaitCaptured(188 * 40));
    // Without a backslash the report asks about the working folder's volume.
    const Report report = CurrentReport();
    EXPECT_GT(report.nFreeMB, 0);
    EXPECT_NEAR(report.nFreeMB, FreeMegabytes(nullptr), 64);
    StopAndReport();
    EXPECT_EQ(FileSize(InFolder("bare.ts")), static_cast<int64_t>(g_CaptureState.CapturedBytes()));

    // A volume that cannot be asked shows 0, an empty path shows 0 and 0; ticks go on.
    Type(IDC_CAPTURE_FILE, "Q:\\nowhere\\capture.ts");
    EXPECT_EQ(CurrentReport().nFreeMB, 0);
    Type(IDC_CAPTURE_FILE, "");
    const Report empty = CurrentReport();
    EXPECT_EQ(empty.nFreeMB, 0);
    EXPECT_EQ(empty.nCapturedMB, 0);
    Type(IDC_CAPTURE_FILE, "Q:\\nowhere\\capture.ts");
    SetDlgItemTextA(m_hDlg, IDC_SIGNAL_TEXT, "");
    EXPECT_TRUE(PumpUntil([&] { return !Text(IDC_SIGNAL_TEXT).empty(); }, 15000)) << "the timer still runs";
}
