// The 200 ms status timer: signal, lock, end of recording, disk and capture figures.
#include "ui/DialogHandlers.h"

#include "capture/CaptureState.h"
#include "tuner/TunerGraph.h"
#include "ui/DialogControls.h"
#include "ui/DialogState.h"
#include "ui/DialogText.h"
#include "ui/resource.h"

#include <commctrl.h>

namespace {

constexpr LONG STATUS_LOCK_BUDGET_MS = 100;

// Free megabytes on the volume of the path's folder; a bare name asks about the current
// folder's volume, and a failed query gives 0.
ULONGLONG FreeMegabytes(const std::string& path)
{
    const size_t nSlash = path.rfind('\\');
    const std::string directory = nSlash == std::string::npos ? std::string() : path.substr(0, nSlash + 1);
    ULARGE_INTEGER freeToCaller = {};
    if (!GetDiskFreeSpaceExA(directory.empty() ? nullptr : directory.c_str(), &freeToCaller, nullptr, nullptr))
        return 0;
    return freeToCaller.QuadPart / CAPTURE_BYTES_PER_MB;
}

} // namespace

void OnStatusTimer(HWND hDlg)
{
    LONG nStrength = 0, nQuality = 0;
    const bool bLocked = g_TunerGraph.WaitForLock(STATUS_LOCK_BUDGET_MS) == 0;
    if (bLocked && FAILED(g_TunerGraph.GetSignalLevels(&nStrength, &nQuality)))
        nStrength = nQuality = 0;
    SendDlgItemMessageA(hDlg, IDC_LEVEL_BAR, PBM_SETPOS, static_cast<WPARAM>(nStrength), 0);
    SendDlgItemMessageA(hDlg, IDC_QUALITY_BAR, PBM_SETPOS, static_cast<WPARAM>(nQuality), 0);
    SetTick(hDlg, IDC_LOCKED, bLocked);

    if (g_CaptureState.IsRecording())
        bWasRecording = true;
    else if (bWasRecording)
        ReportCaptureEnd(hDlg);

    ULONGLONG nFreeMB = 0, nCapturedMB = 0;
    const std::string path = GetControlText(hDlg, IDC_CAPTURE_FILE);
    if (!path.empty()) {
        nFreeMB = FreeMegabytes(path);
        nCapturedMB = g_CaptureState.CapturedMB();
    }
    SetControlText(hDlg, IDC_SIGNAL_TEXT,
                   FormatSignalReport(nStrength, nQuality, static_cast<int32_t>(nFreeMB), static_cast<int32_t>(nCapturedMB)));
}
