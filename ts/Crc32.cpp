#include "ts/Crc32.h"

#include <array>
#include <cstddef>

namespace {

constexpr uint32_t CRC32_MPEG2_POLY = 0x04C11DB7;

// Table k gives the register after a byte followed by k zero bytes, so that eight bytes
// are folded in per step, still one lookup per byte; table 0 is the classic byte table.
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcTables MakeCrcTables()
{
    CrcTables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t reg = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg & 0x80000000u) ? (reg << 1) ^ CRC32_MPEG2_POLY : reg << 1;
        t[0][i] = reg;
    }
    for (size_t k = 1; k < t.size(); ++k) {
        for (uint32_t i = 0; i < 256; ++i)
            t[k][i] = (t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 24];
    }
    return t;
}

constexpr CrcTables kCrc = MakeCrcTables();
static_assert(kCrc[0][1] == CRC32_MPEG2_POLY, "table entry 1 is the polynomial");

} // namespace

uint32_t Crc32Mpeg2(const uint8_t* pData, int32_t nCount)
{
    uint32_t reg = 0xFFFFFFFFu;
    int32_t i = 0;
    for (; i + 8 <= nCount; i += 8) {
        const uint8_t* p = pData + i;
        reg ^= static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
               static_cast<uint32_t>(p[2]) << 8 | p[3];
        reg = kCrc[7][reg >> 24] ^ kCrc[6][(reg >> 16) & 0xFF] ^ kCrc[5][(reg >> 8) & 0xFF] ^ kCrc[4][reg & 0xFF] ^
              kCrc[3][p[4]] ^ kCrc[2][p[5]] ^ kCrc[1][p[6]] ^ kCrc[0][p[7]];
    }
    for (; i < nCount; ++i)
        reg = (reg << 8) ^ kCrc[0][((reg >> 24) ^ pData[i]) & 0xFF];
    return reg;
}

void PutSectionCrc(uint8_t* pSection, size_t nBeforeCrc)
{
    const uint32_t nCrc = Crc32Mpeg2(pSection, static_cast<int32_t>(nBeforeCrc));
    for (size_t i = 0; i < 4; ++i)
        pSection[nBeforeCrc + i] = static_cast<uint8_t>(nCrc >> (24 - 8 * i));
}
