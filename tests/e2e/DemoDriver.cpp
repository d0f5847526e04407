// Drives a running QLTSCapture from another process, the way a person would: it picks
// list entries, types into fields, clicks buttons, answers message boxes, reads what the
// window shows and saves a picture of the screen after each step.
//
//   QLTSDemoDriver.exe <action> [arguments] ...
//     device <text>            choose the device-list entry starting with text
//     choose <id> <entry>      choose the entry with exactly that text in a choice list
//     type <id> <text>         replace a field's text ("" for empty)
//     click <id>               press a button or tick box
//     status <text> <ms>       wait until the status line reads text
//     box <text> <ms>          wait for a message box with text and press its first button
//     shot <file.bmp>          save the screen
//     report                   print the signal report text
//     verify <min MB>          check the capture file named in the path field
#include "capture/TsPacketChecker.h"
#include "ui/resource.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kTitle[] = "Quillon BDA Transport Stream Capture v1.0.0.6";
HWND g_hPanel = nullptr;

bool Fail(const std::string& message)
{
    printf("demo: FAILED: %s\n", message.c_str());
    fflush(stdout);
    return false;
}

LRESULT Send(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(hWnd, message, wParam, lParam, SMTO_NORMAL, 15000, &result);
    return static_cast<LRESULT>(result);
}

std::string TextOf(HWND hWnd)
{
    char text[4096] = {};
    Send(hWnd, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

HWND Control(int id)
{
    return GetDlgItem(g_hPanel, id);
}

bool WaitForPanel()
{
    for (int i = 0; i < 600 && !g_hPanel; ++i) {
        g_hPanel = FindWindowA(nullptr, kTitle);
        if (!g_hPanel || !IsWindowVisible(g_hPanel)) {
            g_hPanel = nullptr;
            Sleep(100);
        }
    }
    return g_hPanel ? true : Fail("the control panel did not appear");
}

// Choosing an entry the way the mouse does: the list's selection changes and the
// dialog hears about it.
void Select(int id, int index)
{
    Send(Control(id), CB_SETCURSEL, index, 0);
    Send(g_hPanel, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Control(id)));
}

// The entry whose name starts with the given text, as typing its first letters would find it.
bool ChooseDevice(const char* pszPrefix)
{
    HWND list = Control(IDC_DEVICE_LIST);
    const LRESULT index = Send(list, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(pszPrefix));
    if (index < 0)
        return Fail(std::string("no device entry starts with ") + pszPrefix);
    Select(IDC_DEVICE_LIST, static_cast<int>(index));
    const std::string chosen = TextOf(list);
    printf("demo: device \"%s\"\n", chosen.c_str());
    return chosen.compare(0, strlen(pszPrefix), pszPrefix) == 0 ? true : Fail("the list shows " + chosen);
}

bool Choose(int id, const char* pszEntry)
{
    const int index = static_cast<int>(Send(Control(id), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                            reinterpret_cast<LPARAM>(pszEntry)));
    if (index < 0)
        return Fail(std::string("no entry ") + pszEntry);
    Select(id, index);
    return true;
}

// Waits, up to the generous time-out, until the condition holds; returns it.
template <class Condition>
bool WaitUntil(Condition condition, int ms = 15000)
{
    for (int waited = 0; waited <= ms; waited += 20) {
        if (condition())
            return true;
        Sleep(20);
    }
    return condition();
}

// A control the step needs may be enabled by the step before (Reset Tune enables Tune and
// the fields, the limit box its field): wait for it rather than for a fixed time.
bool WaitEnabled(int id)
{
    return WaitUntil([id] { return IsWindowEnabled(Control(id)) != FALSE; })
               ? true
               : Fail("control " + std::to_string(id) + " is disabled");
}

bool Type(int id, const char* pszText)
{
    if (!WaitEnabled(id))
        return false;
    Send(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pszText));
    return true;
}

// Posted, since the handler may open a modal box. A tick box has been handled once its tick
// changed, a radio button once it is ticked; what a push button does, the next step waits for.
bool Click(int id)
{
    if (!WaitEnabled(id))
        return false;
    HWND hControl = Control(id);
    const LONG_PTR type = GetWindowLongPtrA(hControl, GWL_STYLE) & BS_TYPEMASK;
    const LRESULT before = Send(hControl, BM_GETCHECK, 0, 0);
    PostMessageA(hControl, BM_CLICK, 0, 0);
    bool bHandled = true;
    if (type == BS_AUTOCHECKBOX)
        bHandled = WaitUntil([&] { return Send(hControl, BM_GETCHECK, 0, 0) != before; });
    else if (type == BS_AUTORADIOBUTTON)
        bHandled = WaitUntil([&] { return Send(hControl, BM_GETCHECK, 0, 0) == BST_CHECKED; });
    return bHandled ? true : Fail("control " + std::to_string(id) + " did not take the click");
}

bool WaitForStatus(const char* pszText, int ms)
{
    std::string status;
    for (int waited = 0; waited <= ms; waited += 100) {
        status = TextOf(Control(IDC_STATUS));
        if (status == pszText) {
            printf("demo: status \"%s\"\n", status.c_str());
            return true;
        }
        Sleep(100);
    }
    return Fail("status reads \"" + status + "\", not \"" + pszText + "\"");
}

struct BoxSearch {
    HWND hBox;
};

BOOL CALLBACK FindBox(HWND hWnd, LPARAM lParam)
{
    char className[32] = {};
    GetClassNameA(hWnd, className, sizeof(className));
    if (strcmp(className, "#32770") == 0 && hWnd != g_hPanel && IsWindowVisible(hWnd) &&
        GetDlgItem(hWnd, 0xFFFF)) {
        reinterpret_cast<BoxSearch*>(lParam)->hBox = hWnd;
        return FALSE;
    }
    return TRUE;
}

bool SaveScreen(const char* pszFile)
{
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC hScreen = GetDC(nullptr);
    HDC hMemory = CreateCompatibleDC(hScreen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* pBits = nullptr;
    HBITMAP hBitmap = CreateDIBSection(hScreen, &info, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HGDIOBJ old = SelectObject(hMemory, hBitmap);
    BitBlt(hMemory, 0, 0, width, height, hScreen, 0, 0, SRCCOPY);
    SelectObject(hMemory, old);
    const DWORD stride = ((width * 3 + 3) / 4) * 4;
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(header) + sizeof(info.bmiHeader);
    header.bfSize = header.bfOffBits + stride * height;
    FILE* pFile = fopen(pszFile, "wb");
    bool bSaved = false;
    if (pFile) {
        bSaved = fwrite(&header, sizeof(header), 1, pFile) == 1 &&
                 fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, pFile) == 1 &&
                 fwrite(pBits, stride * height, 1, pFile) == 1;
        fclose(pFile);
    }
    DeleteObject(hBitmap);
    DeleteDC(hMemory);
    ReleaseDC(nullptr, hScreen);
    return bSaved ? true : Fail(std::string("cannot save ") + pszFile);
}

bool AnswerBox(const char* pszText, int ms, const char* pszShot)
{
    for (int waited = 0; waited <= ms; waited += 100) {
        BoxSearch search = {nullptr};
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.hBox) {
            const std::string text = TextOf(GetDlgItem(search.hBox, 0xFFFF));
            printf("demo: message box \"%s\"\n", text.c_str());
            if (text != pszText)
                return Fail("unexpected message box");
            // The picture waits for the box to be painted.
            if (pszShot)
                Sleep(300);
            if (pszShot && !SaveScreen(pszShot))
                return false;
            // The first button: OK, or Yes.
            const int button = GetDlgItem(search.hBox, IDOK) ? IDOK : IDYES;
            PostMessageA(search.hBox, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(search.hBox, button)));
            const HWND hBox = search.hBox;
            return WaitUntil([hBox] { return !IsWindow(hBox); }) ? true : Fail("the message box stays open");
        }
        Sleep(100);
    }
    return Fail(std::string("no message box \"") + pszText + "\"");
}

// The capture holds the transport stream: packets on the grid, the test stream complete.
bool VerifyCapture(unsigned minMB)
{
    const std::string path = TextOf(Control(IDC_CAPTURE_FILE));
    FILE* pFile = fopen(path.c_str(), "rb");
    if (!pFile)
        return Fail("cannot open the capture " + path);
    ResetTestStreamCounters();
    std::vector<uint8_t> buffer(1 << 20), carry(TS_CARRY_SIZE);
    int32_t nCarry = 0;
    uint64_t nSize = 0;
    for (size_t n; (n = fread(buffer.data(), 1, buffer.size(), pFile)) > 0;) {
        AlignPackets(buffer.data(), static_cast<int32_t>(n), carry.data(), nCarry);
        nSize += n;
    }
    fclose(pFile);
    printf("demo: capture %s: %llu bytes, %u test packets, %u CRC errors, %u lost\n", path.c_str(),
           static_cast<unsigned long long>(nSize), nTestPackets.load(), nCrcErrors.load(), nLostPackets.load());
    if (nSize < static_cast<uint64_t>(minMB) * 1048576)
        return Fail("the capture is smaller than " + std::to_string(minMB) + " MB");
    if (nTestPackets.load() == 0 || nCrcErrors.load() != 0 || nLostPackets.load() != 0)
        return Fail("the test stream in the capture is not clean");
    printf("demo: capture file %s\n", path.c_str());
    return true;
}

bool Run(int argc, char** argv)
{
    if (!WaitForPanel())
        return false;
    for (int i = 1; i < argc; ++i) {
        const std::string action = argv[i];
        auto arg = [&](int n) -> const char* { return i + n < argc ? argv[i + n] : ""; };
        bool ok = true;
        if (action == "device") {
            ok = ChooseDevice(arg(1));
            i += 1;
        } else if (action == "choose") {
            ok = Choose(atoi(arg(1)), arg(2));
            i += 2;
        } else if (action == "type") {
            ok = Type(atoi(arg(1)), arg(2));
            i += 2;
        } else if (action == "click") {
            ok = Click(atoi(arg(1)));
            i += 1;
        } else if (action == "status") {
            ok = WaitForStatus(arg(1), atoi(arg(2)));
            i += 2;
        } else if (action == "box") {
            ok = AnswerBox(arg(1), atoi(arg(2)), nullptr);
            i += 2;
        } else if (action == "boxshot") {
            ok = AnswerBox(arg(1), atoi(arg(2)), arg(3));
            i += 3;
        } else if (action == "shot") {
            Sleep(500);
            ok = SaveScreen(arg(1));
            i += 1;
        } else if (action == "report") {
            const std::string report = TextOf(Control(IDC_SIGNAL_TEXT));
            size_t start = 0;
            for (size_t end; (end = report.find('\n', start)) != std::string::npos; start = end + 1)
                printf("demo: report |%s\n", report.substr(start, end - start).c_str());
        } else if (action == "verify") {
            ok = VerifyCapture(static_cast<unsigned>(atoi(arg(1))));
            i += 1;
        } else {
            ok = Fail("unknown action " + action);
        }
        fflush(stdout);
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const bool ok = Run(argc, argv);
    printf("demo: %s\n", ok ? "OK" : "FAILED");
    return ok ? 0 : 1;
}
