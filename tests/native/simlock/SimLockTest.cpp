#include "simtuner/SimLock.h"

#include <gtest/gtest.h>

namespace {

// The values the maker's program commits for a satellite transponder (kHz, switch in MHz).
SimTuning SatelliteTuning(uint32_t frequencyKHz, int32_t polarity, uint32_t symbolRate)
{
    SimTuning t;
    t.nFrequency = frequencyKHz;
    t.nFrequencyMultiplier = 1000;
    t.nPolarity = polarity;
    t.nSymbolRate = symbolRate;
    t.nLofLow = 9750000;
    t.nLofHigh = 10600000;
    t.nLofSwitch = 11700;
    return t;
}

SimChannel Satellite(uint32_t frequencyKHz, int32_t polarity, uint32_t symbolRate)
{
    SimChannel c;
    c.nFrequencyKHz = frequencyKHz;
    c.nPolarity = polarity;
    c.nSymbolRate = symbolRate;
    return c;
}

const std::vector<SimChannel> kSatChannels = {Satellite(10744000, SIM_POLARITY_H, 22000),
                                              Satellite(11778000, SIM_POLARITY_V, 27500)};

} // namespace

TEST(SimLockSatellite, LocksLowAndHighBandThroughTheUniversalLnb)
{
    const SimLnb lnb;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBS, lnb, kSatChannels, SatelliteTuning(10744000, 1, 22000)), 0);
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBS, lnb, kSatChannels, SatelliteTuning(11778000, 2, 27500)), 1);
}

TEST(SimLockSatellite, WrongOscillatorOrSwitchMovesTheIntermediateFrequency)
{
    const SimLnb lnb;
    SimTuning t = SatelliteTuning(11778000, 2, 27500);
    t.nLofHigh = 10700000;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBS, lnb, kSatChannels, t), -1);

    // A switch above the transponder puts it in the low band: 2028 MHz instead of 1178 MHz.
    t = SatelliteTuning(11778000, 2, 27500);
    t.nLofSwitch = 12000;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBS, lnb, kSatChannels, t), -1);

    // A switch frequency far above every transponder keeps the tuner in the low band.
    t = SatelliteTuning(10744000, 1, 22000);
    t.nLofSwitch = 11700000;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBS, lnb, kSatChannels, t), 0);
    t.nLofSwitch = SIM_NOT_SET;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBS, lnb, kSatChannels, t), -1);
}

// The switch frequency itself belongs to the high band.
TEST(SimLockSatellite, TheBandChangesExactlyAtTheSwitchFrequency)
{
    EXPECT_EQ(IntermediateFrequencyKHz(11700000, 9750000, 10600000, 11700000), 1100000u);
    EXPECT_EQ(IntermediateFrequencyKHz(11699999, 9750000, 10600000, 11700000), 1949999u);

    const SimLnb lnb;
    const std::vector<SimChannel> atSwitch = {Satellite(11700000, SIM_POLARITY_H, 27500)};
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBS, lnb, atSwitch, SatelliteTuning(11700000, 1, 27500)), 0);
    SimTuning lowBandOnly = SatelliteTuning(11700000, 1, 27500);
    lowBandOnly.nLofHigh = 9750000;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBS, lnb, atSwitch, lowBandOnly), -1);
}

TEST(SimLockSatellite, AnotherLnbWithTheSameIntermediateFrequencyLocks)
{
    // A single-oscillator LNB at 10000 MHz and a "transponder" typed so that IF matches.
    SimTuning t = SatelliteTuning(11178000, 2, 27500);
    t.nLofLow = 10000000;
    t.nLofHigh = 10000000;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBS, SimLnb(), kSatChannels, t), 1);
}

TEST(SimLockSatellite, PolaritySymbolRateAndUnsetOscillatorsRefuse)
{
    const SimLnb lnb;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBS, lnb, kSatChannels, SatelliteTuning(11778000, 1, 27500)), -1);
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBS, lnb, kSatChannels, SatelliteTuning(11778000, 2, 27499)), -1);
    SimTuning t = SatelliteTuning(11778000, 2, 27500);
    t.nLofHigh = SIM_NOT_SET;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBS, lnb, kSatChannels, t), -1);
    t = SatelliteTuning(11778000, 2, 27500);
    t.nFrequency = SIM_NOT_SET;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBS, lnb, kSatChannels, t), -1);
}

TEST(SimLockSatellite, CBandLnbAboveTheTransponder)
{
    SimLnb lnb;
    lnb.nLofLowKHz = lnb.nLofHighKHz = 5150000;
    lnb.nSwitchKHz = 0;
    const std::vector<SimChannel> channels = {Satellite(3700000, SIM_POLARITY_H, 30000)};
    SimTuning t = SatelliteTuning(3700000, 1, 30000);
    t.nLofLow = t.nLofHigh = 5150000;
    t.nLofSwitch = 0;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBS, lnb, channels, t), 0);
    EXPECT_EQ(IntermediateFrequencyKHz(3700000, 5150000, 5150000, 0), 1450000u);
}

TEST(SimLockFrequency, ToleranceIsInclusive)
{
    SimChannel c;
    c.nFrequencyKHz = 506000;
    c.nBandwidthMHz = 8;
    SimTuning t;
    t.nFrequencyMultiplier = 1000;
    t.nBandwidth = 8;
    for (uint32_t f : {505500u, 506500u, 506000u}) {
        t.nFrequency = f;
        EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBT, SimLnb(), {c}, t), 0) << f;
    }
    for (uint32_t f : {505499u, 506501u}) {
        t.nFrequency = f;
        EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBT, SimLnb(), {c}, t), -1) << f;
    }
    c.nToleranceKHz = 0;
    t.nFrequency = 506001;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBT, SimLnb(), {c}, t), -1);
}

TEST(SimLockFrequency, MultiplierScalesTheFrequency)
{
    SimChannel c;
    c.nFrequencyKHz = 575000;
    SimTuning t;
    t.nFrequency = 575000000;
    t.nFrequencyMultiplier = 1;  // Hz
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_ATSC, SimLnb(), {c}, t), 0);
    t.nFrequency = 575000;
    t.nFrequencyMultiplier = SIM_NOT_SET;  // kHz, the BDA default
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_ATSC, SimLnb(), {c}, t), 0);
    EXPECT_EQ(TunedFrequencyKHz(t), 575000u);
    t.nFrequencyMultiplier = 0;  // no multiplier at all is taken as kHz too
    EXPECT_EQ(TunedFrequencyKHz(t), 575000u);
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_ATSC, SimLnb(), {c}, t), 0);
    t.nFrequency = 0xFFFFFFFE;
    t.nFrequencyMultiplier = 0xFFFFFFFE;  // no overflow in 64 bits
    EXPECT_EQ(TunedFrequencyKHz(t), 0xFFFFFFFEull * 0xFFFFFFFEull / 1000);
}

TEST(SimLockKinds, EachKindComparesItsOwnValues)
{
    SimChannel terrestrial;
    terrestrial.nFrequencyKHz = 650000;
    terrestrial.nBandwidthMHz = 8;
    SimTuning t;
    t.nFrequency = 650000;
    t.nFrequencyMultiplier = 1000;
    t.nBandwidth = 7;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBT, SimLnb(), {terrestrial}, t), -1);
    t.nBandwidth = 8;
    t.nSymbolRate = 8;  // the maker's program also sends the bandwidth as symbol rate
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBT, SimLnb(), {terrestrial}, t), 0);

    SimChannel cable;
    cable.nFrequencyKHz = 346000;
    cable.nSymbolRate = 6900;
    cable.nModulation = 11;
    t = SimTuning();
    t.nFrequency = 346000;
    t.nFrequencyMultiplier = 1000;
    t.nSymbolRate = 6900;
    t.nModulation = 3;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBC, SimLnb(), {cable}, t), -1);
    t.nModulation = 11;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBC, SimLnb(), {cable}, t), 0);
    t.nSymbolRate = 6875;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_DVBC, SimLnb(), {cable}, t), -1);

    // ATSC looks at the frequency only.
    SimChannel atsc;
    atsc.nFrequencyKHz = 189000;
    t = SimTuning();
    t.nFrequency = 189000;
    t.nBandwidth = 99;
    t.nModulation = 5;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_ATSC, SimLnb(), {atsc}, t), 0);
}

TEST(SimLockKinds, FirstMatchingChannelWinsAndNoneGivesMinusOne)
{
    SimChannel a;
    a.nFrequencyKHz = 189000;
    SimChannel b = a;
    b.nFrequencyKHz = 189400;
    SimTuning t;
    t.nFrequency = 189200;
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_ATSC, SimLnb(), {a, b}, t), 0);
    EXPECT_EQ(FindLockedChannel(SRC_TYPE_ATSC, SimLnb(), {}, t), -1);
}
