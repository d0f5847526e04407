// Against the initial-tuning lists installed on the machine (scripts/setup.sh installs them)
// and the project's own twin lists.
#include "tuner/DriverRecords.h"
#include "tuner/TuneParams.h"
#include "channels/TuningEntry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

const fs::path kTables = "/usr/share/dvb";
const fs::path kFixtures = fs::path(QLTS_SOURCE_DIR) / "tests/native/channels/lists";

// The test command installs the scan tables (scripts/setup.sh): their absence is a failure.
#define REQUIRE_TABLES()                                                                           \
    ASSERT_TRUE(fs::is_directory(kTables / "dvb-s")) << kTables << " is missing: run scripts/setup.sh"

TuningList Read(const fs::path& path)
{
    TuningList list;
    TuningListError error;
    EXPECT_TRUE(ReadTuningListFile(path.string(), list, error)) << path << ": " << error.Describe();
    return list;
}

bool SameValues(const TuningValues& a, const TuningValues& b)
{
    return a.nSourceType == b.nSourceType && a.nFrequency == b.nFrequency && a.nFrequencyKHz == b.nFrequencyKHz &&
           a.nSymbolRate == b.nSymbolRate && a.nPolarity == b.nPolarity && a.nBandwidth == b.nBandwidth &&
           a.nConstellation == b.nConstellation && a.nModulation == b.nModulation &&
           a.bSecondGeneration == b.bSecondGeneration;
}

struct TwinTally {
    size_t nEntries = 0;
    size_t nAccepted = 0;  // both converted to the same values
    size_t nRefused = 0;   // both refused for the same reason
    size_t nNarrowed = 0;  // sectioned entries compared without keys an "S" line cannot carry
};

// The one-line format's "S" lines carry no modulation or stream, which some sectioned
// entries add: such an entry is compared without them.
TuningListEntry AsOneLineCarries(TuningListEntry entry, const TuningListEntry& twin, TwinTally& tally)
{
    const size_t nKeys = entry.Keys.size();
    for (const char* pszKey : {"MODULATION", "STREAM_ID"}) {
        if (twin.Find(pszKey))
            continue;
        auto& keys = entry.Keys;
        keys.erase(std::remove_if(keys.begin(), keys.end(), [&](const auto& key) { return key.first == pszKey; }),
                   keys.end());
    }
    tally.nNarrowed += entry.Keys.size() != nKeys;
    return entry;
}

// Converts each entry of a sectioned list and of its one-line twin: both must be accepted
// with equal values, or both refused with the same reason.
void CompareTwins(const fs::path& sectioned, const fs::path& oneLine, TwinTally& tally)
{
    const TuningList list = Read(sectioned);
    const TuningList oldList = Read(oneLine);
    EXPECT_EQ(list.Format, TuningListFormat::Sections) << sectioned;
    EXPECT_EQ(oldList.Format, TuningListFormat::OneLine) << oneLine;
    ASSERT_EQ(oldList.Entries.size(), list.Entries.size()) << oneLine;
    for (size_t i = 0; i < list.Entries.size(); ++i) {
        const TuningListEntry& oldEntry = oldList.Entries[i];
        const TuningListEntry entry = AsOneLineCarries(list.Entries[i], oldEntry, tally);
        EXPECT_EQ(*oldEntry.Find("FREQUENCY"), *entry.Find("FREQUENCY")) << oneLine << " entry " << i;
        TuningValues values, oldValues;
        std::string strReason, strOldReason;
        const bool bAccepted = ConvertTuningEntry(entry, SourceTypeForEntry(entry), values, strReason);
        const bool bOldAccepted = ConvertTuningEntry(oldEntry, SourceTypeForEntry(oldEntry), oldValues, strOldReason);
        ++tally.nEntries;
        if (bAccepted && bOldAccepted) {
            EXPECT_TRUE(SameValues(oldValues, values)) << oneLine << " entry " << i;
            ++tally.nAccepted;
        } else if (!bAccepted && !bOldAccepted) {
            EXPECT_FALSE(strReason.empty()) << sectioned << " entry " << i;
            EXPECT_EQ(strOldReason, strReason) << oneLine << " entry " << i;
            ++tally.nRefused;
        } else {
            ADD_FAILURE() << oneLine << " entry " << i << ": only the " << (bAccepted ? "one-line" : "sectioned")
                          << " entry is refused: " << (bAccepted ? strOldReason : strReason);
        }
    }
}

} // namespace

// The project's own twin lists, one entry of each shape, with no scan tables installed.
TEST(ScanTables, OneLineEntriesGiveWhatTheirSectionedTwinsGive)
{
    TwinTally twins;
    CompareTwins(kFixtures / "mixed", kFixtures / "mixed-one-line", twins);
    EXPECT_EQ(twins.nEntries, 10u);
    EXPECT_EQ(twins.nAccepted, 7u);
    EXPECT_EQ(twins.nRefused, 3u);  // a second stream, a 5 MHz channel, North American cable
    EXPECT_EQ(twins.nNarrowed, 0u);
}

TEST(ScanTables, EveryInstalledListParsesAndTheOldFormatAgreesWithTheNew)
{
    REQUIRE_TABLES();
    size_t nFiles = 0, nEntries = 0, nConverted = 0;
    TwinTally twins;
    for (const char* pszFolder : {"dvb-s", "dvb-t", "dvb-c", "atsc", "isdb-t"}) {
        ASSERT_TRUE(fs::is_directory(kTables / pszFolder)) << pszFolder;
        for (const fs::directory_entry& file : fs::directory_iterator(kTables / pszFolder)) {
            const TuningList list = Read(file.path());
            EXPECT_EQ(list.Format, TuningListFormat::Sections) << file.path();
            ++nFiles;
            for (const TuningListEntry& entry : list.Entries) {
                TuningValues values;
                std::string strReason;
                const bool bAccepted = ConvertTuningEntry(entry, SourceTypeForEntry(entry), values, strReason);
                EXPECT_TRUE(bAccepted || !strReason.empty());
                nConverted += bAccepted;
            }
            nEntries += list.Entries.size();

            // The same list in the old one-line format must give the same outcome.
            const fs::path old = kTables / "dvb-legacy" / pszFolder / file.path().filename();
            if (fs::exists(old))
                CompareTwins(file.path(), old, twins);
        }
    }
    std::printf("one-line twins: %zu entries, %zu accepted alike, %zu refused alike, %zu narrowed\n",
                twins.nEntries, twins.nAccepted, twins.nRefused, twins.nNarrowed);
    EXPECT_GT(nFiles, 1500u);
    EXPECT_GT(twins.nAccepted, 10000u);
    EXPECT_GT(twins.nRefused, 0u);
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
