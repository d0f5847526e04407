#include "graph/FriendlyName.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

TEST(FriendlyName, CopyStopsAtTheGivenBufferSize)
{
    char szName[8];
    memset(szName, '#', sizeof(szName));
    EXPECT_EQ(CopyFriendlyName(L"abcdef", szName, 4), 3u);
    EXPECT_STREQ(szName, "abc");
    EXPECT_EQ(szName[4], '#');
    EXPECT_EQ(CopyFriendlyName(nullptr, szName, sizeof(szName)), 0u);
    EXPECT_STREQ(szName, "");
}

// In a double-byte locale the limit is the buffer's bytes: a character whose two bytes
// would not fit is left out whole.
TEST(FriendlyName, DoubleByteCharactersNeverOverrunTheBuffer)
{
    std::string previous = setlocale(LC_CTYPE, nullptr);
    if (!setlocale(LC_CTYPE, ".932"))
        GTEST_SKIP() << "no code page 932";
    char szName[FRIENDLY_NAME_SIZE + 8];

    memset(szName, '#', sizeof(szName));
    std::wstring name = std::wstring(197, L'a') + L"\u3042";
    EXPECT_EQ(CopyFriendlyName(name.c_str(), szName, FRIENDLY_NAME_SIZE), 199u);
    EXPECT_EQ(std::string(szName), std::string(197, 'a') + "\x82\xa0");

    memset(szName, '#', sizeof(szName));
    name = std::wstring(198, L'a') + L"\u3042";
    EXPECT_EQ(CopyFriendlyName(name.c_str(), szName, FRIENDLY_NAME_SIZE), 198u);
    EXPECT_EQ(std::string(szName), std::string(198, 'a'));
    EXPECT_EQ(szName[FRIENDLY_NAME_SIZE], '#');

    memset(szName, '#', sizeof(szName));
    name = std::wstring(150, L'\u3042');
    EXPECT_EQ(CopyFriendlyName(name.c_str(), szName, FRIENDLY_NAME_SIZE), 198u);
    EXPECT_EQ(szName[FRIENDLY_NAME_SIZE], '#');
    setlocale(LC_CTYPE, previous.c_str());
}
