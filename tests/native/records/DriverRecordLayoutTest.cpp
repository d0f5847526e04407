#include "tuner/DriverRecordLayout.h"

#include <gtest/gtest.h>

TEST(DriverRecordLayout, OnlyRefusalsOfTheRecordItselfCountAsMalformed)
{
    for (uint32_t status : {0x80070057u, 0x8007007Au, 0x80070018u, 0x800706F8u})
        EXPECT_TRUE(IsMalformedRecordStatus(static_cast<int32_t>(status))) << std::hex << status;
    // Answers of a driver that read the record: success, refusal of the request, unknown code.
    for (uint32_t status : {0x00000000u, 0x00000001u, 0x80004005u, 0x80070032u, 0x80070001u, 0x80004003u,
                            0x8007000Eu, 0x00070057u})
        EXPECT_FALSE(IsMalformedRecordStatus(static_cast<int32_t>(status))) << std::hex << status;
}

TEST(DriverRecordLayout, EachOrdinalKeepsItsOwnLayout)
{
    CDriverRecordLayouts layouts;
    EXPECT_EQ(layouts.Known(0), 0u);
    layouts.Remember(0, 40);
    layouts.Remember(9, 64);
    EXPECT_EQ(layouts.Known(0), 40u);
    EXPECT_EQ(layouts.Known(9), 64u);
    EXPECT_EQ(layouts.Known(1), 0u);
    // A device without an ordinal of enumeration is never remembered.
    layouts.Remember(-1, 64);
    layouts.Remember(10, 64);
    EXPECT_EQ(layouts.Known(-1), 0u);
    EXPECT_EQ(layouts.Known(10), 0u);
}
