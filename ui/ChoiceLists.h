// The dialog's choice lists and the tuning and capture control group.
#pragma once

#include <windows.h>

// Fills the five choice lists in their fixed order; selects nothing.
void FillChoiceLists(HWND hDlg);

// Disables the nineteen controls of the tuning and capture group.
void DisableTuningControls(HWND hDlg);

