// A tuner graph manager whose statistics come from one fake control node, with the
// readings and the time of each lock wait.
#pragma once

#include "support/FakeBda.h"
#include "graph/BdaGuids.h"
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

    // Result of a wait, with the readings made and the time it took; the readings that
    // lead to lock count from the start of the wait.
    HRESULT Wait(LONG nBudget)
    {
        m_state->LockReadTimes.clear();
        m_state->nLockReads = 0;
        const DWORD nStart = timeGetTime();
        const HRESULT hr = m_graph.WaitForLock(nBudget);
        m_nElapsed = timeGetTime() - nStart;
        return hr;
    }
    size_t Readings() const { return m_state->LockReadTimes.size(); }

    // Between readings, and after the last one of an unlocked wait, the wait pauses.
    static constexpr DWORD PAUSE_AT_LEAST = 90;
    // A wait without a pause returns well before one pause would have passed.
    static constexpr DWORD NO_PAUSE_BELOW = 80;

    CTunerGraph m_graph;
    FakeBdaStatePtr m_state = std::make_shared<FakeBdaState>();
    DWORD m_nElapsed = 0;
};
