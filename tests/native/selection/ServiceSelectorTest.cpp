// The service selection against hand-built multiplexes: what passes, in which order, and
// the tables it rewrites.
#include "native/ts/TsBuild.h"
#include "ts/ServiceSelector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Collector : IPacketSink {
    std::vector<Packet> Packets;
    void Put(const uint8_t* p) override
    {
        Packet packet;
        std::copy(p, p + 188, packet.begin());
        Packets.push_back(packet);
    }
    std::vector<uint16_t> Pids() const
    {
        std::vector<uint16_t> pids;
        for (const Packet& p : Packets)
            pids.push_back(CTsPacket(p.data()).Pid());
        return pids;
    }
};

std::vector<uint8_t> Pat(uint16_t tsid, const std::vector<std::pair<uint16_t, uint16_t>>& programs)
{
    std::vector<uint8_t> body;
    for (const auto& program : programs) {
        Append(body, Be16(program.first));
        Append(body, Be16(static_cast<uint16_t>(0xE000 | program.second)));
    }
    return MakeSection(0x00, tsid, body);
}

std::vector<uint8_t> Pmt(uint16_t program, uint16_t pcr, const std::vector<uint16_t>& streams, uint8_t version = 0)
{
    std::vector<uint8_t> body = Be16(static_cast<uint16_t>(0xE000 | pcr));
    Append(body, {0xF0, 0x00});
    for (uint16_t pid : streams) {
        body.push_back(0x1B);
        Append(body, Be16(static_cast<uint16_t>(0xE000 | pid)));
        Append(body, {0xF0, 0x00});
    }
    std::vector<uint8_t> s = MakeSection(0x02, program, body);
    s[5] = static_cast<uint8_t>(0xC1 | version << 1);
    // The CRC covers the version: written again with the version in place.
    PutSectionCrc(s.data(), s.size() - 4);
    return s;
}

std::vector<uint8_t> Sdt(const std::vector<std::pair<uint16_t, std::string>>& services)
{
    std::vector<uint8_t> body = {0x00, 0x01, 0xFF};  // original_network_id, reserved
    for (const auto& service : services) {
        std::vector<uint8_t> d = {0x48, 0, 0x01, 0x00, static_cast<uint8_t>(service.second.size())};
        d.insert(d.end(), service.second.begin(), service.second.end());
        d[1] = static_cast<uint8_t>(d.size() - 2);
        Append(body, Be16(service.first));
        Append(body, {0xFC, static_cast<uint8_t>(0x80 | d.size() >> 8), static_cast<uint8_t>(d.size())});
        Append(body, d);
    }
    return MakeSection(0x42, 7, body);
}

// Three programs: 1 (PMT 0x100, video 0x101, audio 0x102), 2 (0x200: 0x201, 0x202), 3 (0x300: 0x301).
struct Mux {
    std::vector<Packet> Packets;
    void Add(const std::vector<Packet>& more) { Packets.insert(Packets.end(), more.begin(), more.end()); }
    void Add(const Packet& packet) { Packets.push_back(packet); }
};

uint8_t g_cc[0x2000];

Packet Es(uint16_t pid)
{
    return MakePacket(pid, g_cc[pid]++);
}

std::vector<Packet> Table(uint16_t pid, const std::vector<uint8_t>& section)
{
    std::vector<Packet> packets = Packetise(pid, section, g_cc[pid]);
    g_cc[pid] = static_cast<uint8_t>(g_cc[pid] + packets.size());
    return packets;
}

Mux ThreePrograms()
{
    Mux mux;
    mux.Add(Es(0x101));  // before any table: never passed
    mux.Add(Table(0x0000, Pat(7, {{1, 0x100}, {2, 0x200}, {3, 0x300}})));
    mux.Add(Es(0x201));
    mux.Add(Table(0x0011, Sdt({{1, "News"}, {2, "Sport"}, {3, "Kids"}})));
    mux.Add(Table(0x100, Pmt(1, 0x101, {0x101, 0x102})));
    mux.Add(Table(0x200, Pmt(2, 0x1FFF, {0x201, 0x202})));
    mux.Add(Table(0x300, Pmt(3, 0x301, {0x301})));
    for (uint16_t pid : {0x101, 0x102, 0x201, 0x202, 0x301, 0x1FFF, 0x12})
        mux.Add(Es(pid));
    mux.Add(Table(0x0000, Pat(7, {{1, 0x100}, {2, 0x200}, {3, 0x300}})));
    mux.Add(Table(0x0011, Sdt({{1, "News"}, {2, "Sport"}, {3, "Kids"}})));
    mux.Add(Es(0x202));
    return mux;
}

void Feed(CServiceSelector& selector, const Mux& mux)
{
    for (const Packet& p : mux.Packets)
        selector.Put(p.data());
}

// The section a table packet starts, with its CRC checked.
std::vector<uint8_t> SectionOf(const Packet& p)
{
    const CTsPacket packet(p.data());
    EXPECT_TRUE(packet.UnitStart());
    const uint8_t* s = packet.Payload() + 1 + packet.Payload()[0];
    const size_t n = SectionTotalLength(s, 3);
    EXPECT_EQ(Crc32Mpeg2(s, static_cast<int32_t>(n)), 0u);
    return std::vector<uint8_t>(s, s + n);
}

TEST(ServiceSelector, OneServiceStartsWithItsTablesAndPassesOnlyItsPids)
{
    memset(g_cc, 0, sizeof g_cc);
    CServiceSelector selector;
    Collector out;
    selector.SelectServiceId(2);
    ASSERT_TRUE(selector.AddSink(&out));
    const Mux mux = ThreePrograms();
    Feed(selector, mux);

    EXPECT_EQ(selector.State(), SelectorState::Passing);
    // PAT, PMT, then the service's streams with the second PAT and the reduced SDT between.
    const std::vector<uint16_t> expected = {0x0000, 0x200, 0x201, 0x202, 0x0000, 0x0011, 0x202};
    EXPECT_EQ(out.Pids(), expected);
    const std::vector<uint8_t> pat = SectionOf(out.Packets[0]);
    ASSERT_EQ(pat.size(), 16u);
    EXPECT_EQ(pat[3] << 8 | pat[4], 7);      // the multiplex's transport stream id
    EXPECT_EQ(pat[8] << 8 | pat[9], 2);      // the one program
    EXPECT_EQ((pat[10] & 0x1F) << 8 | pat[11], 0x200);
    EXPECT_EQ(SectionOf(out.Packets[4]), pat);  // resent unchanged, with the next counter
    EXPECT_EQ(CTsPacket(out.Packets[4].data()).ContinuityCounter(), 1);

    const std::vector<uint8_t> sdt = SectionOf(out.Packets[5]);
    ASSERT_GE(sdt.size(), 16u);
    EXPECT_EQ(sdt[11] << 8 | sdt[12], 2);
    EXPECT_EQ(std::string(sdt.end() - 4 - 5, sdt.end() - 4), "Sport");
    EXPECT_EQ(sdt.size(), 11u + 5 + 2 + 3 + 5 + 4);  // one entry: header, descriptor, CRC

    // Passed packets are the originals, counters included.
    EXPECT_EQ(out.Packets[1], mux.Packets[1 + 1 + 1 + 1 + 1]);  // the PMT of program 2
    EXPECT_EQ(selector.PacketsPassed(), out.Packets.size());
}

TEST(ServiceSelector, NamesMatchExactlyFirstThenIgnoringCaseAndUnknownOnesWait)
{
    struct Case {
        std::string name;
        int32_t id;
        SelectorState state;
    } cases[] = {
        {"Kids", 3, SelectorState::Passing},
        {"sport", 2, SelectorState::Passing},
        {"Weather", -1, SelectorState::WaitingForName},
    };
    for (const Case& c : cases) {
        memset(g_cc, 0, sizeof g_cc);
        CServiceSelector selector;
        Collector out;
        selector.SelectServiceName(c.name);
        selector.AddSink(&out);
        Feed(selector, ThreePrograms());
        EXPECT_EQ(selector.ServiceId(), c.id) << c.name;
        EXPECT_EQ(selector.State(), c.state) << c.name;
        EXPECT_EQ(out.Packets.empty(), c.id < 0) << c.name;
    }
    // "NEWS" only ignoring case, "news" exactly in a later entry of the same SDT.
    memset(g_cc, 0, sizeof g_cc);
    CServiceSelector selector;
    selector.SelectServiceName("news");
    Mux mux;
    mux.Add(Table(0x0011, Sdt({{1, "NEWS"}, {3, "news"}})));
    Feed(selector, mux);
    EXPECT_EQ(selector.ServiceId(), 3);

    CServiceSelector absent;
    absent.SelectServiceId(9);
    Feed(absent, ThreePrograms());
    EXPECT_EQ(absent.State(), SelectorState::NotInPat);
    EXPECT_EQ(absent.PacketsPassed(), 0u);

    // A map table of the service on a PID that is not its map table's starts nothing.
    CServiceSelector misplaced;
    misplaced.SelectServiceId(1);
    Mux stray;
    stray.Add(Table(0x0011, Pmt(1, 0x101, {0x101})));
    stray.Add(Table(0x0200, Pmt(1, 0x101, {0x101})));
    Feed(misplaced, stray);
    EXPECT_EQ(misplaced.State(), SelectorState::WaitingForPat);
    EXPECT_EQ(misplaced.PacketsPassed(), 0u);
}

TEST(ServiceSelector, FollowsANewMapTableAndAMovedOneAtOnce)
{
    memset(g_cc, 0, sizeof g_cc);
    CServiceSelector selector;
    Collector out;
    selector.SelectServiceId(1);
    selector.AddSink(&out);
    Feed(selector, ThreePrograms());

    // A new version with audio on 0x105 instead of 0x102.
    out.Packets.clear();
    Mux change;
    change.Add(Table(0x100, Pmt(1, 0x101, {0x101, 0x105}, 1)));
    for (uint16_t pid : {0x102, 0x105})
        change.Add(Es(pid));
    // The map table moves to 0x110, announced by the association table.
    change.Add(Table(0x0000, Pat(7, {{1, 0x110}, {2, 0x200}})));
    change.Add(Table(0x100, Pmt(1, 0x101, {0x101, 0x105}, 1)));
    change.Add(Table(0x110, Pmt(1, 0x101, {0x101, 0x106}, 2)));
    change.Add(Es(0x105));
    change.Add(Es(0x106));
    Feed(selector, change);
    const std::vector<uint16_t> expected = {0x100, 0x105, 0x0000, 0x110, 0x106};
    EXPECT_EQ(out.Pids(), expected);
    const std::vector<uint8_t> pat = SectionOf(out.Packets[2]);
    EXPECT_EQ((pat[10] & 0x1F) << 8 | pat[11], 0x110);
    EXPECT_EQ((pat[5] >> 1) & 0x1F, 1);  // a new version of the rewritten table
}

TEST(ServiceSelector, AMapTableOverSeveralPacketsGoesOutWholeAfterThePat)
{
    memset(g_cc, 0, sizeof g_cc);
    std::vector<uint16_t> streams;
    for (uint16_t pid = 0x400; pid < 0x400 + 60; ++pid)
        streams.push_back(pid);
    const std::vector<Packet> pmt = Table(0x100, Pmt(1, 0x400, streams));
    ASSERT_GT(pmt.size(), 1u);
    CServiceSelector selector;
    Collector out;
    selector.SelectServiceId(1);
    selector.AddPids([] {
        CPidSet extra;
        extra.Set(0x12);
        extra.Set(0x0000);  // the association table is always the rewritten one
        return extra;
    }());
    selector.AddSink(&out);
    Mux mux;
    mux.Add(Table(0x0000, Pat(1, {{1, 0x100}})));
    mux.Add(Es(0x12));
    mux.Add(pmt);
    mux.Add(Es(0x43B));
    mux.Add(Es(0x12));
    Feed(selector, mux);
    ASSERT_EQ(out.Packets.size(), 1 + pmt.size() + 2);
    EXPECT_EQ(out.Pids()[0], 0x0000);
    for (size_t i = 0; i < pmt.size(); ++i)
        EXPECT_EQ(out.Packets[1 + i], pmt[i]);
    EXPECT_EQ(out.Pids().back(), 0x12);
}

TEST(ServiceSelector, PidListsParseAndPassOnlyTheirPidsUnchanged)
{
    CPidSet pids;
    ASSERT_TRUE(ParsePidList("256,0x101,0X1ff,8191", pids));
    EXPECT_EQ(pids.Count(), 4u);
    EXPECT_TRUE(pids.Test(0x100) && pids.Test(0x101) && pids.Test(0x1FF) && pids.Test(0x1FFF));
    for (const char* bad : {"", "1,,2", "8192", "0x2000", "12a", "0x", "-1", "1 ,2", "100000"})
        EXPECT_FALSE(ParsePidList(bad, pids)) << bad;

    memset(g_cc, 0, sizeof g_cc);
    ASSERT_TRUE(ParsePidList("0,0x201", pids));
    CServiceSelector selector;
    Collector out;
    selector.AddPids(pids);
    selector.AddSink(&out);
    const Mux mux = ThreePrograms();
    Feed(selector, mux);
    std::vector<Packet> expected;
    for (const Packet& p : mux.Packets)
        if (CTsPacket(p.data()).Pid() == 0 || CTsPacket(p.data()).Pid() == 0x201)
            expected.push_back(p);
    EXPECT_EQ(out.Packets, expected);
}

} // namespace
