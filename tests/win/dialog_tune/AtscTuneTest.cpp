// Tune on an ATSC tuner: the frequency moved down by 1750 kHz or taken as it is, the
// bandwidth field, what is refused, and the capture name.
#include "win/dialog_support/KindTuneFixture.h"

TEST_F(KindTune, AtscMovesWholeMegahertzDownAndSetsTheBandwidth)
{
    Start("[tuner]\nname = DTV-ATSC Tuner\nkind = atsc\nlock_delay = 0\nchannel = 573250\n", L"DTV-ATSC Tuner");
    ExpectRefused("empty frequency");
    EXPECT_EQ(Text(IDC_BW), "6") << "Tune writes the bandwidth even when it refuses";
    EXPECT_EQ(strTuneParam, "6");
    EXPECT_EQ(strTuneSystem, "ATSC");
    Type(IDC_FREQUENCY, "1750");
    ExpectRefused("1750 kHz would be tuned as 0");
    Type(IDC_FREQUENCY, "1000");
    ExpectRefused("below 1750 kHz would wrap around");
    EXPECT_EQ(strTuneFreq, "1000");
    Type(IDC_FREQUENCY, "1751");
    EXPECT_EQ(TuneFailingCommit(), 1u);
    Type(IDC_FREQUENCY, "250");
    EXPECT_EQ(TuneFailingCommit(), 250u) << "a frequency ending in 250 is taken as it is";

    Type(IDC_BW, "");
    Type(IDC_FREQUENCY, "575000");
    Click(IDC_TUNE);
    ExpectLockedWithName("-575000-6-ATSC.ts");
    EXPECT_EQ(Committed().nFrequency, 573250u);
    EXPECT_EQ(Text(IDC_BW), "6");
    ResetQuickly();

    Type(IDC_FREQUENCY, "573250");
    Click(IDC_TUNE);
    ExpectLockedWithName("-573250-6-ATSC.ts");
    EXPECT_EQ(Committed().nFrequency, 573250u);
}
