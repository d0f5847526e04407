// A long session of the control panel in one process, over the simulated tuners, with the
// real dialog on this thread as its window thread: every cycle chooses a tuner, tunes it
// and resets the tuning; every 25th cycle also makes a Tune fail (a channel that does not
// lock), a build fail (the tuner refuses to pause) and records 1 MB. Every 100 cycles it
// reports the process's handles by type, its private memory and the Tune times.
//
//   bench_soak.exe [cycles]      (default 300)
// Exits non-zero when the handles or the private memory grow from the first report to
// the last by more than noise (handles: any; memory: 4 KB per cycle). Registry key handles
// are left out of the verdict: the platform's device enumerator keeps one per device it
// walks (see bench_enum_probe); they are reported all the same.
#include "HandleCensus.h"
#include "capture/CaptureState.h"
#include "simtuner/SimTunerLibrary.h"
#include "tuner/TunerGraph.h"
#include "ui/ControlPanelDialog.h"
#include "ui/DialogState.h"
#include "ui/resource.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int REPORT_EVERY = 100;
constexpr int SPECIAL_EVERY = 25;
constexpr double MEMORY_NOISE_PER_CYCLE = 4096.0;
constexpr DWORD CAPTURE_TIMEOUT_MS = 30000;

const char kSoakScenario[] = R"(
[tuner]
name = Quillon DVB-T Terrestrial Tuner
kind = terrestrial
lock_delay = 0
bitrate = 16000000
channel = 506000 bw=8
[tuner]
name = DTV-DVB T Second Terrestrial Tuner
kind = terrestrial
lock_delay = 0
bitrate = 16000000
channel = 506000 bw=8
)";

double NowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Answers the dialog's message boxes ("Stream Capture Done!") from another thread, as a
// user would, so that the session goes on.
class CBoxAnswerer
{
public:
    CBoxAnswerer(HWND hDlg) : m_hDlg(hDlg), m_dwThread(GetCurrentThreadId()), m_thread([this] { Run(); }) {}
    ~CBoxAnswerer()
    {
        m_bStop = true;
        m_thread.join();
    }

private:
    void Run()
    {
        while (!m_bStop) {
            EnumThreadWindows(m_dwThread, Answer, reinterpret_cast<LPARAM>(m_hDlg));
            Sleep(20);
        }
    }
    static BOOL CALLBACK Answer(HWND hWnd, LPARAM lParam)
    {
        char szClass[16] = {};
        GetClassNameA(hWnd, szClass, sizeof(szClass));
        if (hWnd != reinterpret_cast<HWND>(lParam) && IsWindowVisible(hWnd) && strcmp(szClass, "#32770") == 0)
            PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
        return TRUE;
    }

    HWND m_hDlg;
    DWORD m_dwThread;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

class CSession
{
public:
    explicit CSession(HWND hDlg) : m_hDlg(hDlg) {}

    void Choose(int nIndex)
    {
        SendDlgItemMessageA(m_hDlg, IDC_DEVICE_LIST, CB_SETCURSEL, static_cast<WPARAM>(nIndex), 0);
        Command(IDC_DEVICE_LIST, CBN_SELCHANGE);
    }
    // Tunes and returns the status line; the time taken goes to the Tune times.
    std::string Tune(const char* pszFrequency)
    {
        SetDlgItemTextA(m_hDlg, IDC_FREQUENCY, pszFrequency);
        SetDlgItemTextA(m_hDlg, IDC_BW, "8");
        SetDlgItemTextA(m_hDlg, IDC_STATUS, "");
        const double start = NowMs();
        Command(IDC_TUNE, BN_CLICKED);
        m_tuneMs.push_back(NowMs() - start);
        char status[64] = {};
        GetDlgItemTextA(m_hDlg, IDC_STATUS, status, sizeof(status));
        return status;
    }
    void ResetTune() { Command(IDC_RESET_TUNE, BN_CLICKED); }
    // Records 1 MB through Start capture with the size limit; the status timer ends it.
    bool CaptureOneMegabyte(const std::string& path)
    {
        DeleteFileA(path.c_str());
        SetDlgItemTextA(m_hDlg, IDC_CAPTURE_FILE, path.c_str());
        CheckDlgButton(m_hDlg, IDC_LIMIT_ENABLE, BST_CHECKED);
        Command(IDC_LIMIT_ENABLE, BN_CLICKED);
        SetDlgItemTextA(m_hDlg, IDC_LIMIT_MB, "1");
        Command(IDC_START_CAPTURE, BN_CLICKED);
        const DWORD nStart = GetTickCount();
        while (g_CaptureState.IsRecording() && GetTickCount() - nStart < CAPTURE_TIMEOUT_MS) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            Pump();
        }
        const bool bDone = !g_CaptureState.IsRecording() && g_CaptureState.CapturedBytes() >= 1048576;
        Command(IDC_STOP, BN_CLICKED);
        DeleteFileA(path.c_str());
        return bDone;
    }
    std::vector<double> TakeTuneTimes() { return std::move(m_tuneMs); }

private:
    void Command(int id, WORD code)
    {
        SendMessageA(m_hDlg, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(m_hDlg, id)));
        Pump();
    }

    HWND m_hDlg;
    std::vector<double> m_tuneMs;
};

void Report(int nCycles, const ProcessCensus& first, const ProcessCensus& now, std::vector<double> tuneMs)
{
    std::sort(tuneMs.begin(), tuneMs.end());
    const double median = tuneMs.empty() ? 0 : tuneMs[tuneMs.size() / 2];
    const double max = tuneMs.empty() ? 0 : tuneMs.back();
    std::printf("after %3d cycles: %lu handles (%+ld), private memory %.0f KB (%+.0f KB); Tune %.1f ms median, "
                "%.1f ms max\n  %s\n",
                nCycles, now.nHandles, static_cast<long>(now.nHandles) - static_cast<long>(first.nHandles),
                now.nPrivateBytes / 1024.0,
                (static_cast<double>(now.nPrivateBytes) - static_cast<double>(first.nPrivateBytes)) / 1024.0, median,
                max, CensusDifference(first, now).c_str());
}

} // namespace

int main(int argc, char** argv)
{
    const int nCycles = argc > 1 ? std::max(REPORT_EVERY, std::atoi(argv[1])) : 300;
    CSimTunerLibrary library;
    std::string error;
    if (!library.IsLoaded() || library.RegisterScenario(kSoakScenario, &error) != S_OK) {
        std::printf("QLSimTuner.dll must sit beside the benchmark %s\n", error.c_str());
        return 2;
    }
    InterfaceHolder<ISimTunerControl> control, second;
    if (library.OpenControl(L"Quillon DVB-T Terrestrial Tuner", control) != S_OK ||
        library.OpenControl(L"DTV-DVB T Second Terrestrial Tuner", second) != S_OK)
        return 2;

    HWND hDlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONTROL_PANEL), nullptr,
                                   ControlPanelDialogProc, 0x10000);
    if (!hDlg || nQLBDADevs != 2) {
        std::printf("the dialog did not find the two tuners\n");
        return 2;
    }
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof(temp), temp);
    const std::string path = std::string(temp) + "qlts-bench-soak.ts";

    CSession session(hDlg);
    CBoxAnswerer answerer(hDlg);
    bool bOk = true;
    ProcessCensus first;
    ProcessCensus last;
    // The first report's figures come after a warm-up cycle of each kind.
    for (int cycle = -SPECIAL_EVERY; cycle < nCycles; ++cycle) {
        session.Choose((cycle + SPECIAL_EVERY) % 2);
        const bool bSpecial = (cycle + SPECIAL_EVERY) % SPECIAL_EVERY == 0;
        if (bSpecial) {
            session.Choose(0);
            bOk = session.Tune("474000") != "Locked" && bOk;
            control->FailCall(SIM_CALL_FILTER_PAUSE, SIM_NODE_NONE, E_FAIL, 1);
            bOk = session.Tune("506000") != "Locked" && bOk;
        }
        if (session.Tune("506000") != "Locked") {
            std::printf("cycle %d: the tuner did not lock\n", cycle);
            bOk = false;
        }
        if (bSpecial && !session.CaptureOneMegabyte(path)) {
            std::printf("cycle %d: the 1 MB capture did not end at its limit\n", cycle);
            bOk = false;
        }
        session.ResetTune();
        // The simulated driver's call logs would grow with the session: they are not the program's.
        control->ClearCalls();
        second->ClearCalls();
        if (cycle == -1) {
            first = TakeCensus();
            session.TakeTuneTimes();
        } else if (cycle >= 0 && (cycle + 1) % REPORT_EVERY == 0) {
            last = TakeCensus();
            Report(cycle + 1, first, last, session.TakeTuneTimes());
        }
    }
    DestroyWindow(hDlg);
    g_TunerGraph.DestroyGraph();

    const long nKeyGrowth = last.HandlesByType[L"Key"] - first.HandlesByType[L"Key"];
    const long nHandleGrowth = static_cast<long>(last.nHandles) - static_cast<long>(first.nHandles) - nKeyGrowth;
    const double memoryPerCycle =
        (static_cast<double>(last.nPrivateBytes) - static_cast<double>(first.nPrivateBytes)) / nCycles;
    std::printf("growth over %d cycles: %ld handles besides %ld registry keys (%.2f keys per cycle), %.0f bytes "
                "private memory per cycle\n",
                nCycles, nHandleGrowth, nKeyGrowth, static_cast<double>(nKeyGrowth) / nCycles, memoryPerCycle);
    control.Reset();
    second.Reset();
    auto pRemove = library.Proc<HRESULT(WINAPI*)()>("DllUnregisterServer");
    if (pRemove)
        pRemove();
    const bool bFlat = nHandleGrowth <= 0 && memoryPerCycle < MEMORY_NOISE_PER_CYCLE;
    std::printf("%s\n", bOk && bFlat ? "no growth" : (bOk ? "GROWTH" : "SESSION FAILED"));
    return bOk && bFlat ? 0 : 1;
}
