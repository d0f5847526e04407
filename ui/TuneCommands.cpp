// Tune, Reset Tune and the LNB presets.
#include "ui/DialogHandlers.h"

#include "capture/CaptureState.h"
#include "tuner/TuneChoices.h"
#include "tuner/TunePlan.h"
#include "tuner/TunerGraph.h"
#include "base/TunerKinds.h"
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
    const TunerKind* pKind = FindTunerKind(eKind);
    if (!pKind)
        return v;
    const uint32_t nFields = TuneFieldsOfShape(pKind->eShape);
    v.nFrequency = ReadFieldValue(hDlg, IDC_FREQUENCY);
    if (nFields & TUNE_FIELD_POLARITY)
        v.bVertical = IsTicked(hDlg, IDC_VERTICAL);
    if (nFields & TUNE_FIELD_DISH) {
        v.nLof1MHz = ReadFieldValue(hDlg, IDC_LOF1);
        v.nLof2MHz = ReadFieldValue(hDlg, IDC_LOF2);
        v.nLofSwitchMHz = ReadFieldValue(hDlg, IDC_LOF_SWITCH);
        v.nLnbPower = GetListSelection(hDlg, IDC_LNB_POWER);
        v.nTone22k = GetListSelection(hDlg, IDC_TONE_22K);
        v.nDiseqc = GetListSelection(hDlg, IDC_DISEQC);
    }
    if (nFields & TUNE_FIELD_SYMBOL_RATE)
        v.nSymbolRate = ReadFieldValue(hDlg, IDC_SYMBOL_RATE);
    if (nFields & TUNE_FIELD_MODULATION)
        v.nModulation = ModulationCodeForIndex(GetListSelection(hDlg, IDC_MODULATION));
    if (nFields & TUNE_FIELD_BANDWIDTH)
        v.nBandwidth = ReadFieldValue(hDlg, IDC_BW);
    if (nFields & TUNE_FIELD_CONSTELLATION)
        v.nConstellation = ReadFieldValue(hDlg, IDC_CONSTELLATION);
    // A kind of one fixed channel bandwidth tunes it; the field shows it.
    if (!(nFields & TUNE_FIELD_BANDWIDTH) && pKind->nMinBandwidthMHz)
        SetDlgItemInt(hDlg, IDC_BW, pKind->nMinBandwidthMHz, FALSE);
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
