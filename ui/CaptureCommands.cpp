// The capture file chooser, Start capture, Stop and the size limit check box.
#include "ui/DialogHandlers.h"

#include "base/Holder.h"
#include "base/Trace.h"
#include "capture/CapturePath.h"
#include "capture/CaptureState.h"
#include "tuner/TunerGraph.h"
#include "ui/DialogControls.h"
#include "ui/DialogState.h"
#include "capture/KeepAwake.h"
#include "ui/SaveFileChooser.h"
#include "ui/resource.h"

#include <cstdio>
#include <cstring>

namespace {

const char kWriteFailedText[] = "Stream Capture FAILED: the file could not be written!";

// The controls a recording locks, and unlocks again when it ends.
void EnableCaptureSettings(HWND hDlg, bool bEnable)
{
    EnableControls(hDlg, {IDC_LIMIT_ENABLE, IDC_LIMIT_MB, IDC_MBYTES_LABEL, IDC_BROWSE}, bEnable);
}

// Start capture is offered only with a graph behind it: a tuner chosen while recording
// leaves none, and a capture started then would only produce an empty file.
void OfferStartCapture(HWND hDlg)
{
    EnableControl(hDlg, IDC_START_CAPTURE, g_TunerGraph.m_bBuilt != FALSE);
}


} // namespace

void OnLimitEnableCommand(HWND hDlg)
{
    if (IsTicked(hDlg, IDC_LIMIT_ENABLE)) {
        EnableControl(hDlg, IDC_LIMIT_MB, true);
    } else {
        EnableControl(hDlg, IDC_LIMIT_MB, false);
        SetControlText(hDlg, IDC_LIMIT_MB, "");
    }
}

void OnBrowseCommand(HWND hDlg)
{
    char szFile[CAPTURE_PATH_SIZE] = {};
    const size_t nSlash = szLastCapturePath.rfind('\\');
    std::string initial = nSlash == std::string::npos ? std::string() : szLastCapturePath.substr(0, nSlash);
    initial += "\\" + MakeCaptureFileStem();
    if (initial.size() >= sizeof(szFile))
        initial = MakeCaptureFileStem();  // a folder too long for the chooser is left out
    strncpy(szFile, initial.c_str(), sizeof(szFile) - 1);

    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    // The dialog owns the chooser even when another window is active: an owned chooser
    // disables it, so Start capture or closing cannot run while the chooser is open.
    ofn.hwndOwner = hDlg;
    ofn.lpstrFilter = "TS Files(*.ts)\0*.ts\0\0";
    ofn.lpstrFile = szFile;
    ofn.nMaxFile = sizeof(szFile);
    ofn.Flags = OFN_OVERWRITEPROMPT;
    ofn.lpstrDefExt = "ts";
    if (RunSaveFileChooser(&ofn)) {
        OutputDebugStringA("GetSaveFileName OK");
        SetControlText(hDlg, IDC_CAPTURE_FILE, szFile);
        szLastCapturePath = szFile;
    } else {
        OutputDebugStringA("GetSaveFileName Fail");
    }
    QLDise_DBG("ofn.lpstrFile %s", szFile);
}

void OnStartCaptureCommand(HWND hDlg)
{
    // The button is disabled while recording, but a command can still arrive: it must not
    // reopen, and so truncate, the file being written.
    if (g_CaptureState.IsRecording())
        return;
    g_CaptureState.ClearCapturedBytes();
    const UINT nLimitMB = ReadFieldValue(hDlg, IDC_LIMIT_MB);
    const CapturePathCheck check = CheckCapturePath(GetControlText(hDlg, IDC_CAPTURE_FILE));
    if (check.eState == CapturePathState::Invalid) {
        OutputDebugStringA("the path is too long or file not exist");
        MessageBoxA(hDlg, "The path is not correct", "QL", MB_OK);
        return;
    }
    if (check.eState == CapturePathState::HasData &&
        MessageBoxA(hDlg, "The file is exist, continue to overwrite this file", "QL capture tool", MB_YESNO) != IDYES) {
        SetControlText(hDlg, IDC_CAPTURE_FILE, "");
        return;
    }
    FileHolder file(OpenCaptureFile(check));
    if (file.IsNull() || !g_CaptureState.StartCapture(file, nLimitMB)) {
        file.Reset();
        MessageBoxA(hDlg, "Please Check Selected Path Is Correct", "Path Incorrect", MB_OK | MB_ICONWARNING);
        return;
    }
    file.Detach();  // the capture state closes it from here on
    // The timer reports the end even of a recording that ends before its next tick sees
    // it running (a first write that fails, a limit reached at once, an early Stop).
    bWasRecording = true;
    g_KeepAwake.Hold();
    // The failure of the last recording no longer stands for this one.
    if (GetControlText(hDlg, IDC_STATUS) == kWriteFailedText)
        SetStatus(hDlg, "");
    EnableControl(hDlg, IDC_START_CAPTURE, false);
    EnableControl(hDlg, IDC_STOP, true);
    EnableControl(hDlg, IDC_RESET_TUNE, false);
    EnableCaptureSettings(hDlg, false);
}

void OnStopCommand(HWND hDlg)
{
    g_CaptureState.StopCapture();
    g_KeepAwake.Release();
    OfferStartCapture(hDlg);
    EnableControl(hDlg, IDC_STOP, false);
    EnableControl(hDlg, IDC_RESET_TUNE, true);
    EnableCaptureSettings(hDlg, true);
}

// A session that really ends may end the process as soon as this returns: the recording
// ends first, as Stop ends it, so its file is closed complete.
void OnEndSession(HWND hDlg, bool bEnding)
{
    if (bEnding && g_CaptureState.IsRecording())
        OnStopCommand(hDlg);
}

INT_PTR OnCloseCommand(HWND hDlg)
{
    EndDialog(hDlg, IDCANCEL);
    DestroyWindow(hDlg);
    // The recording ends with the window; its file is closed complete.
    g_CaptureState.StopCapture();
    g_KeepAwake.Release();
    return TRUE;
}

void ReportCaptureEnd(HWND hDlg)
{
    g_KeepAwake.Release();
    OfferStartCapture(hDlg);
    EnableControl(hDlg, IDC_STOP, false);
    EnableControl(hDlg, IDC_RESET_TUNE, true);
    bWasRecording = false;
    if (g_CaptureState.EndReason() == CaptureEnd::WriteFailed) {
        SetStatus(hDlg, kWriteFailedText);
        MessageBoxA(hDlg, (std::string(kWriteFailedText) + "\nThe file holds only the data before the failure.").c_str(),
                    "QL", MB_OK | MB_ICONERROR);
    } else {
        MessageBoxA(hDlg, "Stream Capture Done!", "QL", MB_OK);
    }
    EnableCaptureSettings(hDlg, true);
}
