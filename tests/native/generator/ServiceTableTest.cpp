#include "capture/TsPacketChecker.h"
#include "simtuner/TsGenerator.h"
#include "simtuner/TsServiceTables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The sections of one PID in the first nPackets of a stream, reassembled from the packets,
// and whether the PID's continuity counters ran without a gap.
struct Table {
    std::vector<Bytes> sections;
    bool bContinuous = true;
    size_t nPackets = 0;
};

Table ReadTable(const TsGeneratorConfig& config, int nPid, size_t nPackets)
{
    CTsGenerator generator(config);
    Table table;
    Bytes current;
    int nLastCc = -1;
    uint8_t p[188];
    for (size_t i = 0; i < nPackets; ++i) {
        generator.Fill(p, sizeof(p));
        if ((((p[1] << 8) | p[2]) & 0x1FFF) != nPid)
            continue;
        ++table.nPackets;
        const int cc = p[3] & 0x0F;
        table.bContinuous = table.bContinuous && (nLastCc < 0 || cc == ((nLastCc + 1) & 0x0F));
        nLastCc = cc;
        const uint8_t* payload = p + 4;
        size_t n = 184;
        if (p[1] & 0x40) {
            current.clear();
            payload += 1 + payload[0];
            n = 183 - p[4];
        } else if (current.empty()) {
            continue;  // joined in the middle of a section
        }
        current.insert(current.end(), payload, payload + n);
        const size_t length = 3 + (((current[1] & 0x0F) << 8) | current[2]);
        if (current.size() >= length) {
            table.sections.emplace_back(current.begin(), current.begin() + static_cast<long>(length));
            current.clear();
        }
    }
    return table;
}

int Be16(const uint8_t* p)
{
    return (p[0] << 8) | p[1];
}

struct SdtService {
    int nId;
    int nRunning;
    int nType;
    std::string sProvider;
    std::string sName;
};

std::vector<SdtService> SdtServices(const Bytes& s)
{
    std::vector<SdtService> services;
    for (size_t i = 11; i + 4 < s.size();) {
        const size_t nLoop = Be16(&s[i + 3]) & 0x0FFF;
        const uint8_t* d = &s[i + 5];
        EXPECT_EQ(d[0], 0x48);
        const size_t nProvider = d[3];
        services.push_back({Be16(&s[i]), s[i + 3] >> 5, d[2], std::string(d + 4, d + 4 + nProvider),
                            std::string(d + 5 + nProvider, d + 5 + nProvider + d[4 + nProvider])});
        i += 5 + nLoop;
    }
    return services;
}

std::u16string ShortName(const uint8_t* channel)
{
    std::u16string name;
    for (int i = 0; i < 7 && Be16(channel + 2 * i) != 0; ++i)
        name.push_back(static_cast<char16_t>(Be16(channel + 2 * i)));
    return name;
}

} // namespace

TEST(TsServiceTables, SdtNamesEveryProgramWithItsProviderAndIdentifiers)
{
    TsGeneratorConfig config;
    config.nPrograms = 3;
    config.nPsiInterval = 10;
    config.nTransportStreamId = 0x1234;
    config.nOriginalNetworkId = 0x2345;
    config.sProvider = "Prov";
    config.Services = {{"News", 0, 0}, {"", 0, 0}, {"\xC3\x9Cmlaut TV", 0, 0}};
    const Table sdt = ReadTable(config, 0x11, 30);
    ASSERT_EQ(sdt.sections.size(), 3u) << "one table in each interval";
    EXPECT_EQ(sdt.nPackets, 3u);
    EXPECT_TRUE(sdt.bContinuous);
    const Bytes& s = sdt.sections[0];
    EXPECT_EQ(s[0], 0x42);
    EXPECT_EQ(s[1] & 0xF0, 0xF0);
    EXPECT_EQ(Be16(&s[3]), 0x1234);
    EXPECT_EQ(Be16(&s[8]), 0x2345);
    EXPECT_EQ(s[6], 0);
    EXPECT_EQ(s[7], 0);
    EXPECT_EQ(Crc32Mpeg2(s.data(), static_cast<int32_t>(s.size())), 0u);
    const std::vector<SdtService> services = SdtServices(s);
    ASSERT_EQ(services.size(), 3u);
    const char* const names[] = {"News", "QLSim Service 2", "\x15\xC3\x9Cmlaut TV"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(services[i].nId, i + 1);
        EXPECT_EQ(services[i].nRunning, 4);
        EXPECT_EQ(services[i].nType, 0x01);
        EXPECT_EQ(services[i].sProvider, "Prov");
        EXPECT_EQ(services[i].sName, names[i]);
    }
    EXPECT_EQ(ReadTable(config, 0x1FFB, 30).nPackets, 0u);
    EXPECT_EQ(Be16(&ReadTable(config, 0, 10).sections.at(0)[3]), 0x1234) << "the PAT carries the same id";
}

TEST(TsServiceTables, ManyLongNamesSpreadOverPacketsAndNumberedSections)
{
    TsGeneratorConfig config;
    config.nPrograms = 32;
    config.sProvider = std::string(64, 'p');
    for (int n = 1; n <= 32; ++n)
        config.Services.push_back({std::string(60, static_cast<char>('A' + n % 26)), 0, 0});
    for (bool bAtsc : {false, true}) {
        config.bAtsc = bAtsc;
        config.nPsiInterval = 60;  // raised to fit the tables
        const Table table = ReadTable(config, bAtsc ? 0x1FFB : 0x11, 2000);
        EXPECT_TRUE(table.bContinuous);
        ASSERT_GE(table.sections.size(), 2u);
        size_t nLast = table.sections[0][7];
        ASSERT_GE(nLast, 1u);
        size_t nEntries = 0;
        for (size_t i = 0; i <= nLast; ++i) {
            const Bytes& s = table.sections[i];
            EXPECT_LE(s.size(), 1024u);
            EXPECT_EQ(s[6], i);
            EXPECT_EQ(Crc32Mpeg2(s.data(), static_cast<int32_t>(s.size())), 0u);
            nEntries += bAtsc ? s[9] : SdtServices(s).size();
        }
        EXPECT_EQ(nEntries, 32u) << (bAtsc ? "VCT" : "SDT");
        // Each interval repeats the same tables.
        EXPECT_EQ(table.sections[nLast + 1], table.sections[0]);
    }
}

TEST(TsServiceTables, AtscStreamsCarryATerrestrialVctInsteadOfAnSdt)
{
    TsGeneratorConfig config;
    config.bAtsc = true;
    config.nPrograms = 4;
    config.nTransportStreamId = 0x0ABC;
    config.Services = {{"WXYZ-HD Long", 0, 0}, {"\xC3\x9Cn\xC3\xAF", 7, 3}, {}, {"ABCDEF\xF0\x9F\x98\x80", 0, 0}};
    const Table vct = ReadTable(config, 0x1FFB, 20);
    ASSERT_EQ(vct.sections.size(), 1u);
    EXPECT_EQ(ReadTable(config, 0x11, 20).nPackets, 0u);
    const Bytes& s = vct.sections[0];
    EXPECT_EQ(s[0], 0xC8);
    EXPECT_EQ(Be16(&s[3]), 0x0ABC);
    EXPECT_EQ(s[8], 0) << "protocol version";
    ASSERT_EQ(s[9], 4);
    ASSERT_EQ(s.size(), 10u + 4 * 32 + 2 + 4);
    EXPECT_EQ(Crc32Mpeg2(s.data(), static_cast<int32_t>(s.size())), 0u);
    const std::u16string names[] = {u"WXYZ-HD", u"\u00DCn\u00EF", u"QLSim S", u"ABCDEF"};
    const int numbers[][2] = {{1, 1}, {7, 3}, {1, 3}, {1, 4}};
    for (int i = 0; i < 4; ++i) {
        const uint8_t* c = &s[10 + 32 * i];
        EXPECT_EQ(ShortName(c), names[i]) << i;
        const uint32_t bits = (c[14] << 16) | (c[15] << 8) | c[16];
        EXPECT_EQ((bits >> 10) & 0x3FF, static_cast<uint32_t>(numbers[i][0])) << i;
        EXPECT_EQ(bits & 0x3FF, static_cast<uint32_t>(numbers[i][1])) << i;
        EXPECT_EQ(c[17], 0x04) << "8VSB";
        EXPECT_EQ(Be16(c + 22), 0x0ABC);
        EXPECT_EQ(Be16(c + 24), i + 1) << "program number";
        EXPECT_EQ(Be16(c + 26) & 0x3F, 0x02) << "digital television";
        EXPECT_EQ(Be16(c + 26) & 0x1000, 0) << "not hidden";
    }
    EXPECT_EQ(Utf16FromUtf8("a\xFF" "b\xE2\x82"), (std::u16string{u'a', 0xFFFD, u'b', 0xFFFD, 0xFFFD}));
}
