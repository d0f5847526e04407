#include "app/App.h"

#include <commctrl.h>

#include "ui/ControlPanelDialog.h"
#include "ui/resource.h"

HINSTANCE g_hInstance = nullptr;
HWND g_hDialog = nullptr;

namespace {
// Handed to the dialog at creation; the dialog does not read it.
constexpr LPARAM DIALOG_CREATION_PARAM = 0x10000;
} // namespace

BOOL InitInstance(HINSTANCE hInstance, int nCmdShow)
{
    g_hInstance = hInstance;
    // The signal bars are common controls: their class must be registered first.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    OutputDebugStringA("START of CreateDialog");
    g_hDialog = CreateDialogParamA(hInstance, MAKEINTRESOURCEA(IDD_CONTROL_PANEL), nullptr, ControlPanelDialogProc,
                                   DIALOG_CREATION_PARAM);
    OutputDebugStringA("END   of CreateDialog");
    ShowWindow(g_hDialog, nCmdShow);
    UpdateWindow(g_hDialog);
    return TRUE;
}

int RunMessageLoop()
{
    MSG msg = {};
    while (IsWindow(g_hDialog) && GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void SetProcessErrorMode()
{
    // A drive without a medium (an empty card reader in the path field) must fail the
    // timer's free-space query quietly, not open a system box five times a second. The
    // flags the process was started with stay.
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS);
}

int RunApplication(HINSTANCE hInstance, int nCmdShow)
{
    SetProcessErrorMode();
    OutputDebugStringA("START of InitInstance");
    if (!InitInstance(hInstance, nCmdShow))
        return 0;
    OutputDebugStringA("END   of InitInstance");
    OutputDebugStringA("START of Message");
    const int exitCode = RunMessageLoop();
    OutputDebugStringA("END   of Message");
    return exitCode;
}
