// Hand-built transport packets and PSI sections for the stream analysis tests.
#pragma once

#include "ts/Crc32.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using Packet = std::array<uint8_t, 188>;

// A packet of pid with the given counter; bPayload false gives an adaptation-only packet.
inline Packet MakePacket(uint16_t pid, uint8_t cc, bool bPayload = true, bool bUnitStart = false)
{
    Packet p;
    p.fill(0xFF);
    p[0] = 0x47;
    p[1] = static_cast<uint8_t>((bUnitStart ? 0x40 : 0) | pid >> 8);
    p[2] = static_cast<uint8_t>(pid);
    p[3] = static_cast<uint8_t>((bPayload ? 0x10 : 0x20) | (cc & 0x0F));
    if (!bPayload) {
        p[4] = 183;
        p[5] = 0x00;
    }
    return p;
}

// Adds an adaptation field (flags byte given) ahead of the payload; the payload shrinks.
inline void AddAdaptation(Packet& p, uint8_t flags, uint8_t length = 1)
{
    p[3] = static_cast<uint8_t>((p[3] & 0xCF) | 0x30);
    p[4] = length;
    p[5] = flags;
}

// Writes a PCR of nPcr 27 MHz ticks (its base modulo 2^33) into a packet whose adaptation
// field has room for it, as AddAdaptation(p, 0x10, 7) makes.
inline void PutPcr(uint8_t* pPacket, uint64_t nPcr)
{
    const uint64_t base = nPcr / 300 % (uint64_t{1} << 33), ext = nPcr % 300;
    pPacket[6] = static_cast<uint8_t>(base >> 25);
    pPacket[7] = static_cast<uint8_t>(base >> 17);
    pPacket[8] = static_cast<uint8_t>(base >> 9);
    pPacket[9] = static_cast<uint8_t>(base >> 1);
    pPacket[10] = static_cast<uint8_t>((base & 1) << 7 | 0x7E | ext >> 8);
    pPacket[11] = static_cast<uint8_t>(ext);
}

// A long-form section of the table with the given id-extension and body, CRC appended;
// bCurrent false makes it a table that applies next (current_next_indicator 0).
inline std::vector<uint8_t> MakeSection(uint8_t table, uint16_t extension, const std::vector<uint8_t>& body,
                                        bool bCurrent = true)
{
    std::vector<uint8_t> s{table, 0, 0, static_cast<uint8_t>(extension >> 8), static_cast<uint8_t>(extension),
                           static_cast<uint8_t>(bCurrent ? 0xC1 : 0xC0), 0, 0};
    s.insert(s.end(), body.begin(), body.end());
    const size_t length = s.size() + 4 - 3;
    s[1] = static_cast<uint8_t>(0xB0 | length >> 8);
    s[2] = static_cast<uint8_t>(length);
    s.resize(s.size() + 4);
    PutSectionCrc(s.data(), s.size() - 4);
    return s;
}

// Cuts sections (back to back, pointer field 0) into packets of pid, counters from cc.
inline std::vector<Packet> Packetise(uint16_t pid, const std::vector<uint8_t>& sections, uint8_t cc = 0)
{
    std::vector<Packet> packets;
    size_t pos = 0;
    while (pos < sections.size()) {
        Packet p = MakePacket(pid, cc++, true, pos == 0);
        size_t at = 4;
        if (pos == 0)
            p[at++] = 0;
        while (at < 188 && pos < sections.size())
            p[at++] = sections[pos++];
        packets.push_back(p);
    }
    return packets;
}

inline std::vector<uint8_t> Be16(uint16_t v)
{
    return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}

inline void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes)
{
    to.insert(to.end(), bytes.begin(), bytes.end());
}
