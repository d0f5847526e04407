// A long session of the control panel in one process, over the simulated tuners, with the
// real dialog on this thread as its window thread, tried as a user would: five devices with
// a foreign one listed first; every cycle chooses the next of the four kinds in turn (the
// satellite one with its LNB preset and polarity), tunes it and resets the tuning; every
// 25th cycle also makes a Tune fail (a channel that does not lock), a build fail (the tuner
// refuses to pause) and records 1 MB. Every 100 cycles it reports the process's handles by
// type, its private memory as Wine counts it and its data segment as Linux sees the process
// (VmData), and the Tune times.
//
//   bench_soak.exe [cycles]      (default 300)
// After a warm-up of 100 cycles, exits non-zero when the handles or the memory grow by more
// than noise (handles: any; memory, either figure: 2 KB per cycle). Registry key
// handles are left out of the verdict: the platform's device enumerator keeps one per
// device it walks (see bench_enum_probe); they are reported all the same.
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
// Cycles before the first figures: every kind tuned 25 times, each special case 4 times.
// The process's memory rises by about 0.6 MB over the first hundred cycles of a session and
// then holds: the figures watch what follows.
constexpr int WARM_UP_CYCLES = 100;
constexpr double MEMORY_NOISE_PER_CYCLE = 2048.0;
constexpr DWORD CAPTURE_TIMEOUT_MS = 30000;

const char kSoakScenario[] = R"(
[tuner]
name = Generic BDA DVB-T Tuner
kind = terrestrial
lock_delay = 0
channel = 506000 bw=8
[tuner]
name = DTV-DVB S2 Satellite Tuner
kind = satellite
lock_delay = 0
bitrate = 16000000
channel = 12188000 pol=H sr=27500
[tuner]
name = Quillon DVB-T Terrestrial Tuner
kind = terrestrial
lock_delay = 0
bitrate = 16000000
channel = 506000 bw=8
[tuner]
name = DTV-DVB C Cable Tuner
kind = cable
lock_delay = 0
bitrate = 16000000
channel = 346000 sr=6900 qam=256
[tuner]
name = DTV-ATSC Tuner
kind = atsc
lock_delay = 0
bitrate = 16000000
channel = 573250
)";

struct FieldText {
    int id;
    const char* pszText;
};

// One maker's tuner of the session: the fields typed before its Tune (the frequency
// first), a channel that does not lock, and for satellite the LNB preset and polarity.
struct SoakTuner {
    const wchar_t* pszName;
    FieldText Fields[3];
    const char* pszMissFrequency;
    int nLnbPreset;  // -1: none
    int idPolarity;  // 0: none
};

const SoakTuner kSoakTuners[] = {
    {L"DTV-DVB S2 Satellite Tuner", {{IDC_FREQUENCY, "12188"}, {IDC_SYMBOL_RATE, "27500"}, {0, nullptr}}, "12100", 1,
     IDC_HORIZONTAL},
    {L"Quillon DVB-T Terrestrial Tuner", {{IDC_FREQUENCY, "506000"}, {IDC_BW, "8"}, {0, nullptr}}, "474000", -1, 0},
    {L"DTV-DVB C Cable Tuner", {{IDC_FREQUENCY, "346000"}, {IDC_SYMBOL_RATE, "6900"}, {IDC_CONSTELLATION, "256"}},
     "306000", -1, 0},
    {L"DTV-ATSC Tuner", {{IDC_FREQUENCY, "575000"}, {0, nullptr}, {0, nullptr}}, "545000", -1, 0},
};
constexpr int SOAK_TUNER_COUNT = static_cast<int>(sizeof(kSoakTuners) / sizeof(kSoakTuners[0]));

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

    // Chooses the tuner by its name in the device list; false when the list lacks it.
    bool Choose(const SoakTuner& tuner)
    {
        char szName[200] = {};
        WideCharToMultiByte(CP_ACP, 0, tuner.pszName, -1, szName, sizeof(szName), nullptr, nullptr);
        const LRESULT nIndex = SendDlgItemMessageA(m_hDlg, IDC_DEVICE_LIST, CB_FINDSTRINGEXACT,
                                                   static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(szName));
        if (nIndex == CB_ERR)
            return false;
        SendDlgItemMessageA(m_hDlg, IDC_DEVICE_LIST, CB_SETCURSEL, static_cast<WPARAM>(nIndex), 0);
        Command(IDC_DEVICE_LIST, CBN_SELCHANGE);
        return true;
    }
    // Types the tuner's fields, with pszFrequency in place of its own when given, tunes and
    // returns the status line; the time taken goes to the Tune times.
    std::string Tune(const SoakTuner& tuner, const char* pszFrequency = nullptr)
    {
        if (tuner.nLnbPreset >= 0) {
            SendDlgItemMessageA(m_hDlg, IDC_LNB_TYPE, CB_SETCURSEL, static_cast<WPARAM>(tuner.nLnbPreset), 0);
            Command(IDC_LNB_TYPE, CBN_SELCHANGE);
        }
        if (tuner.idPolarity)
            SendDlgItemMessageA(m_hDlg, tuner.idPolarity, BM_CLICK, 0, 0);
        for (const FieldText& field : tuner.Fields)
            if (field.pszText)
                SetDlgItemTextA(m_hDlg, field.id, field.pszText);
        if (pszFrequency)
            SetDlgItemTextA(m_hDlg, IDC_FREQUENCY, pszFrequency);
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

double Kilobytes(unsigned long long nNow, unsigned long long nFirst)
{
    return (static_cast<double>(nNow) - static_cast<double>(nFirst)) / 1024.0;
}

void Report(int nCycles, const ProcessCensus& first, const ProcessCensus& now, std::vector<double> tuneMs)
{
    std::sort(tuneMs.begin(), tuneMs.end());
    const double median = tuneMs.empty() ? 0 : tuneMs[tuneMs.size() / 2];
    const double max = tuneMs.empty() ? 0 : tuneMs.back();
    std::printf("after %3d cycles: %lu handles (%+ld), private memory %.0f KB (%+.0f KB), VmData %.0f KB (%+.0f KB); "
                "Tune %.1f ms median, %.1f ms max\n  %s\n",
                nCycles, now.nHandles, static_cast<long>(now.nHandles) - static_cast<long>(first.nHandles),
                now.nPrivateBytes / 1024.0, Kilobytes(now.nPrivateBytes, first.nPrivateBytes),
                now.nVmDataBytes / 1024.0, Kilobytes(now.nVmDataBytes, first.nVmDataBytes), median, max,
                CensusDifference(first, now).c_str());
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
    InterfaceHolder<ISimTunerControl> foreign;
    InterfaceHolder<ISimTunerControl> controls[SOAK_TUNER_COUNT];
    bool bOpened = library.OpenControl(L"Generic BDA DVB-T Tuner", foreign) == S_OK;
    for (int i = 0; i < SOAK_TUNER_COUNT; ++i)
        bOpened = library.OpenControl(kSoakTuners[i].pszName, controls[i]) == S_OK && bOpened;
    if (!bOpened)
        return 2;

    HWND hDlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONTROL_PANEL), nullptr,
                                   ControlPanelDialogProc, 0x10000);
    if (!hDlg || nQLBDADevs != SOAK_TUNER_COUNT) {
        std::printf("the dialog did not find the four maker's tuners\n");
        return 2;
    }
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof(temp), temp);
    const std::string path = std::string(temp) + "qlts-bench-soak.ts";

    CSession session(hDlg);
    CBoxAnswerer answerer(hDlg);
    bool bOk = true;
    ProcessCensus first;
    ProcessCensus previous;
    ProcessCensus last;
    for (int cycle = -WARM_UP_CYCLES; cycle < nCycles; ++cycle) {
        const int nTuner = (cycle + WARM_UP_CYCLES) % SOAK_TUNER_COUNT;
        const SoakTuner& tuner = kSoakTuners[nTuner];
        if (!session.Choose(tuner)) {
            std::printf("cycle %d: the device list lacks %ls\n", cycle, tuner.pszName);
            bOk = false;
            break;
        }
        const bool bSpecial = (cycle + WARM_UP_CYCLES) % SPECIAL_EVERY == 0;
        if (bSpecial) {
            bOk = session.Tune(tuner, tuner.pszMissFrequency) != "Locked" && bOk;
            controls[nTuner]->FailCall(SIM_CALL_FILTER_PAUSE, SIM_NODE_NONE, E_FAIL, 1);
            bOk = session.Tune(tuner) != "Locked" && bOk;
        }
        if (session.Tune(tuner) != "Locked") {
            std::printf("cycle %d: %ls did not lock\n", cycle, tuner.pszName);
            bOk = false;
        }
        if (bSpecial && !session.CaptureOneMegabyte(path)) {
            std::printf("cycle %d: the 1 MB capture did not end at its limit\n", cycle);
            bOk = false;
        }
        session.ResetTune();
        // The simulated driver's call logs would grow with the session: they are not the program's.
        foreign->ClearCalls();
        for (InterfaceHolder<ISimTunerControl>& control : controls)
            control->ClearCalls();
        if (cycle == -1) {
            first = previous = TakeCensus();
            session.TakeTuneTimes();
        } else if (cycle >= 0 && (cycle + 1) % REPORT_EVERY == 0) {
            last = TakeCensus();
            Report(cycle + 1, first, last, session.TakeTuneTimes());
            std::printf("  these %d cycles: private memory %+.0f KB, VmData %+.0f KB, heaps %+.0f KB committed of "
                        "which %+.0f KB in busy blocks, %+d registry keys\n",
                        REPORT_EVERY, Kilobytes(last.nPrivateBytes, previous.nPrivateBytes),
                        Kilobytes(last.nVmDataBytes, previous.nVmDataBytes),
                        Kilobytes(last.nHeapCommittedBytes, previous.nHeapCommittedBytes),
                        Kilobytes(last.nHeapBusyBytes, previous.nHeapBusyBytes),
                        last.HandlesByType[L"Key"] - previous.HandlesByType[L"Key"]);
            previous = last;
        }
    }
    DestroyWindow(hDlg);
    g_TunerGraph.DestroyGraph();

    const long nKeyGrowth = last.HandlesByType[L"Key"] - first.HandlesByType[L"Key"];
    const long nHandleGrowth = static_cast<long>(last.nHandles) - static_cast<long>(first.nHandles) - nKeyGrowth;
    const double memoryPerCycle = Kilobytes(last.nPrivateBytes, first.nPrivateBytes) * 1024.0 / nCycles;
    const double vmDataPerCycle = Kilobytes(last.nVmDataBytes, first.nVmDataBytes) * 1024.0 / nCycles;
    std::printf("growth over %d cycles: %ld handles besides %ld registry keys (%.2f keys per cycle), %.0f bytes "
                "private memory and %.0f bytes VmData per cycle\n",
                nCycles, nHandleGrowth, nKeyGrowth, static_cast<double>(nKeyGrowth) / nCycles, memoryPerCycle,
                vmDataPerCycle);
    foreign.Reset();
    for (InterfaceHolder<ISimTunerControl>& control : controls)
        control.Reset();
    auto pRemove = library.Proc<HRESULT(WINAPI*)()>("DllUnregisterServer");
    if (pRemove)
        pRemove();
    const bool bFlat =
        nHandleGrowth <= 0 && memoryPerCycle < MEMORY_NOISE_PER_CYCLE && vmDataPerCycle < MEMORY_NOISE_PER_CYCLE;
    std::printf("%s\n", bOk && bFlat ? "no growth" : (bOk ? "GROWTH" : "SESSION FAILED"));
    return bOk && bFlat ? 0 : 1;
}
