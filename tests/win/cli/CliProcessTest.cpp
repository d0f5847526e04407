// qltscap.exe run as its own process: with a UTF-16 command line, a channel name and an
// output name outside the ANSI code page, and a tuner name read from the system, arrive
// and leave as the user wrote them (output redirected to a file is UTF-8); and a session's
// end reaches it as the messages of a window, after which it ends its capture cleanly.
#include "cli/CliCommands.h"
#include "cli/CliUnicode.h"
#include "cli/EndSessionWindow.h"
#include "win/tunergraph_sim/SimGraphFixture.h"

#include <fstream>
#include <sstream>

namespace {

// U+00E9, U+03A9 and the Greek word for omega, as UTF-8 and as the test types them.
const char kChannel[] = "T\xc3\xa9l\xc3\xa9 \xce\xa9";
const char kTuner[] = "Quillon DVB-T T\xc3\xbcner \xce\xa9";
const char kOutputName[] = "\xcf\x89\xce\xbc\xce\xad\xce\xb3\xce\xb1.ts";

std::wstring TreePath(const wchar_t* pszRelative)
{
    wchar_t szSelf[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szSelf, MAX_PATH);
    std::wstring path = szSelf;
    path.resize(path.find_last_of(L'\\'));
    path.resize(path.find_last_of(L'\\') + 1);
    return path + pszRelative;
}

std::string ReadWide(const std::wstring& path)
{
    std::string text, why;
    ReadCliFile(Utf8FromWide(path.c_str()), 1 << 20, &text, &why);
    return text;
}

class CliProcess : public SimGraphTest
{
protected:
    void SetUp() override
    {
        SimGraphTest::SetUp();
        Register(std::string("[tuner]\nname = ") + kTuner + "\nkind = terrestrial\nlock_delay = 0\nchannel = 506000 bw=8\n");
        const std::string dir = testing::TempDir();
        m_out = WideFromUtf8(dir + "unicode_out.txt");
        m_err = WideFromUtf8(dir + "unicode_err.txt");
        m_capture = WideFromUtf8(dir + kOutputName);
        m_channels = dir + "unicode.conf";
        std::string why;
        ASSERT_TRUE(ReplaceCliFile(m_channels,
                                   std::string("[") + kChannel +
                                       "]\n\tDELIVERY_SYSTEM = DVBT\n\tFREQUENCY = 506000000\n\tBANDWIDTH_HZ = 8000000\n",
                                   &why)) << why;
        DeleteFileW(m_capture.c_str());
    }
    void TearDown() override
    {
        for (const std::wstring& path : {m_out, m_err, m_capture, WideFromUtf8(m_channels)})
            DeleteFileW(path.c_str());
        SimGraphTest::TearDown();
    }

    // Starts qltscap.exe with this command line (after the program name), its outputs
    // going to m_out and m_err.
    bool StartProcess(const std::wstring& arguments)
    {
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        HANDLE hOut = CreateFileW(m_out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        HANDLE hErr = CreateFileW(m_err.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = hOut;
        startup.hStdError = hErr;
        const std::wstring exe = TreePath(L"cli\\qltscap.exe");
        std::wstring line = L"\"" + exe + L"\" " + arguments;
        const bool bStarted =
            CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &m_process);
        CloseHandle(hOut);
        CloseHandle(hErr);
        return bStarted;
    }
    // Waits for the process started last; its exit code.
    DWORD WaitForExit()
    {
        DWORD nExit = 0xFFFFFFFF;
        WaitForSingleObject(m_process.hProcess, INFINITE);
        GetExitCodeProcess(m_process.hProcess, &nExit);
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
        m_process = PROCESS_INFORMATION();
        return nExit;
    }
    DWORD RunProcess(const std::wstring& arguments) { return StartProcess(arguments) ? WaitForExit() : 0xFFFFFFFF; }

    // The top-level windows of the process started last, of this class.
    HWND FindProcessWindow(const wchar_t* pszClass)
    {
        struct Search {
            DWORD nProcessId;
            const wchar_t* pszClass;
            HWND hFound;
        } search = {m_process.dwProcessId, pszClass, nullptr};
        EnumWindows(
            [](HWND hWnd, LPARAM lParam) -> BOOL {
                Search* pSearch = reinterpret_cast<Search*>(lParam);
                DWORD nProcessId = 0;
                wchar_t szClass[64] = {};
                GetWindowThreadProcessId(hWnd, &nProcessId);
                GetClassNameW(hWnd, szClass, 64);
                if (nProcessId == pSearch->nProcessId && !wcscmp(szClass, pSearch->pszClass))
                    pSearch->hFound = hWnd;
                return pSearch->hFound == nullptr;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.hFound;
    }

    PROCESS_INFORMATION m_process = {};

    std::wstring m_out, m_err, m_capture;
    std::string m_channels;
};

} // namespace

TEST_F(CliProcess, NamesOutsideTheAnsiCodePageSurviveTheCommandLineAndTheFiles)
{
    EXPECT_EQ(RunProcess(L"list --json"), static_cast<DWORD>(EXIT_OK)) << ReadWide(m_err);
    EXPECT_NE(ReadWide(m_out).find(kTuner), std::string::npos) << ReadWide(m_out);

    EXPECT_EQ(RunProcess(L"capture \"" + WideFromUtf8(kTuner) + L"\" --channel \"" + WideFromUtf8(kChannel) + L"\" --channels \"" +
                         WideFromUtf8(m_channels) + L"\" -o \"" + m_capture + L"\" --seconds 1"),
              static_cast<DWORD>(EXIT_OK))
        << ReadWide(m_err);
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExW(m_capture.c_str(), GetFileExInfoStandard, &data)) << ReadWide(m_err);
    EXPECT_GT(data.nFileSizeLow, 0u);
    EXPECT_NE(ReadWide(m_err).find(kOutputName), std::string::npos) << ReadWide(m_err);
}

// Windows asks every top-level window before the session ends and tells it when it does;
// the process may be ended once the answer to WM_ENDSESSION is back.
TEST_F(CliProcess, SessionEndStopsTheCaptureWithItsSummaryBeforeTheAnswer)
{
    ASSERT_TRUE(StartProcess(L"capture 0 --freq 506000 --bw 8 -o \"" + m_capture + L"\""));
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    for (int i = 0; i < 1200 && !(GetFileAttributesExW(m_capture.c_str(), GetFileExInfoStandard, &data) &&
                                  data.nFileSizeLow > 0);
         ++i)
        Sleep(50);
    ASSERT_GT(data.nFileSizeLow, 0u) << ReadWide(m_err);
    const HWND hWnd = FindProcessWindow(CEndSessionWindow::CLASS_NAME);
    ASSERT_NE(hWnd, nullptr);
    EXPECT_FALSE(IsWindowVisible(hWnd));
    DWORD_PTR nAnswer = 0;
    EXPECT_TRUE(SendMessageTimeoutW(hWnd, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 60000, &nAnswer));
    EXPECT_EQ(nAnswer, static_cast<DWORD_PTR>(TRUE));
    EXPECT_TRUE(SendMessageTimeoutW(hWnd, WM_ENDSESSION, TRUE, 0, SMTO_BLOCK, 60000, &nAnswer));
    // The answer came after the summary: the output holds it before the process is gone.
    EXPECT_NE(ReadWide(m_out).find("Stream health"), std::string::npos) << ReadWide(m_err);
    EXPECT_EQ(WaitForExit(), static_cast<DWORD>(EXIT_OK));
    EXPECT_NE(ReadWide(m_err).find("Capture ended: stopped: Windows is shutting down"), std::string::npos)
        << ReadWide(m_err);
}
