// Tune on a terrestrial tuner: the fields it reads, what is refused, the values the tuner
// receives and the capture name.
#include "win/dialog_support/KindTuneFixture.h"

TEST_F(KindTune, TerrestrialNeedsFrequencyAndBandwidth)
{
    Start("[tuner]\nname = Quillon DVB-T Terrestrial Tuner\nkind = terrestrial\nlock_delay = 0\nchannel = 506000 bw=8\n",
          L"Quillon DVB-T Terrestrial Tuner");
    ExpectRefused("empty fields");
    EXPECT_EQ(strTuneFreq, "0");
    EXPECT_EQ(strTuneParam, "0");
    EXPECT_EQ(strTuneSystem, "T");
    Type(IDC_FREQUENCY, "506000");
    ExpectRefused("no bandwidth");
    Type(IDC_BW, "0");
    ExpectRefused("bandwidth 0");
    Type(IDC_BW, "eight");
    ExpectRefused("letters");
    Type(IDC_BW, "9");
    ExpectRefused("a bandwidth the manager refuses");
    Type(IDC_BW, "8");
    Type(IDC_FREQUENCY, "4294967296");
    ExpectRefused("a number beyond 32 bits reads 0");

    Type(IDC_FREQUENCY, "4294967294");
    EXPECT_EQ(TuneFailingCommit(), 4294967294u) << "the largest number the field reads passes unchanged";

    Type(IDC_FREQUENCY, "506000");
    Click(IDC_TUNE);
    ExpectLockedWithName("-506000-8-T.ts");
    const SimTuning tuning = Committed();
    EXPECT_EQ(tuning.nFrequency, 506000u);
    EXPECT_EQ(tuning.nBandwidth, 8u);
}
