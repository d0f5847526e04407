// Tune on a cable tuner: the fields it reads, what is refused, the values the tuner
// receives and the capture name; a graph that cannot be built.
#include "win/dialog_support/KindTuneFixture.h"

TEST_F(KindTune, CableNeedsFrequencySymbolRateAndOrder)
{
    Start("[tuner]\nname = DTV-DVB C Cable Tuner\nkind = cable\nlock_delay = 0\nchannel = 346000 sr=6900 qam=256\n",
          L"DTV-DVB C Cable Tuner");
    Type(IDC_FREQUENCY, "346000");
    Type(IDC_SYMBOL_RATE, "6900");
    ExpectRefused("no constellation");
    EXPECT_EQ(strTuneParam, "6900");
    EXPECT_EQ(strTuneSystem, "C");
    Type(IDC_CONSTELLATION, "100");
    ExpectRefused("an order the manager does not know");
    Type(IDC_CONSTELLATION, "256");
    Type(IDC_SYMBOL_RATE, "");
    ExpectRefused("no symbol rate");

    Type(IDC_SYMBOL_RATE, "6900");
    Click(IDC_TUNE);
    ExpectLockedWithName("-346000-6900-C.ts");
    const SimTuning tuning = Committed();
    EXPECT_EQ(tuning.nFrequency, 346000u);
    EXPECT_EQ(tuning.nSymbolRate, 6900u);
    EXPECT_EQ(tuning.nModulation, BDA_MOD_256QAM);
}

TEST_F(KindTune, AGraphThatCannotBeBuiltEndsTuneSilently)
{
    Start("[tuner]\nname = DTV-DVB C Cable Tuner\nkind = cable\nlock_delay = 0\nchannel = 346000 sr=6900 qam=256\n",
          L"DTV-DVB C Cable Tuner");
    Type(IDC_FREQUENCY, "346000");
    Type(IDC_SYMBOL_RATE, "6900");
    Type(IDC_CONSTELLATION, "256");
    // Without control nodes the build fails after the tuner was classified.
    m_control->FailCall(SIM_CALL_GET_CONTROL_NODE, SIM_NODE_ANY, E_FAIL, -1);
    TakeStatusTexts();
    Click(IDC_TUNE);
    EXPECT_EQ(TakeStatusTexts(), std::vector<std::string>{});
    EXPECT_EQ(Text(IDC_STATUS), "Cable BDA device found");
    EXPECT_FALSE(g_TunerGraph.m_bBuilt);
    EXPECT_EQ(EnabledControls(), Joined(kAlwaysEnabled, kCableInputs));

    m_control->FailCall(SIM_CALL_GET_CONTROL_NODE, SIM_NODE_ANY, E_FAIL, 0);
    Click(IDC_TUNE);
    EXPECT_EQ(TakeStatusTexts(), (std::vector<std::string>{"Locking Transponder...", "Locked"}));
}
