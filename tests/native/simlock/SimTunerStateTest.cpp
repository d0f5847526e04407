#include "simtuner/SimScenario.h"
#include "simtuner/SimTsSource.h"
#include "simtuner/SimTunerState.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

CSimTunerState TerrestrialTuner()
{
    std::vector<SimScenarioDevice> devices;
    EXPECT_EQ(ParseScenario("[tuner]\nname=t\nkind=terrestrial\nlock_delay=300\nstrength=70\nquality=60\n"
                            "channel=506000 bw=8\nchannel=650000 bw=8 strength=40 quality=30\n",
                            &devices), "");
    CSimTunerState state;
    state.Configure(devices.at(0).Tuner);
    return state;
}

void Tune(CSimTunerState& state, uint32_t frequency, uint32_t bandwidth)
{
    state.Pending().nFrequency = frequency;
    state.Pending().nFrequencyMultiplier = 1000;
    state.Pending().nBandwidth = bandwidth;
}

} // namespace

TEST(SimTunerState, LockFollowsTheDelayAfterCommit)
{
    CSimTunerState state = TerrestrialTuner();
    const SimSignal signal;
    Tune(state, 506000, 8);
    EXPECT_TRUE(state.HasPendingChanges());
    EXPECT_FALSE(state.IsPresent(signal)) << "nothing committed yet";
    state.CommitChanges(1000);
    EXPECT_FALSE(state.HasPendingChanges());
    EXPECT_EQ(state.LockedChannel(), 0);
    EXPECT_TRUE(state.IsPresent(signal));
    EXPECT_EQ(state.Strength(signal), 70);
    EXPECT_FALSE(state.IsLocked(1299, signal));
    EXPECT_EQ(state.Quality(1299, signal), 0);
    EXPECT_TRUE(state.IsLocked(1300, signal));
    EXPECT_EQ(state.Quality(1300, signal), 60);
}

TEST(SimTunerState, ChannelLevelsAndAMissedChannel)
{
    CSimTunerState state = TerrestrialTuner();
    const SimSignal signal;
    Tune(state, 650000, 8);
    state.CommitChanges(0);
    EXPECT_EQ(state.Strength(signal), 40);
    EXPECT_EQ(state.Quality(500, signal), 30);

    Tune(state, 650000, 7);
    state.CommitChanges(1000);
    EXPECT_EQ(state.LockedChannel(), -1);
    EXPECT_FALSE(state.IsPresent(signal));
    EXPECT_FALSE(state.IsLocked(5000, signal));
    EXPECT_EQ(state.Strength(signal), 0);
}

TEST(SimTunerState, StartChangesDropsUncommittedValues)
{
    CSimTunerState state = TerrestrialTuner();
    Tune(state, 506000, 8);
    state.CommitChanges(0);
    Tune(state, 650000, 7);
    state.StartChanges();
    EXPECT_EQ(state.Pending().nFrequency, 506000u);
    EXPECT_EQ(state.Pending().nBandwidth, 8u);
    EXPECT_FALSE(state.HasPendingChanges());
}

TEST(SimTunerState, LostSignalDropsLockUntilBackAndDelayed)
{
    CSimTunerState state = TerrestrialTuner();
    Tune(state, 506000, 8);
    state.CommitChanges(0);
    SimSignal signal;
    signal.bLost = true;
    EXPECT_FALSE(state.IsPresent(signal));
    EXPECT_FALSE(state.IsLocked(10000, signal));
    signal.bLost = false;
    signal.nBackSinceMs = 10000;
    EXPECT_TRUE(state.IsPresent(signal));
    EXPECT_FALSE(state.IsLocked(10299, signal));
    EXPECT_TRUE(state.IsLocked(10300, signal));
}

TEST(SimTsSource, FileIsReplayedInALoopAcrossFills)
{
    FILE* pFile = std::tmpfile();
    ASSERT_NE(pFile, nullptr);
    const uint8_t content[5] = {1, 2, 3, 4, 5};
    ASSERT_EQ(std::fwrite(content, 1, 5, pFile), 5u);
    std::rewind(pFile);
    CSimTsSource source(pFile);
    uint8_t out[12] = {};
    ASSERT_TRUE(source.Fill(out, 7));
    ASSERT_TRUE(source.Fill(out + 7, 5));
    const uint8_t expected[12] = {1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 1, 2};
    EXPECT_EQ(std::vector<uint8_t>(out, out + 12), std::vector<uint8_t>(expected, expected + 12));
}

TEST(SimTsSource, EmptyFileFailsAndTheGeneratorMatchesItself)
{
    CSimTsSource empty(std::tmpfile());
    uint8_t out[16];
    EXPECT_FALSE(empty.Fill(out, sizeof(out)));

    // Cut into odd pieces, the synthetic source gives the generator's bytes unchanged.
    TsGeneratorConfig config;
    config.nBadCrcEvery = 7;
    CSimTsSource source(config);
    CTsGenerator reference(config);
    std::vector<uint8_t> a(50000), b(50000);
    source.Fill(a.data(), 12345);
    source.Fill(a.data() + 12345, a.size() - 12345);
    reference.Fill(b.data(), b.size());
    EXPECT_EQ(a, b);
    EXPECT_EQ(a[0], 0x47);
}
