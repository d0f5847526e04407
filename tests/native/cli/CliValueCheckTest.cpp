#include "cli/CliArgs.h"
#include "channels/TuningEntry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The reason a command line's tuning values are refused for a tuner of this kind; "" when
// they are taken.
std::string Refusal(int32_t nSourceType, std::vector<const char*> words)
{
    words.insert(words.begin(), {"qltscap", "tune", "0"});
    CliArgs args;
    std::string error;
    if (!ParseCliArgs(static_cast<int>(words.size()), words.data(), &args, &error))
        return "parse: " + error;
    TuneValues values;
    return MakeTuneValues(args.Tune, nSourceType, &values, &error) ? "" : error;
}

} // namespace

TEST(CliValueCheckTest, ValuesInAnotherUnitAreRefusedWithTheValueToGive)
{
    EXPECT_EQ(Refusal(SRC_TYPE_DVBT, {"--freq", "506000000", "--bw", "8"}),
              "--freq is in kHz for a terrestrial tuner (42000 to 1002000): use 506000");
    EXPECT_EQ(Refusal(SRC_TYPE_DVBT, {"--freq", "506", "--bw", "8"}),
              "--freq is in kHz for a terrestrial tuner (42000 to 1002000): use 506000");
    EXPECT_EQ(Refusal(SRC_TYPE_DVBT, {"--freq", "506000", "--bw", "8000000"}),
              "--bw is in MHz for a terrestrial tuner (6, 7 or 8): use 8");
    EXPECT_EQ(Refusal(SRC_TYPE_DVBC, {"--freq", "346000", "--sr", "6900000", "--qam", "64"}),
              "--sr is in ksymbols/s for a cable tuner (1000 to 7200): use 6900");
    EXPECT_EQ(Refusal(SRC_TYPE_DVBS, {"--freq", "11778000", "--sr", "27500", "--lnb", "universal"}),
              "--freq is in MHz for a satellite tuner (950 to 31000): use 11778");
    EXPECT_EQ(Refusal(SRC_TYPE_DVBS, {"--freq", "11778", "--sr", "27500000", "--lnb", "universal"}),
              "--sr is in ksymbols/s for a satellite tuner (100 to 72000): use 27500");
}

TEST(CliValueCheckTest, ValuesOutsideTheKindsRangesAndMissingValuesNameTheirOption)
{
    EXPECT_EQ(Refusal(SRC_TYPE_DVBT, {"--freq", "506000"}), "a terrestrial tuner needs --bw 6, 7 or 8");
    EXPECT_EQ(Refusal(SRC_TYPE_ATSC, {}), "an ATSC tuner needs --freq in kHz (42000 to 1002000)");
    EXPECT_EQ(Refusal(SRC_TYPE_DVBC, {"--freq", "346000", "--qam", "64"}),
              "a cable tuner needs --sr in ksymbols/s (1000 to 7200)");
    EXPECT_EQ(Refusal(SRC_TYPE_ATSC, {"--freq", "41999"}),
              "--freq 41999 is outside what an ATSC tuner takes: 42000 to 1002000 kHz");
    EXPECT_EQ(Refusal(SRC_TYPE_DVBT, {"--freq", "506000", "--bw", "5"}),
              "--bw 5 is not a bandwidth a terrestrial tuner takes: 6, 7 or 8 MHz");
    EXPECT_EQ(Refusal(SRC_TYPE_DVBC, {"--freq", "346000", "--sr", "6900", "--qam", "100"}),
              "--qam 100 is not a QAM order a cable tuner takes: 16, 32, 64, 128 or 256");
    EXPECT_EQ(Refusal(SRC_TYPE_DVBS, {"--freq", "11778", "--sr", "27500"}),
              "a satellite tuner needs --lnb low-high, universal or custom (or --lof1 and --lof2 in MHz)");
    EXPECT_EQ(Refusal(SRC_TYPE_DVBS, {"--freq", "11778", "--sr", "27500", "--lnb", "custom"}),
              "--lnb custom needs its oscillators: --lof1 and --lof2 in MHz (and --lof-switch for a two-band LNB)");
    // The universal LNB brings 10700 to 12750 MHz to the tuner, its low band below the switch.
    EXPECT_EQ(Refusal(SRC_TYPE_DVBS, {"--freq", "3800", "--sr", "27500", "--lnb", "universal"}),
              "--freq 3800 MHz is outside what the LNB can take: with its oscillators at 9750 and 10600 MHz "
              "(switch 11700 MHz) the tuner would get 5950 MHz, and it takes 950 to 2150 MHz");
    EXPECT_NE(Refusal(SRC_TYPE_DVBS, {"--freq", "12751", "--sr", "27500", "--lnb", "universal"}), "");
    EXPECT_NE(Refusal(SRC_TYPE_DVBS, {"--freq", "10699", "--sr", "27500", "--lnb", "universal"}), "");
}

TEST(CliValueCheckTest, ValuesWithinTheKindsRangesAreTaken)
{
    EXPECT_EQ(Refusal(SRC_TYPE_DVBT, {"--freq", "42000", "--bw", "6"}), "");
    EXPECT_EQ(Refusal(SRC_TYPE_DVBT, {"--freq", "1002000", "--bw", "8"}), "");
    EXPECT_EQ(Refusal(SRC_TYPE_DVBC, {"--freq", "346000", "--sr", "6900", "--qam", "256"}), "");
    EXPECT_EQ(Refusal(SRC_TYPE_ATSC, {"--freq", "557000"}), "");
    for (const char* freq : {"10700", "11699", "11700", "12750"})
        EXPECT_EQ(Refusal(SRC_TYPE_DVBS, {"--freq", freq, "--sr", "27500", "--lnb", "universal"}), "") << freq;
    EXPECT_EQ(Refusal(SRC_TYPE_DVBS, {"--freq", "3800", "--sr", "27500", "--lnb", "low-high"}), "");
    EXPECT_EQ(Refusal(SRC_TYPE_DVBS, {"--freq", "12188", "--sr", "27500", "--lnb", "custom", "--lof2", "10750"}), "");
    EXPECT_EQ(Refusal(SRC_TYPE_DVBS, {"--freq", "11000", "--sr", "27500", "--lof1", "9750"}), "");
}

TEST(CliValueCheckTest, AChannelEntryGivesTheValuesButTheDishStillNeedsItsOscillators)
{
    TuningListEntry entry;
    entry.Set("DELIVERY_SYSTEM", "DVBS");
    entry.SetNumber("FREQUENCY", 11778000);
    entry.SetNumber("SYMBOL_RATE", 27500000);
    entry.Set("POLARIZATION", "VERTICAL");
    for (const auto& dish : std::vector<std::pair<const char*, bool>>{{"universal", true}, {"custom", false}}) {
        const char* argv[] = {"qltscap", "tune", "0", "--lnb", dish.first};
        CliArgs args;
        std::string error;
        ASSERT_TRUE(ParseCliArgs(5, argv, &args, &error)) << error;
        TuneValues values;
        EXPECT_EQ(MakeEntryTuneValues(entry, args.Tune, SRC_TYPE_DVBS, &values, nullptr, &error), dish.second)
            << dish.first << ": " << error;
    }
}
