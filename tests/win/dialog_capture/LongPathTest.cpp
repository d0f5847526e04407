// Paths of 256 characters or more: typed, made absolute, or proposed by Tune in a deep
// working folder; they are refused whole and never cut.
#include "win/dialog_support/PathTextFixture.h"

TEST_F(PathText, TextsOf256CharactersOrMoreAreRefusedWholeNeverCut)
{
    const std::string prefix = m_folder + "\\";
    const std::string fits = prefix + std::string(255 - prefix.size() - 3, 'a') + ".ts";
    ASSERT_EQ(fits.size(), 255u);
    const std::string tooLong = prefix + std::string(256 - prefix.size() - 3, 'b') + ".ts";
    ExpectNotCorrect(tooLong);
    ExpectNotCorrect(prefix + std::string(400, 'c') + ".ts");
    EXPECT_EQ(FilesInFolder(m_folder), 0) << "no file under a cut name";

    // A short text whose full path would be too long.
    const std::string relative = std::string(256 - prefix.size(), 'd');
    ExpectNotCorrect(relative);

    // 255 characters are the most a path may have.
    StartAt(fits);
    ASSERT_TRUE(g_CaptureState.IsRecording());
    StopAndReport();
    EXPECT_GE(FileSize(fits), 0);
}

TEST_F(PathText, LongWorkingFolderGivesAWholeDefaultPathThatIsRefused)
{
    // A working folder so deep that the default capture path passes 255 characters.
    std::string deep = m_folder;
    while (deep.size() < 230) {
        deep += "\\" + std::string(std::min<size_t>(40, 235 - deep.size()), 'f');
        ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep;
    }
    ASSERT_TRUE(SetCurrentDirectoryA(deep.c_str()));
    g_TunerGraph.StopGraph();
    Click(IDC_RESET_TUNE);
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    TuneStreamingChannel();
    GetLocalTime(&after);

    const std::string path = Text(IDC_CAPTURE_FILE);
    const std::string tail = "-506000-8-T.ts";
    EXPECT_TRUE(path == deep + "\\" + TimePrefix(before) + tail || path == deep + "\\" + TimePrefix(after) + tail)
        << path;
    EXPECT_GE(path.size(), 256u);
    EXPECT_EQ(szLastCapturePath, path) << "kept whole";
    ExpectNotCorrect(path);

    // The chooser cannot take that folder: it proposes the name alone.
    Answerer().PlanCancelSave();
    Click(IDC_BROWSE);
    const std::vector<SeenBox> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Save As");
    EXPECT_TRUE(boxes[0].text == TimePrefix(before) + "-506000-8-T" || boxes[0].text == TimePrefix(after) + "-506000-8-T")
        << boxes[0].text;
    EXPECT_EQ(Text(IDC_CAPTURE_FILE), path);
}
