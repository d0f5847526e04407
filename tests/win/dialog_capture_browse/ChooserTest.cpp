// The "..." save-file chooser: the name it proposes, a confirmed and a cancelled choice,
// an existing file, the files it lists, and its use after Reset Tune.
#include "win/dialog_support/CaptureFixture.h"

#include <algorithm>

namespace {

class Chooser : public CaptureTest
{
protected:
    // The chooser shows the proposed name in its name field and the folder in its folder
    // list: the stem of the last Tune at either reading of the clock, in the test's folder.
    void ExpectProposal(const SeenBox& box, const SYSTEMTIME& before, const SYSTEMTIME& after)
    {
        EXPECT_EQ(box.title, "Save As");
        const std::string tail = "-506000-8-T";
        EXPECT_TRUE(box.text == TimePrefix(before) + tail || box.text == TimePrefix(after) + tail) << box.text;
        EXPECT_EQ(box.folder, m_folder.substr(m_folder.rfind('\\') + 1));
    }
};

} // namespace

TEST_F(Chooser, ProposesTheFolderOfTheLastPathWithAFreshNameAndTakesTheChoice)
{
    CTraceCapture trace;
    Answerer().PlanSave("chosen");
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    Click(IDC_BROWSE);
    GetLocalTime(&after);

    const std::vector<SeenBox> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    ExpectProposal(boxes[0], before, after);
    const std::string chosen = InFolder("chosen.ts");
    EXPECT_EQ(Text(IDC_CAPTURE_FILE), chosen) << "the default extension is added";
    EXPECT_EQ(szLastCapturePath, chosen);
    const int ok = trace.IndexOf("GetSaveFileName OK");
    EXPECT_GE(ok, 0);
    EXPECT_EQ(trace.IndexOf("QLDise_DBG: ofn.lpstrFile " + chosen), ok + 1);

    StartAt(chosen);
    ASSERT_TRUE(g_CaptureState.IsRecording());
    StopAndReport();
    EXPECT_GE(FileSize(chosen), 0);
}

TEST_F(Chooser, CancelKeepsThePathAndExistingFilesAreAskedAbout)
{
    const std::string path = Text(IDC_CAPTURE_FILE);
    CTraceCapture trace;
    Answerer().PlanCancelSave();
    Click(IDC_BROWSE);
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Text(IDC_CAPTURE_FILE), path);
    EXPECT_EQ(szLastCapturePath, path);
    const int fail = trace.IndexOf("GetSaveFileName Fail");
    EXPECT_GE(fail, 0);
    EXPECT_EQ(trace.Lines().at(fail + 1).rfind("QLDise_DBG: ofn.lpstrFile ", 0), 0u);

    // The chooser lists every file of the folder and asks before it names an existing one.
    WriteBytes(InFolder("old.ts"), "0123456789");
    WriteBytes(InFolder("notes.txt"), "x");
    Answerer().PlanSave("old.ts");
    Answerer().Plan(IDYES);
    Click(IDC_BROWSE);
    const std::vector<SeenBox> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    std::vector<std::string> listed = boxes[0].items;
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{"notes.txt", "old.ts"}));
    EXPECT_NE(boxes[1].title, "QL capture tool") << "the chooser's own question, before the dialog's";
    EXPECT_EQ(Text(IDC_CAPTURE_FILE), InFolder("old.ts"));
}

TEST_F(Chooser, AfterResetTuneTheChooserStillUsesTheLastPath)
{
    Answerer().PlanSave("first");
    Click(IDC_BROWSE);
    Boxes();
    g_TunerGraph.StopGraph();
    Click(IDC_RESET_TUNE);
    EXPECT_TRUE(Enabled(IDC_BROWSE));
    EXPECT_EQ(Text(IDC_CAPTURE_FILE), "");

    Answerer().PlanCancelSave();
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    Click(IDC_BROWSE);
    GetLocalTime(&after);
    const std::vector<SeenBox> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    ExpectProposal(boxes[0], before, after);
    EXPECT_EQ(Text(IDC_CAPTURE_FILE), "");
}
