// The control panel's start-up: tuner detection, the information lines and the controls
// prepared for the first tuner.
#include "ui/DialogHandlers.h"
#include "win/dialog_support/DialogHarness.h"

namespace {

// The default set's shape: the maker's four tuners with a foreign tuner among them, and a
// receiver component. The satellite tuner's records carry the texts and bytes the
// information lines show; the terrestrial driver reports a type the dialog replaces.
const char kFourTuners[] = R"(
[tuner]
name = DTV-DVB S2 Satellite Tuner
kind = satellite
device_name = QL-5100 DVB-S2
mac = 00-0A-1B-2C-3D-4E
driver_version = 01 0a
firmware_version = ab 00
driver_text = AB
driver_text2 = CD
lock_delay = 0
channel = 12188000 pol=H sr=27500
[tuner]
name = Quillon DVB-T Terrestrial Tuner
kind = terrestrial
device_type = 16
lock_delay = 0
channel = 506000 bw=8
[tuner]
name = DTV-DVB C Cable Tuner
kind = cable
lock_delay = 0
channel = 346000 sr=6900 qam=256
[tuner]
name = Generic BDA DVB-T Tuner
kind = terrestrial
channel = 506000 bw=8
[tuner]
name = DTV-ATSC Tuner
kind = atsc
lock_delay = 0
channel = 573250
[receiver]
name = Quillon BDA Receiver Component
)";

std::vector<std::string> ListEntries(HWND hList)
{
    std::vector<std::string> entries;
    const int count = static_cast<int>(SendMessageA(hList, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        SendMessageA(hList, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

int VendorCalls(ISimTunerControl* pControl, SimCallId eCall)
{
    ULONG nCount = 0;
    pControl->GetCallCount(&nCount);
    int n = 0;
    for (ULONG i = 0; i < nCount; ++i) {
        SimCallRecord record = {};
        if (pControl->GetCall(i, &record) == S_OK && record.eCall == eCall)
            ++n;
    }
    return n;
}

class Startup : public DialogTest
{
};

} // namespace

TEST_F(Startup, FindsTheMakersTunersAndPreparesTheFirst)
{
    Register(kFourTuners);
    CTraceCapture trace;
    Create();

    char title[128] = {};
    GetWindowTextA(m_hDlg, title, sizeof(title));
    EXPECT_STREQ(title, "Quillon BDA Transport Stream Capture v1.0.0.6");
    // The maker's tuners of the scenario, in its order; its foreign device is left out.
    const std::vector<std::string> makers = {"DTV-DVB S2 Satellite Tuner", "Quillon DVB-T Terrestrial Tuner",
                                             "DTV-DVB C Cable Tuner", "DTV-ATSC Tuner"};
    EXPECT_EQ(ListEntries(Item(IDC_DEVICE_LIST)), makers);
    EXPECT_EQ(Selection(IDC_DEVICE_LIST), 0);
    EXPECT_EQ(nQLBDADevs, static_cast<int>(makers.size()));
    EXPECT_EQ((std::vector<int>(nQLDevOrdinal, nQLDevOrdinal + 4)), (std::vector<int>{0, 1, 2, 4}))
        << "the foreign tuner keeps its ordinal, so the ATSC entry opens the fifth device";

    // Each entry's kind as a bit, replacing what the driver reported.
    EXPECT_EQ((std::vector<int>{DevInfo[0].nDeviceType, DevInfo[1].nDeviceType, DevInfo[2].nDeviceType,
                                DevInfo[3].nDeviceType}),
              (std::vector<int>{1, 2, 4, 8}));
    EXPECT_EQ(Text(IDC_DRIVER_INFO), "AB CD driver ver.010a FW ver.ab00");
    EXPECT_EQ(Text(IDC_DEVICE_INFO), "QL-5100 DVB-S2  00-0A-1B-2C-3D-4E");
    EXPECT_EQ(strDriverLine, Text(IDC_DRIVER_INFO));
    EXPECT_EQ(strDeviceLine, Text(IDC_DEVICE_INFO));
    // The driver line is appended to, the device line replaced.
    std::string driverLine = "> ", deviceLine = "old";
    FormatInfoLines(driverLine, deviceLine, 0);
    EXPECT_EQ(driverLine, "> AB CD driver ver.010a FW ver.ab00");
    EXPECT_EQ(deviceLine, "QL-5100 DVB-S2  00-0A-1B-2C-3D-4E");

    EXPECT_EQ(Text(IDC_STATUS), "Satellite BDA device found");
    EXPECT_EQ(EnabledControls(), Joined(kAlwaysEnabled, kSatelliteInputs));
    EXPECT_EQ(Text(IDC_FREQUENCY_LABEL), "Frequency, MHz");
    EXPECT_EQ(Selection(IDC_LNB_POWER), 1);
    EXPECT_EQ(Selection(IDC_DISEQC), 0);
    EXPECT_EQ(Selection(IDC_TONE_22K), 0);
    EXPECT_EQ(Selection(IDC_MODULATION), 0);
    EXPECT_EQ(Selection(IDC_LNB_TYPE), -1);
    EXPECT_TRUE(Ticked(IDC_VERTICAL));
    EXPECT_FALSE(Ticked(IDC_HORIZONTAL));
    for (int id : {IDC_LOF1, IDC_LOF2, IDC_LOF_SWITCH, IDC_SYMBOL_RATE, IDC_FREQUENCY, IDC_CAPTURE_FILE})
        EXPECT_EQ(Text(id), "") << id;
    EXPECT_FALSE(g_TunerGraph.m_bBuilt) << "every graph of the detection is torn down";

    // The choice lists in their fixed order.
    EXPECT_EQ(ListEntries(Item(IDC_DISEQC)), (std::vector<std::string>{"None", "A", "B", "C", "D"}));
    EXPECT_EQ(ListEntries(Item(IDC_TONE_22K)), (std::vector<std::string>{"AUTO", "OFF", "ON"}));
    EXPECT_EQ(ListEntries(Item(IDC_LNB_POWER)), (std::vector<std::string>{"OFF", "ON"}));
    EXPECT_EQ(ListEntries(Item(IDC_LNB_TYPE)),
              (std::vector<std::string>{"Low 5150,High 5750", "Universal LNB", "Custom"}));
    EXPECT_EQ(ListEntries(Item(IDC_MODULATION)),
              (std::vector<std::string>{"SAT_MOD_UNKNOWN(0)", "SAT_MOD_QPSK(20)", "SAT_MOD_8PSK(23)",
                                        "SAT_MOD_16APSK(24)", "SAT_MOD_32APSK(22)"}));
    for (int id : {IDC_LEVEL_BAR, IDC_QUALITY_BAR}) {
        PBRANGE range = {};
        SendDlgItemMessageA(m_hDlg, id, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        EXPECT_EQ(range.iLow, 0);
        EXPECT_EQ(range.iHigh, 100);
    }

    // One line per entry, then the two driver queries framed by their texts.
    int at = 0;
    const char* const names[] = {"DTV-DVB S2 Satellite Tuner", "Quillon DVB-T Terrestrial Tuner",
                                 "DTV-DVB C Cable Tuner", "DTV-ATSC Tuner"};
    for (int i = 0; i < 4; ++i) {
        const std::string line = "QLDise_DBG: QLDev[" + std::to_string(i) + "], " + names[i] +
                                 ", Src_Type=" + std::to_string(i + 1) + " \n";
        for (const std::string& expected : {line, std::string("QLBDAIOCTL start"), std::string("QLBDAIOCTL end")}) {
            const int found = trace.IndexOf(expected, at);
            ASSERT_GE(found, at) << expected;
            at = found + 1;
        }
    }
    for (const wchar_t* name : {L"DTV-DVB S2 Satellite Tuner", L"DTV-ATSC Tuner"}) {
        InterfaceHolder<ISimTunerControl> control = Control(name);
        ASSERT_FALSE(control.IsNull());
        EXPECT_EQ(VendorCalls(control, SIM_CALL_VENDOR_GET_DEVICE_INFO), 1);
        EXPECT_EQ(VendorCalls(control, SIM_CALL_VENDOR_GET_DRIVER_INFO), 1);
    }

    // The status timer runs from the start, before any Tune.
    SetDlgItemTextA(m_hDlg, IDC_SIGNAL_TEXT, "");
    ASSERT_TRUE(PumpUntil([&] { return !Text(IDC_SIGNAL_TEXT).empty(); }, 15000));
    EXPECT_EQ(Text(IDC_SIGNAL_TEXT),
              " Strength:0\n Quality:0\n Free Disk Space  :     0 MBytes\n File Captured :     0  MBytes \n ");
    EXPECT_FALSE(Ticked(IDC_LOCKED));
}

TEST_F(Startup, WithoutTunersNothingCanBeTuned)
{
    Register("[tuner]\nname = Generic BDA DVB-T Tuner\nkind = terrestrial\n");
    CTraceCapture trace;
    Create();

    EXPECT_EQ(nQLBDADevs, 0);
    EXPECT_EQ(SendDlgItemMessageA(m_hDlg, IDC_DEVICE_LIST, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(Text(IDC_STATUS), "NO device found");
    EXPECT_EQ(EnabledControls(), kAlwaysEnabled);
    // The lines of the all-zero records are shown, then the device list's focus
    // notification at creation finds no selection and clears them.
    EXPECT_TRUE(trace.Contains("QLDise_DBG: iIndex = -1"));
    EXPECT_EQ(Text(IDC_DRIVER_INFO), "");
    EXPECT_EQ(Text(IDC_DEVICE_INFO), "");
    Tick();
    EXPECT_EQ(Text(IDC_SIGNAL_TEXT),
              " Strength:0\n Quality:0\n Free Disk Space  :     0 MBytes\n File Captured :     0  MBytes \n ");
}

TEST_F(Startup, FirstEntryOfAnotherKindSetsUpThatKind)
{
    Register("[tuner]\nname = DTV-ATSC Tuner\nkind = atsc\nlock_delay = 0\nchannel = 573250\n");
    Create();

    EXPECT_EQ(Text(IDC_STATUS), "ATSC device found");
    EXPECT_EQ(EnabledControls(), Joined(kAlwaysEnabled, kAtscInputs));
    EXPECT_EQ(Text(IDC_FREQUENCY_LABEL), "Frequency, KHz");
    EXPECT_EQ(Selection(IDC_LNB_POWER), -1) << "satellite defaults belong to satellite tuners";
    EXPECT_FALSE(Ticked(IDC_VERTICAL));
    EXPECT_EQ(DevInfo[0].nDeviceType, 8);
}
