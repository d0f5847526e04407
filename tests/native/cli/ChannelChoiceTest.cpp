#include "cli/ChannelChoice.h"

#include <gtest/gtest.h>

namespace {

TuningList TwoTransmitters()
{
    TuningList list;
    TuningListError error;
    EXPECT_TRUE(ParseTuningList("[Das Erste]\n FREQUENCY = 506000000\n DELIVERY_SYSTEM = DVBT\n"
                                "[Das Erste]\n FREQUENCY = 514000000\n DELIVERY_SYSTEM = DVBT\n"
                                "[arte@home]\n FREQUENCY = 522000000\n DELIVERY_SYSTEM = DVBT\n"
                                "[ZDF]\n FREQUENCY = 522000000\n DELIVERY_SYSTEM = DVBT\n",
                                list, error))
        << error.Describe();
    return list;
}

} // namespace

TEST(ChannelChoiceTest, NameAtFrequencyChoosesAmongEntriesOfOneName)
{
    const TuningList list = TwoTransmitters();
    size_t nMatches = 0;
    const TuningListEntry* pEntry = FindCliChannel(list, "das erste", &nMatches);
    ASSERT_TRUE(pEntry);
    EXPECT_EQ(nMatches, 2u);
    EXPECT_EQ(*pEntry->Find("FREQUENCY"), "506000000");
    for (const char* pszChoice : {"Das Erste@514000000", "das erste@514000"}) {
        pEntry = FindCliChannel(list, pszChoice, &nMatches);
        ASSERT_TRUE(pEntry) << pszChoice;
        EXPECT_EQ(nMatches, 1u);
        EXPECT_EQ(*pEntry->Find("FREQUENCY"), "514000000");
    }
    EXPECT_FALSE(FindCliChannel(list, "Das Erste@530000", &nMatches));
    EXPECT_EQ(nMatches, 0u);
    EXPECT_FALSE(FindCliChannel(list, "Das Erste@514", &nMatches));  // not a whole kHz value
    // A name holding '@' is taken whole.
    ASSERT_TRUE(FindCliChannel(list, "arte@home", &nMatches));
    EXPECT_EQ(ChannelChoices(list, "das erste"), "Das Erste@506000000, Das Erste@514000000");

    // Names repeated in the file are offered once.
    EXPECT_EQ(ClosestChannelNames(list, "Das Erst", 3), std::vector<std::string>{"Das Erste"});
    const std::vector<std::string> near = ClosestChannelNames(list, "zdf2", 3);
    ASSERT_EQ(near.size(), 1u);
    EXPECT_EQ(near[0], "ZDF");
    EXPECT_TRUE(ClosestChannelNames(list, "Sport 1", 3).empty());
}

TEST(ChannelChoiceTest, RepeatedNamesAreNumbered)
{
    std::vector<TuningListEntry> entries(4);
    const char* names[] = {"Alpha", "alpha", "Alpha (2)", "Beta"};
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i].strName = names[i];
    MakeChannelNamesUnique(entries);
    EXPECT_EQ(entries[0].strName, "Alpha");
    EXPECT_EQ(entries[1].strName, "alpha (2)");
    EXPECT_EQ(entries[2].strName, "Alpha (2) (2)");
    EXPECT_EQ(entries[3].strName, "Beta");
}
