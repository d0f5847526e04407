// The "..." save-file chooser: the name it proposes, a confirmed and a cancelled choice,
// an existing file, the files it lists, its use after Reset Tune, and the thread it runs on.
#include "ui/SaveFileChooser.h"
#include "win/dialog_support/CaptureFixture.h"

#include <algorithm>
#include <atomic>

namespace {

// What the chooser's thread saw, read by the test once the chooser has returned.
struct ChooserWatch {
    HWND hDialog = nullptr;
    DWORD nThreadId = 0;
    APTTYPE eApartment = APTTYPE_CURRENT;
    HWND hOwner = nullptr;
    bool bTickedMeanwhile = false;
};
ChooserWatch g_watch;

// A message queued before the chooser opens marks its dispatch here; the chooser notes its
// owner and waits for that dispatch without sending anything to the window thread (which
// would wake its wait by itself), then is cancelled.
std::atomic<bool> g_bQueuedDispatched{false};

LRESULT CALLBACK MarkQueuedDispatched(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP)
        g_bQueuedDispatched = true;
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

BOOL WINAPI QueueWatchingChooser(OPENFILENAMEA* pOfn)
{
    g_watch.hOwner = pOfn->hwndOwner;
    const DWORD nStart = GetTickCount();
    while (!g_bQueuedDispatched && GetTickCount() - nStart < 10000)
        Sleep(10);
    g_watch.bTickedMeanwhile = g_bQueuedDispatched;
    return FALSE;
}

LRESULT SendWaiting(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(hWnd, message, wParam, lParam, SMTO_NORMAL, 10000, &result);
    return static_cast<LRESULT>(result);
}

// Notes its thread, apartment and owner, checks that the dialog's timer ticks while it is
// open (the report text, emptied here, is written again), then runs the real chooser.
BOOL WINAPI WatchingChooser(OPENFILENAMEA* pOfn)
{
    g_watch.nThreadId = GetCurrentThreadId();
    APTTYPEQUALIFIER qualifier;
    if (FAILED(CoGetApartmentType(&g_watch.eApartment, &qualifier)))
        g_watch.eApartment = APTTYPE_CURRENT;
    g_watch.hOwner = pOfn->hwndOwner;

    HWND hReport = GetDlgItem(g_watch.hDialog, IDC_SIGNAL_TEXT);
    SendWaiting(hReport, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    PostMessageA(g_watch.hDialog, WM_TIMER, IDT_STATUS_TIMER, 0);
    const DWORD nStart = GetTickCount();
    while (!g_watch.bTickedMeanwhile && GetTickCount() - nStart < 10000) {
        g_watch.bTickedMeanwhile = SendWaiting(hReport, WM_GETTEXTLENGTH, 0, 0) > 0;
        Sleep(10);
    }
    return GetSaveFileNameA(pOfn);
}

// The trace lines of the dialog, without those the sink writes meanwhile on the streaming
// thread for every sample of the running graph.
std::vector<std::string> DialogLines(const CTraceCapture& trace)
{
    std::vector<std::string> lines;
    for (const std::string& line : trace.Lines())
        if (line != "Receive OK??" && line != " (Buf && Len>0) == true" && line.rfind("bRecord  ==", 0) != 0)
            lines.push_back(line);
    return lines;
}

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
    const std::vector<std::string> lines = DialogLines(trace);
    const auto ok = std::find(lines.begin(), lines.end(), "GetSaveFileName OK");
    ASSERT_NE(ok, lines.end());
    ASSERT_NE(ok + 1, lines.end());
    EXPECT_EQ(ok[1], "QLDise_DBG: ofn.lpstrFile " + chosen);

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
    const std::vector<std::string> lines = DialogLines(trace);
    const auto fail = std::find(lines.begin(), lines.end(), "GetSaveFileName Fail");
    ASSERT_NE(fail, lines.end());
    ASSERT_NE(fail + 1, lines.end());
    EXPECT_EQ(fail[1].rfind("QLDise_DBG: ofn.lpstrFile ", 0), 0u);

    // The chooser lists the folder's captures and asks before it names an existing one.
    WriteBytes(InFolder("old.ts"), "0123456789");
    WriteBytes(InFolder("notes.txt"), "x");
    Answerer().PlanSave("old.ts");
    Answerer().Plan(IDYES);
    Click(IDC_BROWSE);
    const std::vector<SeenBox> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].items, (std::vector<std::string>{"old.ts"}));
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

TEST_F(Chooser, RunsOnAThreadOfItsOwnInASingleThreadedApartmentWhileTheDialogTicks)
{
    ShowWindow(m_hDlg, SW_SHOW);
    SetActiveWindow(m_hDlg);
    ASSERT_EQ(GetActiveWindow(), m_hDlg);
    g_watch = ChooserWatch();
    g_watch.hDialog = m_hDlg;
    const SaveFileChooserFn pfnChooser = g_pfnSaveFileChooser;
    g_pfnSaveFileChooser = WatchingChooser;
    CTraceCapture trace;
    Answerer().PlanSave("watched");
    Click(IDC_BROWSE);
    g_pfnSaveFileChooser = pfnChooser;

    EXPECT_NE(g_watch.nThreadId, 0u);
    EXPECT_NE(g_watch.nThreadId, GetCurrentThreadId());
    // The process's first single-threaded apartment is its main one.
    EXPECT_TRUE(g_watch.eApartment == APTTYPE_STA || g_watch.eApartment == APTTYPE_MAINSTA) << g_watch.eApartment;
    EXPECT_EQ(g_watch.hOwner, m_hDlg) << "the active dialog owns the chooser";
    EXPECT_TRUE(g_watch.bTickedMeanwhile) << "the dialog's thread dispatched a tick while the chooser was open";
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Text(IDC_CAPTURE_FILE), InFolder("watched.ts"));
    EXPECT_GE(trace.IndexOf("GetSaveFileName OK"), 0);
}

// The dialog owns the chooser while another window is active, and a message queued and
// already seen before the chooser opened is dispatched while it is open.
TEST_F(Chooser, TheDialogOwnsTheChooserWhenInactiveAndQueuedMessagesGoOn)
{
    HWND hOther = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(hOther, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MarkQueuedDispatched));
    SetActiveWindow(hOther);
    ASSERT_NE(GetActiveWindow(), m_hDlg);
    g_watch = ChooserWatch();
    KillTimer(m_hDlg, IDT_STATUS_TIMER);  // its ticks would wake any wait
    PostMessageA(hOther, WM_APP, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    const SaveFileChooserFn pfnChooser = g_pfnSaveFileChooser;
    g_pfnSaveFileChooser = QueueWatchingChooser;
    Notify(IDC_BROWSE, BN_CLICKED);  // a click would activate the dialog
    g_pfnSaveFileChooser = pfnChooser;
    SetTimer(m_hDlg, IDT_STATUS_TIMER, 200, nullptr);
    DestroyWindow(hOther);
    EXPECT_EQ(g_watch.hOwner, m_hDlg);
    EXPECT_TRUE(g_watch.bTickedMeanwhile) << "the queued message waited for the chooser to close";
}
