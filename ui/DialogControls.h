// Small helpers for the control panel's controls.
#pragma once

#include <windows.h>

#include <string>

void EnableControl(HWND hDlg, int id, bool bEnable);
void EnableControls(HWND hDlg, std::initializer_list<int> ids, bool bEnable);
void SetControlText(HWND hDlg, int id, const std::string& text);
std::string GetControlText(HWND hDlg, int id);
void SetStatus(HWND hDlg, const char* pszText);
// The list's current selection, or -1.
int GetListSelection(HWND hDlg, int id);
void SetListSelection(HWND hDlg, int id, int index);
// Unsigned decimal value of a field (ParseFieldNumber); empty or non-numeric text reads 0.
UINT ReadFieldValue(HWND hDlg, int id);
bool IsTicked(HWND hDlg, int id);
void SetTick(HWND hDlg, int id, bool bTicked);

// Enables the input controls of a tuner kind's tuning fields (SourceType code) and Tune;
// false for codes of no kind, which enable nothing.
bool EnableKindControls(HWND hDlg, int nSourceType);
