// The control panel: the program's only window.
#pragma once

#include <windows.h>

INT_PTR CALLBACK ControlPanelDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
