// Fuzzes the service selection with any packets: their PIDs folded onto the tables and a few
// streams, so that PAT, PMT and SDT sections of any shape reach it. Every packet it passes
// must start with the sync byte, and every table it writes itself must carry a good CRC.
// Sections that fit one packet are given a good CRC before they go in.
#include "ts/Crc32.h"
#include "ts/ServiceSelector.h"

#include <cstdlib>
#include <cstring>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

struct CheckingSink : IPacketSink {
    void Put(const uint8_t* p) override
    {
        Require(p[0] == TS_SYNC_BYTE);
        const CTsPacket packet(p);
        // The selector's own PAT: one section, whole in its packet.
        if (packet.Pid() == PSI_PAT_PID && packet.UnitStart()) {
            const uint8_t* s = packet.Payload() + 1 + packet.Payload()[0];
            Require(Crc32Mpeg2(s, static_cast<int32_t>(SectionTotalLength(s, 3))) == 0);
        }
    }
};

// A section that starts and ends in a payload-only packet gets a good CRC, so that the
// tables' contents, not only their checks, are explored.
void FixSectionCrc(uint8_t* p)
{
    if (!(p[1] & 0x40) || (p[3] & 0x30) != 0x10)
        return;
    const size_t nStart = 5 + p[4];
    if (nStart + 3 > TS_PACKET_SIZE)
        return;
    const size_t nLength = SectionTotalLength(p + nStart, 3);
    if (nLength < 8 || nStart + nLength > TS_PACKET_SIZE)
        return;
    PutSectionCrc(p + nStart, nLength - 4);
}

constexpr uint16_t kPids[] = {PSI_PAT_PID, PSI_SDT_PID, 0x100, 0x101, 0x102, 0x1FFF, 0x110, 0x200};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    CServiceSelector selector;
    CheckingSink sink;
    selector.AddSink(&sink);
    if (data[0] & 1)
        selector.SelectServiceName(data[0] & 2 ? "News" : "news");
    else
        selector.SelectServiceId(data[0] >> 4);
    if (data[0] & 4) {
        CPidSet extra;
        extra.Set(0x200);
        selector.AddPids(extra);
    }
    uint8_t packet[TS_PACKET_SIZE];
    for (size_t at = 1; at < size; at += TS_PACKET_SIZE) {
        memset(packet, 0xFF, sizeof packet);
        memcpy(packet, data + at, size - at < TS_PACKET_SIZE ? size - at : TS_PACKET_SIZE);
        const uint16_t nPid = kPids[packet[1] % (sizeof kPids / sizeof kPids[0])];
        packet[0] = TS_SYNC_BYTE;
        packet[1] = static_cast<uint8_t>((packet[1] & 0xE0) | nPid >> 8);
        packet[2] = static_cast<uint8_t>(nPid);
        FixSectionCrc(packet);
        selector.Put(packet);
    }
    return 0;
}
