// Log-off and shutdown for qltscap. Windows tells a console program of them through its
// console handler only when the program has loaded neither user32 nor gdi32; qltscap loads
// both (COM and the graph code need them), so it learns of them as a window does, through
// WM_QUERYENDSESSION and WM_ENDSESSION. A hidden top-level window on a thread of its own
// receives them (a message-only window would not: they are broadcast to top-level windows)
// and stops the command as Ctrl+C does, holding the session's end until the command has
// finished or the grace time is over.
#pragma once

#include "cli/CliConsole.h"

class CEndSessionWindow
{
public:
    // The window's class name, for a test that sends it the session's messages.
    static constexpr const wchar_t* CLASS_NAME = L"QltscapEndSession";

    // Creates the window and its thread; without them the program runs on unchanged.
    explicit CEndSessionWindow(const CConsoleStop& stop);
    ~CEndSessionWindow();
    CEndSessionWindow(const CEndSessionWindow&) = delete;
    CEndSessionWindow& operator=(const CEndSessionWindow&) = delete;

    HWND Window() const { return m_hWnd; }

private:
    static DWORD WINAPI ThreadMain(void* pParam);
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);

    const CConsoleStop& m_stop;
    HANDLE m_hThread = nullptr;
    HANDLE m_hReady = nullptr;
    HWND m_hWnd = nullptr;
};
