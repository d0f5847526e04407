// Tune, Reset Tune and the LNB presets.
#include "ui/DialogHandlers.h"

#include "capture/CaptureState.h"
#include "tuner/TunerGraph.h"
#include "ui/ChoiceLists.h"
#include "ui/DialogControls.h"
#include "ui/DialogState.h"
#include "ui/DialogText.h"
#include "ui/resource.h"

#include <direct.h>

#include <climits>
#include <cstdint>
#include <string>

namespace {

struct LnbPreset {
    UINT nLof1, nLof2, nLofSwitch;
};
const LnbPreset kLnbPresets[] = {{5150, 5750, 0}, {9750, 10600, 11700}, {0, 11300, 0}};

// MHz to kHz; false when the result does not fit 32 bits, so a huge entry is rejected
// instead of reaching the tuner wrapped.
bool MegaToKilo(UINT nMHz, uint32_t* pnKHz)
{
    const uint64_t nKHz = static_cast<uint64_t>(nMHz) * 1000;
    if (nKHz > UINT32_MAX)
        return false;
    *pnKHz = static_cast<uint32_t>(nKHz);
    return true;
}

void SetTuneTexts(UINT nFreq, UINT nParam, const char* pszSystem)
{
    strTuneFreq = std::to_string(nFreq);
    strTuneParam = std::to_string(nParam);
    strTuneSystem = pszSystem;
}

HRESULT TuneSatellite(HWND hDlg)
{
    const UINT nFreq = ReadFieldValue(hDlg, IDC_FREQUENCY);
    const UINT nPolarity = IsTicked(hDlg, IDC_VERTICAL) ? 0 : 1;
    const UINT nLof1 = ReadFieldValue(hDlg, IDC_LOF1);
    const UINT nLof2 = ReadFieldValue(hDlg, IDC_LOF2);
    const UINT nLofSwitch = ReadFieldValue(hDlg, IDC_LOF_SWITCH);
    const UINT nSymbolRate = ReadFieldValue(hDlg, IDC_SYMBOL_RATE);
    const int nModulation = ModulationCodeForIndex(GetListSelection(hDlg, IDC_MODULATION));

    LnbDataRecord lnb = {};
    lnb.nLnbPower = static_cast<uint8_t>(GetListSelection(hDlg, IDC_LNB_POWER));
    lnb.nLof1MHz = nLof1;
    lnb.nLof2MHz = nLof2;
    lnb.nLofSwitchMHz = nLofSwitch;
    lnb.nTone22k = static_cast<uint8_t>(GetListSelection(hDlg, IDC_TONE_22K));
    lnb.nDiseqc = static_cast<uint8_t>(GetListSelection(hDlg, IDC_DISEQC));

    HRESULT hr = E_INVALIDARG;
    SatTuneParams params = {};
    if (nFreq != 0 && (nLof1 != 0 || nLof2 != 0) && nSymbolRate != 0 && MegaToKilo(nFreq, &params.nFrequencyKHz) &&
        MegaToKilo(nLof1, &params.nLof1KHz) && MegaToKilo(nLofSwitch, &params.nLofSwitchKHz) &&
        MegaToKilo(nLof2, &params.nLof2KHz)) {
        params.nSymbolRate = nSymbolRate;
        params.nPolarity = nPolarity;
        params.pLnbData = &lnb;
        params.nModulation = nModulation;
        hr = g_TunerGraph.TuneDVBS(&params);
    }
    SetTuneTexts(nFreq, nSymbolRate, "S");
    return hr;
}

HRESULT TuneTerrestrial(HWND hDlg)
{
    const UINT nFreq = ReadFieldValue(hDlg, IDC_FREQUENCY);
    const UINT nBandwidth = ReadFieldValue(hDlg, IDC_BW);
    HRESULT hr = E_INVALIDARG;
    if (nFreq != 0 && nBandwidth != 0)
        hr = g_TunerGraph.TuneDVBT(nFreq, nBandwidth);
    SetTuneTexts(nFreq, nBandwidth, "T");
    return hr;
}

HRESULT TuneCable(HWND hDlg)
{
    const UINT nFreq = ReadFieldValue(hDlg, IDC_FREQUENCY);
    const UINT nSymbolRate = ReadFieldValue(hDlg, IDC_SYMBOL_RATE);
    const UINT nConstellation = ReadFieldValue(hDlg, IDC_CONSTELLATION);
    HRESULT hr = E_INVALIDARG;
    if (nFreq != 0 && nSymbolRate != 0 && nConstellation != 0)
        hr = g_TunerGraph.TuneDVBC(nFreq, nSymbolRate, nConstellation);
    SetTuneTexts(nFreq, nSymbolRate, "C");
    return hr;
}

// ATSC channels typed as whole MHz (in kHz) are tuned 1750 kHz lower; a frequency ending
// in 250 kHz is taken as it is.
HRESULT TuneAtsc(HWND hDlg)
{
    const UINT nFreq = ReadFieldValue(hDlg, IDC_FREQUENCY);
    SetDlgItemInt(hDlg, IDC_BW, 6, FALSE);
    const UINT nBandwidth = ReadFieldValue(hDlg, IDC_BW);
    HRESULT hr = E_INVALIDARG;
    if (nFreq % 1000 == 250)
        hr = g_TunerGraph.TuneATSC(nFreq, 6);
    else if (nFreq > 1750)
        hr = g_TunerGraph.TuneATSC(nFreq - 1750, 6);
    SetTuneTexts(nFreq, nBandwidth, "ATSC");
    return hr;
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
    HRESULT hr = E_INVALIDARG;
    SetStatus(hDlg, "Locking Transponder...");
    switch (g_TunerGraph.m_nSourceType) {
    case SRC_TYPE_DVBS: hr = TuneSatellite(hDlg); break;
    case SRC_TYPE_DVBT: hr = TuneTerrestrial(hDlg); break;
    case SRC_TYPE_DVBC: hr = TuneCable(hDlg); break;
    case SRC_TYPE_ATSC: hr = TuneAtsc(hDlg); break;
    default: break;
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
    if (nIndex < 0 || nIndex >= nCount || nIndex >= static_cast<int>(sizeof(kLnbPresets) / sizeof(kLnbPresets[0])))
        return;
    SetDlgItemInt(hDlg, IDC_LOF1, kLnbPresets[nIndex].nLof1, FALSE);
    SetDlgItemInt(hDlg, IDC_LOF2, kLnbPresets[nIndex].nLof2, FALSE);
    SetDlgItemInt(hDlg, IDC_LOF_SWITCH, kLnbPresets[nIndex].nLofSwitch, FALSE);
}
