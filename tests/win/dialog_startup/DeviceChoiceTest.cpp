// Choosing tuners in the device list: the kind set-up, the information lines, what does
// nothing, and what a change does to a tuned dialog.
#include "win/dialog_support/DialogHarness.h"

namespace {

const char kFourTuners[] = R"(
[tuner]
name = DTV-DVB S2 Satellite Tuner
kind = satellite
lock_delay = 0
channel = 12188000 pol=H sr=27500
[tuner]
name = Quillon DVB-T Terrestrial Tuner
kind = terrestrial
device_name = QL-2100 DVB-T
mac = 00-1B-C5-AB-0A-01
driver_version = ab 0c
firmware_version = 02 03
driver_text = QLBDA
driver_text2 = Terrestrial driver
lock_delay = 0
channel = 506000 bw=8
[tuner]
name = DTV-DVB C Cable Tuner
kind = cable
lock_delay = 0
channel = 346000 sr=6900 qam=256
[tuner]
name = DTV-ATSC Tuner
kind = atsc
lock_delay = 0
channel = 573250
)";

// A foreign tuner enumerated between the maker's two.
const char kForeignBetween[] = R"(
[tuner]
name = DTV-DVB S2 Satellite Tuner
kind = satellite
lock_delay = 0
channel = 12188000 pol=H sr=27500
[tuner]
name = Generic BDA DVB-T Tuner
kind = terrestrial
lock_delay = 0
channel = 506000 bw=8
[tuner]
name = DTV-ATSC Tuner
kind = atsc
lock_delay = 0
channel = 573250
)";

class DeviceChoice : public DialogTest
{
protected:
    // Fields a change of tuner empties, with something typed in them.
    void FillFields()
    {
        for (int id : {IDC_FREQUENCY, IDC_BW, IDC_LOF1, IDC_LOF_SWITCH, IDC_LOF2, IDC_SYMBOL_RATE, IDC_CONSTELLATION,
                       IDC_LIMIT_MB, IDC_CAPTURE_FILE})
            Type(id, "123");
    }
    void ExpectFieldsEmpty()
    {
        for (int id : {IDC_FREQUENCY, IDC_BW, IDC_LOF1, IDC_LOF_SWITCH, IDC_LOF2, IDC_SYMBOL_RATE, IDC_CONSTELLATION,
                       IDC_LIMIT_MB, IDC_CAPTURE_FILE})
            EXPECT_EQ(Text(id), "") << id;
    }
};

} // namespace

TEST_F(DeviceChoice, EachEntrySetsUpItsKindAndItsLines)
{
    Register(kFourTuners);
    Create();

    struct Step {
        int index;
        const char* pszStatus;
        ControlSet inputs;
        const char* pszCaption;
    };
    const Step steps[] = {
        {1, "Terrestrial BDA device found", kTerrestrialInputs, "Frequency, KHz"},
        {2, "Cable BDA device found", kCableInputs, "Frequency, KHz"},
        {3, "ATSC device found", kAtscInputs, "Frequency, KHz"},
        {0, "Satellite BDA device found", kSatelliteInputs, "Frequency, MHz"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.pszStatus);
        FillFields();
        SendDlgItemMessageA(m_hDlg, IDC_LNB_TYPE, CB_SETCURSEL, 1, 0);
        CheckRadioButton(m_hDlg, IDC_VERTICAL, IDC_HORIZONTAL, IDC_HORIZONTAL);
        Click(IDC_LIMIT_ENABLE);
        CTraceCapture trace;
        Choose(IDC_DEVICE_LIST, step.index);

        EXPECT_EQ(trace.Lines(), (std::vector<std::string>{"QLDise_DBG: iIndex = " + std::to_string(step.index),
                                                           "QLDise_DBG: Devname = " +
                                                               std::string(QLDevs[step.index].szName)}));
        EXPECT_EQ(nSelectedDevice, step.index);
        EXPECT_EQ(Text(IDC_STATUS), step.pszStatus);
        EXPECT_EQ(EnabledControls(), Joined(kAlwaysEnabled, step.inputs));
        EXPECT_EQ(Text(IDC_FREQUENCY_LABEL), step.pszCaption);
        ExpectFieldsEmpty();
        EXPECT_FALSE(Ticked(IDC_LIMIT_ENABLE));
        EXPECT_EQ(Selection(IDC_LNB_TYPE), -1);
        if (step.index == 0) {
            EXPECT_TRUE(Ticked(IDC_VERTICAL)) << "the satellite defaults come back";
            EXPECT_EQ(Selection(IDC_LNB_POWER), 1);
            EXPECT_EQ(Selection(IDC_MODULATION), 0);
        } else {
            EXPECT_FALSE(Ticked(IDC_VERTICAL));
            EXPECT_FALSE(Ticked(IDC_HORIZONTAL));
            EXPECT_EQ(Selection(IDC_LNB_POWER), -1);
            EXPECT_EQ(Selection(IDC_DISEQC), -1);
            EXPECT_EQ(Selection(IDC_TONE_22K), -1);
        }
    }

    Choose(IDC_DEVICE_LIST, 1);
    EXPECT_EQ(Text(IDC_DRIVER_INFO), "QLBDA Terrestrial driver driver ver.ab0c FW ver.0203")
        << "version bytes in lowercase hexadecimal";
    EXPECT_EQ(Text(IDC_DEVICE_INFO), "QL-2100 DVB-T  00-1B-C5-AB-0A-01") << "device bytes in uppercase";

    // Opening and closing the list, giving it the focus or choosing the same entry again
    // does nothing beyond the two trace lines.
    FillFields();
    Type(IDC_STATUS, "unchanged");
    CTraceCapture trace;
    for (WORD code : {CBN_SETFOCUS, CBN_DROPDOWN, CBN_CLOSEUP, CBN_SELCHANGE, CBN_SELENDCANCEL, CBN_KILLFOCUS})
        Notify(IDC_DEVICE_LIST, code);
    Choose(IDC_DEVICE_LIST, 1);
    EXPECT_EQ(trace.Lines().size(), 14u);
    EXPECT_EQ(trace.IndexOf("QLDise_DBG: Devname = Quillon DVB-T Terrestrial Tuner"), 1);
    EXPECT_EQ(Text(IDC_STATUS), "unchanged");
    EXPECT_EQ(Text(IDC_FREQUENCY), "123");
    EXPECT_EQ(Text(IDC_CAPTURE_FILE), "123");

    // No selection: the lines and the path are cleared, the rest stays.
    Choose(IDC_DEVICE_LIST, -1);
    EXPECT_EQ(Text(IDC_DRIVER_INFO), "");
    EXPECT_EQ(Text(IDC_DEVICE_INFO), "");
    EXPECT_EQ(Text(IDC_CAPTURE_FILE), "");
    EXPECT_EQ(Text(IDC_FREQUENCY), "123");
    EXPECT_EQ(nSelectedDevice, 1);
    Choose(IDC_DEVICE_LIST, 1);
    EXPECT_EQ(Text(IDC_STATUS), "Terrestrial BDA device found") << "choosing again after no selection acts";

    // An entry whose stored kind is no known bit.
    DevInfo[2].nDeviceType = 16;
    Choose(IDC_DEVICE_LIST, 2);
    EXPECT_EQ(Text(IDC_STATUS), "NOT SUPPORT THIS DEVICE");
    EXPECT_EQ(EnabledControls(), kAlwaysEnabled);
}

TEST_F(DeviceChoice, TuneOpensTheEntrysOwnDeviceAndAnotherChoiceUntunes)
{
    Register(kForeignBetween);
    Create();
    ASSERT_EQ(nQLBDADevs, 2);
    InterfaceHolder<ISimTunerControl> atsc = Control(L"DTV-ATSC Tuner");
    InterfaceHolder<ISimTunerControl> foreign = Control(L"Generic BDA DVB-T Tuner");
    ASSERT_FALSE(atsc.IsNull());
    ASSERT_FALSE(foreign.IsNull());

    Choose(IDC_DEVICE_LIST, 1);
    Click(IDC_LIMIT_ENABLE);
    Type(IDC_FREQUENCY, "575000");
    foreign->ClearCalls();
    Click(IDC_TUNE);
    ASSERT_EQ(Text(IDC_STATUS), "Locked");
    EXPECT_EQ(g_TunerGraph.m_nSourceType, SRC_TYPE_ATSC);
    EXPECT_EQ(CallCount(atsc, SIM_CALL_PUT_FREQUENCY), 1u);
    EXPECT_EQ(CallCount(foreign, SIM_CALL_PUT_FREQUENCY), 0u) << "the foreign tuner is never opened for the entry";
    ASSERT_NE(Text(IDC_CAPTURE_FILE), "");

    // Another entry tears the graph down and leaves the new tuner untuned.
    Choose(IDC_DEVICE_LIST, 0);
    EXPECT_FALSE(g_TunerGraph.m_bBuilt);
    SimDelivery delivery = {};
    atsc->GetDelivery(&delivery);
    EXPECT_FALSE(delivery.bStreaming);
    EXPECT_EQ(Text(IDC_CAPTURE_FILE), "");
    EXPECT_EQ(Text(IDC_FREQUENCY), "");
    EXPECT_FALSE(Ticked(IDC_LIMIT_ENABLE));
    EXPECT_EQ(Text(IDC_STATUS), "Satellite BDA device found");
    // The path field is not of the tuning group: it stays enabled, empty.
    EXPECT_EQ(EnabledControls(), Joined(Joined(kAlwaysEnabled, kSatelliteInputs), {"CAPTURE_FILE"}));
    Tick();
    EXPECT_FALSE(Ticked(IDC_LOCKED));
}
