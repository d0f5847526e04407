// Against the initial-tuning lists installed on the machine (scripts/setup.sh installs them).
#include "tuner/DriverRecords.h"
#include "tuner/TuneParams.h"
#include "channels/TuningEntry.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const fs::path kTables = "/usr/share/dvb";

#define REQUIRE_TABLES()                                                                           \
    if (!fs::is_directory(kTables / "dvb-s"))                                                     \
        GTEST_SKIP() << kTables << " is missing: install the scan tables (scripts/setup.sh)"

TuningList Read(const fs::path& path)
{
    TuningList list;
    TuningListError error;
    EXPECT_TRUE(ReadTuningListFile(path.string(), list, error)) << path << ": " << error.Describe();
    return list;
}

// The one-line format's "S" lines carry no modulation or stream, which some sectioned
// entries add: those are compared on what both carry.
bool SameValues(const TuningValues& a, const TuningValues& b, bool bCompareModulation)
{
    return a.nSourceType == b.nSourceType && a.nFrequency == b.nFrequency && a.nFrequencyKHz == b.nFrequencyKHz &&
           a.nSymbolRate == b.nSymbolRate && a.nPolarity == b.nPolarity && a.nBandwidth == b.nBandwidth &&
           a.nConstellation == b.nConstellation && (!bCompareModulation || a.nModulation == b.nModulation);
}

} // namespace

TEST(ScanTables, EveryInstalledListParsesAndTheOldFormatAgreesWithTheNew)
{
    REQUIRE_TABLES();
    size_t nFiles = 0, nEntries = 0, nConverted = 0, nCompared = 0;
    for (const char* pszFolder : {"dvb-s", "dvb-t", "dvb-c", "atsc", "isdb-t"}) {
        if (!fs::is_directory(kTables / pszFolder))
            continue;
        for (const fs::directory_entry& file : fs::directory_iterator(kTables / pszFolder)) {
            const TuningList list = Read(file.path());
            EXPECT_EQ(list.Format, TuningListFormat::Sections) << file.path();
            ++nFiles;
            std::vector<TuningValues> Converted;
            std::vector<bool> Accepted;
            for (const TuningListEntry& entry : list.Entries) {
                TuningValues values;
                std::string strReason;
                Accepted.push_back(ConvertTuningEntry(entry, SourceTypeForEntry(entry), values, strReason));
                EXPECT_TRUE(Accepted.back() || !strReason.empty());
                nConverted += Accepted.back();
                Converted.push_back(values);
            }
            nEntries += list.Entries.size();

            // The same list in the old one-line format must give the same tunings.
            const fs::path old = kTables / "dvb-legacy" / pszFolder / file.path().filename();
            if (!fs::exists(old))
                continue;
            const TuningList oldList = Read(old);
            EXPECT_EQ(oldList.Format, TuningListFormat::OneLine) << old;
            ASSERT_EQ(oldList.Entries.size(), list.Entries.size()) << old;
            for (size_t i = 0; i < oldList.Entries.size(); ++i) {
                const TuningListEntry& oldEntry = oldList.Entries[i];
                EXPECT_EQ(*oldEntry.Find("FREQUENCY"), *list.Entries[i].Find("FREQUENCY")) << old << " entry " << i;
                TuningValues values;
                std::string strReason;
                if (!ConvertTuningEntry(oldEntry, SourceTypeForEntry(oldEntry), values, strReason) || !Accepted[i])
                    continue;
                EXPECT_TRUE(SameValues(values, Converted[i], oldEntry.Find("MODULATION") != nullptr))
                    << old << " entry " << i;
                ++nCompared;
            }
        }
    }
    EXPECT_GT(nFiles, 1500u);
    EXPECT_GT(nCompared, 10000u);
    // Most entries are of systems the tuners take; the refused ones are ISDB-T, North
    // American cable, multi-stream and faulty entries.
    EXPECT_GT(nConverted, 15000u);
    EXPECT_LT(nConverted, nEntries);
}

TEST(ScanTables, ChosenListsGiveTheirFirstEntriesInTheDialogsUnits)
{
    REQUIRE_TABLES();
    const struct {
        const char* pszFile;
        size_t nEntry;
        int32_t nKind;
        uint32_t nFrequency, nSymbolRate, nPolarity, nBandwidth, nConstellation;
        int32_t nModulation;
    } kCases[] = {
        // DVBS2 11362000 kHz horizontal 22000000 PSK/8
        {"dvb-s/Astra-19.2E", 0, SRC_TYPE_DVBS, 11362, 22000, 1, 0, 0, SAT_MOD_8PSK},
        {"dvb-t/de-Berlin", 0, SRC_TYPE_DVBT, 506000, 0, 0, 8, 0, 0},
        {"dvb-t/uk-CrystalPalace", 0, SRC_TYPE_DVBT, 490000, 0, 0, 8, 0, 0},
        {"dvb-c/de-Kabel_Deutschland-Hannover", 0, SRC_TYPE_DVBC, 114000, 6900, 0, 0, 256, 0},
        {"dvb-c/de-Kabel_Deutschland-Hannover", 1, SRC_TYPE_DVBC, 122000, 6900, 0, 0, 64, 0},
        {"atsc/us-ATSC-center-frequencies-8VSB", 0, SRC_TYPE_ATSC, 57000, 0, 0, 6, 0, 0},
        {"atsc/us-ATSC-center-frequencies-8VSB", 1, SRC_TYPE_ATSC, 63000, 0, 0, 6, 0, 0},
    };
    for (const auto& c : kCases) {
        const TuningList list = Read(kTables / c.pszFile);
        ASSERT_GT(list.Entries.size(), c.nEntry) << c.pszFile;
        TuningValues values;
        std::string strReason;
        ASSERT_TRUE(ConvertTuningEntry(list.Entries[c.nEntry], c.nKind, values, strReason)) << strReason;
        EXPECT_EQ(values.nFrequency, c.nFrequency) << c.pszFile;
        EXPECT_EQ(values.nSymbolRate, c.nSymbolRate) << c.pszFile;
        EXPECT_EQ(values.nPolarity, c.nPolarity) << c.pszFile;
        EXPECT_EQ(values.nBandwidth, c.nBandwidth) << c.pszFile;
        EXPECT_EQ(values.nConstellation, c.nConstellation) << c.pszFile;
        EXPECT_EQ(values.nModulation, c.nModulation) << c.pszFile;
    }

    // A channel file written by a scanning tool: service names, PIDs and its extra keys.
    const TuningList channels = Read(kTables / "dvb-t/es-Zaragoza");
    const TuningListEntry* pDisney = FindChannel(channels, "Disney Channel");
    ASSERT_NE(pDisney, nullptr);
    EXPECT_EQ(pDisney->GetPids("AUDIO_PID"), (std::vector<uint16_t>{103, 104, 105}));
    EXPECT_EQ(*pDisney->Find("PID_05"), "2021");
}
