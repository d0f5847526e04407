// Drives the real control panel in-process against the simulated tuners: the dialog is
// created from its template on the test's thread, which is also its window thread; the
// test types, chooses and clicks by messages, and a helper thread answers the message
// boxes and the save dialog that the handlers open. Header only, shared by the
// tests/win/dialog_* suites.
#pragma once

#include "capture/CaptureState.h"
#include "simtuner/SimTunerLibrary.h"
#include "support/TraceCapture.h"
#include "tuner/TunerGraph.h"
#include "ui/ControlPanelDialog.h"
#include "ui/DialogState.h"
#include "ui/resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

constexpr UINT_PTR IDT_STATUS_TIMER = 12345;

// Puts the dialog's program-wide state back to what a fresh process starts with, so that
// every dialog a test creates starts like the program's only one.
inline void ResetDialogState()
{
    memset(QLDevs, 0, sizeof(QLDevs));
    memset(nQLDevOrdinal, 0, sizeof(nQLDevOrdinal));
    nQLBDADevs = 0;
    memset(DevInfo, 0, sizeof(DevInfo));
    memset(DrvInfo, 0, sizeof(DrvInfo));
    nSelectedDevice = 0;
    nLastListIndex = 0;
    strDriverLine.clear();
    strDeviceLine.clear();
    strTuneFreq.clear();
    strTuneParam.clear();
    strTuneSystem.clear();
    szLastCapturePath.clear();
    bWasRecording = false;
}

// One modal window the helper thread met: its title, and the message text of a box or the
// file name that the save dialog proposed.
struct SeenBox {
    std::string title;
    std::string text;
    std::vector<std::string> items;  // the save dialog's file list
    std::string folder;              // the folder the save dialog shows
    std::vector<int> buttons;        // a message box's buttons among OK, Yes, No and Cancel
    std::string icon;                // its icon: "warning", "error", "information", "question", "other" or ""
    bool operator==(const SeenBox& other) const { return title == other.title && text == other.text; }
};

inline std::ostream& operator<<(std::ostream& os, const SeenBox& box)
{
    return os << "[" << box.title << "] \"" << box.text << "\"";
}

// How to answer the next modal window: a button of a message box, or for the save dialog
// a file name to type and confirm (empty: Cancel).
struct BoxAnswer {
    int nButton;
    std::string fileName;
};

// Answers the modal windows the dialog opens (the save dialog runs on a thread of its own),
// in the order they appear. A
// window without a planned answer is closed with OK, or No when it has no OK button.
class CBoxAnswerer
{
public:
    explicit CBoxAnswerer(HWND hPanel) : m_hPanel(hPanel)
    {
        m_thread = std::thread([this] { Run(); });
    }
    ~CBoxAnswerer()
    {
        m_bStop = true;
        m_thread.join();
    }
    CBoxAnswerer(const CBoxAnswerer&) = delete;
    CBoxAnswerer& operator=(const CBoxAnswerer&) = delete;

    void Plan(int nButton)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_plan.push_back({nButton, std::string()});
    }
    void PlanSave(const std::string& fileName)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_plan.push_back({IDOK, fileName});
    }
    void PlanCancelSave()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_plan.push_back({IDCANCEL, std::string()});
    }
    // The windows met since the last call.
    std::vector<SeenBox> TakeSeen()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<SeenBox> seen;
        seen.swap(m_seen);
        return seen;
    }
    size_t PlannedLeft()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_plan.size();
    }

private:
    struct Search {
        CBoxAnswerer* pSelf;
        HWND hFound;
    };

    static std::string TextOf(HWND hWnd)
    {
        char text[1024] = {};
        DWORD_PTR result = 0;
        SendMessageTimeoutA(hWnd, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 2000, &result);
        return text;
    }

    static BOOL CALLBACK FindModal(HWND hWnd, LPARAM lParam)
    {
        Search* pSearch = reinterpret_cast<Search*>(lParam);
        char className[32] = {};
        GetClassNameA(hWnd, className, sizeof(className));
        DWORD nProcessId = 0;
        GetWindowThreadProcessId(hWnd, &nProcessId);
        if (nProcessId == GetCurrentProcessId() && hWnd != pSearch->pSelf->m_hPanel &&
            strcmp(className, "#32770") == 0 && IsWindowVisible(hWnd) &&
            pSearch->pSelf->m_answered.count(hWnd) == 0) {
            pSearch->hFound = hWnd;
            return FALSE;
        }
        return TRUE;
    }

    // The file name field of the save dialog: the edit inside the combo box 0x47C (itself
    // inside an extended combo box), or an edit 0x480 in the older layout.
    static HWND FileNameEdit(HWND hSave)
    {
        HWND hCombo = GetDlgItem(hSave, 0x47C);
        HWND hInner = hCombo ? FindWindowExA(hCombo, nullptr, "ComboBox", nullptr) : nullptr;
        for (HWND hParent : {hInner, hCombo}) {
            HWND hEdit = hParent ? FindWindowExA(hParent, nullptr, "Edit", nullptr) : nullptr;
            if (hEdit)
                return hEdit;
        }
        return GetDlgItem(hSave, 0x480);
    }

    // The names the save dialog's file list shows (its list view lives in this process).
    static std::vector<std::string> ListedFiles(HWND hSave)
    {
        std::vector<std::string> names;
        HWND hView = FindWindowExA(hSave, nullptr, "SHELLDLL_DefView", nullptr);
        HWND hList = hView ? FindWindowExA(hView, nullptr, "SysListView32", nullptr) : nullptr;
        if (!hList)
            return names;
        const int count = static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char name[MAX_PATH] = {};
            LVITEMA item = {};
            item.iSubItem = 0;
            item.pszText = name;
            item.cchTextMax = sizeof(name);
            SendMessageA(hList, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
            names.push_back(name);
        }
        return names;
    }

    static std::vector<int> ButtonsOf(HWND hBox)
    {
        std::vector<int> buttons;
        for (int id : {IDOK, IDYES, IDNO, IDCANCEL}) {
            if (GetDlgItem(hBox, id))
                buttons.push_back(id);
        }
        return buttons;
    }

    // The icon a box shows in its static icon control, named by the system icon it is.
    static std::string IconOf(HWND hBox)
    {
        for (HWND hChild = FindWindowExA(hBox, nullptr, "Static", nullptr); hChild;
             hChild = FindWindowExA(hBox, hChild, "Static", nullptr)) {
            if ((GetWindowLongPtrA(hChild, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
                continue;
            DWORD_PTR hIcon = 0;
            SendMessageTimeoutA(hChild, STM_GETICON, 0, 0, SMTO_NORMAL, 2000, &hIcon);
            const struct {
                LPCSTR pszId;
                const char* pszName;
            } known[] = {{IDI_WARNING, "warning"}, {IDI_ERROR, "error"}, {IDI_INFORMATION, "information"},
                         {IDI_QUESTION, "question"}};
            for (const auto& k : known) {
                if (hIcon && reinterpret_cast<HICON>(hIcon) == LoadIconA(nullptr, k.pszId))
                    return k.pszName;
            }
            if (hIcon)
                return "other";
        }
        return std::string();
    }

    void Answer(HWND hBox)
    {
        // Let the window finish its initialisation (the save dialog fills its fields late).
        Sleep(50);
        const std::string title = TextOf(hBox);
        const bool bSave = title == "Save As";
        HWND hEdit = bSave ? FileNameEdit(hBox) : nullptr;
        const std::string text = bSave ? (hEdit ? TextOf(hEdit) : std::string()) : TextOf(GetDlgItem(hBox, 0xFFFF));
        const std::vector<std::string> items = bSave ? ListedFiles(hBox) : std::vector<std::string>();
        BoxAnswer answer = {GetDlgItem(hBox, IDOK) ? IDOK : IDNO, std::string()};
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_seen.push_back({title, text, items, bSave ? TextOf(GetDlgItem(hBox, 0x471)) : std::string(),
                              ButtonsOf(hBox), bSave ? std::string() : IconOf(hBox)});
            if (!m_plan.empty()) {
                answer = m_plan.front();
                m_plan.pop_front();
            }
        }
        if (bSave && answer.nButton == IDOK && hEdit) {
            DWORD_PTR result = 0;
            SendMessageTimeoutA(hEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(answer.fileName.c_str()), SMTO_NORMAL,
                                2000, &result);
        }
        PostMessageA(hBox, WM_COMMAND, MAKEWPARAM(answer.nButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(hBox, answer.nButton)));
    }

    void Run()
    {
        while (!m_bStop) {
            Search search = {this, nullptr};
            EnumWindows(FindModal, reinterpret_cast<LPARAM>(&search));
            if (search.hFound) {
                m_answered.insert(search.hFound);
                Answer(search.hFound);
            }
            // A handle is answered once while its window lives; a later window may reuse it.
            for (auto it = m_answered.begin(); it != m_answered.end();)
                it = IsWindow(*it) ? std::next(it) : m_answered.erase(it);
            Sleep(10);
        }
    }

    const HWND m_hPanel;
    std::thread m_thread;
    std::atomic<bool> m_bStop{false};
    std::mutex m_mutex;
    std::deque<BoxAnswer> m_plan;
    std::vector<SeenBox> m_seen;
    std::set<HWND> m_answered;  // the helper thread's own
};

// Names of the controls whose enabled state the dialog manages, for readable comparisons.
struct NamedControl {
    int id;
    const char* pszName;
};
inline const NamedControl kManagedControls[] = {
    {IDC_DEVICE_LIST, "DEVICE_LIST"}, {IDC_FREQUENCY, "FREQUENCY"},       {IDC_BW, "BW"},
    {IDC_LOF1, "LOF1"},               {IDC_LOF_SWITCH, "LOF_SWITCH"},     {IDC_LOF2, "LOF2"},
    {IDC_SYMBOL_RATE, "SYMBOL_RATE"}, {IDC_CONSTELLATION, "CONSTELLATION"}, {IDC_DISEQC, "DISEQC"},
    {IDC_TONE_22K, "TONE_22K"},       {IDC_LNB_POWER, "LNB_POWER"},       {IDC_LNB_TYPE, "LNB_TYPE"},
    {IDC_CAPTURE_FILE, "CAPTURE_FILE"}, {IDC_LIMIT_ENABLE, "LIMIT_ENABLE"}, {IDC_LIMIT_MB, "LIMIT_MB"},
    {IDC_TUNE, "TUNE"},               {IDC_RESET_TUNE, "RESET_TUNE"},     {IDC_START_CAPTURE, "START_CAPTURE"},
    {IDC_STOP, "STOP"},               {IDC_VERTICAL, "VERTICAL"},         {IDC_HORIZONTAL, "HORIZONTAL"},
    {IDC_MODULATION, "MODULATION"},   {IDC_BROWSE, "BROWSE"},             {IDC_MBYTES_LABEL, "MBYTES_LABEL"},
    {IDC_LOCKED, "LOCKED"},
};

using ControlSet = std::set<std::string>;

// Controls enabled in every state of a found tuner.
inline const ControlSet kAlwaysEnabled = {"DEVICE_LIST", "LIMIT_ENABLE", "LOCKED", "MBYTES_LABEL"};
inline const ControlSet kSatelliteInputs = {"FREQUENCY", "VERTICAL", "HORIZONTAL", "LOF1", "LOF_SWITCH", "LOF2",
                                            "SYMBOL_RATE", "DISEQC", "TONE_22K", "LNB_POWER", "LNB_TYPE",
                                            "MODULATION", "TUNE"};
inline const ControlSet kTerrestrialInputs = {"FREQUENCY", "BW", "TUNE"};
inline const ControlSet kCableInputs = {"FREQUENCY", "SYMBOL_RATE", "CONSTELLATION", "TUNE"};
inline const ControlSet kAtscInputs = {"FREQUENCY", "TUNE"};

inline ControlSet Joined(ControlSet a, const ControlSet& b)
{
    a.insert(b.begin(), b.end());
    return a;
}

// Processes the thread's messages (timer ticks among them) for the given time.
inline void Pump(DWORD nMs)
{
    const DWORD nEnd = GetTickCount() + nMs;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const LONG nLeft = static_cast<LONG>(nEnd - GetTickCount());
        if (nLeft <= 0)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(nLeft), QS_ALLINPUT);
    }
}

// Pumps until the condition holds or the time is up; returns the condition.
inline bool PumpUntil(const std::function<bool()>& condition, DWORD nTimeoutMs)
{
    const DWORD nStart = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - nStart > nTimeoutMs)
            return condition();
        Pump(10);
    }
    return true;
}

// A test scenario's devices come and go with the test; the dialog and the manager are the
// program's own (g_TunerGraph, g_CaptureState and the dialog state).
class DialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_library.IsLoaded()) << "QLSimTuner.dll beside the test";
        ResetDialogState();
    }
    void TearDown() override { Close(); }

    void Register(const std::string& scenario)
    {
        std::string error;
        ASSERT_EQ(m_library.RegisterScenario(scenario, &error), S_OK) << error;
    }
    InterfaceHolder<ISimTunerControl> Control(const std::wstring& name)
    {
        InterfaceHolder<ISimTunerControl> control;
        EXPECT_EQ(m_library.OpenControl(name, control), S_OK);
        return control;
    }

    // Creates the dialog as the program does (its initialisation detects the tuners).
    void Create()
    {
        m_hDlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONTROL_PANEL), nullptr,
                                    ControlPanelDialogProc, 0x10000);
        ASSERT_TRUE(m_hDlg != nullptr);
        m_pAnswerer.reset(new CBoxAnswerer(m_hDlg));
        s_pStatusTexts = &m_statusTexts;
        s_pfnStatusProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(Item(IDC_STATUS), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordStatus)));
    }
    // Every text written into the status line since the last call.
    std::vector<std::string> TakeStatusTexts()
    {
        std::vector<std::string> texts;
        texts.swap(m_statusTexts);
        return texts;
    }
    // Ends a recording, closes the window, tears the graph down and removes the devices.
    void Close()
    {
        g_CaptureState.StopCapture();
        if (m_hDlg && IsWindow(m_hDlg))
            DestroyWindow(m_hDlg);
        m_hDlg = nullptr;
        m_pAnswerer.reset();
        g_TunerGraph.StopGraph();
        g_TunerGraph.DestroyGraph();
        auto pRemove = m_library.Proc<HRESULT(WINAPI*)()>("DllUnregisterServer");
        if (pRemove)
            pRemove();
        ResetDialogState();
    }

    HWND Item(int id) const { return GetDlgItem(m_hDlg, id); }
    std::string Text(int id) const
    {
        char text[4096] = {};
        GetDlgItemTextA(m_hDlg, id, text, sizeof(text));
        return text;
    }
    void Type(int id, const std::string& text) { SetDlgItemTextA(m_hDlg, id, text.c_str()); }
    bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
    bool Ticked(int id) const { return IsDlgButtonChecked(m_hDlg, id) == BST_CHECKED; }
    int Selection(int id) const { return static_cast<int>(SendDlgItemMessageA(m_hDlg, id, CB_GETCURSEL, 0, 0)); }
    // Presses a button or tick box the way the mouse does; it must be enabled.
    void Click(int id)
    {
        ASSERT_TRUE(Enabled(id)) << "control " << id << " is disabled";
        SendMessageA(Item(id), BM_CLICK, 0, 0);
    }
    // Chooses a list entry the way the mouse does: the selection changes, the dialog hears of it.
    void Choose(int id, int index)
    {
        SendDlgItemMessageA(m_hDlg, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        Notify(id, CBN_SELCHANGE);
    }
    void Notify(int id, WORD code) { SendMessageA(m_hDlg, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Item(id))); }
    // One status timer tick, handled now.
    void Tick() { SendMessageA(m_hDlg, WM_TIMER, IDT_STATUS_TIMER, 0); }

    ControlSet EnabledControls() const
    {
        ControlSet enabled;
        for (const NamedControl& control : kManagedControls)
            if (Enabled(control.id))
                enabled.insert(control.pszName);
        return enabled;
    }
    std::vector<SeenBox> Boxes() { return m_pAnswerer->TakeSeen(); }
    CBoxAnswerer& Answerer() { return *m_pAnswerer; }

    // The status line's own procedure behind one that records what is written into it.
    static LRESULT CALLBACK RecordStatus(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_SETTEXT && s_pStatusTexts)
            s_pStatusTexts->push_back(lParam ? reinterpret_cast<const char*>(lParam) : "");
        return CallWindowProcA(s_pfnStatusProc, hWnd, message, wParam, lParam);
    }
    static inline std::vector<std::string>* s_pStatusTexts = nullptr;
    static inline WNDPROC s_pfnStatusProc = nullptr;

    CSimTunerLibrary m_library;
    HWND m_hDlg = nullptr;
    std::vector<std::string> m_statusTexts;
    std::unique_ptr<CBoxAnswerer> m_pAnswerer;
};

// How many calls of a kind the simulated device logged.
inline ULONG CallCount(ISimTunerControl* pControl, SimCallId eCall)
{
    ULONG nCount = 0, n = 0;
    pControl->GetCallCount(&nCount);
    for (ULONG i = 0; i < nCount; ++i) {
        SimCallRecord record = {};
        if (pControl->GetCall(i, &record) == S_OK && record.eCall == eCall)
            ++n;
    }
    return n;
}

// The first value of the last call of a kind the device logged (a put_ call's value).
inline ULONG LastValue(ISimTunerControl* pControl, SimCallId eCall)
{
    ULONG nCount = 0;
    pControl->GetCallCount(&nCount);
    for (ULONG i = nCount; i-- > 0;) {
        SimCallRecord record = {};
        if (pControl->GetCall(i, &record) == S_OK && record.eCall == eCall)
            return static_cast<ULONG>(record.Values[0]);
    }
    ADD_FAILURE() << "no call " << eCall;
    return 0;
}

// The local time split as the capture name writes it, for names made between two readings.
inline std::string TimePrefix(const SYSTEMTIME& t)
{
    char text[64];
    snprintf(text, sizeof(text), "%u-%u-%u-%u-%u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
    return text;
}

inline std::string CurrentFolder()
{
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof(folder), folder);
    return folder;
}
