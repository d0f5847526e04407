// The checker's counters and a guarded carry buffer for driving the aligner directly.
#pragma once

#include "support/TestPackets.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ostream>

struct Counters {
    uint64_t nPackets;
    uint32_t nFirst, nExpected, nTest, nCrc, nLost;
    bool operator==(const Counters& o) const
    {
        return nPackets == o.nPackets && nFirst == o.nFirst && nExpected == o.nExpected && nTest == o.nTest &&
               nCrc == o.nCrc && nLost == o.nLost;
    }
};

inline std::ostream& operator<<(std::ostream& os, const Counters& c)
{
    return os << "{packets " << c.nPackets << ", first " << c.nFirst << ", expected " << c.nExpected << ", test "
              << c.nTest << ", crc " << c.nCrc << ", lost " << c.nLost << "}";
}

inline Counters ReadCounters()
{
    const uint64_t bits = nBitsReceived.load();
    EXPECT_EQ(bits % 1504, 0u);
    return {bits / 1504, nFirstSeq.load(), nExpectedSeq.load(), nTestPackets.load(), nCrcErrors.load(),
            nLostPackets.load()};
}

// The pin's side of the aligner: its carry buffer, guarded on both sides.
class CheckerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetTestStreamCounters();
        std::memset(m_Guarded, 0xEE, sizeof(m_Guarded));
    }

    void Feed(const Bytes& run) { Feed(run.data(), run.size()); }
    void Feed(const uint8_t* p, size_t n)
    {
        AlignPackets(p, static_cast<int32_t>(n), m_Guarded + 16, m_nCarry);
        ASSERT_GE(m_nCarry, 0);
        ASSERT_LT(m_nCarry, 188);
        for (int i = 0; i < 16; ++i) {
            ASSERT_EQ(m_Guarded[i], 0xEE);
            ASSERT_EQ(m_Guarded[16 + TS_CARRY_SIZE + i], 0xEE);
        }
    }
    // Feeds run cut into pieces of the given lengths (the last piece takes the rest).
    void FeedSplit(const Bytes& run, std::initializer_list<size_t> cuts)
    {
        size_t pos = 0;
        for (size_t len : cuts) {
            Feed(run.data() + pos, len);
            pos += len;
        }
        if (pos < run.size())
            Feed(run.data() + pos, run.size() - pos);
    }
    const uint8_t* Carry() const { return m_Guarded + 16; }

    uint8_t m_Guarded[16 + TS_CARRY_SIZE + 16];
    int32_t m_nCarry = 0;
};
