// Transport packets for the aligner, the checker and the sink: packets on any PID whose
// bodies depend on a seed, so that misplaced bytes show, and test-stream packets that carry
// a sequence number and a CRC-32/MPEG-2. Pure: used by the native and the Windows suites.
#pragma once

#include "capture/TsPacketChecker.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline void PutLe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The unit-start flag is set in the PID bytes: readers of the PID must mask it off.
inline Bytes TsPacket(uint16_t pid, uint32_t seed = 0)
{
    Bytes p(TS_PACKET_SIZE);
    p[0] = TS_SYNC_BYTE;
    p[1] = static_cast<uint8_t>(0x40 | (pid >> 8));
    p[2] = static_cast<uint8_t>(pid);
    p[3] = 0x10;
    for (int i = 4; i < TS_PACKET_SIZE; ++i)
        p[i] = static_cast<uint8_t>(seed * 31 + i);
    return p;
}

inline Bytes TestPacket(uint32_t seq, bool bGoodCrc = true)
{
    Bytes p = TsPacket(static_cast<uint16_t>(TS_TEST_PID), seq);
    PutLe32(&p[TS_TEST_SEQ_OFFSET], seq);
    const uint32_t crc = Crc32Mpeg2(p.data(), TS_TEST_CRC_OFFSET);
    PutLe32(&p[TS_TEST_CRC_OFFSET], bGoodCrc ? crc : crc ^ 0x80u);
    return p;
}

inline Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& b : parts)
        out.insert(out.end(), b.begin(), b.end());
    return out;
}

// n test packets with the sequence numbers first, first + 1, ...
inline Bytes TestStream(uint32_t first, int n)
{
    Bytes out;
    for (int i = 0; i < n; ++i) {
        const Bytes p = TestPacket(first + static_cast<uint32_t>(i));
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}
