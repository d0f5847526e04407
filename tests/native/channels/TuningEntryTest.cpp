#include "tuner/DriverRecords.h"
#include "tuner/TuneParams.h"
#include "channels/TuningEntry.h"

#include <gtest/gtest.h>

namespace {

TuningListEntry Entry(std::initializer_list<std::pair<const char*, const char*>> Keys)
{
    TuningListEntry entry;
    entry.strName = "CHANNEL";
    for (const auto& key : Keys)
        entry.Set(key.first, key.second);
    return entry;
}

TuningValues Converts(const TuningListEntry& entry, int32_t nKind)
{
    TuningValues values;
    std::string strReason;
    EXPECT_TRUE(ConvertTuningEntry(entry, nKind, values, strReason)) << strReason;
    return values;
}

std::string Refused(const TuningListEntry& entry, int32_t nKind)
{
    TuningValues values;
    std::string strReason;
    EXPECT_FALSE(ConvertTuningEntry(entry, nKind, values, strReason));
    EXPECT_FALSE(strReason.empty());
    return strReason;
}

TuningListEntry Satellite(const char* pszPolarisation, const char* pszModulation)
{
    TuningListEntry entry = Entry({{"DELIVERY_SYSTEM", "DVBS2"}, {"FREQUENCY", "10714250"},
                                   {"SYMBOL_RATE", "22000400"}, {"POLARIZATION", pszPolarisation}});
    if (pszModulation)
        entry.Set("MODULATION", pszModulation);
    return entry;
}

} // namespace

TEST(TuningEntry, SatelliteGoesToTheDialogsMegahertzAndCodes)
{
    const TuningValues values = Converts(Satellite("HORIZONTAL", "APSK/16"), SRC_TYPE_DVBS);
    EXPECT_EQ(values.nSourceType, SRC_TYPE_DVBS);
    EXPECT_EQ(values.nFrequency, 10714u);       // the field takes whole MHz
    EXPECT_EQ(values.nFrequencyKHz, 10714250u); // the exact value stays at hand
    EXPECT_EQ(values.nSymbolRate, 22000u);
    EXPECT_EQ(values.nPolarity, 1u);
    EXPECT_EQ(values.nModulation, SAT_MOD_16APSK);
    EXPECT_TRUE(values.bSecondGeneration);

    const struct {
        const char* pszPolarisation;
        uint32_t nPolarity;
    } kPolarities[] = {{"VERTICAL", 0}, {"LEFT", 1}, {"RIGHT", 0}};
    for (const auto& p : kPolarities)
        EXPECT_EQ(Converts(Satellite(p.pszPolarisation, nullptr), SRC_TYPE_DVBS).nPolarity, p.nPolarity);

    const struct {
        const char* pszModulation;
        int32_t nCode;
    } kModulations[] = {{"QPSK", 20}, {"PSK/8", 23}, {"APSK/16", 24}, {"APSK/32", 22}, {"QAM/AUTO", 0}};
    for (const auto& m : kModulations)
        EXPECT_EQ(Converts(Satellite("VERTICAL", m.pszModulation), SRC_TYPE_DVBS).nModulation, m.nCode);
    // Without MODULATION: DVB-S is QPSK, DVB-S2 is left to the tuner.
    EXPECT_EQ(Converts(Satellite("VERTICAL", nullptr), SRC_TYPE_DVBS).nModulation, SAT_MOD_UNKNOWN);
    TuningListEntry first = Satellite("VERTICAL", nullptr);
    first.Set("DELIVERY_SYSTEM", "DVBS");
    EXPECT_EQ(Converts(first, SRC_TYPE_DVBS).nModulation, SAT_MOD_QPSK);
    EXPECT_FALSE(Converts(first, SRC_TYPE_DVBS).bSecondGeneration);
}

TEST(TuningEntry, GroundKindsGoToKilohertz)
{
    const TuningValues t = Converts(
        Entry({{"DELIVERY_SYSTEM", "DVBT2"}, {"FREQUENCY", "177500000"}, {"BANDWIDTH_HZ", "7000000"}}), SRC_TYPE_DVBT);
    EXPECT_EQ(t.nFrequency, 177500u);
    EXPECT_EQ(t.nBandwidth, 7u);
    EXPECT_TRUE(t.bSecondGeneration);

    const TuningValues c = Converts(Entry({{"DELIVERY_SYSTEM", "DVBC/ANNEX_A"}, {"FREQUENCY", "346000000"},
                                           {"SYMBOL_RATE", "6875000"}, {"MODULATION", "QAM/128"}}),
                                    SRC_TYPE_DVBC);
    EXPECT_EQ(c.nFrequency, 346000u);
    EXPECT_EQ(c.nSymbolRate, 6875u);
    EXPECT_EQ(c.nConstellation, 128u);

    // ATSC: the centre as a user types it, whole MHz in kHz; carriers ending in 250 kHz stay.
    const struct {
        const char* pszHz;
        uint32_t nField, nKHz;
    } kAtsc[] = {{"57028615", 57000, 57029}, {"56600000", 57000, 56600}, {"55250000", 55250, 55250},
                 {"473000000", 473000, 473000}};
    for (const auto& a : kAtsc) {
        const TuningValues values =
            Converts(Entry({{"DELIVERY_SYSTEM", "ATSC"}, {"FREQUENCY", a.pszHz}, {"MODULATION", "VSB/8"}}), SRC_TYPE_ATSC);
        EXPECT_EQ(values.nFrequency, a.nField) << a.pszHz;
        EXPECT_EQ(values.nFrequencyKHz, a.nKHz) << a.pszHz;
        EXPECT_EQ(values.nBandwidth, 6u);
    }
}

TEST(TuningEntry, EntriesTheTunerCannotTakeAreRefusedWithTheReason)
{
    const TuningListEntry terrestrial =
        Entry({{"DELIVERY_SYSTEM", "DVBT"}, {"FREQUENCY", "506000000"}, {"BANDWIDTH_HZ", "8000000"}});
    EXPECT_EQ(Refused(terrestrial, SRC_TYPE_DVBS),
              "a terrestrial entry (DVBT) needs a terrestrial tuner; this tuner is satellite");
    const struct {
        std::pair<const char*, const char*> Change;
        const char* pszReason;
    } kTerrestrial[] = {
        {{"BANDWIDTH_HZ", "0"}, "no bandwidth given"},
        {{"BANDWIDTH_HZ", "1712000"}, "takes 6, 7 or 8 MHz"},
        {{"FREQUENCY", "5060000"}, "frequency 5060 kHz is outside"},
        {{"STREAM_ID", "2"}, "stream 2"},
        {{"DELIVERY_SYSTEM", "DVBH"}, "DVBH is not received"},
    };
    for (const auto& c : kTerrestrial) {
        TuningListEntry entry = terrestrial;
        entry.Set(c.Change.first, c.Change.second);
        const std::string strReason = Refused(entry, SRC_TYPE_DVBT);
        EXPECT_NE(strReason.find(c.pszReason), std::string::npos) << strReason;
    }
    TuningListEntry noStream = terrestrial;
    noStream.Set("STREAM_ID", "4294967295");
    Converts(noStream, SRC_TYPE_DVBT);
    TuningListEntry noSystem = terrestrial;
    noSystem.Keys.erase(noSystem.Keys.begin());
    EXPECT_EQ(Refused(noSystem, SRC_TYPE_DVBT), "no DELIVERY_SYSTEM given");

    EXPECT_NE(Refused(Satellite("OFF", nullptr), SRC_TYPE_DVBS).find("polarisation OFF"), std::string::npos);
    EXPECT_NE(Refused(Satellite("VERTICAL", "APSK/64"), SRC_TYPE_DVBS).find("APSK/64"), std::string::npos);
    TuningListEntry wrongSat = Satellite("VERTICAL", nullptr);
    wrongSat.Set("FREQUENCY", "4090");  // a list giving MHz where kHz belong
    EXPECT_NE(Refused(wrongSat, SRC_TYPE_DVBS).find("frequency 4090 kHz"), std::string::npos);

    const TuningListEntry annexB = Entry({{"DELIVERY_SYSTEM", "DVBC/ANNEX_B"}, {"FREQUENCY", "57000000"}});
    EXPECT_NE(Refused(annexB, SRC_TYPE_DVBC).find("DVBC/ANNEX_B is not received"), std::string::npos);
    const TuningListEntry cableAuto = Entry({{"DELIVERY_SYSTEM", "DVBC/ANNEX_A"}, {"FREQUENCY", "346000000"},
                                             {"SYMBOL_RATE", "6900000"}, {"MODULATION", "QAM/AUTO"}});
    EXPECT_NE(Refused(cableAuto, SRC_TYPE_DVBC).find("QAM/AUTO"), std::string::npos);
    const TuningListEntry vsb16 = Entry({{"DELIVERY_SYSTEM", "ATSC"}, {"FREQUENCY", "57000000"}, {"MODULATION", "VSB/16"}});
    EXPECT_NE(Refused(vsb16, SRC_TYPE_ATSC).find("VSB/8 only"), std::string::npos);
}

TEST(TuningEntry, ScanRangeStepsAndChecks)
{
    std::vector<uint32_t> steps;
    std::string strReason;
    ASSERT_TRUE(MakeScanRange(SRC_TYPE_DVBT, 474000, 490000, 8000, steps, strReason)) << strReason;
    EXPECT_EQ(steps, (std::vector<uint32_t>{474000, 482000, 490000}));
    ASSERT_TRUE(MakeScanRange(SRC_TYPE_ATSC, 57000, 62999, 6000, steps, strReason));
    EXPECT_EQ(steps, (std::vector<uint32_t>{57000}));  // the end need not be a step
    ASSERT_TRUE(MakeScanRange(SRC_TYPE_DVBC, 42000, 1002000, 500, steps, strReason));
    EXPECT_EQ(steps.size(), 1921u);
    EXPECT_EQ(steps.back(), 1002000u);

    const struct {
        int32_t nKind;
        uint32_t nFrom, nTo, nStep;
        const char* pszReason;
    } kBad[] = {
        {SRC_TYPE_DVBT, 474000, 490000, 0, "above 0"},
        {SRC_TYPE_DVBT, 490000, 474000, 8000, "starts above its end"},
        {SRC_TYPE_DVBC, 42000, 1002000, 1, "more than 2000"},
        {SRC_TYPE_DVBT, 10000, 490000, 8000, "start 10000 kHz is outside"},
        {SRC_TYPE_DVBT, 474000, 4000000000u, 8000, "end 4000000000 kHz is outside"},
        {SRC_TYPE_DVBS, 474000, 490000, 8000, "satellite scan needs a list"},
        {SRC_TYPE_UNKNOWN, 474000, 490000, 8000, "unknown tuner kind"},
    };
    for (const auto& b : kBad) {
        steps.assign(1, 1);
        EXPECT_FALSE(MakeScanRange(b.nKind, b.nFrom, b.nTo, b.nStep, steps, strReason));
        EXPECT_NE(strReason.find(b.pszReason), std::string::npos) << strReason;
        EXPECT_TRUE(steps.empty());
    }
}
