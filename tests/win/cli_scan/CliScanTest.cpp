// qltscap scan and --channel against simulated tuners: installed tuning lists of every kind
// are scanned by tuners whose scenario carries some of their transponders, and the stream
// each locked transponder plays is a file ffmpeg made with two named services.
#include "cli/CliCommands.h"
#include "cli/CliConsole.h"
#include "simtuner/SimTunerLibrary.h"
#include "tuner/TunerGraph.h"
#include "channels/TuningList.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

const char kLists[] = "Z:/usr/share/dvb/";

std::string BesideProgram(const std::string& name)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of("\\/") + 1) + name;
}

std::string TempPath(const std::string& name)
{
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

std::string ReadAll(const std::string& path)
{
    std::string text;
    if (FILE* pFile = fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof(buffer), pFile)) > 0)
            text.append(buffer, n);
        fclose(pFile);
    }
    return text;
}

size_t Count(const std::string& text, const std::string& word)
{
    size_t n = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
        ++n;
    return n;
}

struct CliRun {
    int nExit;
    std::string Out, Err;
};

class CliScan : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_library.IsLoaded()) << "QLSimTuner.dll beside the test";
        // The test command installs both (scripts/setup.sh): their absence is a failure.
        ASSERT_NE(GetFileAttributesA((std::string(kLists) + "dvb-t").c_str()), INVALID_FILE_ATTRIBUTES)
            << "dtv-scan-tables is not installed (/usr/share/dvb): run scripts/setup.sh";
        ASSERT_NE(GetFileAttributesA(m_stream.c_str()), INVALID_FILE_ATTRIBUTES)
            << "scan-services.ts was not made (ffmpeg missing at build time): run scripts/setup.sh";
        Register();
    }
    void TearDown() override
    {
        m_graph.StopGraph();
        m_graph.DestroyGraph();
        if (auto pRemove = m_library.Proc<HRESULT(WINAPI*)()>("DllUnregisterServer"))
            pRemove();
        for (const std::string& path : {m_out, m_err, m_channels})
            remove(path.c_str());
    }

    // One tuner of each kind, carrying a few transponders of the lists below; every locked
    // transponder plays the ffmpeg-made stream.
    void Register()
    {
        const std::string source = "source = file:" + m_stream + "\nlock_delay = 0\n";
        const std::string scenario =
            "[tuner]\nname = DTV-DVB S2 Satellite Tuner\nkind = satellite\n" + source +
            "lnb = 9750000 10600000 11700000\n"
            "channel = 11362000 pol=H sr=22000\nchannel = 11744000 pol=H sr=13021\n"
            "[tuner]\nname = Quillon DVB-T Terrestrial Tuner\nkind = terrestrial\n" + source +
            "channel = 198500 bw=7\nchannel = 641500 bw=7\n"
            "[tuner]\nname = DTV-DVB C Cable Tuner\nkind = cable\n" + source +
            "channel = 394000 sr=6900 qam=64\nchannel = 466000 sr=6900 qam=64\n"
            "[tuner]\nname = DTV-ATSC Tuner\nkind = atsc\n" + source +
            // The lists give channel centres; the tuner is tuned 1750 kHz below them.
            "channel = 615250\nchannel = 717250\n";
        std::string error;
        ASSERT_EQ(m_library.RegisterScenario(scenario, &error), S_OK) << error;
    }

    CliRun Cli(std::vector<std::string> words)
    {
        words.insert(words.begin(), "qltscap");
        std::vector<const char*> argv;
        for (const std::string& word : words)
            argv.push_back(word.c_str());
        FILE* pOut = fopen(m_out.c_str(), "wb");
        FILE* pErr = fopen(m_err.c_str(), "wb");
        EXPECT_TRUE(pOut && pErr);
        const CliContext context{m_graph, m_stop, pOut, pErr};
        const int nExit = RunCli(static_cast<int>(argv.size()), argv.data(), context);
        fclose(pOut);
        fclose(pErr);
        return {nExit, ReadAll(m_out), ReadAll(m_err)};
    }

    // The entries of a scan's JSON that carry this frequency and state.
    static size_t Rows(const CliRun& run, uint32_t nKHz, const char* pszState)
    {
        return Count(run.Out, "\"frequency_khz\":" + std::to_string(nKHz) + ",\"state\":\"" + pszState + "\"");
    }

    CTunerGraph m_graph;
    CConsoleStop m_stop;
    CSimTunerLibrary m_library;
    const std::string m_stream = BesideProgram("scan-services.ts");
    const std::string m_out = TempPath("qlts_scan_out.txt");
    const std::string m_err = TempPath("qlts_scan_err.txt");
    const std::string m_channels = TempPath("qlts_scan.channels");
};

} // namespace

TEST_F(CliScan, InstalledListsOfEveryKindLockExactlyTheCarriedTransponders)
{
    struct Case {
        const char* pszTuner;
        const char* pszList;
        std::vector<std::string> Options;
        std::vector<uint32_t> Locked, NotLocked;  // kHz as the list gives them
    };
    const Case cases[] = {
        {"DTV-DVB S2 Satellite Tuner", "dvb-s/Astra-19.2E", {"--lnb", "universal"}, {11362000}, {}},
        {"DTV-DVB S2 Satellite Tuner", "dvb-s/AMC16-85.0W", {"--lnb", "universal"}, {11744000}, {11731000, 11771000}},
        {"Quillon DVB-T Terrestrial Tuner", "dvb-t/fi-DNA-Espoo", {}, {198500}, {184500, 177500}},
        {"Quillon DVB-T Terrestrial Tuner", "dvb-t/au-SpencerGulf", {}, {641500}, {599500, 620500}},
        {"DTV-DVB C Cable Tuner", "dvb-c/de-Berlin", {}, {394000, 466000}, {113000}},
        {"DTV-ATSC Tuner", "atsc/us-MI-Lansing", {"--first", "3"}, {617000, 719000}, {695000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszList);
        std::vector<std::string> words = {"scan", c.pszTuner, "--list", std::string(kLists) + c.pszList, "--json"};
        words.insert(words.end(), c.Options.begin(), c.Options.end());
        const CliRun run = Cli(words);
        EXPECT_EQ(run.nExit, EXIT_OK) << run.Err;
        for (uint32_t nKHz : c.Locked)
            EXPECT_EQ(Rows(run, nKHz, "locked"), 1u) << nKHz << run.Out;
        for (uint32_t nKHz : c.NotLocked)
            EXPECT_EQ(Rows(run, nKHz, "no lock"), 1u) << nKHz << run.Out;
        EXPECT_EQ(Count(run.Out, "\"state\":\"locked\""), c.Locked.size());
        EXPECT_EQ(Count(run.Out, "\"name\":\"Alpha\",\"provider\":\"Scan Test\""), c.Locked.size()) << run.Out;
        EXPECT_EQ(Count(run.Out, "\"service_id\":202"), c.Locked.size());
        EXPECT_EQ(Count(run.Out, "\"tables_complete\":true"), c.Locked.size());
    }

    // A list of another kind: every entry is skipped with its reason, nothing locks.
    const CliRun other = Cli({"scan", "DTV-DVB C Cable Tuner", "--list", std::string(kLists) + "atsc/us-MI-Lansing"});
    EXPECT_EQ(other.nExit, EXIT_NO_LOCK);
    EXPECT_EQ(Count(other.Out, "skipped  a ATSC entry (ATSC) needs a ATSC tuner; this tuner is cable"), 5u) << other.Out;
    // The dish's oscillators are the command line's: without them nothing is tuned.
    EXPECT_EQ(Cli({"scan", "0", "--list", std::string(kLists) + "dvb-s/Astra-19.2E"}).nExit, EXIT_BAD_ARGUMENT);
}

TEST_F(CliScan, ChannelFileOfAScanReadsBackAndTunesByName)
{
    const CliRun scan = Cli({"scan", "DTV-DVB C Cable Tuner", "--list", std::string(kLists) + "dvb-c/de-Berlin", "-o",
                             m_channels});
    ASSERT_EQ(scan.nExit, EXIT_OK) << scan.Err;
    EXPECT_NE(scan.Out.find("4 services on 2 of 3 frequencies (0 skipped); 4 channels written"), std::string::npos)
        << scan.Out;

    TuningList list;
    TuningListError error;
    ASSERT_TRUE(ReadTuningListFile(m_channels, list, error)) << error.Describe();
    ASSERT_EQ(list.Entries.size(), 4u);
    const TuningListEntry& alpha = list.Entries[0];
    EXPECT_EQ(alpha.strName, "Alpha");
    uint32_t n = 0;
    EXPECT_TRUE(alpha.GetNumber("SERVICE_ID", n) && n == 101);
    EXPECT_TRUE(alpha.GetNumber("FREQUENCY", n) && n == 394000000);
    EXPECT_EQ(alpha.GetPids("VIDEO_PID").size(), 1u);
    EXPECT_EQ(alpha.GetPids("AUDIO_PID").size(), 1u);
    // The same service on two transmitters: the second entry gets a name of its own.
    EXPECT_EQ(list.Entries[1].strName, "Beta Zwei");
    EXPECT_EQ(list.Entries[3].strName, "Beta Zwei (2)");
    EXPECT_TRUE(list.Entries[3].GetNumber("FREQUENCY", n) && n == 466000000);

    const CliRun tune = Cli({"tune", "DTV-DVB C Cable Tuner", "--channel", "beta zwei (2)", "--channels", m_channels});
    EXPECT_EQ(tune.nExit, EXIT_OK) << tune.Err;
    EXPECT_EQ(tune.Out.substr(0, 7), "locked ");
    EXPECT_NE(tune.Err.find("(466000 C)"), std::string::npos) << tune.Err;

    const CliRun missing = Cli({"tune", "2", "--channel", "Alfa", "--channels", m_channels});
    EXPECT_EQ(missing.nExit, EXIT_BAD_ARGUMENT);
    EXPECT_NE(missing.Err.find("the closest names: 'Alpha'"), std::string::npos) << missing.Err;
    EXPECT_EQ(Cli({"tune", "2", "--channel", "Gamma", "--channels", m_channels}).nExit, EXIT_BAD_ARGUMENT);
    EXPECT_EQ(Cli({"tune", "2", "--channel", "Alpha", "--channels", m_channels + ".none"}).nExit, EXIT_FILE_OPEN);
    // A terrestrial tuner cannot take a cable channel.
    const CliRun wrongKind = Cli({"tune", "1", "--channel", "Alpha", "--channels", m_channels});
    EXPECT_EQ(wrongKind.nExit, EXIT_BAD_ARGUMENT);
    EXPECT_NE(wrongKind.Err.find("needs a cable tuner"), std::string::npos) << wrongKind.Err;

    // The file is not replaced without --overwrite, and a scan that finds nothing keeps it.
    const std::string before = ReadAll(m_channels);
    EXPECT_EQ(Cli({"scan", "2", "--from", "114000", "--to", "114000", "--step", "8000", "--sr", "6900", "--qam", "64",
                   "-o", m_channels}).nExit, EXIT_FILE_OPEN);
    EXPECT_EQ(Cli({"scan", "2", "--from", "114000", "--to", "114000", "--step", "8000", "--sr", "6900", "--qam", "64",
                   "-o", m_channels, "--overwrite"}).nExit, EXIT_NO_LOCK);
    EXPECT_EQ(ReadAll(m_channels), before);
}

TEST_F(CliScan, RangeScanOfAtscWritesEntriesThatTuneAgain)
{
    const CliRun scan = Cli({"scan", "DTV-ATSC Tuner", "--from", "611000", "--to", "623000", "--step", "6000", "-o",
                             m_channels});
    ASSERT_EQ(scan.nExit, EXIT_OK) << scan.Err;
    EXPECT_NE(scan.Out.find("617000 kHz                   locked"), std::string::npos) << scan.Out;
    EXPECT_EQ(Count(scan.Out, "no lock"), 2u);
    const CliRun tune = Cli({"tune", "DTV-ATSC Tuner", "--channel", "Alpha", "--channels", m_channels});
    EXPECT_EQ(tune.nExit, EXIT_OK) << tune.Err;
}

TEST_F(CliScan, CtrlCEndsTheScanWithWhatWasFound)
{
    // Stop once the second entry is being tuned: the first one's services are kept.
    std::atomic<bool> bDone{false};
    std::thread stopper([&] {
        for (int i = 0; i < 600 && !bDone; ++i) {
            if (ReadAll(m_err).find("(2 of 3)") != std::string::npos) {
                m_stop.RequestStop();
                return;
            }
            Sleep(50);
        }
    });
    const CliRun scan = Cli({"scan", "DTV-DVB C Cable Tuner", "--list", std::string(kLists) + "dvb-c/de-Berlin", "-o",
                             m_channels});
    bDone = true;
    stopper.join();
    EXPECT_EQ(scan.nExit, EXIT_OK) << scan.Err;
    EXPECT_NE(scan.Out.find("stopped by Ctrl+C"), std::string::npos) << scan.Out;
    EXPECT_EQ(scan.Err.find("(3 of 3)"), std::string::npos);
    TuningList list;
    TuningListError error;
    ASSERT_TRUE(ReadTuningListFile(m_channels, list, error)) << error.Describe();
    ASSERT_EQ(list.Entries.size(), 2u);
    EXPECT_EQ(list.Entries[0].strName, "Alpha");
}
