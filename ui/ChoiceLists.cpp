#include "ui/ChoiceLists.h"

#include "ui/resource.h"

namespace {

struct ChoiceList {
    int id;
    const char* const* entries;
    int count;
};

const char* const kDiseqc[] = {"None", "A", "B", "C", "D"};
const char* const kTone22k[] = {"AUTO", "OFF", "ON"};
const char* const kLnbPower[] = {"OFF", "ON"};
const char* const kLnbType[] = {"Low 5150,High 5750", "Universal LNB", "Custom"};
const char* const kModulation[] = {"SAT_MOD_UNKNOWN(0)", "SAT_MOD_QPSK(20)", "SAT_MOD_8PSK(23)",
                                   "SAT_MOD_16APSK(24)", "SAT_MOD_32APSK(22)"};
const int kModulationCodes[] = {0, 20, 23, 24, 22};

const ChoiceList kChoiceLists[] = {
    {IDC_DISEQC, kDiseqc, 5},
    {IDC_TONE_22K, kTone22k, 3},
    {IDC_LNB_POWER, kLnbPower, 2},
    {IDC_LNB_TYPE, kLnbType, 3},
    {IDC_MODULATION, kModulation, 5},
};

const int kTuningControls[] = {
    IDC_RESET_TUNE, IDC_FREQUENCY, IDC_BW,       IDC_VERTICAL,   IDC_HORIZONTAL,    IDC_LOF1,    IDC_LOF_SWITCH,
    IDC_LOF2,       IDC_SYMBOL_RATE, IDC_CONSTELLATION, IDC_TUNE, IDC_DISEQC,        IDC_TONE_22K, IDC_LNB_POWER,
    IDC_LNB_TYPE,   IDC_MODULATION, IDC_START_CAPTURE, IDC_BROWSE, IDC_LIMIT_MB,
};

} // namespace

void FillChoiceLists(HWND hDlg)
{
    for (const ChoiceList& list : kChoiceLists)
        for (int i = 0; i < list.count; ++i)
            SendDlgItemMessageA(hDlg, list.id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(list.entries[i]));
}

void DisableTuningControls(HWND hDlg)
{
    for (int id : kTuningControls)
        EnableWindow(GetDlgItem(hDlg, id), FALSE);
}

int ModulationCodeForIndex(int index)
{
    if (index < 0 || index >= static_cast<int>(sizeof(kModulationCodes) / sizeof(kModulationCodes[0])))
        return 0;
    return kModulationCodes[index];
}
