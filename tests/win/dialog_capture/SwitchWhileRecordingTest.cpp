// Choosing another tuner while a recording is on: the graph goes, the recording stays on
// until Stop, a Tune of the new tuner does not offer a second start meanwhile, and without
// that Tune the end of the recording offers no start either.
#include "win/dialog_support/CaptureFixture.h"

namespace {

class SwitchWhileRecording : public CaptureTest
{
protected:
    std::string Scenario() const override
    {
        return std::string(kStreamingTuner) +
               "[tuner]\nname = DTV-DVB C Cable Tuner\nkind = cable\nlock_delay = 0\nbitrate = 80000000\n"
               "channel = 346000 sr=6900 qam=256\n";
    }
};

} // namespace

TEST_F(SwitchWhileRecording, RecordingStaysOnUntilStop)
{
    const std::string path = Text(IDC_CAPTURE_FILE);
    Click(IDC_START_CAPTURE);
    ASSERT_TRUE(WaitCaptured(300000));

    Choose(IDC_DEVICE_LIST, 1);
    EXPECT_FALSE(g_TunerGraph.m_bBuilt);
    EXPECT_TRUE(g_CaptureState.IsRecording());
    EXPECT_EQ(Text(IDC_STATUS), "Cable BDA device found");
    EXPECT_EQ(Text(IDC_CAPTURE_FILE), "");
    EXPECT_TRUE(Enabled(IDC_STOP)) << "Stop keeps its state";
    EXPECT_FALSE(Enabled(IDC_START_CAPTURE));
    const uint64_t nBefore = g_CaptureState.CapturedBytes();
    Pump(300);
    EXPECT_EQ(g_CaptureState.CapturedBytes(), nBefore) << "no graph, no data";
    EXPECT_EQ(Boxes(), std::vector<SeenBox>{}) << "the ticks see the recording still on";

    // Tuning the new tuner feeds the same recording; a second start is not offered.
    Type(IDC_FREQUENCY, "346000");
    Type(IDC_SYMBOL_RATE, "6900");
    Type(IDC_CONSTELLATION, "256");
    Click(IDC_TUNE);
    ASSERT_EQ(Text(IDC_STATUS), "Locked");
    EXPECT_FALSE(Enabled(IDC_START_CAPTURE));
    EXPECT_TRUE(Enabled(IDC_STOP));
    ASSERT_TRUE(WaitCaptured(nBefore + 188 * 100));

    Click(IDC_STOP);
    EXPECT_FALSE(g_CaptureState.IsRecording());
    EXPECT_TRUE(Enabled(IDC_START_CAPTURE));
    EXPECT_FALSE(Enabled(IDC_STOP));
    EXPECT_EQ(FileSize(path), static_cast<int64_t>(g_CaptureState.CapturedBytes()));
    Tick();
    EXPECT_EQ(Boxes(), (std::vector<SeenBox>{{"QL", "Stream Capture Done!"}}));
}

TEST_F(SwitchWhileRecording, WithoutAGraphTheEndOfTheRecordingOffersNoStart)
{
    Click(IDC_START_CAPTURE);
    Choose(IDC_DEVICE_LIST, 1);
    ASSERT_FALSE(g_TunerGraph.m_bBuilt);
    Click(IDC_STOP);
    EXPECT_FALSE(Enabled(IDC_START_CAPTURE)) << "no tuner behind it";
    Tick();
    EXPECT_EQ(Boxes(), (std::vector<SeenBox>{{"QL", "Stream Capture Done!"}}));
    EXPECT_FALSE(Enabled(IDC_START_CAPTURE)) << "nor after the report";
    EXPECT_TRUE(Enabled(IDC_TUNE)) << "the new tuner waits for its Tune";
}
