// Handlers of the control panel's messages and commands.
#pragma once

#include <windows.h>

#include <string>

INT_PTR OnInitDialog(HWND hDlg);
void OnDeviceListCommand(HWND hDlg);
void OnLnbTypeCommand(HWND hDlg);
void OnTuneCommand(HWND hDlg);
void OnResetTuneCommand(HWND hDlg);
void OnLimitEnableCommand(HWND hDlg);
void OnBrowseCommand(HWND hDlg);
void OnStartCaptureCommand(HWND hDlg);
void OnStopCommand(HWND hDlg);
INT_PTR OnCloseCommand(HWND hDlg);
void OnEndSession(HWND hDlg, bool bEnding);
void OnStatusTimer(HWND hDlg);

// The two information lines of table entry i: appends to the driver line, assigns the
// device line.
void FormatInfoLines(std::string& driverLine, std::string& deviceLine, int i);

// The capture name of the last Tune at the current local time (no folder, no extension).
std::string MakeCaptureFileStem();

// Re-enables capture after a recording ended and tells the user how it ended.
void ReportCaptureEnd(HWND hDlg);
