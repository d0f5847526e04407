#include "ui/DialogControls.h"

#include "tuner/DriverRecords.h"
#include "ui/DialogText.h"
#include "ui/resource.h"

void EnableControl(HWND hDlg, int id, bool bEnable)
{
    EnableWindow(GetDlgItem(hDlg, id), bEnable ? TRUE : FALSE);
}

void EnableControls(HWND hDlg, std::initializer_list<int> ids, bool bEnable)
{
    for (int id : ids)
        EnableControl(hDlg, id, bEnable);
}

void SetControlText(HWND hDlg, int id, const std::string& text)
{
    SetDlgItemTextA(hDlg, id, text.c_str());
}

std::string GetControlText(HWND hDlg, int id)
{
    HWND control = GetDlgItem(hDlg, id);
    std::string text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(control, &text[0], static_cast<int>(text.size()))));
    return text;
}

void SetStatus(HWND hDlg, const char* pszText)
{
    SetDlgItemTextA(hDlg, IDC_STATUS, pszText);
}

int GetListSelection(HWND hDlg, int id)
{
    return static_cast<int>(SendDlgItemMessageA(hDlg, id, CB_GETCURSEL, 0, 0));
}

void SetListSelection(HWND hDlg, int id, int index)
{
    SendDlgItemMessageA(hDlg, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

UINT ReadFieldValue(HWND hDlg, int id)
{
    // Not GetDlgItemInt: platforms differ on text behind the digits ("12a88").
    return ParseFieldNumber(GetControlText(hDlg, id));
}

bool IsTicked(HWND hDlg, int id)
{
    return IsDlgButtonChecked(hDlg, id) == BST_CHECKED;
}

void SetTick(HWND hDlg, int id, bool bTicked)
{
    CheckDlgButton(hDlg, id, bTicked ? BST_CHECKED : BST_UNCHECKED);
}

bool EnableKindControls(HWND hDlg, int nSourceType)
{
    switch (nSourceType) {
    case SRC_TYPE_DVBS:
        EnableControls(hDlg, {IDC_FREQUENCY, IDC_VERTICAL, IDC_HORIZONTAL, IDC_LOF1, IDC_LOF_SWITCH, IDC_LOF2,
                              IDC_SYMBOL_RATE, IDC_DISEQC, IDC_TONE_22K, IDC_LNB_POWER, IDC_LNB_TYPE, IDC_MODULATION},
                       true);
        break;
    case SRC_TYPE_DVBT: EnableControls(hDlg, {IDC_FREQUENCY, IDC_BW}, true); break;
    case SRC_TYPE_DVBC: EnableControls(hDlg, {IDC_FREQUENCY, IDC_SYMBOL_RATE, IDC_CONSTELLATION}, true); break;
    case SRC_TYPE_ATSC: EnableControl(hDlg, IDC_FREQUENCY, true); break;
    default: return false;
    }
    EnableControl(hDlg, IDC_TUNE, true);
    return true;
}
