#include "simtuner/SimScenario.h"
#include "simtuner/SimText.h"
#include "tuner/InfoLines.h"

#include <gtest/gtest.h>

#include <fstream>

#include <cstring>

namespace {

bool CarriesMakerPattern(const std::string& name)
{
    const std::string lower = LowerText(name);
    return lower.find("dtv-dvb") != std::string::npos || lower.find("quillon") != std::string::npos ||
           lower.find("dtv-atsc") != std::string::npos;
}

std::string ParseError(const std::string& text)
{
    std::vector<SimScenarioDevice> devices;
    return ParseScenario(text, &devices);
}

} // namespace

TEST(SimScenarioDefault, OneMakerTunerOfEachKindAForeignTunerAndAReceiver)
{
    std::vector<SimScenarioDevice> devices;
    ASSERT_EQ(ParseScenario(kDefaultScenario, &devices), "");
    ASSERT_EQ(devices.size(), 6u);
    const SourceType kinds[] = {SRC_TYPE_DVBS, SRC_TYPE_DVBT, SRC_TYPE_DVBC, SRC_TYPE_ATSC};
    const SimNode demodulators[] = {SRC_TYPE_DVBS, SRC_TYPE_DVBT, SRC_TYPE_DVBC, SRC_TYPE_ATSC};
    const int32_t deviceTypes[] = {1, 2, 4, 8};
    for (int i = 0; i < 4; ++i) {
        const SimTunerSettings& t = devices[i].Tuner;
        EXPECT_FALSE(devices[i].bReceiver);
        EXPECT_TRUE(CarriesMakerPattern(devices[i].sName)) << devices[i].sName;
        EXPECT_EQ(t.eKind, kinds[i]);
        EXPECT_EQ(t.Nodes, (std::vector<SimNode>{SIM_NODE_RF_TUNER, demodulators[i]}));
        EXPECT_EQ(t.Vendor.DeviceInfo.nDeviceType, deviceTypes[i]);
        EXPECT_EQ(t.Vendor.hrCheckInterface, SIM_S_OK);
        EXPECT_EQ(t.Vendor.nRecordLayouts, static_cast<uint32_t>(SIM_RECORD_40));
        EXPECT_EQ(t.nLnbInfo, i == 0 ? 1 : 0);
        EXPECT_EQ(t.sInputPinName, "Input0");
        EXPECT_EQ(t.nExposedPins, 2);
        EXPECT_TRUE(t.bPropertySet);
        EXPECT_FALSE(t.Channels.empty());
        EXPECT_NE(t.nSampleSize % 188, 0u);
    }
    EXPECT_FALSE(CarriesMakerPattern(devices[4].sName)) << devices[4].sName;
    EXPECT_TRUE(devices[5].bReceiver);
    EXPECT_FALSE(devices[5].Receiver.bRefuse);
}

TEST(SimScenarioRead, EverySettingReachesTheTuner)
{
    std::vector<SimScenarioDevice> devices;
    ASSERT_EQ(ParseScenario(R"(
[Tuner]
Name = Quillon Test
nodes = rf*3 qpsk cofdm
lnb_info = yes
input_pin = Antenna In Pin
pins = input
property_set = no
device_name = QL-TEST
device_type = 3
mac = 01-02-03-0A-0B-0C
driver_version = 12 34
firmware_version = AB.CD
driver_text = ABCDEFG
driver_text2 = long text
vendor_check = 0x80004005
record = 64
lnb = 5150000 5150000 0
channel = 3700000 pol=h sr=30000 tol=0 strength=-20 quality=40
strength = 55
quality = 66
lock_delay = 750
bitrate = 120000000
sample_size = 65536
source = file:Z:\tmp\a.ts
programs = 3
drop_every = 100
bad_crc_every = 50
garbage_every = 10
garbage_bytes = 7
)", &devices), "");
    ASSERT_EQ(devices.size(), 1u);
    const SimTunerSettings& t = devices[0].Tuner;
    EXPECT_EQ(t.sName, "Quillon Test");
    EXPECT_EQ(t.eKind, SRC_TYPE_DVBS) << "the first demodulator node decides the kind";
    ASSERT_EQ(t.Nodes.size(), 5u);
    EXPECT_EQ(t.Nodes[3], SRC_TYPE_DVBS);
    EXPECT_EQ(t.Nodes[4], SRC_TYPE_DVBT);
    EXPECT_EQ(t.nLnbInfo, 1);
    EXPECT_EQ(t.sInputPinName, "Antenna In Pin");
    EXPECT_EQ(t.nExposedPins, 1);
    EXPECT_FALSE(t.bPropertySet);
    EXPECT_STREQ(t.Vendor.DeviceInfo.szDeviceName, "QL-TEST");
    EXPECT_EQ(t.Vendor.DeviceInfo.nDeviceType, 3);
    const uint8_t mac[6] = {1, 2, 3, 0x0A, 0x0B, 0x0C};
    EXPECT_EQ(std::memcmp(t.Vendor.DeviceInfo.Mac, mac, 6), 0);
    EXPECT_EQ(t.Vendor.DriverInfo.DriverVersion[0], 0x12);
    EXPECT_EQ(t.Vendor.DriverInfo.FirmwareVersion[1], 0xCD);
    EXPECT_STREQ(t.Vendor.DriverInfo.szText1, "ABCDEFG");
    EXPECT_STREQ(t.Vendor.DriverInfo.szText2, "long text");
    EXPECT_EQ(t.Vendor.hrCheckInterface, static_cast<int32_t>(0x80004005));
    EXPECT_EQ(t.Vendor.nRecordLayouts, static_cast<uint32_t>(SIM_RECORD_64));
    EXPECT_EQ(t.Lnb.nLofLowKHz, 5150000u);
    EXPECT_EQ(t.Lnb.nSwitchKHz, 0u);
    ASSERT_EQ(t.Channels.size(), 1u);
    EXPECT_EQ(t.Channels[0].nPolarity, SIM_POLARITY_H);
    EXPECT_EQ(t.Channels[0].nToleranceKHz, 0u);
    EXPECT_EQ(t.Channels[0].nStrength, -20);
    EXPECT_EQ(t.nStrength, 55);
    EXPECT_EQ(t.nQuality, 66);
    EXPECT_EQ(t.nLockDelayMs, 750u);
    EXPECT_EQ(t.nBitrate, 120000000u);
    EXPECT_EQ(t.nSampleSize, 65536u);
    EXPECT_EQ(t.sTsFile, "Z:\\tmp\\a.ts");
    EXPECT_EQ(t.Stream.nPrograms, 3u);
    EXPECT_EQ(t.Stream.nDropEvery, 100u);
    EXPECT_EQ(t.Stream.nBadCrcEvery, 50u);
    EXPECT_EQ(t.Stream.nGarbageEvery, 10u);
    EXPECT_EQ(t.Stream.nGarbageBytes, 7u);
}

TEST(SimScenarioRead, StoredValuesRebuildTheSameTuner)
{
    std::vector<SimScenarioDevice> devices;
    ASSERT_EQ(ParseScenario("[tuner]\nname = DTV-DVB C\nkind = cable\nchannel = 346000 sr=6900 qam=256\n"
                            "channel = 410000 sr=6875 qam=64; 474000 sr=6900 qam=128\nmac=00-00-00-00-00-01\n"
                            "record = Both\n",
                            &devices), "");
    const SimScenarioDevice& d = devices[0];
    ASSERT_EQ(d.Values.size(), 4u);
    EXPECT_EQ(d.Values[1].first, "channel");
    EXPECT_EQ(d.Values[1].second, "346000 sr=6900 qam=256; 410000 sr=6875 qam=64; 474000 sr=6900 qam=128");

    SimTunerSettings again;
    ASSERT_EQ(TunerFromValues(d.sName, d.Values, &again), "");
    ASSERT_EQ(again.Channels.size(), 3u);
    EXPECT_EQ(again.Channels[0].nModulation, 11);
    EXPECT_EQ(again.Channels[1].nModulation, 3);
    EXPECT_EQ(again.Channels[2].nModulation, 7);
    EXPECT_EQ(std::memcmp(&again.Vendor, &d.Tuner.Vendor, sizeof(again.Vendor)), 0);
    EXPECT_EQ(again.Vendor.DeviceInfo.Mac[5], 1);
    EXPECT_EQ(again.Vendor.nRecordLayouts, static_cast<uint32_t>(SIM_RECORD_40 | SIM_RECORD_64));
}

TEST(SimScenarioRead, DefaultsFollowTheKind)
{
    std::vector<SimScenarioDevice> devices;
    ASSERT_EQ(ParseScenario("[tuner]\nname=a\n[tuner]\nname=b\nkind=atsc\n[tuner]\nname=c\nnodes=rf\n", &devices),
              "");
    EXPECT_EQ(devices[0].Tuner.eKind, SRC_TYPE_DVBS);
    EXPECT_EQ(devices[1].Tuner.Nodes, (std::vector<SimNode>{SIM_NODE_RF_TUNER, SRC_TYPE_ATSC}));
    EXPECT_EQ(devices[1].Tuner.Vendor.DeviceInfo.nDeviceType, 8);
    EXPECT_EQ(devices[2].Tuner.Nodes, (std::vector<SimNode>{SIM_NODE_RF_TUNER}));
    // Different names give different MACs.
    EXPECT_NE(std::memcmp(devices[0].Tuner.Vendor.DeviceInfo.Mac, devices[1].Tuner.Vendor.DeviceInfo.Mac, 6), 0);
}

TEST(SimScenarioErrors, EachErrorNamesItsLine)
{
    EXPECT_EQ(ParseError("name = x\n"), "line 1: a setting before the first [tuner] or [receiver]");
    EXPECT_EQ(ParseError("[tuner]\nname = x\n\ncolour = red\n"), "line 4: unknown key colour");
    EXPECT_EQ(ParseError("[tuner]\nname = x\nlock_delay = soon\n"), "line 3: bad value for lock_delay: 'soon'");
    EXPECT_EQ(ParseError("[tuners]\n"), "line 1: unknown section [tuners]");
    EXPECT_EQ(ParseError("[tuner]\nname = x\nkind = cable\nkind = atsc\n"), "line 4: kind given twice");
    EXPECT_EQ(ParseError("[tuner]\nname = x\njust text\n"), "line 3: expected key = value");
    EXPECT_EQ(ParseError("[tuner]\nkind = cable\n"), "line 1: a tuner needs a name");
    EXPECT_EQ(ParseError("[tuner]\nname = A\n[receiver]\nname = a\n"), "line 3: the name a is given twice");
    EXPECT_EQ(ParseError("[tuner]\nname = x\nchannel = 11778000 pol=V\n"),
              "line 1: channel 11778000: a satellite channel needs pol= and sr=");
    EXPECT_EQ(ParseError("[tuner]\nname = x\nkind=cable\nchannel = 346000 sr=6900\n"),
              "line 1: channel 346000: a cable channel needs sr= and qam=");
    EXPECT_EQ(ParseError("[receiver]\nname = r\nrefuse = maybe\n"), "line 3: bad value for refuse: 'maybe'");
}

TEST(SimScenarioErrors, ValuesOutOfRangeAreRefused)
{
    const std::string bad[] = {
        "channel = 346000 qam=100",     "channel = 346000 pol=x",      "channel = 346000 colour=1",
        "channel = 99999999999",        "nodes = rf tuner",            "nodes = rf*65",
        "mac = 00-11-22-33-44",         "mac = 00-11-22-33-44-GG",     "driver_version = 100 1",
        "driver_text = 12345678",       "device_name = " + std::string(32, 'x'),
        "sample_size = 0",              "sample_size = 4194305",       "bitrate = 0",
        "lnb = 9750000 10600000",       "vendor_check = maybe",        "record = 32",                 "pins = sometimes",             "property_set = perhaps",
        "source = tape",                "source = file:",              "strength = 2147483648",
        "programs = 4294967296",
    };
    for (const std::string& line : bad)
        EXPECT_NE(ParseError("[tuner]\nname = x\n" + line + "\n"), "") << line;
    EXPECT_EQ(ParseError("[tuner]\nname = x\ndevice_name = " + std::string(31, 'x') + "\nstrength = -2147483648\n"),
              "");
}

TEST(SimScenarioRead, ServicesAndTheBufferReachTheStreamAndSurviveTheStoredValues)
{
    std::vector<SimScenarioDevice> devices;
    ASSERT_EQ(ParseScenario("[tuner]\nname = A\nkind = atsc\nprograms = 3\nservice = 3 7.2 Weather Now\n"
                            "service = 1 News; 2 Sport\nprovider = QL Broadcast\ntsid = 0x1234\nonid = 65535\n"
                            "buffer_ms = 150\n[tuner]\nname = B\n",
                            &devices), "");
    for (int pass = 0; pass < 2; ++pass) {
        SimTunerSettings t = devices[0].Tuner;
        if (pass == 1)
            ASSERT_EQ(TunerFromValues(devices[0].sName, devices[0].Values, &t), "");
        ASSERT_EQ(t.Stream.Services.size(), 3u);
        EXPECT_EQ(t.Stream.Services[0].sName, "News");
        EXPECT_EQ(t.Stream.Services[1].sName, "Sport");
        EXPECT_EQ(t.Stream.Services[2].sName, "Weather Now");
        EXPECT_EQ(t.Stream.Services[2].nMajor, 7u);
        EXPECT_EQ(t.Stream.Services[2].nMinor, 2u);
        EXPECT_EQ(t.Stream.sProvider, "QL Broadcast");
        EXPECT_EQ(t.Stream.nTransportStreamId, 0x1234u);
        EXPECT_EQ(t.Stream.nOriginalNetworkId, 65535u);
        EXPECT_TRUE(t.Stream.bAtsc);
        EXPECT_EQ(t.nBufferMs, 150u);
    }
    const SimTunerSettings& b = devices[1].Tuner;
    EXPECT_TRUE(b.Stream.Services.empty());
    EXPECT_EQ(b.Stream.sProvider, "QLSim");
    EXPECT_FALSE(b.Stream.bAtsc);
    EXPECT_EQ(b.nBufferMs, 5000u);

    EXPECT_EQ(ParseError("[tuner]\nname = x\nservice = 2 Two\n"), "line 1: service of program 2 beyond programs = 1");
    EXPECT_EQ(ParseError("[tuner]\nname = x\nservice = 1 One\nservice = 1 Again\n"),
              "line 4: service of program 1 given twice");
    const std::string bad[] = {"service = 0 Zero", "service = 33 Many", "service = 1", "service = x Name",
                               "service = 1 " + std::string(65, 'n'), "provider = " + std::string(65, 'p'),
                               "tsid = 65536", "onid = -1", "buffer_ms = 0", "buffer_ms = 600001"};
    for (const std::string& line : bad)
        EXPECT_NE(ParseError("[tuner]\nname = x\n" + line + "\n"), "") << line;
}

TEST(SimScenarioKeys, EveryListedKeyIsAppliedAndDocumented)
{
    std::ifstream guide(QLTS_SOURCE_DIR "/docs/simtuner.md");
    ASSERT_TRUE(guide) << "the simulator guide is read from the source tree";
    std::string rows, line;
    while (std::getline(guide, line))
        if (line.rfind("| `", 0) == 0)
            rows += line + "\n";
    for (size_t i = 0; i < kSimTunerKeyCount; ++i) {
        const SimTunerKey& key = kSimTunerKeys[i];
        SimTunerSettings s = DefaultTunerSettings();
        EXPECT_EQ(ApplyTunerSetting(s, key.pszKey, key.pszExample), "") << key.pszKey;
        EXPECT_NE(rows.find(std::string("`") + key.pszKey + "`"), std::string::npos)
            << key.pszKey << " has no row in the guide's key table";
    }
    SimTunerSettings s = DefaultTunerSettings();
    EXPECT_EQ(ApplyTunerSetting(s, "no_such_key", "1"), "unknown key no_such_key");
}

// The program writes " driver ver." after the second text: the default names the driver once.
TEST(SimScenarioKeys, DefaultDriverTextsMakeAPlainInformationLine)
{
    EXPECT_EQ(FormatDriverLine(DefaultTunerSettings().Vendor.DriverInfo),
              "QLBDA Quillon BDA simulated driver ver.0106 FW ver.0203");
}
