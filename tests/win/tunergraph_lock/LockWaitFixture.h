// A tuner graph manager whose statistics interface is scripted, with the readings and the
// time of each lock wait.
#pragma once

#include "ScriptedStatistics.h"
#include "tuner/TunerGraph.h"

#include <gtest/gtest.h>

class LockWaitTest : public ::testing::Test
{
protected:
    LockWaitTest()
    {
        m_pStatistics = new CScriptedStatistics;
        m_graph.m_pSignalStatistics.Attach(m_pStatistics);
    }

    // Result of a wait, with the readings made and the time it took.
    HRESULT Wait(LONG nBudget)
    {
        m_pStatistics->ReadingTimes.clear();
        const DWORD nStart = timeGetTime();
        const HRESULT hr = m_graph.WaitForLock(nBudget);
        m_nElapsed = timeGetTime() - nStart;
        return hr;
    }
    size_t Readings() const { return m_pStatistics->ReadingTimes.size(); }

    // Between readings, and after the last one of an unlocked wait, the wait pauses.
    static constexpr DWORD PAUSE_AT_LEAST = 90;
    // A wait without a pause returns well before one pause would have passed.
    static constexpr DWORD NO_PAUSE_BELOW = 80;

    CTunerGraph m_graph;
    CScriptedStatistics* m_pStatistics;
    DWORD m_nElapsed = 0;
};
