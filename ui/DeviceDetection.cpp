// The control panel's start-up (tuner detection) and its device choice.
#include "ui/DialogHandlers.h"

#include "base/Trace.h"
#include "tuner/InfoLines.h"
#include "tuner/TuneChoices.h"
#include "tuner/TunerGraph.h"
#include "base/TunerKinds.h"
#include "ui/ChoiceLists.h"
#include "ui/DialogControls.h"
#include "ui/DialogState.h"
#include "ui/resource.h"

#include <commctrl.h>

#include <cstdio>

namespace {

const char kWindowTitle[] = "Quillon BDA Transport Stream Capture v1.0.0.6";
constexpr UINT_PTR IDT_STATUS = 12345;
constexpr UINT STATUS_PERIOD_MS = 200;

void SetSatelliteDefaults(HWND hDlg)
{
    const SatelliteDefaults& d = kSatelliteDefaults;
    SetListSelection(hDlg, IDC_LNB_POWER, d.nLnbPower);
    SetListSelection(hDlg, IDC_DISEQC, d.nDiseqc);
    SetListSelection(hDlg, IDC_TONE_22K, d.nTone22k);
    SetTick(hDlg, d.bVertical ? IDC_VERTICAL : IDC_HORIZONTAL, true);
    SetListSelection(hDlg, IDC_MODULATION, d.nModulation);
}

// Enables the controls of a tuner kind (SourceType code) and says what was found; kind 0
// says that nothing was, and any other code changes nothing.
void SetUpKind(HWND hDlg, int nSourceType)
{
    const TunerKind* pKind = FindTunerKind(nSourceType);
    if (!pKind) {
        if (nSourceType == SRC_TYPE_UNKNOWN)
            SetStatus(hDlg, "NO device found");
        return;
    }
    EnableKindControls(hDlg, nSourceType);
    if (pKind->eShape == TuneShape::Satellite) {
        SetDlgItemTextA(hDlg, IDC_FREQUENCY_LABEL, "Frequency, MHz");
        SetSatelliteDefaults(hDlg);
    }
    SetStatus(hDlg, pKind->pszFound);
}

} // namespace

void FormatInfoLines(std::string& driverLine, std::string& deviceLine, int i)
{
    driverLine += FormatDriverLine(DrvInfo[i]);
    deviceLine = FormatDeviceLine(DevInfo[i]);
}

INT_PTR OnInitDialog(HWND hDlg)
{
    SetWindowTextA(hDlg, kWindowTitle);
    FillChoiceLists(hDlg);
    nQLBDADevs = g_TunerGraph.EnumQLBDADevs(QLDevs, nQLDevOrdinal);
    printf("Get nQLBDADevs=%d \n", nQLBDADevs);

    int nStartKind = SRC_TYPE_UNKNOWN;
    for (int i = 0; i < nQLBDADevs; ++i) {
        printf("QLDev[%d], %s, Src_Type=%d \n", QLDevs[i].nIndex, QLDevs[i].szName, QLDevs[i].Src_Type);
        QLDise_DBG("QLDev[%d], %s, Src_Type=%d \n", QLDevs[i].nIndex, QLDevs[i].szName, QLDevs[i].Src_Type);
        SendDlgItemMessageA(hDlg, IDC_DEVICE_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(QLDevs[i].szName));
        const SourceType eKind = g_TunerGraph.ReadDeviceRecords(nQLDevOrdinal[i], QLDevs[i].szName, &DevInfo[i], &DrvInfo[i]);
        if (i == 0)
            nStartKind = eKind;
    }
    fflush(stdout);

    SetListSelection(hDlg, IDC_DEVICE_LIST, 0);
    DisableTuningControls(hDlg);
    FormatInfoLines(strDriverLine, strDeviceLine, 0);
    SetControlText(hDlg, IDC_DRIVER_INFO, strDriverLine);
    SetControlText(hDlg, IDC_DEVICE_INFO, strDeviceLine);
    SetUpKind(hDlg, nStartKind);

    for (int id : {IDC_LEVEL_BAR, IDC_QUALITY_BAR}) {
        SendDlgItemMessageA(hDlg, id, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        SendDlgItemMessageA(hDlg, id, PBM_SETSTEP, 1, 0);
    }
    SetTimer(hDlg, IDT_STATUS, STATUS_PERIOD_MS, nullptr);
    EnableControls(hDlg, {IDC_START_CAPTURE, IDC_STOP, IDC_CAPTURE_FILE, IDC_BROWSE}, false);
    return TRUE;
}

void OnDeviceListCommand(HWND hDlg)
{
    const int iIndex = GetListSelection(hDlg, IDC_DEVICE_LIST);
    char szDevname[256] = {};
    if (iIndex >= 0 && SendDlgItemMessageA(hDlg, IDC_DEVICE_LIST, CB_GETLBTEXTLEN, iIndex, 0) < 256)
        SendDlgItemMessageA(hDlg, IDC_DEVICE_LIST, CB_GETLBTEXT, iIndex, reinterpret_cast<LPARAM>(szDevname));
    QLDise_DBG("iIndex = %d", iIndex);
    QLDise_DBG("Devname = %s", szDevname);
    if (iIndex == nLastListIndex)
        return;

    nLastListIndex = iIndex;
    SetControlText(hDlg, IDC_CAPTURE_FILE, "");
    if (iIndex < 0 || iIndex >= nQLBDADevs) {
        SetControlText(hDlg, IDC_DRIVER_INFO, "");
        SetControlText(hDlg, IDC_DEVICE_INFO, "");
        return;
    }
    nSelectedDevice = iIndex;
    std::string driverLine, deviceLine;
    FormatInfoLines(driverLine, deviceLine, iIndex);
    SetControlText(hDlg, IDC_DRIVER_INFO, driverLine);
    SetControlText(hDlg, IDC_DEVICE_INFO, deviceLine);
    g_TunerGraph.DestroyGraph();

    for (int id : {IDC_FREQUENCY, IDC_BW, IDC_LOF1, IDC_LOF_SWITCH, IDC_LOF2, IDC_SYMBOL_RATE, IDC_CONSTELLATION,
                   IDC_LIMIT_MB})
        SetControlText(hDlg, id, "");
    for (int id : {IDC_LNB_POWER, IDC_DISEQC, IDC_TONE_22K, IDC_LNB_TYPE})
        SetListSelection(hDlg, id, -1);
    for (int id : {IDC_VERTICAL, IDC_HORIZONTAL, IDC_LIMIT_ENABLE})
        SetTick(hDlg, id, false);
    DisableTuningControls(hDlg);
    SetDlgItemTextA(hDlg, IDC_FREQUENCY_LABEL, "Frequency, KHz");

    const int nKind = SourceTypeForDeviceTypeBit(DevInfo[iIndex].nDeviceType);
    if (nKind == SRC_TYPE_UNKNOWN)
        SetStatus(hDlg, "NOT SUPPORT THIS DEVICE");
    else
        SetUpKind(hDlg, nKind);
}
