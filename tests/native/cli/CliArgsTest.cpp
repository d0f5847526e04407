#include "base/TunerKinds.h"
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
    // 2^64 + 1 and 2^64 + 2^32 + 1 would read as 1 if the sum were allowed to wrap.
    for (const char* bad : {"", "4294967296", "18446744073709551617", "18446744078004518913", "12abc", "-1", "+5",
                            " 5", "0x10", "1.5"})
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

// What users of other tuning tools type: their long names, QAM as a modulation, a polarity
// spelt out, --version; a near miss is answered with the option or command meant.
TEST(CliArgsTest, OtherToolsNamesAreTakenAndNearMissesAnswered)
{
    Parsed p = Parse({"tune", "0", "--frequency", "346000", "--symbol-rate", "6900", "--modulation", "QAM/256"});
    ASSERT_TRUE(p.bOk) << p.Error;
    EXPECT_EQ(p.Args.Tune.nFrequency, 346000);
    EXPECT_EQ(p.Args.Tune.nSymbolRate, 6900);
    EXPECT_EQ(p.Args.Tune.nQam, 256);
    EXPECT_EQ(p.Args.Tune.nKindsUsed, static_cast<uint32_t>(FindTunerKind(SRC_TYPE_DVBC)->nDeviceBit));
    p = Parse({"tune", "0", "--frequency=11778", "--polarity", "Horizontal", "--modulation", "8psk"});
    ASSERT_TRUE(p.bOk) << p.Error;
    EXPECT_EQ(p.Args.Tune.nPolarity, 1);
    EXPECT_GE(p.Args.Tune.nModulation, 0);
    p = Parse({"tune", "0", "--bandwidth", "8", "--watch", "--json"});
    ASSERT_TRUE(p.bOk) << p.Error;
    EXPECT_TRUE(p.Args.bWatch && p.Args.bJson);
    EXPECT_EQ(p.Args.Tune.nBandwidth, 8);
    EXPECT_TRUE(Parse({"--version"}).Args.bVersion);

    EXPECT_NE(Parse({"tune", "0", "--freqency", "1"}).Error.find("did you mean --frequency?"), std::string::npos);
    EXPECT_NE(Parse({"tune", "0", "--bandwith", "8"}).Error.find("did you mean --bandwidth?"), std::string::npos);
    EXPECT_NE(Parse({"captur"}).Error.find("did you mean capture?"), std::string::npos);
    EXPECT_EQ(Parse({"capture", "0", "--watch", "-o", "a.ts"}).Error, "--watch is an option of 'tune', not of 'capture'");
    EXPECT_EQ(Parse({"tune", "0", "--zzzzzz"}).Error.find("did you mean"), std::string::npos);
    EXPECT_NE(CliHelpText(CliCommand::Tune).find("(also --frequency)"), std::string::npos);
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

    Parsed plain = Parse({"tune", "0", "--freq", "12188", "--sr", "27500", "--lnb", "custom", "--lof1", "10600"});
    ASSERT_TRUE(MakeTuneValues(plain.Args.Tune, SRC_TYPE_DVBS, &v, &error)) << error;
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

    // A missing value is refused before the plan, naming its option.
    Parsed cab = Parse({"tune", "0", "--freq", "346000", "--sr", "6900"});
    EXPECT_FALSE(MakeTuneValues(cab.Args.Tune, SRC_TYPE_DVBC, &v, &error));
    EXPECT_EQ(error, "a cable tuner needs --qam 16, 32, 64, 128 or 256");
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
    EXPECT_NE(FormatTunerListText(entries, 2).find("2 other tuners were left out: not the maker's."), std::string::npos);
    EXPECT_NE(FormatTunerListText({}, 1).find("1 other tuner was left out"), std::string::npos);
    EXPECT_NE(FormatTunerListJson(entries, 1).find("\"others_left_out\":1}"), std::string::npos);
    EXPECT_EQ(FormatSignalJson("2026-12-07T16:31:05", false, 10, 0),
              "{\"time\":\"2026-12-07T16:31:05\",\"locked\":false,\"strength\":10,\"quality\":0}");
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
    f.nBufferHighestPercent = 37;
    f.nDroppedBytes = 5 * 1048576 / 4;
    EXPECT_EQ(FormatProgressLine(f),
              "01:02:03  1.50 MB  20.00 Mbit/s  locked  strength 80  quality 90  errors 3 (cc 2, sync 1, tei 0, crc 0)"
              "  buffer peak 37%  dropped 1.25 MB");
}

TEST(CliArgsTest, CaptureOutputOptionsRefuseZeroAndWhatCannotBeSplit)
{
    Parsed p = Parse({"capture", "0", "--freq", "506000", "-o", "-", "--buffer-mb", "1024", "--raw", "--lock-timeout", "0"});
    ASSERT_TRUE(p.bOk) << p.Error;
    EXPECT_EQ(p.Args.strFile, "-");
    EXPECT_EQ(p.Args.nBufferMB, 1024u);
    EXPECT_TRUE(p.Args.bRaw);
    EXPECT_EQ(p.Args.nLockTimeoutS, 0u);
    p = Parse({"capture", "0", "--freq", "506000", "-o", "r.ts", "--split-mb", "50", "--split-seconds", "600"});
    ASSERT_TRUE(p.bOk) << p.Error;
    EXPECT_EQ(p.Args.nBufferMB, 64u);
    EXPECT_EQ(p.Args.nSplitMB, 50u);
    EXPECT_EQ(p.Args.nSplitSeconds, 600u);

    const std::vector<std::pair<std::vector<const char*>, const char*>> bad = {
        {{"--seconds", "0"}, "leave --seconds out"},
        {{"--limit-mb", "0"}, "leave --limit-mb out"},
        {{"--limit-mb", "18446744073709551617"}, "fits 32 bits"},
        {{"--split-mb", "0"}, "leave --split-mb out"},
        {{"--split-seconds", "0"}, "leave --split-seconds out"},
        {{"--buffer-mb", "0"}, "1 to 1024"},
        {{"--buffer-mb", "1025"}, "1 to 1024"},
        {{"--split-mb", "5", "--raw"}, "each part must start at a packet"},
    };
    for (const auto& [options, pszWhy] : bad) {
        std::vector<const char*> words = {"capture", "0", "--freq", "506000", "-o", "r.ts"};
        words.insert(words.end(), options.begin(), options.end());
        p = Parse(words);
        EXPECT_FALSE(p.bOk) << options[0];
        EXPECT_NE(p.Error.find(pszWhy), std::string::npos) << p.Error;
    }
    p = Parse({"capture", "0", "--freq", "506000", "-o", "-", "--split-seconds", "60"});
    EXPECT_FALSE(p.bOk);
    EXPECT_NE(p.Error.find("standard output"), std::string::npos) << p.Error;
}
