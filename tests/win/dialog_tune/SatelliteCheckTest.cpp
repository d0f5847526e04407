// Tune on a satellite tuner with values it must not send: missing or zero fields, letters,
// and numbers that do not survive the conversion to kHz.
#include "win/dialog_support/DialogHarness.h"

namespace {

const char kSatellite[] = R"(
[tuner]
name = DTV-DVB S2 Satellite Tuner
kind = satellite
lock_delay = 0
channel = 12188000 pol=H sr=27500
)";

class SatelliteCheck : public DialogTest
{
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        Register(kSatellite);
        Create();
        m_control = Control(L"DTV-DVB S2 Satellite Tuner");
        ASSERT_FALSE(m_control.IsNull());
        Choose(IDC_LNB_TYPE, 1);
        Type(IDC_FREQUENCY, "12188");
        Type(IDC_SYMBOL_RATE, "27500");
        Click(IDC_HORIZONTAL);
    }
    // Tune, expecting neither the LNB record nor any tuning value to reach the tuner.
    void ExpectRefused(const char* pszWhy)
    {
        SCOPED_TRACE(pszWhy);
        m_control->ClearCalls();
        TakeStatusTexts();
        Click(IDC_TUNE);
        EXPECT_EQ(TakeStatusTexts(), (std::vector<std::string>{"Locking Transponder...", "FAILED: Invalid Arguments!"}));
        EXPECT_EQ(CallCount(m_control, SIM_CALL_VENDOR_SET_LNB_DATA), 0u);
        EXPECT_EQ(CallCount(m_control, SIM_CALL_PUT_FREQUENCY), 0u);
        EXPECT_FALSE(g_TunerGraph.m_bBuilt);
        EXPECT_EQ(EnabledControls(), Joined(kAlwaysEnabled, kSatelliteInputs));
    }
    // Tune with the commit refused by the tuner (no lock wait follows).
    void TuneFailingCommit(const char* pszWhy)
    {
        SCOPED_TRACE(pszWhy);
        m_control->ClearCalls();
        m_control->FailCall(SIM_CALL_COMMIT_CHANGES, SIM_NODE_ANY, E_FAIL, 1);
        TakeStatusTexts();
        Click(IDC_TUNE);
        EXPECT_EQ(TakeStatusTexts(), (std::vector<std::string>{"Locking Transponder...", "FAILED!"}));
        EXPECT_FALSE(g_TunerGraph.m_bBuilt);
        EXPECT_EQ(EnabledControls(), Joined(kAlwaysEnabled, kSatelliteInputs));
    }

    InterfaceHolder<ISimTunerControl> m_control;
};

} // namespace

TEST_F(SatelliteCheck, MissingFieldsAreRefusedAndStillNameTheCapture)
{
    Type(IDC_SYMBOL_RATE, "");
    ExpectRefused("no symbol rate");
    EXPECT_EQ(strTuneFreq, "12188");
    EXPECT_EQ(strTuneParam, "0");
    EXPECT_EQ(strTuneSystem, "S");

    Type(IDC_SYMBOL_RATE, "27500");
    Type(IDC_LOF1, "");
    Type(IDC_LOF2, "0");
    ExpectRefused("neither oscillator");

    // One oscillator suffices.
    Type(IDC_LOF2, "10600");
    TuneFailingCommit("only the high oscillator");
    EXPECT_EQ(LastValue(m_control, SIM_CALL_PUT_LOF_LOW_BAND), 0u);
    EXPECT_EQ(LastValue(m_control, SIM_CALL_PUT_LOF_HIGH_BAND), 10600000u);

    Type(IDC_LOF1, "9750");
    Type(IDC_FREQUENCY, "twelve");
    ExpectRefused("letters read 0");
    EXPECT_EQ(strTuneFreq, "0");

    // A typing slip inside the number is refused whole, never tuned as its first digits.
    Type(IDC_FREQUENCY, "12a88");
    ExpectRefused("digits with a letter read 0");
    EXPECT_EQ(strTuneFreq, "0");

    // Pasted values keep their blanks around the digits.
    Type(IDC_FREQUENCY, " 12188 ");
    Type(IDC_SYMBOL_RATE, "27500\t");
    TuneFailingCommit("blanks around the digits");
    EXPECT_EQ(LastValue(m_control, SIM_CALL_PUT_FREQUENCY), 12188000u);
    EXPECT_EQ(LastValue(m_control, SIM_CALL_PUT_SYMBOL_RATE), 27500u);
}

TEST_F(SatelliteCheck, NumbersBeyond32BitsInKilohertzAreRefused)
{
    Type(IDC_FREQUENCY, "99999999999");
    ExpectRefused("a number beyond 32 bits reads 0");

    Type(IDC_FREQUENCY, "4294968");
    ExpectRefused("frequency times 1000 overflows");
    EXPECT_EQ(strTuneFreq, "4294968") << "the name keeps what was typed";

    Type(IDC_FREQUENCY, "4294967");
    TuneFailingCommit("the largest frequency that fits");
    EXPECT_EQ(LastValue(m_control, SIM_CALL_PUT_FREQUENCY), 4294967000u);

    Type(IDC_FREQUENCY, "12188");
    for (int id : {IDC_LOF1, IDC_LOF2, IDC_LOF_SWITCH}) {
        const std::string kept = Text(id);
        Type(id, "4294968");
        ExpectRefused(id == IDC_LOF1 ? "LOF1" : id == IDC_LOF2 ? "LOF2" : "LOF switch");
        Type(id, kept);
    }
}
