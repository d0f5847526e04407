#include "ui/DialogHandlers.h"

#include "ui/ChoiceLists.h"
#include "ui/resource.h"

namespace {
const char kWindowTitle[] = "Quillon BDA Transport Stream Capture v1.0.0.6";
} // namespace

INT_PTR OnInitDialog(HWND hDlg)
{
    SetWindowTextA(hDlg, kWindowTitle);
    FillChoiceLists(hDlg);
    DisableTuningControls(hDlg);
    return TRUE;
}

// Device choice, tuning and capture commands arrive with the tuner graph (issues 5 and 6).
void OnDeviceListCommand(HWND) {}
void OnLnbTypeCommand(HWND) {}
void OnTuneCommand(HWND) {}
void OnResetTuneCommand(HWND) {}
void OnLimitEnableCommand(HWND) {}
void OnBrowseCommand(HWND) {}
void OnStartCaptureCommand(HWND) {}
void OnStopCommand(HWND) {}
void OnStatusTimer(HWND) {}

INT_PTR OnCloseCommand(HWND hDlg)
{
    EndDialog(hDlg, IDCANCEL);
    DestroyWindow(hDlg);
    return TRUE;
}
