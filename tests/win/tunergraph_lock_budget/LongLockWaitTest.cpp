// The longest lock wait, that of every tuning, on its own: it takes two seconds.
#include "win/tunergraph_lock/LockWaitFixture.h"

TEST_F(LockWaitTest, Budget2000GivesTwentyReadingsEachFollowedByAPause)
{
    EXPECT_EQ(Wait(2000), 1);
    ASSERT_EQ(Readings(), 20u);
    EXPECT_EQ(Pauses(), 20u);
    for (size_t i = 1; i < Readings(); ++i)
        EXPECT_GE(m_state->LockReadTimes[i] - m_state->LockReadTimes[i - 1], PAUSE_AT_LEAST) << i;
    EXPECT_GE(m_nElapsed, 20 * PAUSE_AT_LEAST);

    // Lock on the second reading ends the wait there, after one pause.
    m_state->bLocked = m_state->bPresent = 1;
    m_state->nLockAfterReads = 1;
    EXPECT_EQ(Wait(2000), 0);
    EXPECT_EQ(Readings(), 2u);
    EXPECT_GE(m_nElapsed, PAUSE_AT_LEAST);
}
