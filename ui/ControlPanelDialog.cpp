#include "ui/ControlPanelDialog.h"

#include "ui/DialogHandlers.h"
#include "ui/resource.h"

namespace {

// Every notification of a control runs its handler: only the control id is looked at.
INT_PTR OnCommand(HWND hDlg, int id)
{
    switch (id) {
    case IDC_DEVICE_LIST: OnDeviceListCommand(hDlg); break;
    case IDC_LNB_TYPE: OnLnbTypeCommand(hDlg); break;
    case IDC_TUNE: OnTuneCommand(hDlg); break;
    case IDC_RESET_TUNE: OnResetTuneCommand(hDlg); break;
    case IDC_LIMIT_ENABLE: OnLimitEnableCommand(hDlg); break;
    case IDC_BROWSE: OnBrowseCommand(hDlg); break;
    case IDC_START_CAPTURE: OnStartCaptureCommand(hDlg); break;
    case IDC_STOP: OnStopCommand(hDlg); break;
    case IDCANCEL: return OnCloseCommand(hDlg);
    default: break;
    }
    return FALSE;
}

} // namespace

INT_PTR CALLBACK ControlPanelDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(hDlg);
    case WM_COMMAND: return OnCommand(hDlg, LOWORD(wParam));
    case WM_TIMER: OnStatusTimer(hDlg); return FALSE;
    case WM_ENDSESSION: OnEndSession(hDlg, wParam != FALSE); return TRUE;
    default: return FALSE;
    }
}
