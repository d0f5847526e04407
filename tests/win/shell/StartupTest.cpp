#include "app/App.h"
#include "support/TraceCapture.h"
#include "ui/ControlPanelDialog.h"

#include <gtest/gtest.h>

namespace {

// Closes the control panel from inside the message loop, as the caption bar's close box would.
VOID CALLBACK CloseFromLoop(HWND, UINT, UINT_PTR timerId, DWORD)
{
    KillTimer(nullptr, timerId);
    SendMessageA(g_hDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

} // namespace

TEST(Startup, TracesFrameInitialisationAndLoopInOrder)
{
    CTraceCapture capture;
    SetErrorMode(SEM_NOOPENFILEERRORBOX);
    SetTimer(nullptr, 0, 10, CloseFromLoop);
    RunApplication(GetModuleHandleA(nullptr), SW_HIDE);
    EXPECT_EQ(GetErrorMode(), static_cast<UINT>(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS))
        << "drive failures come back as errors, and the mode the process had stays";

    const char* expected[] = {"START of InitInstance", "START of CreateDialog", "END   of CreateDialog",
                              "END   of InitInstance", "START of Message", "END   of Message"};
    int at = 0;
    for (const char* line : expected) {
        const int found = capture.IndexOf(line, at);
        ASSERT_GE(found, at) << line;
        at = found + 1;
    }
    EXPECT_FALSE(IsWindow(g_hDialog)) << "closing destroys the window and ends the loop";
}

TEST(Startup, InitInstanceStoresHandlesAndShowsTheWindow)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    ASSERT_TRUE(InitInstance(instance, SW_SHOWNOACTIVATE));
    EXPECT_EQ(g_hInstance, instance);
    ASSERT_TRUE(IsWindow(g_hDialog));
    EXPECT_TRUE(IsWindowVisible(g_hDialog));
    char title[128] = {};
    GetWindowTextA(g_hDialog, title, sizeof(title));
    EXPECT_STREQ(title, "Quillon BDA Transport Stream Capture v1.0.0.6");

    EXPECT_EQ(ControlPanelDialogProc(g_hDialog, WM_COMMAND, IDCANCEL, 0), TRUE) << "the close command is handled";
    EXPECT_FALSE(IsWindow(g_hDialog));
}

TEST(Startup, LoopEndsAtOnceWhenTheWindowIsGone)
{
    g_hDialog = nullptr;
    PostThreadMessageA(GetCurrentThreadId(), WM_USER, 7, 0);
    EXPECT_EQ(RunMessageLoop(), 0) << "no message is taken without a window";
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE));
}
