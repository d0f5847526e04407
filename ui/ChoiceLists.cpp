#include "ui/ChoiceLists.h"

#include "tuner/TuneChoices.h"
#include "ui/resource.h"

namespace {

const int kTuningControls[] = {
    IDC_RESET_TUNE, IDC_FREQUENCY, IDC_BW,       IDC_VERTICAL,   IDC_HORIZONTAL,    IDC_LOF1,    IDC_LOF_SWITCH,
    IDC_LOF2,       IDC_SYMBOL_RATE, IDC_CONSTELLATION, IDC_TUNE, IDC_DISEQC,        IDC_TONE_22K, IDC_LNB_POWER,
    IDC_LNB_TYPE,   IDC_MODULATION, IDC_START_CAPTURE, IDC_BROWSE, IDC_LIMIT_MB,
};

template <class Table>
void FillList(HWND hDlg, int id, const Table& table)
{
    for (const auto& item : table)
        SendDlgItemMessageA(hDlg, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.pszEntry));
}

} // namespace

void FillChoiceLists(HWND hDlg)
{
    FillList(hDlg, IDC_DISEQC, kDiseqcChoices);
    FillList(hDlg, IDC_TONE_22K, kTone22kChoices);
    FillList(hDlg, IDC_LNB_POWER, kLnbPowerChoices);
    FillList(hDlg, IDC_LNB_TYPE, kLnbPresets);
    FillList(hDlg, IDC_MODULATION, kModulationChoices);
}

void DisableTuningControls(HWND hDlg)
{
    for (int id : kTuningControls)
        EnableWindow(GetDlgItem(hDlg, id), FALSE);
}
