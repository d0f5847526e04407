#include "ui/SaveFileChooser.h"

#include "base/WinHolders.h"

#include <objbase.h>

SaveFileChooserFn g_pfnSaveFileChooser = GetSaveFileNameA;

namespace {

struct ChooserCall {
    OPENFILENAMEA* pOfn;
    BOOL bChosen;
};

DWORD WINAPI ChooserThread(void* pParam)
{
    ChooserCall* pCall = static_cast<ChooserCall*>(pParam);
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    pCall->bChosen = g_pfnSaveFileChooser(pCall->pOfn);
    if (SUCCEEDED(hr))
        CoUninitialize();
    return 0;
}

// Dispatches the window thread's messages until the thread ends. A quit request met on
// the way is posted again for the message loop, as a modal loop does. The wait also wakes
// for messages that were already queued and seen before it began, which a plain wait
// leaves waiting until new input arrives.
void WaitDispatching(HANDLE hThread)
{
    bool bQuit = false;
    WPARAM nQuitCode = 0;
    while (MsgWaitForMultipleObjectsEx(1, &hThread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                bQuit = true;
                nQuitCode = msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    // The wait ended with the thread, or failed: either way the call must be over.
    WaitForSingleObject(hThread, INFINITE);
    if (bQuit)
        PostQuitMessage(static_cast<int>(nQuitCode));
}

} // namespace

BOOL RunSaveFileChooser(OPENFILENAMEA* pOfn)
{
    ChooserCall call = {pOfn, FALSE};
    const HandleHolder hThread(CreateThread(nullptr, 0, ChooserThread, &call, 0, nullptr));
    // Without a thread of its own the chooser still runs, only without the shell folders.
    if (hThread.IsNull())
        return g_pfnSaveFileChooser(pOfn);
    WaitDispatching(hThread);
    return call.bChosen;
}
