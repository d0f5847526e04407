#include "TsBuild.h"
#include "ts/StreamAnalysis.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> ServiceEntry(uint16_t id, const std::vector<uint8_t>& provider, const std::vector<uint8_t>& name)
{
    std::vector<uint8_t> d{0x48, static_cast<uint8_t>(3 + provider.size() + name.size()), 0x01,
                           static_cast<uint8_t>(provider.size())};
    Append(d, provider);
    d.push_back(static_cast<uint8_t>(name.size()));
    Append(d, name);
    std::vector<uint8_t> e = Be16(id);
    e.push_back(0xFC);
    Append(e, Be16(static_cast<uint16_t>(0x8000 | d.size())));
    Append(e, d);
    return e;
}

std::vector<uint8_t> Sdt(const std::vector<std::vector<uint8_t>>& services, bool bCurrent = true)
{
    std::vector<uint8_t> body = Be16(0x0001);  // original_network_id
    body.push_back(0xFF);
    for (const auto& s : services)
        Append(body, s);
    return MakeSection(0x42, 0x0001, body, bCurrent);
}

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

StreamHealthSummary Feed(const std::vector<Packet>& packets)
{
    CStreamAnalysis analysis;
    for (const Packet& p : packets)
        analysis.OnPacket(p.data());
    return analysis.Summarise();
}

std::vector<Packet> Join(std::vector<Packet> a, const std::vector<Packet>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(StreamPsi, PatAndPmtSpanningPacketsAndTwoSectionsInOnePacket)
{
    std::vector<uint8_t> pat = Be16(7);
    Append(pat, Be16(0xE000 | 0x0500));
    Append(pat, Be16(0));  // the network PID entry names no program
    Append(pat, Be16(0xE010));
    const auto patPackets = Packetise(0x0000, MakeSection(0x00, 0x0042, pat));

    // 300 bytes of program descriptors push the stream loop into the second packet.
    std::vector<uint8_t> pmt = Be16(0xE000 | 0x0501);
    Append(pmt, Be16(0xF000 | 300));
    pmt.insert(pmt.end(), 300, 0x00);
    for (uint16_t pid : {0x0501, 0x0502}) {
        pmt.push_back(pid == 0x0501 ? 0x02 : 0x04);
        Append(pmt, Be16(0xE000 | pid));
        Append(pmt, Be16(0xF000));
    }
    const auto pmtPackets = Packetise(0x0500, MakeSection(0x02, 7, pmt));
    ASSERT_EQ(pmtPackets.size(), 2u);

    // Two SDT sections in one packet: both are read.
    std::vector<uint8_t> sdts = Sdt({ServiceEntry(7, Bytes("Prov"), Bytes("One"))});
    Append(sdts, Sdt({ServiceEntry(8, Bytes("Prov"), Bytes("Two"))}));
    const auto sdtPackets = Packetise(0x0011, sdts);
    ASSERT_EQ(sdtPackets.size(), 1u);

    const StreamHealthSummary s = Feed(Join(Join(patPackets, pmtPackets), sdtPackets));
    EXPECT_EQ(s.nTransportStreamId, 0x42);
    EXPECT_EQ(s.nPsiSections, 4u);
    EXPECT_EQ(s.nPsiCrcErrors, 0u);
    ASSERT_EQ(s.Programs.size(), 1u);
    EXPECT_EQ(s.Programs[0].nNumber, 7);
    EXPECT_EQ(s.Programs[0].nPmtPid, 0x0500);
    EXPECT_TRUE(s.Programs[0].bPmtSeen);
    EXPECT_EQ(s.Programs[0].nPcrPid, 0x0501);
    ASSERT_EQ(s.Programs[0].Streams.size(), 2u);
    EXPECT_EQ(s.Programs[0].Streams[1].nPid, 0x0502);
    EXPECT_EQ(s.Programs[0].Streams[1].nType, 0x04);
    ASSERT_EQ(s.Services.size(), 2u);
    EXPECT_EQ(s.Services[0].Name, "One");
    EXPECT_EQ(s.Services[1].Name, "Two");
    EXPECT_EQ(s.Services[1].nServiceId, 8);
}

TEST(StreamPsi, PointerFieldEndsOneSectionAndStartsTheNext)
{
    // Section A runs 13 bytes into the second packet, whose pointer field skips them.
    const auto a = Sdt({ServiceEntry(1, Bytes("P"), std::vector<uint8_t>(170, 'a'))});
    const auto b = Sdt({ServiceEntry(2, Bytes("P"), Bytes("B"))});
    ASSERT_GT(a.size(), 183u);
    const size_t tail = a.size() - 183;
    Packet first = MakePacket(0x0011, 0, true, true);
    first[4] = 0;
    std::copy(a.begin(), a.begin() + 183, first.begin() + 5);
    Packet second = MakePacket(0x0011, 1, true, true);
    second[4] = static_cast<uint8_t>(tail);
    std::copy(a.begin() + 183, a.end(), second.begin() + 5);
    std::copy(b.begin(), b.end(), second.begin() + 5 + tail);

    StreamHealthSummary s = Feed({first, second});
    EXPECT_EQ(s.nPsiSections, 2u);
    ASSERT_EQ(s.Services.size(), 2u);
    EXPECT_EQ(s.Services[0].Name, std::string(170, 'a'));
    EXPECT_EQ(s.Services[1].Name, "B");

    // Without the first packet's successor in order, section A is abandoned, not miscounted.
    second[3] = static_cast<uint8_t>((second[3] & 0xF0) | 5);
    s = Feed({first, second});
    EXPECT_EQ(s.nPsiSections, 1u);
    EXPECT_EQ(s.nPsiCrcErrors, 0u);
    ASSERT_EQ(s.Services.size(), 1u);
    EXPECT_EQ(s.Services[0].nServiceId, 2);
}

TEST(StreamPsi, SectionHeaderSplitByThePacketEnd)
{
    // The second section's 3-byte header starts in the last 1, 2 or 3 bytes of the first
    // packet's payload and ends in the next packet.
    const size_t nBare = Sdt({ServiceEntry(1, Bytes("P"), {})}).size();
    for (size_t nHeadBytes : {1u, 2u, 3u}) {
        const size_t nFirst = 183 - nHeadBytes;  // the payload after the pointer field
        std::vector<uint8_t> sections = Sdt({ServiceEntry(1, Bytes("P"), std::vector<uint8_t>(nFirst - nBare, 'a'))});
        ASSERT_EQ(sections.size(), nFirst);
        Append(sections, Sdt({ServiceEntry(2, Bytes("P"), Bytes("Two"))}));
        const StreamHealthSummary s = Feed(Packetise(0x0011, sections));
        EXPECT_EQ(s.nPsiSections, 2u) << nHeadBytes;
        ASSERT_EQ(s.Services.size(), 2u) << nHeadBytes;
        EXPECT_EQ(s.Services[1].Name, "Two") << nHeadBytes;
    }
}

TEST(StreamPsi, TablesThatApplyNextAreNotTakenAsCurrent)
{
    std::vector<uint8_t> pat = Be16(5);
    Append(pat, Be16(0xE000 | 0x0500));
    std::vector<uint8_t> sdts = Sdt({ServiceEntry(9, Bytes("P"), Bytes("Later"))}, false);
    Append(sdts, Sdt({ServiceEntry(1, Bytes("P"), Bytes("Now"))}));
    const StreamHealthSummary s = Feed(Join(Packetise(0x0000, MakeSection(0x00, 0x0042, pat, false)),
                                            Packetise(0x0011, sdts)));
    EXPECT_EQ(s.nPsiSections, 3u);
    EXPECT_EQ(s.nTransportStreamId, -1);
    EXPECT_TRUE(s.Programs.empty());
    ASSERT_EQ(s.Services.size(), 1u);
    EXPECT_EQ(s.Services[0].Name, "Now");
}

TEST(StreamPsi, BadCrcIsCountedAndTheTableIgnored)
{
    auto section = Sdt({ServiceEntry(3, Bytes("P"), Bytes("Bad"))});
    section[12] ^= 0x01;
    const StreamHealthSummary s = Feed(Packetise(0x0011, section));
    EXPECT_EQ(s.nPsiCrcErrors, 1u);
    EXPECT_EQ(s.nPsiSections, 0u);
    EXPECT_TRUE(s.Services.empty());
}

TEST(StreamPsi, ServiceNamesByCharacterTable)
{
    std::vector<uint8_t> utf8{0x15};
    Append(utf8, Bytes("Caf\xC3\xA9 \xEE\x82\x86TV"));  // with an emphasis code, removed
    std::vector<uint8_t> ucs2{0x11, 0x00, 'N', 0x04, 0x10, 0xE0, 0x87};  // "N", Cyrillic A, a control code
    std::vector<uint8_t> plain{'A', 0x86, 0xE9, '"'};  // default table: byte 0xE9 kept, shown escaped
    std::vector<uint8_t> latin5{0x01, 'Z', 0xB0};
    const StreamHealthSummary s =
        Feed(Packetise(0x0011, Sdt({ServiceEntry(1, ucs2, utf8), ServiceEntry(2, latin5, plain)})));
    ASSERT_EQ(s.Services.size(), 2u);
    EXPECT_EQ(s.Services[0].Name, "Caf\xC3\xA9 TV");
    EXPECT_EQ(s.Services[0].NameCharset, "utf-8");
    EXPECT_EQ(s.Services[0].Provider, "N\xD0\x90");
    EXPECT_EQ(s.Services[0].ProviderCharset, "ucs-2");
    EXPECT_EQ(s.Services[1].Name, "A\\xE9\"");
    EXPECT_EQ(s.Services[1].NameCharset, "iso-6937");
    EXPECT_EQ(s.Services[1].Provider, "Z\\xB0");
    EXPECT_EQ(s.Services[1].ProviderCharset, "iso-8859-5");
}

TEST(StreamPsi, AtscVirtualChannels)
{
    std::vector<uint8_t> body{0x00, 2};  // protocol_version, two channels
    const char16_t* names[] = {u"WQLT-HD", u"Kan\u00E4l"};
    for (int i = 0; i < 2; ++i) {
        std::vector<uint8_t> c;
        for (int k = 0; k < 7; ++k) {
            const char16_t ch = names[i][k] ? names[i][k] : 0;
            Append(c, Be16(ch));
            if (!names[i][k])
                for (++k; k < 7; ++k)
                    Append(c, Be16(0));
        }
        const uint16_t major = 41, minor = static_cast<uint16_t>(i + 1);
        c.push_back(static_cast<uint8_t>(0xF0 | major >> 6));
        c.push_back(static_cast<uint8_t>((major & 0x3F) << 2 | minor >> 8));
        c.push_back(static_cast<uint8_t>(minor));
        c.insert(c.end(), 7, 0x00);  // modulation, carrier frequency, channel TSID
        Append(c, Be16(static_cast<uint16_t>(3 + i)));
        c.insert(c.end(), 4, 0x00);  // flags, source_id
        Append(c, Be16(0xFC00 | 2));
        c.insert(c.end(), {0x80, 0x00});  // one empty descriptor
        Append(body, c);
    }
    Append(body, Be16(0xFC00));
    const StreamHealthSummary s = Feed(Packetise(0x1FFB, MakeSection(0xC8, 0x0001, body)));
    ASSERT_EQ(s.Channels.size(), 2u);
    EXPECT_EQ(s.Channels[0].Name, "WQLT-HD");
    EXPECT_EQ(s.Channels[0].nMajor, 41);
    EXPECT_EQ(s.Channels[0].nMinor, 1);
    EXPECT_EQ(s.Channels[0].nProgram, 3);
    EXPECT_FALSE(s.Channels[0].bCable);
    EXPECT_EQ(s.Channels[1].Name, "Kan\xC3\xA4l");
    EXPECT_EQ(s.Channels[1].nMinor, 2);
}
