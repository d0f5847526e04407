#include "base/Trace.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

#include <string>

TEST(TraceChannels, PrefixAndMessageFormAOneLine)
{
    CTraceCapture capture;
    QLAGET_DBG("Tuner Name=%s", "DTV-DVB S2");
    QLDise_DBG("iIndex = %d", 3);
    auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "QLAGET_DBG: Tuner Name=DTV-DVB S2");
    EXPECT_EQ(lines[1], "QLDise_DBG: iIndex = 3");
}

TEST(TraceChannels, NoLineEndIsAdded)
{
    CTraceCapture capture;
    QLDise_DBG("no end");
    QLDise_DBG("with end\n");
    auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "QLDise_DBG: no end");
    EXPECT_EQ(lines[1], "QLDise_DBG: with end\n");
}

TEST(TraceChannels, LongMessagesAreCutTo2047Characters)
{
    const std::string message(3000, 'x');
    for (int channel = 0; channel < 2; ++channel) {
        CTraceCapture capture;
        if (channel == 0)
            QLAGET_DBG("%s", message.c_str());
        else
            QLDise_DBG("%s", message.c_str());
        auto lines = capture.Lines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].size(), 2047u);
        EXPECT_EQ(lines[0].substr(0, 12), channel == 0 ? "QLAGET_DBG: " : "QLDise_DBG: ");
        EXPECT_EQ(lines[0].substr(12), std::string(2035, 'x'));
    }
}

TEST(TraceChannels, MessageExactlyFillingTheBufferIsKeptWhole)
{
    CTraceCapture capture;
    const std::string message(2035, 'y');
    QLAGET_DBG("%s", message.c_str());
    ASSERT_EQ(capture.Lines().size(), 1u);
    EXPECT_EQ(capture.Lines()[0], "QLAGET_DBG: " + message);
}
