#include "tuner/MakerName.h"

#include <gtest/gtest.h>

TEST(MakerName, AnyOfTheThreePatternsAnywhereInAnyCase)
{
    EXPECT_TRUE(HasMakerNamePattern("Quillon DVB-S2 Tuner"));
    EXPECT_TRUE(HasMakerNamePattern("PCIe DTV-DVB-T Tuner #2"));
    EXPECT_TRUE(HasMakerNamePattern("usb dtv-atsc"));
    EXPECT_TRUE(HasMakerNamePattern("XQUILLONX"));
}

TEST(MakerName, SameLettersWithoutTheHyphenOrOtherNamesDoNotMatch)
{
    EXPECT_FALSE(HasMakerNamePattern("DTVDVB Tuner"));
    EXPECT_FALSE(HasMakerNamePattern("DTV ATSC"));
    EXPECT_FALSE(HasMakerNamePattern("Generic BDA Tuner"));
    EXPECT_FALSE(HasMakerNamePattern(""));
    EXPECT_FALSE(HasMakerNamePattern(nullptr));
}

TEST(MakerName, OnlyAsciiLettersAreFolded)
{
    // Bytes above 0x7F stay as they are and must not disturb the search.
    EXPECT_TRUE(HasMakerNamePattern("\xC4\xD6 QUILLON \xE9"));
    EXPECT_FALSE(HasMakerNamePattern("QUILL\xD6N"));
}
