#include "tuner/DriverRecords.h"
#include "tuner/IoctlCommand.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

IoctlCommandFields SampleFields()
{
    IoctlCommandFields f{};
    f.Guid = kIoctlCommandGuidBytes;
    f.nCode = QLBDA_IOCTL_SET_LNB_DATA;
    f.nInAddress = 0x11223344;
    f.nInLength = 20;
    f.nOutAddress = 0;
    f.nOutLength = 0;
    f.nCounterAddress = 0x55667788;
    return f;
}

} // namespace

TEST(IoctlCommand, ThirtyTwoBitLayoutIsFortyBytesByteForByte)
{
    uint8_t out[64];
    std::memset(out, 0xCC, sizeof(out));
    ASSERT_EQ(PackIoctlCommand(SampleFields(), 4, out, sizeof(out)), 40u);
    const uint8_t expected[40] = {
        0x82, 0x00, 0x5E, 0x25, 0x17, 0x20, 0x03, 0x4B, 0x90, 0xF8, 0x85, 0x6A, 0x62, 0xCB, 0x3D, 0x67,
        0x00, 0x02, 0x00, 0xAA,  // code
        0x44, 0x33, 0x22, 0x11,  // input address
        0x14, 0x00, 0x00, 0x00,  // input length 20
        0x00, 0x00, 0x00, 0x00,  // output address
        0x00, 0x00, 0x00, 0x00,  // output length
        0x88, 0x77, 0x66, 0x55,  // counter address
    };
    EXPECT_EQ(0, std::memcmp(out, expected, 40));
    EXPECT_EQ(out[40], 0xCC) << "nothing is written past the record";
}

TEST(IoctlCommand, SixtyFourBitLayoutHasNaturallyAlignedAddresses)
{
    IoctlCommandFields f = SampleFields();
    f.nInAddress = 0x0102030405060708ull;
    f.nOutAddress = 0x1112131415161718ull;
    f.nOutLength = 240;
    f.nCounterAddress = 0x2122232425262728ull;
    uint8_t out[64];
    ASSERT_EQ(PackIoctlCommand(f, 8, out, sizeof(out)), 64u);
    std::vector<uint8_t> expected(64, 0);
    std::memcpy(expected.data(), kIoctlCommandGuidBytes.b, 16);
    const uint8_t code[4] = {0x00, 0x02, 0x00, 0xAA};
    std::memcpy(&expected[16], code, 4);
    for (int i = 0; i < 8; ++i) {
        expected[24 + i] = static_cast<uint8_t>(0x08 - i);
        expected[40 + i] = static_cast<uint8_t>(0x18 - i);
        expected[56 + i] = static_cast<uint8_t>(0x28 - i);
    }
    expected[32] = 20;
    expected[48] = 240;
    EXPECT_EQ(0, std::memcmp(out, expected.data(), 64));
}

TEST(IoctlCommand, ProcessRecordMatchesThePackedBytes)
{
    uint32_t counter = 0;
    LnbDataRecord lnb{};
    IoctlCommand command = MakeIoctlCommand(QLBDA_IOCTL_SET_LNB_DATA, &lnb, sizeof(lnb), nullptr, 0, &counter);
    EXPECT_EQ(command.nCode, QLBDA_IOCTL_SET_LNB_DATA);
    EXPECT_EQ(command.pInBuffer, &lnb);
    EXPECT_EQ(command.nInLength, 20u);
    EXPECT_EQ(command.pOutBuffer, nullptr);
    EXPECT_EQ(command.nOutLength, 0u);
    EXPECT_EQ(command.pBytesReturned, &counter);
    EXPECT_EQ(0, std::memcmp(command.Guid.b, kIoctlCommandGuidBytes.b, 16));
}

TEST(IoctlCommand, RefusesWhatDoesNotFit)
{
    uint8_t out[64];
    IoctlCommandFields f = SampleFields();
    EXPECT_EQ(PackIoctlCommand(f, 4, out, 39), 0u);
    EXPECT_EQ(PackIoctlCommand(f, 8, out, 63), 0u);
    EXPECT_EQ(PackIoctlCommand(f, 2, out, 64), 0u);
    f.nOutAddress = 0x100000000ull;
    EXPECT_EQ(PackIoctlCommand(f, 4, out, 64), 0u) << "a 64-bit address never goes out truncated";
}

TEST(IoctlCommand, ParseReadsBothLayoutsBack)
{
    for (unsigned size : {4u, 8u}) {
        uint8_t out[64];
        const IoctlCommandFields f = SampleFields();
        const size_t n = PackIoctlCommand(f, size, out, sizeof(out));
        IoctlCommandFields back{};
        ASSERT_TRUE(ParseIoctlCommand(out, n, &back));
        EXPECT_EQ(back.nCode, f.nCode);
        EXPECT_EQ(back.nInAddress, f.nInAddress);
        EXPECT_EQ(back.nInLength, f.nInLength);
        EXPECT_EQ(back.nCounterAddress, f.nCounterAddress);
        EXPECT_FALSE(ParseIoctlCommand(out, n - 1, &back));
    }
    // A 32-bit address with its top bit set is an address above 2 GB, not a negative one.
    IoctlCommandFields f = SampleFields();
    f.nOutAddress = 0xF0001000;
    uint8_t out[40];
    ASSERT_EQ(PackIoctlCommand(f, 4, out, sizeof(out)), 40u);
    IoctlCommandFields back{};
    ASSERT_TRUE(ParseIoctlCommand(out, sizeof(out), &back));
    EXPECT_EQ(back.nOutAddress, 0xF0001000ull);
}
