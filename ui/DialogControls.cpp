#include "ui/DialogControls.h"

#include "base/TunerKinds.h"
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
    // The controls that show each tuning field.
    static const struct {
        uint32_t nField;
        std::initializer_list<int> Ids;
    } kFieldControls[] = {
        {TUNE_FIELD_FREQUENCY, {IDC_FREQUENCY}},
        {TUNE_FIELD_POLARITY, {IDC_VERTICAL, IDC_HORIZONTAL}},
        {TUNE_FIELD_DISH, {IDC_LOF1, IDC_LOF_SWITCH, IDC_LOF2, IDC_DISEQC, IDC_TONE_22K, IDC_LNB_POWER, IDC_LNB_TYPE}},
        {TUNE_FIELD_SYMBOL_RATE, {IDC_SYMBOL_RATE}},
        {TUNE_FIELD_MODULATION, {IDC_MODULATION}},
        {TUNE_FIELD_BANDWIDTH, {IDC_BW}},
        {TUNE_FIELD_CONSTELLATION, {IDC_CONSTELLATION}},
    };
    const TunerKind* pKind = FindTunerKind(nSourceType);
    if (!pKind)
        return false;
    const uint32_t nFields = TuneFieldsOfShape(pKind->eShape);
    for (const auto& field : kFieldControls)
        if (nFields & field.nField)
            EnableControls(hDlg, field.Ids, true);
    EnableControl(hDlg, IDC_TUNE, true);
    return true;
}
