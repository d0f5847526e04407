// Teardown of a graph that does not stop within the wait, on its own: it takes 1.5 seconds.
#include "support/FakeFilter.h"
#include "win/tunergraph_stop/ScriptedTunerGraph.h"

using TeardownTest = ScriptedTunerGraphTest;

TEST_F(TeardownTest, GraphThatNeverStopsIsEmptiedAllTheSame)
{
    ASSERT_EQ(m_class->Status(), S_OK);
    CScriptedTunerGraph graph;
    ASSERT_FALSE(m_pScript.IsNull());
    m_pScript->m_state = State_Running;

    InterfaceHolder<CFakeFilter> tuner;
    NewFakeFilter(tuner);
    graph.m_pTuner = tuner.Get();
    graph.m_pCaptureFilter = tuner.Get();
    graph.m_bBuilt = 1;
    graph.m_nSourceType = SRC_TYPE_DVBC;

    EXPECT_EQ(graph.DestroyGraph(), S_OK);
    // Ten stops of the wait, one more with the pause that follows the failed removal.
    EXPECT_EQ(m_pScript->m_stopTimes.size(), 11u);
    EXPECT_EQ(m_pScript->CallsStarting("EnumFilters").size(), 2u);
    EXPECT_EQ(graph.m_bBuilt, 0);
    EXPECT_EQ(graph.m_nSourceType, SRC_TYPE_DVBC);
    EXPECT_TRUE(graph.m_pTuner.IsNull());
    EXPECT_TRUE(graph.m_pCaptureFilter.IsNull());
    EXPECT_EQ(tuner->RefCount(), 1u);
    m_pScript->m_state = State_Stopped;
}

// Destruction tears the graph down: a running graph is stopped first.
TEST_F(TeardownTest, DestructionStopsAndEmptiesTheGraph)
{
    InterfaceHolder<CFakeFilter> tuner;
    NewFakeFilter(tuner);
    {
        CScriptedTunerGraph graph;
        ASSERT_FALSE(m_pScript.IsNull());
        m_pScript->m_state = State_Running;
        m_pScript->m_nStopsUntilStopped = 1;
        graph.m_pTuner = tuner.Get();
    }
    // The stop of the wait, and the one after the removal that this graph refuses.
    EXPECT_EQ(m_pScript->m_stopTimes.size(), 2u);
    EXPECT_EQ(m_pScript->CallsStarting("GetState").size(), 2u);
    EXPECT_GE(m_pScript->CallsStarting("EnumFilters").size(), 1u);
    EXPECT_EQ(tuner->RefCount(), 1u);
}
