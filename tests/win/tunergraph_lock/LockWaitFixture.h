// A tuner graph manager whose statistics interface is scripted, with the readings, the
// pauses and the time of each lock wait.
#pragma once

#include "PauseCounter.h"
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

    void SetUp() override { ASSERT_TRUE(m_pauses.Installed()) << "the program's pauses cannot be counted"; }

    // Result of a wait, with the readings and pauses made and the time it took.
    HRESULT Wait(LONG nBudget)
    {
        m_pStatistics->ReadingTimes.clear();
        CPauseCounter::Clear();
        const DWORD nStart = timeGetTime();
        const HRESULT hr = m_graph.WaitForLock(nBudget);
        m_nElapsed = timeGetTime() - nStart;
        return hr;
    }
    size_t Readings() const { return m_pStatistics->ReadingTimes.size(); }
    static unsigned Pauses() { return CPauseCounter::Pauses(); }

    // Between readings, and after the last one of an unlocked wait, the wait pauses at
    // least this long; how much longer depends on the machine's load, so it is never bounded.
    static constexpr DWORD PAUSE_AT_LEAST = 90;

    CPauseCounter m_pauses;
    CTunerGraph m_graph;
    CScriptedStatistics* m_pStatistics;
    DWORD m_nElapsed = 0;
};
