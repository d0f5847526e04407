#include "ScriptedTunerGraph.h"

#include <string>
#include <vector>

namespace {

// A tuner graph manager built around one scripted graph, which runs when the test starts.
class WaitGraphStoppedTest : public ScriptedTunerGraphTest
{
protected:
    ~WaitGraphStoppedTest() override { m_pGraph.reset(); }
    void SetUp() override
    {
        ASSERT_EQ(m_class->Status(), S_OK);
        m_pGraph = std::make_unique<CScriptedTunerGraph>();
        ASSERT_EQ(m_pGraph->m_bReady, 1);
        ASSERT_FALSE(m_pScript.IsNull());
        m_pScript->m_state = State_Running;
    }
    // The graph ends stopped, so that the manager's own teardown does not wait for it.
    void TearDown() override
    {
        if (!m_pScript.IsNull())
            m_pScript->m_state = State_Stopped;
    }

    std::unique_ptr<CScriptedTunerGraph> m_pGraph;
};

} // namespace

TEST_F(WaitGraphStoppedTest, GraphThatNeverStopsIsGivenUpAfterTenStopsAndPauses)
{
    const DWORD nStart = timeGetTime();
    EXPECT_EQ(m_pGraph->WaitGraphStopped(), E_FAIL);
    const DWORD nElapsed = timeGetTime() - nStart;

    EXPECT_EQ(m_pScript->CallsStarting("GetState"), std::vector<std::string>(10, "GetState 50"));
    ASSERT_EQ(m_pScript->m_stopTimes.size(), 10u);
    for (size_t i = 1; i < m_pScript->m_stopTimes.size(); ++i)
        EXPECT_GE(m_pScript->m_stopTimes[i] - m_pScript->m_stopTimes[i - 1], 140u) << i;
    EXPECT_GE(nElapsed, 10 * 140u);
}

TEST_F(WaitGraphStoppedTest, GraphThatStopsOnTheSecondStopTakesThreeQueries)
{
    m_pScript->m_nStopsUntilStopped = 2;
    EXPECT_EQ(m_pGraph->WaitGraphStopped(), S_OK);
    EXPECT_EQ(m_pScript->CallsStarting("GetState").size(), 3u);
    EXPECT_EQ(m_pScript->m_stopTimes.size(), 2u);
}

// A state query that does not write the state, whatever it returns, counts as stopped.
TEST_F(WaitGraphStoppedTest, QueryThatLeavesTheStateAloneCountsAsStopped)
{
    m_pScript->m_bWriteState = false;
    for (HRESULT hr : {E_FAIL, VFW_S_STATE_INTERMEDIATE}) {
        m_pScript->m_hrGetState = hr;
        EXPECT_EQ(m_pGraph->WaitGraphStopped(), S_OK);
    }
    EXPECT_EQ(m_pScript->CallsStarting("GetState").size(), 2u);
    EXPECT_TRUE(m_pScript->m_stopTimes.empty());
}

TEST_F(WaitGraphStoppedTest, StartGraphReportsWhetherTheGraphRuns)
{
    m_pScript->m_state = State_Stopped;
    EXPECT_EQ(m_pGraph->StartGraph(), S_OK);
    EXPECT_EQ(m_pScript->m_state, State_Running);
    EXPECT_TRUE(m_pScript->m_stopTimes.empty());

    m_pScript->m_hrRun = E_UNEXPECTED;
    EXPECT_EQ(m_pGraph->StartGraph(), E_FAIL);
    EXPECT_EQ(m_pScript->m_stopTimes.size(), 1u);
}
