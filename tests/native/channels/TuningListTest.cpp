#include "channels/TuningList.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

TuningList ParseOk(const std::string& strText)
{
    TuningList list;
    TuningListError error;
    EXPECT_TRUE(ParseTuningList(strText, list, error)) << error.Describe();
    return list;
}

TuningListError ParseFails(const std::string& strText)
{
    TuningList list;
    TuningListError error;
    EXPECT_FALSE(ParseTuningList(strText, list, error));
    return error;
}

} // namespace

TEST(TuningList, SectionsKeepNamesKeysAndOrderWhateverTheLayout)
{
    // A byte-order mark, Windows line ends, comments, blank lines and keys without indent.
    const TuningList list = ParseOk("\xEF\xBB\xBF# comment\r\n\r\n[CH25: RTL, VOX]\r\n"
                                    "\tFREQUENCY = 506000000\r\n  # inner comment\r\nBANDWIDTH_HZ=8000000\r\n"
                                    "   PID_0b = 8026  \r\n\tBANDWIDTH_HZ = 8000000\r\n[Caf\xE9 \xC3\xA9 [HD]]\n\tFREQUENCY = 1\n");
    ASSERT_EQ(list.Entries.size(), 2u);
    EXPECT_EQ(list.Format, TuningListFormat::Sections);
    const TuningListEntry& first = list.Entries[0];
    EXPECT_EQ(first.strName, "CH25: RTL, VOX");
    EXPECT_EQ(first.nLine, 3);
    ASSERT_EQ(first.Keys.size(), 3u);
    EXPECT_EQ(first.Keys[1].first, "BANDWIDTH_HZ");  // its repeat with the same value is harmless
    EXPECT_EQ(*first.Find("PID_0b"), "8026");
    // Names are bytes as written: Latin-1 and UTF-8 alike, brackets inside kept.
    EXPECT_EQ(list.Entries[1].strName, "Caf\xE9 \xC3\xA9 [HD]");
    EXPECT_EQ(list.Entries[1].nLine, 9);
}

TEST(TuningList, ChannelKeysReadAsNumbersAndPidLists)
{
    const TuningList list = ParseOk("[Disney Channel]\n\tSERVICE_ID = 201\n\tVIDEO_PID = 101\n"
                                    "\tAUDIO_PID = 103  104\t105\n\tVCHANNEL = 2.1\n\tFREQUENCY = 482000000\n");
    const TuningListEntry& entry = list.Entries[0];
    uint32_t nServiceId = 0;
    EXPECT_TRUE(entry.GetNumber("SERVICE_ID", nServiceId));
    EXPECT_EQ(nServiceId, 201u);
    EXPECT_EQ(entry.GetPids("AUDIO_PID"), (std::vector<uint16_t>{103, 104, 105}));
    EXPECT_EQ(entry.GetPids("VIDEO_PID"), (std::vector<uint16_t>{101}));
    EXPECT_TRUE(entry.GetPids("PMT_PID").empty());
    EXPECT_EQ(*entry.Find("VCHANNEL"), "2.1");
}

// The installed one-line lists are checked against their sectioned twins (ScanTables);
// these are the spellings those lists do not show.
TEST(TuningList, OneLineFormatReadsIntoTheSameKeys)
{
    const TuningList list = ParseOk("# old list\nS2 11362000 l 22000000 2/3 AUTO 8PSK 1\nA 57000000 QAM256\n"
                                    "T2 641500000 AUTO\n");
    EXPECT_EQ(list.Format, TuningListFormat::OneLine);
    ASSERT_EQ(list.Entries.size(), 3u);
    EXPECT_EQ(list.Entries[0].strName, "CHANNEL");
    EXPECT_EQ(list.Entries[0].nLine, 2);
    EXPECT_EQ(*list.Entries[0].Find("POLARIZATION"), "LEFT");
    EXPECT_EQ(*list.Entries[0].Find("STREAM_ID"), "1");
    EXPECT_EQ(*list.Entries[1].Find("DELIVERY_SYSTEM"), "DVBC/ANNEX_B");
    EXPECT_EQ(*list.Entries[2].Find("BANDWIDTH_HZ"), "0");
}

TEST(TuningList, MalformedFilesGiveTheLineAndTheReason)
{
    const struct {
        const char* pszText;
        int nLine;
        const char* pszReason;
    } kCases[] = {
        {"# c\n\tFREQUENCY = 1\n[A]\n", 2, "before any [section]"},
        {"[A]\n\tFREQUENCY 506000000\n", 2, "expected KEY = VALUE"},
        {"[A]\n\tFREQUENCY = 50600000O\n", 2, "not a decimal number"},
        {"[A]\n\tFREQUENCY = -5\n", 2, "not a decimal number"},
        {"[A]\n\tFREQUENCY = 4294967296\n", 2, "not a decimal number"},
        {"[A]\n\tFREQUENCY = 0\n", 2, "out of range"},
        {"[A]\n\tFREQUENCY = 1\n\tAUDIO_PID = 101 8192\n", 3, "AUDIO_PID 8192 is out of range"},
        {"[A]\n\tFREQUENCY = 1\n\tSERVICE_ID = 65536\n", 3, "out of range"},
        {"[A]\n\tFREQUENCY = 1\n\tFREQUENCY = 2\n", 3, "given twice, with different values"},
        {"[A]\n\tFREQ UENCY = 1\n", 2, "is not a key"},
        {"[A\n\tFREQUENCY = 1\n", 1, "must end with ']'"},
        {"[ ]\n\tFREQUENCY = 1\n", 1, "needs a name"},
        {"[A]\n\tSYMBOL_RATE = 1\n[B]\n\tFREQUENCY = 1\n", 1, "[A] has no FREQUENCY"},
        {"[A]\n\tFREQUENCY = 1\n[B]\n", 3, "[B] has no FREQUENCY"},
        {"# nothing but comments\n\n", 0, "no entries"},
        {"S 12188000 H 27500000 3/4\nT 506000000 8MHz\nS 12188000 X 27500000\n", 3, "polarisation \"X\""},
        {"T 506000000 8MHz\n[A]\n", 2, "expected a line such as"},
        {"T 506000000 9.5MHz\n", 1, "bandwidth"},
        {"C 346000000\n", 1, "takes 2 to 4 fields, this one has 1"},
        {"A 57028615 8VSB extra\n", 1, "takes 1 to 2 fields"},
        {"C 346000000 6.9e6 NONE QAM256\n", 1, "SYMBOL_RATE"},
    };
    for (const auto& c : kCases) {
        const TuningListError error = ParseFails(c.pszText);
        EXPECT_EQ(error.nLine, c.nLine) << c.pszText;
        EXPECT_NE(error.strReason.find(c.pszReason), std::string::npos) << c.pszText << " -> " << error.strReason;
    }
    EXPECT_EQ(ParseFails("[A]\n\tFREQUENCY = x\n").Describe(), "line 2: FREQUENCY: \"x\" is not a decimal number");
    const TuningListError binary = ParseFails(std::string("[A]\n\tFREQUENCY = 1\n\tX = a\0b\n", 28));
    EXPECT_EQ(binary.nLine, 3);
    EXPECT_NE(binary.strReason.find("NUL byte"), std::string::npos);
}

TEST(TuningList, ChannelFileRoundTripsThroughWriterAndReader)
{
    TuningListEntry tv;
    tv.strName = CleanChannelName(" \x01" "Das Erste HD\x1F\t", "service 1");
    tv.SetNumber("SERVICE_ID", 10301);
    tv.SetPids("VIDEO_PID", {5101});
    tv.SetPids("AUDIO_PID", {5102, 5103, 5106});
    tv.Set("VCHANNEL", "2.1");
    tv.Set("PID_0b", "8026 8027");
    tv.Set("DELIVERY_SYSTEM", "DVBS2");
    tv.SetNumber("FREQUENCY", 11494000);
    tv.Set("POLARIZATION", "HORIZONTAL");
    tv.SetNumber("SYMBOL_RATE", 22000000);
    tv.SetNumber("SYMBOL_RATE", 22000001);  // replaces in place
    TuningListEntry radio;
    radio.strName = "Radio [NDR] 2";
    radio.Set("AUDIO_PID", "");
    radio.SetNumber("FREQUENCY", 1);
    EXPECT_EQ(tv.strName, "Das Erste HD");
    EXPECT_EQ(CleanChannelName("\x01 \x02", "service 7"), "service 7");
    EXPECT_EQ(CleanChannelName("Caf\xC3\xA9 \xE2\x80\x93 HD", "x"), "Caf\xC3\xA9 \xE2\x80\x93 HD");  // UTF-8 kept
    ASSERT_EQ(tv.Keys[6].first, "FREQUENCY");
    EXPECT_EQ(tv.Keys[8], (std::pair<std::string, std::string>("SYMBOL_RATE", "22000001")));

    char szPath[] = "/tmp/qlts-channelsXXXXXX";
    const int fd = mkstemp(szPath);
    ASSERT_GE(fd, 0);
    close(fd);
    TuningListError error;
    std::string strWritten;
    ASSERT_TRUE(FormatChannelFile({tv, radio}, strWritten, error)) << error.Describe();
    FILE* pFile = std::fopen(szPath, "wb");
    ASSERT_NE(pFile, nullptr);
    ASSERT_EQ(std::fwrite(strWritten.data(), 1, strWritten.size(), pFile), strWritten.size());
    std::fclose(pFile);
    TuningList list;
    ASSERT_TRUE(ReadTuningListFile(szPath, list, error)) << error.Describe();
    std::remove(szPath);
    ASSERT_EQ(list.Entries.size(), 2u);
    EXPECT_EQ(list.Entries[0].strName, tv.strName);
    EXPECT_EQ(list.Entries[0].Keys, tv.Keys);
    EXPECT_EQ(list.Entries[0].GetPids("AUDIO_PID"), (std::vector<uint16_t>{5102, 5103, 5106}));
    EXPECT_EQ(list.Entries[1].strName, radio.strName);
    EXPECT_EQ(list.Entries[1].Keys, radio.Keys);

    // Entries that would not read back the same are refused and nothing is written.
    std::string strText = "untouched";
    for (const auto& spoil : std::vector<void (*)(TuningListEntry&)>{
             [](TuningListEntry& e) { e.strName = "two\nlines"; },
             [](TuningListEntry& e) { e.strName = " padded"; },
             [](TuningListEntry& e) { e.strName.clear(); },
             [](TuningListEntry& e) { e.Set("BAD KEY", "1"); },
             [](TuningListEntry& e) { e.Set("NOTE", "a\nb"); },
             [](TuningListEntry& e) { e.Keys.erase(e.Keys.begin() + 6); },  // FREQUENCY
         }) {
        TuningListEntry bad = tv;
        spoil(bad);
        EXPECT_FALSE(FormatChannelFile({radio, bad}, strText, error));
        EXPECT_FALSE(error.strReason.empty());
        EXPECT_EQ(strText, "untouched");
    }
}

TEST(TuningList, FilesThatCannotBeReadAreReported)
{
    TuningList list;
    TuningListError error;
    EXPECT_FALSE(ReadTuningListFile("/nonexistent/list", list, error));
    EXPECT_NE(error.strReason.find("cannot open"), std::string::npos);
}

TEST(TuningList, FindChannelPrefersExactNamesAndCountsDuplicates)
{
    const TuningList list = ParseOk("[Nine Canberra]\nFREQUENCY = 1\n[nine canberra]\nFREQUENCY = 2\n"
                                    "[Nine Canberra]\nFREQUENCY = 3\n[ABC]\nFREQUENCY = 4\n");
    size_t nMatches = 0;
    const TuningListEntry* pEntry = FindChannel(list, "Nine Canberra", &nMatches);
    ASSERT_NE(pEntry, nullptr);
    EXPECT_EQ(*pEntry->Find("FREQUENCY"), "1");
    EXPECT_EQ(nMatches, 2u);
    pEntry = FindChannel(list, "abc", &nMatches);
    ASSERT_NE(pEntry, nullptr);
    EXPECT_EQ(*pEntry->Find("FREQUENCY"), "4");
    EXPECT_EQ(nMatches, 1u);
    EXPECT_EQ(FindChannel(list, "Nine", &nMatches), nullptr);
    EXPECT_EQ(nMatches, 0u);
}

TEST(TuningList, ChannelEntryPutsServiceKeysFirstAndDropsThoseOfAnotherService)
{
    TuningListEntry tuning;  // an entry of a channel file scanned as a list
    tuning.Set("DELIVERY_SYSTEM", "ATSC");
    tuning.Set("SERVICE_ID", "7");
    tuning.Set("VIDEO_PID", "70");
    tuning.Set("FREQUENCY", "575000000");
    tuning.Set("VCHANNEL", "3.1");
    const TuningListEntry entry = MakeChannelEntry("News", {9, 0x30, {}, {0x31, 0x32}, "5.2"}, tuning);
    EXPECT_EQ(entry.strName, "News");
    EXPECT_EQ(entry.Keys, (std::vector<std::pair<std::string, std::string>>{{"SERVICE_ID", "9"},
                                                                             {"AUDIO_PID", "49 50"},
                                                                             {"PMT_PID", "48"},
                                                                             {"VCHANNEL", "5.2"},
                                                                             {"DELIVERY_SYSTEM", "ATSC"},
                                                                             {"FREQUENCY", "575000000"}}));
}
