#include "cli/EndSessionWindow.h"

CEndSessionWindow::CEndSessionWindow(const CConsoleStop& stop) : m_stop(stop)
{
    m_hReady = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_hReady)
        return;
    m_hThread = CreateThread(nullptr, 0, &CEndSessionWindow::ThreadMain, this, 0, nullptr);
    if (m_hThread)
        WaitForSingleObject(m_hReady, INFINITE);
}

CEndSessionWindow::~CEndSessionWindow()
{
    if (m_hThread) {
        if (m_hWnd)
            PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
    }
    if (m_hReady)
        CloseHandle(m_hReady);
}

DWORD WINAPI CEndSessionWindow::ThreadMain(void* pParam)
{
    CEndSessionWindow* pThis = static_cast<CEndSessionWindow*>(pParam);
    const HINSTANCE hInstance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &CEndSessionWindow::WindowProc;
    windowClass.hInstance = hInstance;
    windowClass.lpszClassName = CLASS_NAME;
    RegisterClassW(&windowClass);
    // Never shown: WS_POPUP without WS_VISIBLE, so it has no taskbar button either.
    pThis->m_hWnd = CreateWindowExW(0, CLASS_NAME, L"qltscap", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, hInstance,
                                    nullptr);
    if (pThis->m_hWnd)
        SetWindowLongPtrW(pThis->m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pThis));
    SetEvent(pThis->m_hReady);
    if (!pThis->m_hWnd)
        return 0;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

LRESULT CALLBACK CEndSessionWindow::WindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    const CEndSessionWindow* pThis = reinterpret_cast<const CEndSessionWindow*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    switch (nMessage) {
    case WM_QUERYENDSESSION:
        // The session may end; the recording is closed when it does.
        return TRUE;
    case WM_ENDSESSION:
        // The process may be ended as soon as this returns: stop and wait for the command.
        if (wParam && pThis)
            pThis->m_stop.StopAndWaitForFinish(
                (lParam & ENDSESSION_LOGOFF) ? ConsoleStopCause::LogOff : ConsoleStopCause::ShutDown,
                CConsoleStop::CLOSE_GRACE_MS);
        return 0;
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hWnd, nMessage, wParam, lParam);
    }
}
