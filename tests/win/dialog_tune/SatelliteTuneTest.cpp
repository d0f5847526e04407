// Tune on a satellite tuner: the values the tuner and its driver receive, the modulation
// and LNB lists, the presets, and the tuned state with its capture name.
#include "win/dialog_support/DialogHarness.h"

namespace {

const char kSatellite[] = R"(
[tuner]
name = DTV-DVB S2 Satellite Tuner
kind = satellite
lock_delay = 0
channel = 12188000 pol=H sr=27500 strength=65 quality=70
)";

class SatelliteTune : public DialogTest
{
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        Register(kSatellite);
        Create();
        m_control = Control(L"DTV-DVB S2 Satellite Tuner");
        ASSERT_FALSE(m_control.IsNull());
        m_control->ClearCalls();
    }
    // Universal LNB, 12188 MHz, 27500 ksps, horizontal: the channel that locks.
    void TypeLockingChannel()
    {
        Choose(IDC_LNB_TYPE, 1);
        Type(IDC_FREQUENCY, "12188");
        Type(IDC_SYMBOL_RATE, "27500");
        Click(IDC_HORIZONTAL);
    }
    // Reset Tune without the teardown's pause for a running graph.
    void ResetQuickly()
    {
        g_TunerGraph.StopGraph();
        Click(IDC_RESET_TUNE);
    }
    SimTuning Committed()
    {
        SimTuning tuning;
        LONG nChannel = -2;
        EXPECT_EQ(m_control->GetCommittedTuning(&tuning, &nChannel), S_OK);
        return tuning;
    }

    InterfaceHolder<ISimTunerControl> m_control;
};

} // namespace

TEST_F(SatelliteTune, ValuesReachTheTunerAndTheDriverConverted)
{
    TypeLockingChannel();
    Choose(IDC_MODULATION, 1);
    Choose(IDC_TONE_22K, 2);
    Choose(IDC_DISEQC, 3);
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    Click(IDC_TUNE);
    GetLocalTime(&after);

    ASSERT_EQ(Text(IDC_STATUS), "Locked");
    const SimTuning tuning = Committed();
    EXPECT_EQ(tuning.nFrequency, 12188000u);
    EXPECT_EQ(tuning.nFrequencyMultiplier, 1000u);
    EXPECT_EQ(tuning.nSymbolRate, 27500u);
    EXPECT_EQ(tuning.nLofLow, 9750000u);
    EXPECT_EQ(tuning.nLofSwitch, 11700u) << "the manager sends the switch frequency (11700000 kHz) in MHz";
    EXPECT_EQ(tuning.nLofHigh, 10600000u);
    EXPECT_EQ(tuning.nPolarity, BDA_POLARISATION_LINEAR_H) << "polarity 1";
    EXPECT_EQ(tuning.nModulation, 20);

    LnbDataRecord lnb = {};
    ASSERT_EQ(m_control->GetLastLnbData(&lnb), S_OK);
    const LnbDataRecord expected = {1, {}, 9750, 10600, 11700, 2, 3, {}};
    EXPECT_EQ(memcmp(&lnb, &expected, sizeof(lnb)), 0) << "power, tone and DiSEqC indexes, LOFs in MHz";
    EXPECT_EQ(CallCount(m_control, SIM_CALL_VENDOR_SET_LNB_DATA), 1u);

    // Tuned: only capture is offered, with a name made of the time and the values.
    EXPECT_EQ(EnabledControls(), Joined(kAlwaysEnabled, {"START_CAPTURE", "RESET_TUNE", "BROWSE", "CAPTURE_FILE"}));
    EXPECT_EQ(strTuneFreq, "12188");
    EXPECT_EQ(strTuneParam, "27500");
    EXPECT_EQ(strTuneSystem, "S");
    const std::string path = Text(IDC_CAPTURE_FILE);
    const std::string tail = "-12188-27500-S.ts";
    EXPECT_TRUE(path == CurrentFolder() + "\\" + TimePrefix(before) + tail ||
                path == CurrentFolder() + "\\" + TimePrefix(after) + tail)
        << path;
    EXPECT_EQ(szLastCapturePath, path);

    // The status timer shows the lock and the levels.
    Tick();
    EXPECT_TRUE(Ticked(IDC_LOCKED));
    EXPECT_EQ(SendDlgItemMessageA(m_hDlg, IDC_LEVEL_BAR, PBM_GETPOS, 0, 0), 65);
    EXPECT_EQ(SendDlgItemMessageA(m_hDlg, IDC_QUALITY_BAR, PBM_GETPOS, 0, 0), 70);
    EXPECT_EQ(Text(IDC_SIGNAL_TEXT).substr(0, 24), " Strength:65\n Quality:70");
}

TEST_F(SatelliteTune, ModulationListGivesTheCodesInItsEntriesAndNothingChosenGivesZero)
{
    TypeLockingChannel();
    const struct {
        int index;
        int code;
    } cases[] = {{0, 0}, {1, 20}, {2, 23}, {3, 24}, {4, 22}, {-1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        Choose(IDC_MODULATION, c.index);
        Click(IDC_TUNE);
        ASSERT_EQ(Text(IDC_STATUS), "Locked");
        EXPECT_EQ(Committed().nModulation, c.code);
        ResetQuickly();
    }

    // The LNB lists without a selection give the low byte of -1.
    for (int id : {IDC_LNB_POWER, IDC_TONE_22K, IDC_DISEQC})
        Choose(id, -1);
    Click(IDC_TUNE);
    ASSERT_EQ(Text(IDC_STATUS), "Locked");
    LnbDataRecord lnb = {};
    ASSERT_EQ(m_control->GetLastLnbData(&lnb), S_OK);
    EXPECT_EQ(lnb.nLnbPower, 0xFF);
    EXPECT_EQ(lnb.nTone22k, 0xFF);
    EXPECT_EQ(lnb.nDiseqc, 0xFF);
}

TEST_F(SatelliteTune, PresetsFillTheOscillatorsOnEveryNotification)
{
    const struct {
        int index;
        const char *pszLof1, *pszLof2, *pszSwitch;
    } presets[] = {{0, "5150", "5750", "0"}, {1, "9750", "10600", "11700"}, {2, "0", "11300", "0"}};
    for (const auto& p : presets) {
        SCOPED_TRACE(p.index);
        Choose(IDC_LNB_TYPE, p.index);
        EXPECT_EQ(Text(IDC_LOF1), p.pszLof1);
        EXPECT_EQ(Text(IDC_LOF2), p.pszLof2);
        EXPECT_EQ(Text(IDC_LOF_SWITCH), p.pszSwitch);
    }

    // Custom, then the user's own values: Tune reads what was typed.
    Type(IDC_LOF1, "9750");
    Type(IDC_LOF2, "10600");
    Type(IDC_LOF_SWITCH, "11700");
    Type(IDC_FREQUENCY, "12188");
    Type(IDC_SYMBOL_RATE, "27500");
    Click(IDC_HORIZONTAL);
    Click(IDC_TUNE);
    EXPECT_EQ(Text(IDC_STATUS), "Locked");
    EXPECT_EQ(Committed().nLofLow, 9750000u);
    ResetQuickly();

    // Giving the list the focus writes the chosen preset over typed values again.
    Type(IDC_LOF1, "1234");
    Notify(IDC_LNB_TYPE, CBN_SETFOCUS);
    EXPECT_EQ(Text(IDC_LOF1), "0");
    EXPECT_EQ(Text(IDC_LOF2), "11300");

    // Without a selection nothing is written.
    SendDlgItemMessageA(m_hDlg, IDC_LNB_TYPE, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    Type(IDC_LOF1, "1234");
    Notify(IDC_LNB_TYPE, CBN_DROPDOWN);
    EXPECT_EQ(Text(IDC_LOF1), "1234");
}

TEST_F(SatelliteTune, ResetTuneReturnsToUntunedKeepingTheFields)
{
    Click(IDC_LIMIT_ENABLE);
    TypeLockingChannel();
    Click(IDC_TUNE);
    ASSERT_EQ(Text(IDC_STATUS), "Locked");
    EXPECT_TRUE(Enabled(IDC_LIMIT_MB)) << "the limit field follows the ticked box";

    // A second Tune without Reset Tune finds the graph built and does nothing.
    m_control->ClearCalls();
    Notify(IDC_TUNE, BN_CLICKED);
    EXPECT_EQ(CallCount(m_control, SIM_CALL_COMMIT_CHANGES), 0u);
    EXPECT_EQ(Text(IDC_STATUS), "Locked");

    Click(IDC_RESET_TUNE);
    EXPECT_FALSE(g_TunerGraph.m_bBuilt);
    EXPECT_EQ(Text(IDC_STATUS), "");
    EXPECT_EQ(Text(IDC_CAPTURE_FILE), "");
    EXPECT_EQ(EnabledControls(),
              Joined(Joined(kAlwaysEnabled, kSatelliteInputs), {"BROWSE", "CAPTURE_FILE", "LIMIT_MB"}))
        << "the browse button, the path and the limit field keep their state";
    EXPECT_EQ(Text(IDC_FREQUENCY), "12188");
    EXPECT_EQ(Text(IDC_SYMBOL_RATE), "27500");
    EXPECT_EQ(Text(IDC_LOF2), "10600");
    EXPECT_TRUE(Ticked(IDC_HORIZONTAL));
    EXPECT_EQ(Text(IDC_FREQUENCY_LABEL), "Frequency, MHz");
    Tick();
    EXPECT_FALSE(Ticked(IDC_LOCKED));

    // Tune again from the kept fields.
    Click(IDC_TUNE);
    EXPECT_EQ(Text(IDC_STATUS), "Locked");
}

// Vertical gives the tuner vertical polarisation; Horizontal, and neither button ticked,
// give horizontal. The commit is refused so that no lock wait follows a vertical tune.
TEST_F(SatelliteTune, PolarityButtonsGiveThePolarisationTheTunerReceives)
{
    TypeLockingChannel();
    const struct {
        int nTicked;  // 0: neither
        ULONG nPolarisation;
    } cases[] = {{IDC_VERTICAL, BDA_POLARISATION_LINEAR_V}, {IDC_HORIZONTAL, BDA_POLARISATION_LINEAR_H},
                 {0, BDA_POLARISATION_LINEAR_H}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nTicked);
        CheckDlgButton(m_hDlg, IDC_VERTICAL, c.nTicked == IDC_VERTICAL ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(m_hDlg, IDC_HORIZONTAL, c.nTicked == IDC_HORIZONTAL ? BST_CHECKED : BST_UNCHECKED);
        m_control->ClearCalls();
        m_control->FailCall(SIM_CALL_COMMIT_CHANGES, SIM_NODE_ANY, E_FAIL, 1);
        Click(IDC_TUNE);
        EXPECT_EQ(Text(IDC_STATUS), "FAILED!");
        EXPECT_EQ(CallCount(m_control, SIM_CALL_PUT_POLARITY), 1u);
        EXPECT_EQ(LastValue(m_control, SIM_CALL_PUT_POLARITY), c.nPolarisation);
    }
}
