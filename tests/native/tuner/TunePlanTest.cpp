#include "tuner/TuneChoices.h"
#include "tuner/TunePlan.h"
#include "base/TunerKinds.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TuneValues UniversalSatellite()
{
    TuneValues v;
    v.nFrequency = 12188;
    v.nLof1MHz = 9750;
    v.nLof2MHz = 10600;
    v.nLofSwitchMHz = 11700;
    v.nSymbolRate = 27500;
    v.nModulation = ModulationCodeForIndex(1);
    v.nLnbPower = 1;
    v.nTone22k = 2;
    v.nDiseqc = 3;
    return v;
}

} // namespace

TEST(TunePlan, SatelliteGoesOutInKilohertzWithTheLnbRecordInMegahertz)
{
    const TunePlan plan = PlanTune(SRC_TYPE_DVBS, UniversalSatellite());
    ASSERT_EQ(plan.eCall, TuneCall::DVBS);
    EXPECT_EQ(plan.Sat.nFrequencyKHz, 12188000u);
    EXPECT_EQ(plan.Sat.nSymbolRate, 27500u);
    EXPECT_EQ(plan.Sat.nLof1KHz, 9750000u);
    EXPECT_EQ(plan.Sat.nLofSwitchKHz, 11700000u);
    EXPECT_EQ(plan.Sat.nLof2KHz, 10600000u);
    EXPECT_EQ(plan.Sat.nPolarity, 1u) << "neither button ticked tunes horizontal";
    EXPECT_EQ(plan.Sat.nModulation, 20);
    EXPECT_EQ(plan.Lnb.nLnbPower, 1);
    EXPECT_EQ(plan.Lnb.nTone22k, 2);
    EXPECT_EQ(plan.Lnb.nDiseqc, 3);
    EXPECT_EQ(plan.Lnb.nLof1MHz, 9750u);
    EXPECT_EQ(plan.Lnb.nLof2MHz, 10600u);
    EXPECT_EQ(plan.Lnb.nLofSwitchMHz, 11700u);
    EXPECT_EQ(plan.strTuneFreq + "-" + plan.strTuneParam + "-" + plan.strTuneSystem, "12188-27500-S");

    TuneValues v = UniversalSatellite();
    v.bVertical = true;
    v.nLnbPower = v.nTone22k = v.nDiseqc = -1;
    const TunePlan vertical = PlanTune(SRC_TYPE_DVBS, v);
    EXPECT_EQ(vertical.Sat.nPolarity, 0u);
    EXPECT_EQ(vertical.Lnb.nLnbPower, 0xFF) << "no choice goes out as the list's no-selection byte";
    EXPECT_EQ(vertical.Lnb.nDiseqc, 0xFF);
}

TEST(TunePlan, SatelliteRefusalsStillNameTheCapture)
{
    TuneValues v = UniversalSatellite();
    v.nSymbolRate = 0;
    TunePlan plan = PlanTune(SRC_TYPE_DVBS, v);
    EXPECT_EQ(plan.eCall, TuneCall::None);
    EXPECT_STREQ(plan.pszRefusal, "the symbol rate is missing or 0");
    EXPECT_TRUE(plan.bHasNameTexts);
    EXPECT_EQ(plan.strTuneParam, "0");

    v = UniversalSatellite();
    v.nLof1MHz = 0;
    EXPECT_EQ(PlanTune(SRC_TYPE_DVBS, v).eCall, TuneCall::DVBS) << "one oscillator suffices";
    v.nLof2MHz = 0;
    EXPECT_EQ(PlanTune(SRC_TYPE_DVBS, v).eCall, TuneCall::None);

    v = UniversalSatellite();
    v.nFrequency = 4294968;  // 4294968000 kHz does not fit 32 bits
    EXPECT_EQ(PlanTune(SRC_TYPE_DVBS, v).eCall, TuneCall::None);
    v = UniversalSatellite();
    v.nLofSwitchMHz = 4294968;
    EXPECT_EQ(PlanTune(SRC_TYPE_DVBS, v).eCall, TuneCall::None);
}

TEST(TunePlan, AtscMovesWholeMegahertzChannelsToTheirPilot)
{
    TuneValues v;
    v.nFrequency = 57000;
    TunePlan plan = PlanTune(SRC_TYPE_ATSC, v);
    ASSERT_EQ(plan.eCall, TuneCall::ATSC);
    EXPECT_EQ(plan.nFrequencyKHz, 55250u);
    EXPECT_EQ(plan.nBandwidthMHz, 6u);
    EXPECT_EQ(plan.strTuneFreq + "-" + plan.strTuneParam + "-" + plan.strTuneSystem, "57000-6-ATSC");

    v.nFrequency = 55250;
    EXPECT_EQ(PlanTune(SRC_TYPE_ATSC, v).nFrequencyKHz, 55250u);
    v.nFrequency = 1750;
    EXPECT_EQ(PlanTune(SRC_TYPE_ATSC, v).eCall, TuneCall::None) << "nothing would be left to tune";
    v.nFrequency = 0;
    EXPECT_EQ(PlanTune(SRC_TYPE_ATSC, v).eCall, TuneCall::None);
}

TEST(TunePlan, TerrestrialAndCableNeedEveryValue)
{
    TuneValues v;
    v.nFrequency = 506000;
    EXPECT_EQ(PlanTune(SRC_TYPE_DVBT, v).eCall, TuneCall::None);
    v.nBandwidth = 8;
    const TunePlan t = PlanTune(SRC_TYPE_DVBT, v);
    EXPECT_EQ(t.eCall, TuneCall::DVBT);
    EXPECT_EQ(t.nFrequencyKHz, 506000u);
    EXPECT_EQ(t.strTuneParam + t.strTuneSystem, "8T");

    v = TuneValues();
    v.nFrequency = 346000;
    v.nSymbolRate = 6900;
    EXPECT_EQ(PlanTune(SRC_TYPE_DVBC, v).eCall, TuneCall::None);
    v.nConstellation = 256;
    const TunePlan c = PlanTune(SRC_TYPE_DVBC, v);
    EXPECT_EQ(c.eCall, TuneCall::DVBC);
    EXPECT_EQ(c.nSymbolRate, 6900u);
    EXPECT_EQ(c.nConstellation, 256u);
    EXPECT_EQ(c.strTuneParam + c.strTuneSystem, "6900C");
}

TEST(TunePlan, UnknownKindsTuneNothingAndKeepTheLastTexts)
{
    for (int32_t nKind : {-1, 0, SRC_TYPE_LAST + 1}) {
        const TunePlan plan = PlanTune(nKind, UniversalSatellite());
        EXPECT_EQ(plan.eCall, TuneCall::None);
        EXPECT_FALSE(plan.bHasNameTexts);
    }
}

TEST(TunerKinds, OneTableGivesEveryConversion)
{
    for (int32_t nKind = SRC_TYPE_DVBS; nKind <= SRC_TYPE_LAST; ++nKind) {
        const TunerKind* pKind = FindTunerKind(nKind);
        ASSERT_NE(pKind, nullptr);
        EXPECT_EQ(SourceTypeForDeviceTypeBit(DeviceTypeBitForSourceType(nKind)), nKind);
        EXPECT_EQ(FindTunerKindByNode(&pKind->DemodulatorNode), pKind);
    }
    EXPECT_EQ(SourceTypeForDeviceTypeBit(3), SRC_TYPE_UNKNOWN);
    // The QPSK demodulator's function {6390C905-27C1-4D67-BDB7-77C50D079300} in memory.
    const uint8_t qpsk[16] = {0x05, 0xC9, 0x90, 0x63, 0xC1, 0x27, 0x67, 0x4D,
                              0xBD, 0xB7, 0x77, 0xC5, 0x0D, 0x07, 0x93, 0x00};
    ASSERT_NE(FindTunerKindByNode(qpsk), nullptr);
    EXPECT_EQ(FindTunerKindByNode(qpsk)->eType, SRC_TYPE_DVBS);
}

// A row copied for a new kind and not fully changed would make two kinds one.
TEST(TunerKinds, EveryKindHasItsOwnBitNodeAndWords)
{
    std::set<std::string> names, nodeWords, systems;
    uint32_t nBits = 0;
    for (const TunerKind& kind : kAllTunerKinds) {
        SCOPED_TRACE(kind.pszName);
        const uint32_t nBit = static_cast<uint32_t>(kind.nDeviceBit);
        EXPECT_TRUE(nBit && !(nBit & (nBit - 1)) && !(nBits & nBit)) << "one bit of its own";
        nBits |= nBit;
        EXPECT_EQ(FindTunerKindByNode(&kind.DemodulatorNode), &kind);
        EXPECT_TRUE(names.insert(kind.pszName).second);
        EXPECT_TRUE(nodeWords.insert(kind.pszNodeWord).second);
        EXPECT_TRUE(systems.insert(kind.pszDeliverySystem).second);
        EXPECT_TRUE(!kind.pszSecondGeneration || systems.insert(kind.pszSecondGeneration).second);
        EXPECT_TRUE(kind.nMinKHz && kind.nMinKHz < kind.nMaxKHz);
        EXPECT_EQ(kind.nMinKsps != 0, (TuneFieldsOfShape(kind.eShape) & TUNE_FIELD_SYMBOL_RATE) != 0);
        EXPECT_EQ(kind.nMinBandwidthMHz != 0 && kind.nMinBandwidthMHz < kind.nMaxBandwidthMHz,
                  (TuneFieldsOfShape(kind.eShape) & TUNE_FIELD_BANDWIDTH) != 0);
        EXPECT_EQ(kind.bNeedsLnb, (TuneFieldsOfShape(kind.eShape) & TUNE_FIELD_DISH) != 0);
        EXPECT_EQ(std::string(kind.pszOptionsHelp).find(std::string("  ") + kind.pszName + " "), 0u);
    }
    EXPECT_EQ(AllKindsMask(), nBits);
}

TEST(TuneChoices, CommandLineWordsFindTheDialogsPositions)
{
    EXPECT_EQ(kLnbPresets.Find("UNIVERSAL"), 1);
    EXPECT_EQ(kLnbPresets.At(2)->nLof2MHz, 11300u);
    EXPECT_EQ(kDiseqcChoices.Find("b"), 2);
    EXPECT_EQ(kModulationChoices.Find("8psk"), 2);
    EXPECT_EQ(kTone22kChoices.Find("sometimes"), -1);
    EXPECT_EQ(kLnbPowerChoices.At(-1), nullptr);
    EXPECT_EQ(kLnbPowerChoices.At(2), nullptr);
}
