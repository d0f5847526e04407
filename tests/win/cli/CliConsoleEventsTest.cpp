// How a console capture ends when the console or the session ends, and what qltscap checks
// before it tunes, against the simulated driver in-process.
#include "win/cli/CliCaptureFixture.h"

#include "capture/KeepAwake.h"
#include "cli/CliUnicode.h"
#include "cli/EndSessionWindow.h"

namespace {

class CliConsoleEvents : public CliCaptureTest
{
protected:
    bool Has(const std::string& path, const char* pszText) { return ReadAll(path).find(pszText) != std::string::npos; }
};

} // namespace

// Windows ends the process once the handler returns: it must return only after the capture
// has closed its file and printed its summary. Keeping awake ends with the recording.
TEST_F(CliConsoleEvents, ConsoleCloseStopsTheCaptureBeforeTheHandlerReturns)
{
    StartCapture("600");
    EXPECT_TRUE(g_KeepAwake.IsHeld());
    bool bDoneAtReturn = false;
    BOOL bHandled = FALSE;
    std::thread handler([&] {
        bHandled = CConsoleStop::OnConsoleEvent(CTRL_CLOSE_EVENT);
        bDoneAtReturn = m_bDone;
    });
    handler.join();
    m_thread.join();
    EXPECT_TRUE(bHandled);
    EXPECT_TRUE(bDoneAtReturn);
    EXPECT_EQ(m_nExit, EXIT_OK);
    ExpectCompleteFileAndSummary();
    EXPECT_TRUE(Has(m_strErr, "stopped: the console window was closed")) << ReadAll(m_strErr);
    EXPECT_FALSE(g_KeepAwake.IsHeld());
}

// qltscap loads user32, so log-off and shutdown reach it as a window's messages.
TEST_F(CliConsoleEvents, SessionEndReachesTheHiddenWindowAndEndsTheCapture)
{
    CEndSessionWindow window(m_stop);
    ASSERT_NE(window.Window(), nullptr);
    EXPECT_EQ(FindWindowW(CEndSessionWindow::CLASS_NAME, nullptr), window.Window());
    EXPECT_EQ(SendMessageW(window.Window(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    StartCapture("600");
    SendMessageW(window.Window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(m_bDone);
    m_thread.join();
    EXPECT_EQ(m_nExit, EXIT_OK);
    ExpectCompleteFileAndSummary();
    EXPECT_TRUE(Has(m_strErr, "stopped: the user is logging off")) << ReadAll(m_strErr);
}

TEST_F(CliConsoleEvents, OutputPathsAreCheckedBeforeAnythingIsTuned)
{
    const std::string missing = testing::TempDir() + "no-such-folder\\x.ts";
    EXPECT_EQ(Run({"capture", "1", "--freq", "506000", "--bw", "8", "-o", missing}), EXIT_FILE_OPEN);
    EXPECT_TRUE(Has(m_strErr, "does not exist")) << ReadAll(m_strErr);
    EXPECT_FALSE(Has(m_strErr, "Locking"));

    const std::string longName = testing::TempDir() + std::string(300, 'a') + ".ts";
    EXPECT_EQ(Run({"capture", "1", "--freq", "506000", "--bw", "8", "-o", longName}), EXIT_FILE_OPEN);
    EXPECT_TRUE(Has(m_strErr, "MAX_PATH")) << ReadAll(m_strErr);
    EXPECT_FALSE(Has(m_strErr, "Locking"));

    const std::string folder = testing::TempDir();
    EXPECT_EQ(Run({"scan", "1", "--from", "506000", "--to", "506000", "--step", "8000", "--bw", "8", "-o", folder}),
              EXIT_FILE_OPEN);
    EXPECT_TRUE(Has(m_strErr, "folder")) << ReadAll(m_strErr);

    // NUL stays a discard target.
    EXPECT_EQ(Run({"capture", "1", "--freq", "506000", "--bw", "8", "-o", "NUL", "--seconds", "1"}), EXIT_OK)
        << ReadAll(m_strErr);
    EXPECT_TRUE(Has(m_strErr, "time reached")) << ReadAll(m_strErr);
}

TEST_F(CliConsoleEvents, AnalyzeStopsAtCtrlCAndRefusesAFileWithoutPackets)
{
    // 16 chunks of null packets: a stop seen between chunks leaves most of them unread.
    std::string packets(188 * 5577 * 16, '\xff');
    for (size_t i = 0; i < packets.size(); i += 188)
        packets.replace(i, 4, "\x47\x1f\xff\x10", 4);
    std::ofstream(m_strCapture, std::ios::binary) << packets;
    m_stop.RequestStop();
    EXPECT_EQ(Run({"analyze", m_strCapture, "--json"}), EXIT_OK);
    EXPECT_TRUE(Has(m_strErr, "analysis stopped by Ctrl+C")) << ReadAll(m_strErr);
    const std::string summary = ReadAll(m_strOut);
    EXPECT_EQ(summary.find("\"bytes\":" + std::to_string(packets.size())), std::string::npos) << summary;

    std::ofstream(m_strCapture, std::ios::binary) << "not a transport stream\n";
    CConsoleStop fresh;
    const CliContext context{m_graph, fresh, stdout, stderr};
    const std::string file = m_strCapture;
    const char* argv[] = {"qltscap", "analyze", file.c_str()};
    EXPECT_EQ(RunCli(3, argv, context), EXIT_BAD_ARGUMENT);
}

// A target that cannot be replaced (another program holds it) keeps its old contents.
TEST(ReplaceCliFile, ReplacesInOneStepOrLeavesTheOldFile)
{
    const std::string path = testing::TempDir() + "replace-\xce\xa9.conf";
    const std::wstring wide = WideFromUtf8(path);
    std::string why;
    ASSERT_TRUE(ReplaceCliFile(path, "old\n", &why)) << why;
    HANDLE hHeld = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ReplaceCliFile(path, "new\n", &why));
    EXPECT_NE(why.find("MoveFileExW"), std::string::npos) << why;
    CloseHandle(hHeld);
    std::string text;
    ASSERT_TRUE(ReadCliFile(path, 100, &text, &why));
    EXPECT_EQ(text, "old\n");
    EXPECT_EQ(GetFileAttributesW((wide + L".tmp").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(ReplaceCliFile(path, "new\n", &why)) << why;
    ASSERT_TRUE(ReadCliFile(path, 100, &text, &why));
    EXPECT_EQ(text, "new\n");
    DeleteFileW(wide.c_str());
}

// Aiming an antenna: the watch goes on without lock, one JSON reading per line, until Ctrl+C.
TEST_F(CliConsoleEvents, WatchKeepsReadingWithoutLockUntilCtrlC)
{
    m_thread = std::thread([this] {
        m_nExit = Run({"tune", "1", "--frequency", "514000", "--bandwidth", "8", "--watch", "--json"});
        m_bDone = true;
    });
    auto readings = [this] {
        const std::string out = ReadAll(m_strOut);
        size_t n = 0;
        for (size_t at = out.find("\"locked\":false"); at != std::string::npos; at = out.find("\"locked\":false", at + 1))
            ++n;
        return n;
    };
    ASSERT_TRUE(WaitUntil([&] { return m_bDone || readings() >= 3; })) << ReadAll(m_strErr);
    EXPECT_FALSE(m_bDone);
    m_stop.RequestStop();
    m_thread.join();
    EXPECT_EQ(m_nExit, EXIT_OK);
    EXPECT_TRUE(Has(m_strErr, "the tuner did not lock at 514000 kHz within 2 s (TuneDVBT 0x80004005)"))
        << ReadAll(m_strErr);
    EXPECT_TRUE(Has(m_strOut, "{\"time\":\"")) << ReadAll(m_strOut);
}
