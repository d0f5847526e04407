#include "DialogTemplate.h"
#include "tuner/TuneChoices.h"
#include "ui/ChoiceLists.h"
#include "ui/ControlPanelDialog.h"
#include "ui/resource.h"

#include <commctrl.h>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

enum Kind { COMBO_LIST, COMBO_EDIT, EDIT, CHECK, FLAT_CHECK, PUSH, STATIC, STATIC_NOWRAP, STATIC_SUNKEN, PROGRESS, RADIO_GROUP, RADIO };

struct Expected {
    int id;
    Kind kind;
    const wchar_t* caption;
    short x, y, cx, cy;
    bool vscroll;
};

// The control panel's controls in creation order.
const Expected kControls[] = {
    {IDC_DEVICE_LIST, COMBO_LIST, L"", 61, 6, 144, 70, true},
    {IDC_FREQUENCY, EDIT, L"", 100, 47, 65, 14},
    {IDC_BW, EDIT, L"", 100, 64, 65, 14},
    {IDC_LOF1, EDIT, L"", 100, 123, 65, 14},
    {IDC_LOF_SWITCH, EDIT, L"", 100, 140, 65, 14},
    {IDC_LOF2, EDIT, L"", 100, 157, 65, 14},
    {IDC_SYMBOL_RATE, EDIT, L"", 100, 174, 65, 14},
    {IDC_CONSTELLATION, EDIT, L"", 100, 208, 65, 14},
    {IDC_DISEQC, COMBO_EDIT, L"", 216, 97, 29, 54},
    {IDC_TONE_22K, COMBO_EDIT, L"", 283, 97, 31, 51},
    {IDC_LNB_POWER, COMBO_EDIT, L"", 99, 97, 75, 47},
    {IDC_LNB_TYPE, COMBO_EDIT, L"", 99, 109, 75, 49},
    {IDC_CAPTURE_FILE, EDIT, L"", 100, 261, 206, 12},
    {IDC_LIMIT_ENABLE, CHECK, L"Limit capture file size to", 78, 281, 88, 10},
    {IDC_LIMIT_MB, EDIT, L"", 169, 280, 34, 12},
    {IDC_TUNE, PUSH, L"Tune", 17, 241, 50, 14},
    {IDC_RESET_TUNE, PUSH, L"Reset Tune", 100, 240, 50, 14},
    {IDC_START_CAPTURE, PUSH, L"Start capture", 17, 260, 50, 14},
    {IDC_STOP, PUSH, L"Stop", 17, 279, 50, 14},
    {IDC_DRIVER_INFO, STATIC, L"", 63, 21, 236, 8},
    {IDC_STATUS, STATIC_NOWRAP, L"", 0, 300, 331, 10},
    {IDC_SIGNAL_TEXT, STATIC_SUNKEN, L"", 173, 122, 144, 64},
    {IDC_FREQUENCY_LABEL, STATIC, L"Frequency, KHz", 18, 50, 53, 8},
    {IDC_STATIC, STATIC, L"Bandwidth (6,7,8)", 18, 67, 57, 8},
    {IDC_STATIC, STATIC, L"LOF1, MHz", 18, 126, 37, 8},
    {IDC_STATIC, STATIC, L"LOF Switch, MHz", 18, 143, 56, 8},
    {IDC_STATIC, STATIC, L"LOF2, MHz", 18, 160, 37, 8},
    {IDC_STATIC, STATIC, L"SymbolRate, Ksps", 18, 178, 61, 8},
    {IDC_STATIC, STATIC, L"Costellation (64,256 ...)", 18, 212, 76, 8},
    {IDC_STATIC, STATIC, L"Polarity", 18, 84, 26, 8},
    {IDC_LEVEL_BAR, PROGRESS, L"Progress1", 208, 47, 108, 8},
    {IDC_STATIC, STATIC, L"Strength", 172, 47, 32, 8},
    {IDC_QUALITY_BAR, PROGRESS, L"Progress1", 208, 64, 108, 8},
    {IDC_STATIC, STATIC, L"Quality", 172, 64, 32, 8},
    {IDC_LOCKED, FLAT_CHECK, L"Locked", 171, 82, 34, 10},
    {IDC_BROWSE, PUSH, L"...", 309, 261, 8, 11},
    {1049, STATIC, L"Path", 77, 263, 16, 8},
    {1050, STATIC, L"Limit capture file size to", 88, 282, 79, 8},
    {IDC_MBYTES_LABEL, STATIC, L"MBytes", 206, 282, 26, 8},
    {1075, STATIC, L"BDA Filter", 18, 8, 34, 8},
    {1076, STATIC, L"Driver info:", 18, 21, 37, 8},
    {1077, STATIC, L"Device info:", 18, 34, 40, 8},
    {IDC_DEVICE_INFO, STATIC, L"", 63, 35, 236, 8},
    {1089, STATIC, L"DiSEqC", 189, 99, 26, 8},
    {1091, STATIC, L"22K Tone", 250, 99, 32, 8},
    {1093, STATIC, L"LNBPower", 18, 98, 35, 8},
    {1095, STATIC, L"LNB Type", 18, 110, 33, 8},
    {IDC_VERTICAL, RADIO_GROUP, L"Vertical", 87, 83, 34, 10},
    {IDC_HORIZONTAL, RADIO, L"Horizontal", 122, 83, 45, 10},
    {IDC_STATIC, STATIC, L"DVB-S Modulation", 18, 195, 60, 8},
    {IDC_MODULATION, COMBO_EDIT, L"", 100, 191, 118, 47, true},
};

const wchar_t* ClassOf(Kind kind)
{
    switch (kind) {
    case COMBO_LIST: case COMBO_EDIT: return L"ComboBox";
    case EDIT: return L"Edit";
    case CHECK: case FLAT_CHECK: case PUSH: case RADIO_GROUP: case RADIO: return L"Button";
    case PROGRESS: return L"msctls_progress32";
    default: return L"Static";
    }
}

void ExpectStyle(const Expected& e, DWORD style)
{
    SCOPED_TRACE(e.id);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_FALSE(style & WS_DISABLED);
    switch (e.kind) {
    case COMBO_LIST: EXPECT_EQ(style & 3, static_cast<DWORD>(CBS_DROPDOWNLIST)); break;
    case COMBO_EDIT: EXPECT_EQ(style & 3, static_cast<DWORD>(CBS_DROPDOWN)); break;
    case EDIT:
        EXPECT_TRUE(style & WS_BORDER);
        EXPECT_TRUE(style & ES_AUTOHSCROLL);
        EXPECT_TRUE(style & WS_TABSTOP);
        EXPECT_FALSE(style & ES_NUMBER) << "no field restricts input to digits";
        break;
    case CHECK: EXPECT_EQ(style & 0xF, static_cast<DWORD>(BS_AUTOCHECKBOX)); break;
    case FLAT_CHECK:
        EXPECT_EQ(style & 0xF, static_cast<DWORD>(BS_AUTOCHECKBOX));
        EXPECT_TRUE(style & BS_FLAT);
        break;
    case PUSH: EXPECT_EQ(style & 0xF, static_cast<DWORD>(BS_PUSHBUTTON)); break;
    case RADIO_GROUP:
        EXPECT_EQ(style & 0xF, static_cast<DWORD>(BS_AUTORADIOBUTTON));
        EXPECT_TRUE(style & WS_GROUP);
        break;
    case RADIO:
        EXPECT_EQ(style & 0xF, static_cast<DWORD>(BS_AUTORADIOBUTTON));
        EXPECT_FALSE(style & WS_GROUP);
        break;
    case STATIC: EXPECT_EQ(style & SS_TYPEMASK, static_cast<DWORD>(SS_LEFT)); break;
    case STATIC_NOWRAP: EXPECT_EQ(style & SS_TYPEMASK, static_cast<DWORD>(SS_LEFTNOWORDWRAP)); break;
    case STATIC_SUNKEN: EXPECT_TRUE(style & SS_SUNKEN); break;
    case PROGRESS: EXPECT_TRUE(style & PBS_SMOOTH); break;
    }
    EXPECT_EQ(static_cast<bool>(style & WS_VSCROLL), e.vscroll);
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

class CDialogWindow
{
public:
    explicit CDialogWindow(DLGPROC proc)
    {
        InitCommonControls();
        m_hWnd = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONTROL_PANEL), nullptr, proc, 0);
    }
    ~CDialogWindow() { if (IsWindow(m_hWnd)) DestroyWindow(m_hWnd); }
    HWND Get() const { return m_hWnd; }

private:
    HWND m_hWnd;
};

} // namespace

TEST(ControlPanelTemplate, DialogFrameSizeFontAndCaption)
{
    DialogTemplate t;
    ASSERT_TRUE(ReadDialogTemplate(IDD_CONTROL_PANEL, &t));
    EXPECT_EQ(t.x, 22); EXPECT_EQ(t.y, 17); EXPECT_EQ(t.cx, 331); EXPECT_EQ(t.cy, 310);
    EXPECT_EQ(t.caption, L"Quillon BDA Transport Stream Capture");
    EXPECT_EQ(t.font, L"System");
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_FALSE(t.hasMenu);
    // Exactly these: no popup style, and not visible until initialisation is done.
    EXPECT_EQ(t.style, static_cast<DWORD>(WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX | DS_MODALFRAME | DS_SETFONT))
        << std::hex << t.style;
}

TEST(ControlPanelTemplate, EveryControlInOrderWithIdClassCaptionStyleAndPosition)
{
    DialogTemplate t;
    ASSERT_TRUE(ReadDialogTemplate(IDD_CONTROL_PANEL, &t));
    ASSERT_EQ(t.items.size(), 51u);
    for (size_t i = 0; i < t.items.size(); ++i) {
        const Expected& e = kControls[i];
        const TemplateItem& item = t.items[i];
        SCOPED_TRACE(testing::Message() << "control " << i << " id " << e.id);
        EXPECT_EQ(static_cast<short>(item.id), e.id);
        EXPECT_EQ(0, _wcsicmp(item.className.c_str(), ClassOf(e.kind))) << "class names are case-insensitive";
        EXPECT_EQ(item.caption, e.caption);
        EXPECT_EQ(item.x, e.x); EXPECT_EQ(item.y, e.y); EXPECT_EQ(item.cx, e.cx); EXPECT_EQ(item.cy, e.cy);
        ExpectStyle(e, item.style);
    }
}

TEST(ControlPanelTemplate, CreatedDialogHasEveryControlAtItsPlace)
{
    CDialogWindow dialog(PlainDialogProc);
    ASSERT_TRUE(dialog.Get());
    RECT client;
    GetClientRect(dialog.Get(), &client);
    RECT expectedClient = {0, 0, 331, 310};
    MapDialogRect(dialog.Get(), &expectedClient);
    EXPECT_EQ(client.right, expectedClient.right);
    EXPECT_EQ(client.bottom, expectedClient.bottom);
    for (const Expected& e : kControls) {
        if (e.id == IDC_STATIC)
            continue;
        SCOPED_TRACE(e.id);
        HWND control = GetDlgItem(dialog.Get(), e.id);
        ASSERT_TRUE(control);
        wchar_t className[64];
        GetClassNameW(control, className, 64);
        EXPECT_EQ(0, lstrcmpiW(className, ClassOf(e.kind)));
        EXPECT_TRUE(IsWindowEnabled(control));
        // The dialog manager converts origin and size separately.
        RECT mapped = {e.x, e.y, e.cx, e.cy};
        MapDialogRect(dialog.Get(), &mapped);
        const RECT expected = {mapped.left, mapped.top, mapped.left + mapped.right, mapped.top + mapped.bottom};
        RECT actual;
        GetWindowRect(control, &actual);
        MapWindowPoints(nullptr, dialog.Get(), reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.right, expected.right);
        if (e.kind != COMBO_LIST && e.kind != COMBO_EDIT) {
            EXPECT_EQ(actual.bottom, expected.bottom);
        }
        if (e.kind != PROGRESS && e.kind != COMBO_LIST && e.kind != COMBO_EDIT) {
            wchar_t text[64] = {};
            GetWindowTextW(control, text, 64);
            EXPECT_STREQ(text, e.caption);
        }
    }
}

TEST(ControlPanelTemplate, ChoiceListsHoldTheirEntriesInOrderAndSelectNothing)
{
    CDialogWindow dialog(PlainDialogProc);
    ASSERT_TRUE(dialog.Get());
    FillChoiceLists(dialog.Get());
    struct List { int id; std::vector<std::string> entries; };
    const List lists[] = {
        {IDC_DISEQC, {"None", "A", "B", "C", "D"}},
        {IDC_TONE_22K, {"AUTO", "OFF", "ON"}},
        {IDC_LNB_POWER, {"OFF", "ON"}},
        {IDC_LNB_TYPE, {"Low 5150,High 5750", "Universal LNB", "Custom"}},
        {IDC_MODULATION, {"SAT_MOD_UNKNOWN(0)", "SAT_MOD_QPSK(20)", "SAT_MOD_8PSK(23)", "SAT_MOD_16APSK(24)", "SAT_MOD_32APSK(22)"}},
    };
    for (const List& list : lists) {
        SCOPED_TRACE(list.id);
        ASSERT_EQ(SendDlgItemMessageA(dialog.Get(), list.id, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(list.entries.size()));
        for (size_t i = 0; i < list.entries.size(); ++i) {
            char text[64] = {};
            SendDlgItemMessageA(dialog.Get(), list.id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            EXPECT_EQ(list.entries[i], text);
        }
        EXPECT_EQ(SendDlgItemMessageA(dialog.Get(), list.id, CB_GETCURSEL, 0, 0), CB_ERR);
    }
    EXPECT_EQ(SendDlgItemMessageA(dialog.Get(), IDC_DEVICE_LIST, CB_GETCOUNT, 0, 0), 0);
}

TEST(ControlPanelTemplate, ModulationPositionsMapToTheDriverCodes)
{
    const int codes[] = {0, 20, 23, 24, 22};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(ModulationCodeForIndex(i), codes[i]);
    EXPECT_EQ(ModulationCodeForIndex(-1), 0) << "no selection sends the unknown modulation";
    EXPECT_EQ(ModulationCodeForIndex(5), 0);
}

TEST(ControlPanelTemplate, DisableTuningControlsSwitchesOffExactlyTheGroup)
{
    CDialogWindow dialog(PlainDialogProc);
    ASSERT_TRUE(dialog.Get());
    DisableTuningControls(dialog.Get());
    const int group[] = {IDC_RESET_TUNE, IDC_FREQUENCY, IDC_BW, IDC_VERTICAL, IDC_HORIZONTAL, IDC_LOF1, IDC_LOF_SWITCH,
                         IDC_LOF2, IDC_SYMBOL_RATE, IDC_CONSTELLATION, IDC_TUNE, IDC_DISEQC, IDC_TONE_22K, IDC_LNB_POWER,
                         IDC_LNB_TYPE, IDC_MODULATION, IDC_START_CAPTURE, IDC_BROWSE, IDC_LIMIT_MB};
    for (const Expected& e : kControls) {
        if (e.id == IDC_STATIC)
            continue;
        const bool inGroup = std::find(std::begin(group), std::end(group), e.id) != std::end(group);
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog.Get(), e.id)) == FALSE, inGroup) << e.id;
    }
}
