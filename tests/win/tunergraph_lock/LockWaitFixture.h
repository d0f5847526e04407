// A tuner graph manager whose statistics come from one fake control node, with the
// readings, the pauses and the time of each lock wait.
#pragma once

#include "PauseCounter.h"
#include "graph/BdaGuids.h"
#include "support/FakeBda.h"
#include "tuner/TunerGraph.h"

#include <gtest/gtest.h>

class LockWaitTest : public ::testing::Test
{
protected:
    // The node reads unlocked and absent until a test says otherwise.
    LockWaitTest()
    {
        m_state->bLocked = m_state->bPresent = 0;
        FakeNodeSetup node = MakeNode(KSNODE_BDA_RF_TUNER, 0);
        node.bStatistics = true;
        CreateFakeNode(m_state, node).QueryTo(m_graph.m_pSignalStatistics);
    }

    void SetUp() override { ASSERT_TRUE(m_pauses.Installed()) << "the program's pauses cannot be counted"; }

    // Result of a wait, with the readings and pauses made and the time it took; the
    // readings that lead to lock count from the start of the wait.
    HRESULT Wait(LONG nBudget)
    {
        m_state->LockReadTimes.clear();
        m_state->nLockReads = 0;
        CPauseCounter::Clear();
        const DWORD nStart = timeGetTime();
        const HRESULT hr = m_graph.WaitForLock(nBudget);
        m_nElapsed = timeGetTime() - nStart;
        return hr;
    }
    size_t Readings() const { return m_state->LockReadTimes.size(); }
    static unsigned Pauses() { return CPauseCounter::Pauses(); }

    // Between readings, and after the last one of an unlocked wait, the wait pauses at
    // least this long; how much longer depends on the machine's load, so it is never bounded.
    static constexpr DWORD PAUSE_AT_LEAST = 90;

    CPauseCounter m_pauses;
    CTunerGraph m_graph;
    FakeBdaStatePtr m_state = std::make_shared<FakeBdaState>();
    DWORD m_nElapsed = 0;
};
