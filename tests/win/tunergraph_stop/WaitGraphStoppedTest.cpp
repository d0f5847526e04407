#include "ScriptedGraph.h"

namespace {

class WaitGraphStoppedTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(m_class.Status(), S_OK);
        ASSERT_EQ(m_graph.m_bReady, 1);
        m_pScript = m_class.Graph();
    }
    // The graph ends stopped, so that the manager's own teardown does not wait for it.
    void TearDown() override { m_pScript->eState = State_Stopped; }

    CScriptedGraphClass m_class;
    CScriptedTunerGraph m_graph;
    CScriptedGraph* m_pScript = nullptr;
};

} // namespace

TEST_F(WaitGraphStoppedTest, GraphThatNeverStopsIsGivenUpAfterTenStopsAndPauses)
{
    const DWORD nStart = timeGetTime();
    EXPECT_EQ(m_graph.WaitGraphStopped(), E_FAIL);
    const DWORD nElapsed = timeGetTime() - nStart;

    EXPECT_EQ(m_pScript->GetStateTimeouts, std::vector<LONG>(10, 50));
    ASSERT_EQ(m_pScript->StopTimes.size(), 10u);
    for (size_t i = 1; i < m_pScript->StopTimes.size(); ++i)
        EXPECT_GE(m_pScript->StopTimes[i] - m_pScript->StopTimes[i - 1], 140u) << i;
    EXPECT_GE(nElapsed, 10 * 140u);
}

TEST_F(WaitGraphStoppedTest, GraphThatStopsOnTheSecondStopTakesThreeQueries)
{
    m_pScript->nStopsUntilStopped = 2;
    EXPECT_EQ(m_graph.WaitGraphStopped(), S_OK);
    EXPECT_EQ(m_pScript->GetStateTimeouts.size(), 3u);
    EXPECT_EQ(m_pScript->StopTimes.size(), 2u);
}

// A state query that does not write the state, whatever it returns, counts as stopped.
TEST_F(WaitGraphStoppedTest, QueryThatLeavesTheStateAloneCountsAsStopped)
{
    m_pScript->bWriteState = false;
    for (HRESULT hr : {E_FAIL, VFW_S_STATE_INTERMEDIATE}) {
        m_pScript->hrGetState = hr;
        EXPECT_EQ(m_graph.WaitGraphStopped(), S_OK);
    }
    EXPECT_EQ(m_pScript->GetStateTimeouts.size(), 2u);
    EXPECT_TRUE(m_pScript->StopTimes.empty());
}

TEST_F(WaitGraphStoppedTest, StartGraphReportsWhetherTheGraphRuns)
{
    m_pScript->eState = State_Stopped;
    EXPECT_EQ(m_graph.StartGraph(), S_OK);
    EXPECT_EQ(m_pScript->eState, State_Running);
    EXPECT_TRUE(m_pScript->StopTimes.empty());

    m_pScript->hrRun = E_UNEXPECTED;
    EXPECT_EQ(m_graph.StartGraph(), E_FAIL);
    EXPECT_EQ(m_pScript->StopTimes.size(), 1u);
}
