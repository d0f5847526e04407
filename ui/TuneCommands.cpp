// Tune, Reset Tune and the LNB presets.
#include "ui/DialogHandlers.h"

#include "capture/CaptureState.h"
#include "tuner/TuneChoices.h"
#include "tuner/TunePlan.h"
#include "tuner/TunerGraph.h"
#include "tuner/TunerKinds.h"
#include "ui/ChoiceLists.h"
#include "ui/DialogControls.h"
#include "ui/DialogState.h"
#include "ui/DialogText.h"
#include "ui/resource.h"

#include <direct.h>

#include <string>

namespace {

// Reads the fields of the tuner's kind, in the dialog's units.
TuneValues ReadTuneValues(HWND hDlg, SourceType eKind)
{
    TuneValues v;
    if (!FindTunerKind(eKind))
        return v;
    v.nFrequency = ReadFieldValue(hDlg, IDC_FREQUENCY);
    switch (eKind) {
    case SRC_TYPE_DVBS:
        v.bVertical = IsTicked(hDlg, IDC_VERTICAL);
        v.nLof1MHz = ReadFieldValue(hDlg, IDC_LOF1);
        v.nLof2MHz = ReadFieldValue(hDlg, IDC_LOF2);
        v.nLofSwitchMHz = ReadFieldValue(hDlg, IDC_LOF_SWITCH);
        v.nSymbolRate = ReadFieldValue(hDlg, IDC_SYMBOL_RATE);
        v.nModulation = ModulationCodeForIndex(GetListSelection(hDlg, IDC_MODULATION));
        v.nLnbPower = GetListSelection(hDlg, IDC_LNB_POWER);
        v.nTone22k = GetListSelection(hDlg, IDC_TONE_22K);
        v.nDiseqc = GetListSelection(hDlg, IDC_DISEQC);
        break;
    case SRC_TYPE_DVBT: v.nBandwidth = ReadFieldValue(hDlg, IDC_BW); break;
    case SRC_TYPE_DVBC:
        v.nSymbolRate = ReadFieldValue(hDlg, IDC_SYMBOL_RATE);
        v.nConstellation = ReadFieldValue(hDlg, IDC_CONSTELLATION);
        break;
    case SRC_TYPE_ATSC:
        // ATSC tunes 6 MHz channels; the field shows it.
        SetDlgItemInt(hDlg, IDC_BW, ATSC_BANDWIDTH_MHZ, FALSE);
        break;
    case SRC_TYPE_NOT_FOUND:
    case SRC_TYPE_UNKNOWN: break;
    }
    return v;
}

std::string CurrentDirectory()
{
    char szDirectory[MAX_PATH * 4] = {};
    if (!_getcwd(szDirectory, sizeof(szDirectory)))
        return std::string();
    return szDirectory;
}

} // namespace

std::string MakeCaptureFileStem()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return FormatCaptureFileStem({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute}, strTuneFreq, strTuneParam,
                                 strTuneSystem);
}

void OnTuneCommand(HWND hDlg)
{
    if (g_TunerGraph.BuildGraph(nQLDevOrdinal[nSelectedDevice], QLDevs[nSelectedDevice].szName) != S_OK)
        return;
    SetStatus(hDlg, "Locking Transponder...");
    const SourceType eKind = g_TunerGraph.m_nSourceType;
    const TunePlan plan = PlanTune(eKind, ReadTuneValues(hDlg, eKind));
    const HRESULT hr = g_TunerGraph.Tune(plan);
    // The capture name takes the values as typed, whether or not they were tuned.
    if (plan.bHasNameTexts) {
        strTuneFreq = plan.strTuneFreq;
        strTuneParam = plan.strTuneParam;
        strTuneSystem = plan.strTuneSystem;
    }

    if (hr != S_OK) {
        SetStatus(hDlg, hr == E_INVALIDARG ? "FAILED: Invalid Arguments!" : "FAILED!");
        g_TunerGraph.DestroyGraph();
        return;
    }
    DisableTuningControls(hDlg);
    SetStatus(hDlg, "Locked");
    // A recording left on by a change of tuner still owns its file: Start capture waits
    // for Stop, so that a second start cannot truncate that file or lose its stream.
    EnableControl(hDlg, IDC_START_CAPTURE, !g_CaptureState.IsRecording());
    EnableControl(hDlg, IDC_TUNE, false);
    EnableControls(hDlg, {IDC_RESET_TUNE, IDC_BROWSE, IDC_CAPTURE_FILE}, true);
    szLastCapturePath = CurrentDirectory() + "\\" + MakeCaptureFileStem() + ".ts";
    SetControlText(hDlg, IDC_CAPTURE_FILE, szLastCapturePath);
    EnableControl(hDlg, IDC_LIMIT_MB, IsTicked(hDlg, IDC_LIMIT_ENABLE));
}

void OnResetTuneCommand(HWND hDlg)
{
    g_TunerGraph.DestroyGraph();
    EnableControl(hDlg, IDC_TUNE, true);
    EnableControls(hDlg, {IDC_START_CAPTURE, IDC_RESET_TUNE}, false);
    SetStatus(hDlg, "");
    SetControlText(hDlg, IDC_CAPTURE_FILE, "");
    EnableKindControls(hDlg, QLDevs[nSelectedDevice].Src_Type);
}

void OnLnbTypeCommand(HWND hDlg)
{
    const int nIndex = GetListSelection(hDlg, IDC_LNB_TYPE);
    const int nCount = static_cast<int>(SendDlgItemMessageA(hDlg, IDC_LNB_TYPE, CB_GETCOUNT, 0, 0));
    const LnbPreset* pPreset = kLnbPresets.At(nIndex);
    if (nIndex >= nCount || !pPreset)
        return;
    SetDlgItemInt(hDlg, IDC_LOF1, pPreset->nLof1MHz, FALSE);
    SetDlgItemInt(hDlg, IDC_LOF2, pPreset->nLof2MHz, FALSE);
    SetDlgItemInt(hDlg, IDC_LOF_SWITCH, pPreset->nLofSwitchMHz, FALSE);
}
