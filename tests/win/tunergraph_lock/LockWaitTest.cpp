#include "LockWaitFixture.h"

#include <climits>

TEST_F(LockWaitTest, BudgetZeroReadsOnceWithoutPausing)
{
    EXPECT_EQ(Wait(0), 1);
    EXPECT_EQ(Readings(), 1u);
    EXPECT_EQ(Pauses(), 0u);

    m_state->bLocked = m_state->bPresent = 1;
    EXPECT_EQ(Wait(0), 0);
    EXPECT_EQ(Readings(), 1u);
}

TEST_F(LockWaitTest, Budget100ReadsOnceAndPausesOnceWhenUnlocked)
{
    EXPECT_EQ(Wait(100), 1);
    EXPECT_EQ(Readings(), 1u);
    EXPECT_EQ(Pauses(), 1u);
    EXPECT_GE(m_nElapsed, PAUSE_AT_LEAST);

    m_state->bLocked = m_state->bPresent = 1;
    EXPECT_EQ(Wait(100), 0);
    EXPECT_EQ(Readings(), 1u);
    EXPECT_EQ(Pauses(), 0u);
}

// Budgets between the steps round up to whole readings; a negative budget reads once and
// pauses once, and no budget can make the count wrap around.
TEST_F(LockWaitTest, OtherBudgetsGiveWholeReadings)
{
    EXPECT_EQ(Wait(150), 1);
    EXPECT_EQ(Readings(), 2u);
    EXPECT_EQ(Wait(-1), 1);
    EXPECT_EQ(Readings(), 1u);
    EXPECT_GE(m_nElapsed, PAUSE_AT_LEAST);
    EXPECT_EQ(Wait(LONG_MIN), 1);
    EXPECT_EQ(Readings(), 1u);
}

// With both reads the tuner must report lock and presence; with one, that one decides;
// with none (S_FALSE counts as a failed read) the wait fails at once.
TEST_F(LockWaitTest, OneReadingDecidesWhenTheOtherFails)
{
    struct Case {
        HRESULT hrLocked, hrPresent;
        BOOLEAN bLocked, bPresent;
        HRESULT hrExpected;
    };
    const Case cases[] = {
        {S_OK, S_OK, 1, 1, 0},         {S_OK, S_OK, 1, 0, 1},         {S_OK, S_OK, 0, 1, 1},
        {E_FAIL, S_OK, 0, 1, 0},       {E_FAIL, S_OK, 1, 0, 1},       {S_OK, E_NOTIMPL, 1, 0, 0},
        {S_OK, E_NOTIMPL, 0, 1, 1},    {S_FALSE, S_OK, 1, 1, 0},      {E_FAIL, E_FAIL, 1, 1, E_FAIL},
        {S_FALSE, S_FALSE, 1, 1, E_FAIL},
    };
    for (const Case& c : cases) {
        m_state->Failures = {{"get_SignalLocked", c.hrLocked}, {"get_SignalPresent", c.hrPresent}};
        m_state->bLocked = c.bLocked;
        m_state->bPresent = c.bPresent;
        EXPECT_EQ(Wait(0), c.hrExpected) << std::hex << c.hrLocked << " " << c.hrPresent << " "
                                         << int(c.bLocked) << int(c.bPresent);
    }
    // Unreadable statistics end even a long wait at the first reading.
    EXPECT_EQ(Wait(2000), E_FAIL);
    EXPECT_EQ(Readings(), 1u);
    EXPECT_EQ(Pauses(), 0u);

    m_graph.m_pSignalStatistics.Reset();
    EXPECT_EQ(m_graph.WaitForLock(2000), E_FAIL);
}

TEST_F(LockWaitTest, EachSignalLevelFallsBackToTheOther)
{
    m_state->nStrength = -7;
    m_state->nQuality = 250;

    struct Case {
        HRESULT hrStrength, hrQuality;
        HRESULT hrExpected;
        LONG nStrength, nQuality;
    };
    const Case cases[] = {
        {S_OK, S_OK, S_OK, -7, 250},
        {E_FAIL, S_OK, S_OK, 250, 250},
        {S_OK, E_NOTIMPL, S_OK, -7, -7},
        {S_FALSE, S_OK, S_OK, 250, 250},
        {E_FAIL, S_FALSE, E_FAIL, 0, 0},
    };
    for (const Case& c : cases) {
        m_state->Failures = {{"get_SignalStrength", c.hrStrength}, {"get_SignalQuality", c.hrQuality}};
        LONG nStrength = 99, nQuality = 99;
        EXPECT_EQ(m_graph.GetSignalLevels(&nStrength, &nQuality), c.hrExpected);
        EXPECT_EQ(nStrength, c.nStrength);
        EXPECT_EQ(nQuality, c.nQuality);
    }
    m_state->Failures.clear();
    LONG nQuality = 0;
    EXPECT_EQ(m_graph.GetSignalLevels(nullptr, &nQuality), S_OK);
    EXPECT_EQ(nQuality, 250);
    EXPECT_EQ(m_graph.GetSignalLevels(nullptr, nullptr), S_OK);

    m_graph.m_pSignalStatistics.Reset();
    LONG nStrength = 99;
    nQuality = 99;
    EXPECT_EQ(m_graph.GetSignalLevels(&nStrength, &nQuality), E_FAIL);
    EXPECT_EQ(nStrength, 99);
    EXPECT_EQ(nQuality, 99);
}
