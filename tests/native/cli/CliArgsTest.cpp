#include "cli/CliArgs.h"
#include "cli/CliText.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Parsed {
    bool bOk;
    CliArgs Args;
    std::string Error;
};

Parsed Parse(std::vector<const char*> words)
{
    words.insert(words.begin(), "qltscap");
    Parsed parsed;
    parsed.bOk = ParseCliArgs(static_cast<int>(words.size()), words.data(), &parsed.Args, &parsed.Error);
    return parsed;
}

} // namespace

TEST(CliArgsTest, NumbersAreDecimalDigitsThatFit32Bits)
{
    uint32_t n = 7;
    EXPECT_TRUE(ParseCliNumber("4294967295", &n));
    EXPECT_EQ(n, 4294967295u);
    for (const char* bad : {"", "4294967296", "12abc", "-1", "+5", " 5", "0x10", "1.5"})
        EXPECT_FALSE(ParseCliNumber(bad, &n)) << bad;
    EXPECT_EQ(n, 4294967295u);

    Parsed p = Parse({"capture", "0", "--freq", "12abc", "-o", "x.ts"});
    EXPECT_FALSE(p.bOk);
    EXPECT_NE(p.Error.find("--freq"), std::string::npos);
    EXPECT_NE(p.Error.find("12abc"), std::string::npos);
}

TEST(CliArgsTest, CommandsTakeTheirOwnOptionsOnly)
{
    Parsed p = Parse({"capture", "DTV-ATSC Tuner", "--freq=575000", "-o", "a.ts", "--limit-mb", "5", "--seconds", "9",
                      "--overwrite", "--json", "--lock-timeout", "3", "--html", "a.html", "--log", "a.csv"});
    ASSERT_TRUE(p.bOk) << p.Error;
    EXPECT_EQ(p.Args.eCommand, CliCommand::Capture);
    EXPECT_EQ(p.Args.strTuner, "DTV-ATSC Tuner");
    EXPECT_EQ(p.Args.strFile, "a.ts");
    EXPECT_EQ(p.Args.Tune.nFrequency, 575000);
    EXPECT_EQ(p.Args.nLimitMB, 5u);
    EXPECT_EQ(p.Args.nSeconds, 9u);
    EXPECT_EQ(p.Args.nLockTimeoutS, 3u);
    EXPECT_TRUE(p.Args.bOverwrite && p.Args.bJson);
    EXPECT_EQ(p.Args.strHtml, "a.html");
    EXPECT_EQ(p.Args.strLog, "a.csv");
    EXPECT_TRUE(Parse({"analyze", "a.ts", "--html", "a.html"}).bOk);

    const std::vector<std::vector<const char*>> bad = {
        {},                                            // no command
        {"record"},                                    // unknown command
        {"tune"},                                      // no TUNER
        {"tune", "0", "1"},                            // one TUNER only
        {"capture", "0", "--freq", "1"},               // no -o
        {"capture", "0", "-o"},                        // -o without value
        {"list", "--watch"},                           // not an option of list
        {"tune", "0", "--limit-mb", "3"},              // a capture option
        {"analyze"},                                   // no FILE
        {"tune", "0", "--watch=1"},                    // a flag takes no value
        {"tune", "0", "--pol", "X"},                   // not a polarity
        {"tune", "0", "--lnb", "twin"},                // not a preset
        {"tune", "0", "--bw", "8", "--sr", "27500", "--qam", "64"},  // no kind has all three
        {"analyze", "a.ts", "--log", "a.csv"},         // a log is a capture's
        {"analyze", "a.ts", "--html", "A.TS"},         // the report would replace the stream
        {"capture", "0", "--freq", "506000", "--bw", "8", "-o", "a.ts", "--log", "a.ts"},
        {"capture", "0", "--freq", "506000", "--bw", "8", "-o", "a.ts", "--log", "r", "--html", "r"},
    };
    for (const auto& words : bad) {
        Parsed q = Parse(words);
        EXPECT_FALSE(q.bOk) << (words.empty() ? "(none)" : words[0]);
        EXPECT_FALSE(q.Error.empty());
    }
    Parsed help = Parse({"capture", "--help"});
    EXPECT_TRUE(help.bOk && help.Args.bHelp);
    EXPECT_EQ(help.Args.eCommand, CliCommand::Capture);
}

TEST(CliArgsTest, TuningValuesFollowTheDialogForEachKind)
{
    TuneValues v;
    std::string error;
    // The preset fills the oscillators; a given one wins; the dialog's satellite defaults.
    Parsed sat = Parse({"tune", "0", "--freq", "12188", "--sr", "27500", "--pol", "H", "--lnb", "universal", "--lof2",
                        "10750", "--modulation", "qpsk", "--diseqc", "C"});
    ASSERT_TRUE(sat.bOk) << sat.Error;
    ASSERT_TRUE(MakeTuneValues(sat.Args.Tune, SRC_TYPE_DVBS, &v, &error)) << error;
    EXPECT_EQ(v.nFrequency, 12188u);
    EXPECT_EQ(v.nLof1MHz, 9750u);
    EXPECT_EQ(v.nLof2MHz, 10750u);
    EXPECT_EQ(v.nLofSwitchMHz, 11700u);
    EXPECT_FALSE(v.bVertical);
    EXPECT_EQ(v.nModulation, 20);
    EXPECT_EQ(v.nDiseqc, 3);
    EXPECT_EQ(v.nLnbPower, 1);
    EXPECT_EQ(v.nTone22k, 0);

    Parsed plain = Parse({"tune", "0", "--freq", "12188", "--sr", "27500", "--lnb", "custom"});
    ASSERT_TRUE(MakeTuneValues(plain.Args.Tune, SRC_TYPE_DVBS, &v, &error));
    EXPECT_TRUE(v.bVertical);
    EXPECT_EQ(v.nModulation, 0);
    EXPECT_EQ(v.nLof2MHz, 11300u);

    // An option of another kind is refused for this tuner, naming both.
    Parsed ter = Parse({"tune", "0", "--freq", "506000", "--bw", "8"});
    ASSERT_TRUE(MakeTuneValues(ter.Args.Tune, SRC_TYPE_DVBT, &v, &error));
    EXPECT_EQ(v.nBandwidth, 8u);
    EXPECT_FALSE(MakeTuneValues(ter.Args.Tune, SRC_TYPE_DVBC, &v, &error));
    EXPECT_NE(error.find("--bw"), std::string::npos);
    EXPECT_NE(error.find("cable"), std::string::npos);

    // Missing values reach the plan as the dialog's empty fields, which it refuses.
    Parsed cab = Parse({"tune", "0", "--freq", "346000", "--sr", "6900"});
    ASSERT_TRUE(MakeTuneValues(cab.Args.Tune, SRC_TYPE_DVBC, &v, &error));
    EXPECT_EQ(PlanTune(SRC_TYPE_DVBC, v).eCall, TuneCall::None);
    EXPECT_FALSE(MakeTuneValues(cab.Args.Tune, SRC_TYPE_UNKNOWN, &v, &error));
}

TEST(CliArgsTest, HelpNamesEveryCommandOptionAndExitCode)
{
    const std::string program = CliHelpText(CliCommand::None);
    for (const char* word : {"list", "tune", "capture", "analyze", "--overwrite", "--lock-timeout", "  7  "})
        EXPECT_NE(program.find(word), std::string::npos) << word;
    for (int code = 0; code <= 7; ++code)
        EXPECT_NE(program.find("  " + std::to_string(code) + "  "), std::string::npos) << code;
    const std::string capture = CliHelpText(CliCommand::Capture);
    for (const char* word : {"--limit-mb N", "-o, --output FILE", "--qam N", "[cable]", "--diseqc PORT"})
        EXPECT_NE(capture.find(word), std::string::npos) << word;
    EXPECT_EQ(CliHelpText(CliCommand::List).find("--freq"), std::string::npos);
}

TEST(CliTextTest, TunerIsFoundByIndexMacOrName)
{
    std::vector<CliTunerEntry> entries(3);
    const char* names[] = {"DTV-DVB S2 Satellite Tuner", "Quillon DVB-T Terrestrial Tuner", "DTV-ATSC Tuner"};
    for (int i = 0; i < 3; ++i) {
        entries[i].nIndex = i;
        entries[i].strName = names[i];
        entries[i].bRecordsRead = i != 2;
        entries[i].strMac = "00-1B-C5-00-00-0" + std::to_string(i);
    }
    EXPECT_EQ(FindCliTuner(entries, "1"), 1);
    EXPECT_EQ(FindCliTuner(entries, "3"), -1);
    EXPECT_EQ(FindCliTuner(entries, "00:1b:c5:00:00:01"), 1);
    EXPECT_EQ(FindCliTuner(entries, "00-1B-C5-00-00-02"), -1);  // records unread: no MAC known
    EXPECT_EQ(FindCliTuner(entries, "dtv-atsc tuner"), 2);
    EXPECT_EQ(FindCliTuner(entries, "DTV"), -1);

    const std::string json = FormatTunerListJson(entries);
    EXPECT_NE(json.find("\"index\":2,\"name\":\"DTV-ATSC Tuner\",\"kind\":\"unknown\",\"records\":false,\"mac\":\"\""),
              std::string::npos) << json;
    EXPECT_NE(FormatTunerListText(entries).find("2  DTV-ATSC Tuner  unknown  MAC unknown"), std::string::npos);
}

TEST(CliTextTest, ProgressLineCarriesEveryFigure)
{
    CaptureProgressFigures f;
    f.nElapsedMs = 3723500;
    f.nBytes = 3 * 1048576 / 2;
    f.nBytesPerSecond = 2500000;
    f.bLocked = true;
    f.nStrength = 80;
    f.nQuality = 90;
    f.Stream.nCcErrors = 2;
    f.Stream.nSyncLosses = 1;
    EXPECT_EQ(FormatProgressLine(f),
              "01:02:03  1.50 MB  20.00 Mbit/s  locked  strength 80  quality 90  errors 3 (cc 2, sync 1, tei 0, crc 0)");
}
