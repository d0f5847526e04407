#include "../ts/TsBuild.h"
#include "cli/CliArgs.h"
#include "cli/ScanReport.h"
#include "tuner/DriverRecords.h"
#include "channels/TuningEntry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool Parses(std::vector<const char*> words, CliArgs* pArgs = nullptr, std::string* pError = nullptr)
{
    words.insert(words.begin(), "qltscap");
    CliArgs args;
    std::string error;
    const bool bOk = ParseCliArgs(static_cast<int>(words.size()), words.data(), &args, &error);
    if (pArgs)
        *pArgs = args;
    if (pError)
        *pError = error;
    return bOk;
}

void Feed(CScanServiceCollector& collector, uint16_t pid, const std::vector<uint8_t>& section)
{
    for (const Packet& p : Packetise(pid, section))
        collector.OnPacket(p.data());
}

std::vector<uint8_t> Pmt(uint16_t program, std::vector<std::pair<uint8_t, uint16_t>> streams)
{
    std::vector<uint8_t> body = {0xFF, 0xFF, 0xF0, 0x00};  // no PCR PID, no descriptors
    for (const auto& stream : streams) {
        body.push_back(stream.first);
        Append(body, Be16(static_cast<uint16_t>(0xE000 | stream.second)));
        Append(body, {0xF0, 0x00});
    }
    return MakeSection(0x02, program, body);
}

std::vector<uint8_t> Sdt(std::vector<std::pair<uint16_t, std::string>> services)
{
    std::vector<uint8_t> body = {0x00, 0x01, 0xFF};
    for (const auto& service : services) {
        const std::string provider = "Prov";
        std::vector<uint8_t> descriptor = {0x48, 0, 0x01, static_cast<uint8_t>(provider.size())};
        descriptor.insert(descriptor.end(), provider.begin(), provider.end());
        descriptor.push_back(static_cast<uint8_t>(service.second.size()));
        descriptor.insert(descriptor.end(), service.second.begin(), service.second.end());
        descriptor[1] = static_cast<uint8_t>(descriptor.size() - 2);
        Append(body, Be16(service.first));
        body.push_back(0xFC);
        Append(body, Be16(static_cast<uint16_t>(0x8000 | descriptor.size())));
        Append(body, descriptor);
    }
    return MakeSection(0x42, 1, body);
}

} // namespace

TEST(ScanArgsTest, AScanIsAListOrARangeWithTheValuesTheyLack)
{
    CliArgs args;
    std::string error;
    ASSERT_TRUE(Parses({"scan", "0", "--list", "l.conf", "--lnb", "universal", "-o", "c.conf", "--first", "4"}, &args));
    EXPECT_EQ(args.eCommand, CliCommand::Scan);
    EXPECT_EQ(args.strList, "l.conf");
    EXPECT_EQ(args.strFile, "c.conf");
    EXPECT_EQ(args.nFirst, 4u);
    ASSERT_TRUE(Parses({"scan", "1", "--from", "474000", "--to", "858000", "--step", "8000", "--bw", "8"}, &args));
    EXPECT_EQ(args.nFromKHz, 474000);
    EXPECT_EQ(args.nStepKHz, 8000);
    ASSERT_TRUE(Parses({"capture", "0", "--channel", "Das Erste", "--channels", "c.conf", "-o", "x.ts", "--lnb",
                        "universal"}, &args));
    EXPECT_EQ(args.strChannel, "Das Erste");

    const std::vector<std::vector<const char*>> bad = {
        {"scan", "0"},                                                   // nothing to scan
        {"scan", "0", "--from", "474000", "--to", "858000"},             // no step
        {"scan", "0", "--list", "l", "--from", "474000"},                // both ways
        {"scan", "0", "--list", "l", "--bw", "8"},                       // the list gives it
        {"scan", "0", "--list", "l", "--freq", "506000"},                // not an option of scan
        {"scan", "0", "--list", "l", "--first", "0"},                    // nothing would be scanned
        {"tune", "0", "--channel", "X"},                                 // no file
        {"tune", "0", "--channels", "c"},                                // no name
        {"tune", "0", "--channel", "X", "--channels", "c", "--freq", "506000"},  // the entry gives it
        {"list", "--channel", "X"},
    };
    for (const auto& words : bad) {
        EXPECT_FALSE(Parses(words, nullptr, &error)) << words[words.size() - 1];
        EXPECT_FALSE(error.empty());
    }
    EXPECT_NE(CliHelpText(CliCommand::Scan).find("--list FILE"), std::string::npos);
}

TEST(ScanArgsTest, EntriesTakeTheDishFromTheCommandLine)
{
    TuningList list;
    TuningListError error;
    ASSERT_TRUE(ParseTuningList("[CHANNEL]\n DELIVERY_SYSTEM = DVBS2\n FREQUENCY = 11362000\n POLARIZATION = HORIZONTAL\n"
                                " SYMBOL_RATE = 22000000\n MODULATION = PSK/8\n"
                                "[CHANNEL]\n DELIVERY_SYSTEM = ATSC\n FREQUENCY = 617000000\n",
                                list, error));
    CliArgs args;
    ASSERT_TRUE(Parses({"scan", "0", "--list", "l", "--lnb", "universal", "--diseqc", "B"}, &args));
    TuneValues values;
    TuningValues converted;
    std::string reason;
    ASSERT_TRUE(MakeEntryTuneValues(list.Entries[0], args.Tune, SRC_TYPE_DVBS, &values, &converted, &reason)) << reason;
    const TunePlan sat = PlanTune(SRC_TYPE_DVBS, values);
    ASSERT_EQ(sat.eCall, TuneCall::DVBS);
    EXPECT_EQ(sat.Sat.nFrequencyKHz, 11362000u);
    EXPECT_EQ(sat.Sat.nPolarity, 1u);
    EXPECT_EQ(sat.Sat.nLof1KHz, 9750000u);
    EXPECT_EQ(sat.Sat.nModulation, 23);
    EXPECT_EQ(sat.Lnb.nDiseqc, 2);
    EXPECT_EQ(converted.nFrequencyKHz, 11362000u);

    CliArgs plain;
    ASSERT_TRUE(Parses({"scan", "3", "--list", "l"}, &plain));
    ASSERT_TRUE(MakeEntryTuneValues(list.Entries[1], plain.Tune, SRC_TYPE_ATSC, &values, nullptr, &reason)) << reason;
    EXPECT_EQ(PlanTune(SRC_TYPE_ATSC, values).nFrequencyKHz, 615250u);
    // Another kind's entry, and the dish's options on a tuner without one, are refused.
    EXPECT_FALSE(MakeEntryTuneValues(list.Entries[1], args.Tune, SRC_TYPE_DVBS, &values, nullptr, &reason));
    EXPECT_FALSE(MakeEntryTuneValues(list.Entries[1], args.Tune, SRC_TYPE_ATSC, &values, nullptr, &reason));
    EXPECT_NE(reason.find("--lnb"), std::string::npos) << reason;
}

TEST(ScanServicesTest, CompleteOnceEveryProgramHasItsPmtAndAName)
{
    CScanServiceCollector collector;
    Feed(collector, 0x0000, MakeSection(0x00, 7, {0x00, 0x00, 0xE0, 0x10, 0x00, 0x01, 0xE1, 0x00, 0x00, 0x02, 0xE2,
                                                  0x00}));
    Feed(collector, 0x0100, Pmt(1, {{0x1B, 0x101}, {0x03, 0x102}, {0x06, 0x103}, {0x81, 0x104}}));
    Feed(collector, 0x0011, Sdt({{1, "Eins"}, {2, "Zwei"}}));
    EXPECT_FALSE(collector.IsComplete());  // the second PMT is missing
    std::vector<ScanService> services = collector.Services();
    ASSERT_EQ(services.size(), 2u);  // the network PID is no program
    EXPECT_TRUE(services[0].bPmtSeen);
    EXPECT_EQ(services[0].VideoPids, std::vector<uint16_t>{0x101});
    EXPECT_EQ(services[0].AudioPids, (std::vector<uint16_t>{0x102, 0x104}));
    EXPECT_FALSE(services[1].bPmtSeen);
    EXPECT_EQ(services[1].strName, "Zwei");
    EXPECT_EQ(services[1].strProvider, "Prov");

    Feed(collector, 0x0200, Pmt(2, {{0x04, 0x201}}));
    ASSERT_TRUE(collector.IsComplete());
    // Once complete, the stream is no longer read.
    Feed(collector, 0x0000, MakeSection(0x00, 7, {0x00, 0x03, 0xE3, 0x00}));
    EXPECT_EQ(collector.Services().size(), 2u);

    CScanServiceCollector unnamed;
    Feed(unnamed, 0x0000, MakeSection(0x00, 7, {0x00, 0x01, 0xE1, 0x00}));
    Feed(unnamed, 0x0100, Pmt(1, {}));
    Feed(unnamed, 0x0011, Sdt({{9, "Other"}}));
    EXPECT_FALSE(unnamed.IsComplete());
}

TEST(ScanReportTest, RowsJsonAndChannelsOfAScan)
{
    ScanRow locked;
    TuneValues values;
    values.nFrequency = 346000;
    values.nSymbolRate = 6900;
    values.nConstellation = 256;
    locked.strTuning = FormatScanTuning(SRC_TYPE_DVBC, values);
    locked.nFrequencyKHz = 346000;
    locked.eState = ScanState::Locked;
    locked.nStrength = 80;
    locked.nQuality = 90;
    locked.Tuning = MakeRangeTuningKeys(SRC_TYPE_DVBC, values);
    locked.Tuning.SetNumber("SERVICE_ID", 77);  // a channel entry scanned as a list
    ScanService named;
    named.nServiceId = 28006;
    named.nPmtPid = 100;
    named.bPmtSeen = true;
    named.strName = "Zwölf \"HD\"";
    named.VideoPids = {101};
    named.AudioPids = {102, 103};
    ScanService bare;
    bare.nServiceId = 9;
    bare.nPmtPid = 900;
    locked.Services = {named, bare};
    ScanRow skipped;
    skipped.strTuning = "line 12 DVBT2";
    skipped.strReason = "no bandwidth given";
    const std::vector<ScanRow> rows = {locked, skipped};

    EXPECT_EQ(FormatScanRow(locked),
              "346000 kHz 6900 ksps QAM256  locked   80/90   28006  Zwölf \"HD\"               -                101      "
              "102 103\n"
              "                                              9      -                        -                ?        ?\n"
              "                                              (not every PMT and name arrived within 5 s)\n");
    EXPECT_EQ(FormatScanRow(skipped), "line 12 DVBT2                skipped  no bandwidth given\n");
    ScanEnd end;
    end.nSteps = 5;
    end.nScanned = 2;
    end.bStopped = true;
    EXPECT_EQ(FormatScanEnd(rows, end), "2 services on 1 of 2 frequencies (1 skipped); stopped by Ctrl+C, 3 not scanned\n");
    const std::string json = FormatScanJson("Tuner", rows, end);
    EXPECT_NE(json.find("\"frequency_khz\":346000,\"state\":\"locked\",\"strength\":80,\"quality\":90,"
                        "\"tables_complete\":false,\"services\":[{\"service_id\":28006,\"pmt_pid\":100,\"pmt_read\":true,"
                        "\"name\":\"Zwölf \\\"HD\\\"\",\"provider\":\"\",\"virtual_channel\":\"\",\"video_pids\":[101],"
                        "\"audio_pids\":[102,103]}"),
              std::string::npos) << json;
    EXPECT_NE(json.find("\"state\":\"skipped\",\"reason\":\"no bandwidth given\""), std::string::npos);

    // The channels read back as written, and their tuning keys convert to the scanned values.
    const std::vector<TuningListEntry> channels = MakeScanChannels(rows);
    std::string text;
    TuningListError error;
    ASSERT_TRUE(FormatChannelFile(channels, text, error)) << error.Describe();
    TuningList list;
    ASSERT_TRUE(ParseTuningList(text, list, error)) << error.Describe();
    ASSERT_EQ(list.Entries.size(), 2u);
    EXPECT_EQ(list.Entries[0].strName, "Zwölf \"HD\"");
    EXPECT_EQ(list.Entries[1].strName, "Service 9 (346000 kHz)");
    uint32_t n = 0;
    EXPECT_TRUE(list.Entries[0].GetNumber("SERVICE_ID", n) && n == 28006);
    EXPECT_EQ(list.Entries[0].GetPids("AUDIO_PID"), (std::vector<uint16_t>{102, 103}));
    EXPECT_EQ(list.Entries[1].Find("VIDEO_PID"), nullptr);
    TuningValues back;
    std::string reason;
    ASSERT_TRUE(ConvertTuningEntry(list.Entries[1], SRC_TYPE_DVBC, back, reason)) << reason;
    EXPECT_EQ(back.nFrequency, 346000u);
    EXPECT_EQ(back.nSymbolRate, 6900u);
    EXPECT_EQ(back.nConstellation, 256u);

    TuneValues ter;
    ter.nFrequency = 506000;
    ter.nBandwidth = 7;
    ASSERT_TRUE(ConvertTuningEntry(MakeRangeTuningKeys(SRC_TYPE_DVBT, ter), SRC_TYPE_DVBT, back, reason)) << reason;
    EXPECT_EQ(back.nBandwidth, 7u);
    TuneValues atsc;
    atsc.nFrequency = 573250;
    ASSERT_TRUE(ConvertTuningEntry(MakeRangeTuningKeys(SRC_TYPE_ATSC, atsc), SRC_TYPE_ATSC, back, reason)) << reason;
    EXPECT_EQ(back.nFrequency, 573250u);
}
