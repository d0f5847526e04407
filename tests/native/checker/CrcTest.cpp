#include "capture/TsPacketChecker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace {

// Bit-at-a-time form of the same CRC, independent of the table.
uint32_t BitwiseCrc(const uint8_t* p, size_t n)
{
    uint32_t reg = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        reg ^= static_cast<uint32_t>(p[i]) << 24;
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg & 0x80000000u) ? (reg << 1) ^ 0x04C11DB7u : reg << 1;
    }
    return reg;
}

} // namespace

TEST(Crc32Mpeg2, CheckValueOfTheDigitString)
{
    const char* digits = "123456789";
    EXPECT_EQ(Crc32Mpeg2(reinterpret_cast<const uint8_t*>(digits), 9), 0x0376E6E7u);
}

TEST(Crc32Mpeg2, EmptyOrNegativeCountGivesTheInitialRegister)
{
    const uint8_t byte = 0x12;
    EXPECT_EQ(Crc32Mpeg2(&byte, 0), 0xFFFFFFFFu);
    EXPECT_EQ(Crc32Mpeg2(&byte, -5), 0xFFFFFFFFu);
}

TEST(Crc32Mpeg2, MatchesTheCrcOfARealProgramAssociationSection)
{
    // A PAT as common multiplexers write it: stream 1, program 1 on PMT PID 0x1000.
    const uint8_t section[] = {0x00, 0xB0, 0x0D, 0x00, 0x01, 0xC1, 0x00, 0x00,
                               0x00, 0x01, 0xF0, 0x00, 0x2A, 0xB1, 0x04, 0xB2};
    EXPECT_EQ(Crc32Mpeg2(section, 12), 0x2AB104B2u);
    // With its big-endian CRC appended the register ends at 0.
    EXPECT_EQ(Crc32Mpeg2(section, 16), 0u);
    // The section writers put it there in that order.
    uint8_t written[16] = {};
    std::copy(section, section + 12, written);
    PutSectionCrc(written, 12);
    EXPECT_TRUE(std::equal(section, section + 16, written));
}

TEST(Crc32Mpeg2, AgreesWithTheBitwiseFormOnRandomData)
{
    std::mt19937 rng(7);
    std::vector<uint8_t> data(1000);
    for (auto& b : data)
        b = static_cast<uint8_t>(rng());
    for (size_t n : {1u, 2u, 3u, 7u, 8u, 9u, 184u, 188u, 999u, 1000u})
        EXPECT_EQ(Crc32Mpeg2(data.data(), static_cast<int32_t>(n)), BitwiseCrc(data.data(), n)) << "length " << n;
}
