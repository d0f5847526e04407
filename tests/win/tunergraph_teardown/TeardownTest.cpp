// Teardown of a graph that does not stop within the wait, on its own: it takes 1.5 seconds.
#include "support/FakeFilter.h"
#include "win/tunergraph_stop/ScriptedGraph.h"

TEST(TeardownTest, GraphThatNeverStopsIsEmptiedAllTheSame)
{
    CScriptedGraphClass graphClass;
    ASSERT_EQ(graphClass.Status(), S_OK);
    CScriptedTunerGraph graph;
    CScriptedGraph* pScript = graphClass.Graph();
    ASSERT_NE(pScript, nullptr);

    InterfaceHolder<CFakeFilter> tuner;
    NewFakeFilter(tuner);
    graph.m_pTuner = tuner.Get();
    graph.m_pCaptureFilter = tuner.Get();
    graph.m_bBuilt = 1;
    graph.m_nSourceType = SRC_TYPE_DVBC;

    EXPECT_EQ(graph.DestroyGraph(), S_OK);
    // Ten stops of the wait, one more with the pause that follows the failed removal.
    EXPECT_EQ(pScript->StopTimes.size(), 11u);
    EXPECT_EQ(pScript->nEnumFilters, 2);
    EXPECT_EQ(graph.m_bBuilt, 0);
    EXPECT_EQ(graph.m_nSourceType, SRC_TYPE_DVBC);
    EXPECT_TRUE(graph.m_pTuner.IsNull());
    EXPECT_TRUE(graph.m_pCaptureFilter.IsNull());
    EXPECT_EQ(tuner->RefCount(), 1u);
    pScript->eState = State_Stopped;
}

// Destruction tears the graph down: a running graph is stopped first.
TEST(TeardownTest, DestructionStopsAndEmptiesTheGraph)
{
    CScriptedGraphClass graphClass;
    InterfaceHolder<CFakeFilter> tuner;
    NewFakeFilter(tuner);
    {
        CScriptedTunerGraph graph;
        graphClass.Graph()->nStopsUntilStopped = 1;
        graph.m_pTuner = tuner.Get();
    }
    // The stop of the wait, and the one after the removal that this graph refuses.
    EXPECT_EQ(graphClass.Graph()->StopTimes.size(), 2u);
    EXPECT_EQ(graphClass.Graph()->GetStateTimeouts.size(), 2u);
    EXPECT_GE(graphClass.Graph()->nEnumFilters, 1);
    EXPECT_EQ(tuner->RefCount(), 1u);
}
