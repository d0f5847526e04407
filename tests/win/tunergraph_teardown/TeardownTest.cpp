// Teardown of a graph that does not stop within the wait, on its own: it takes 1.5 seconds.
#include "support/ClassRegistration.h"
#include "support/FakeFilter.h"
#include "support/ScriptedGraph.h"
#include "tuner/TunerGraph.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// {8A41D2C7-5B3E-4F90-A6C1-73E2D0B94F58}
const CLSID CLSID_TeardownGraph = {0x8a41d2c7, 0x5b3e, 0x4f90, {0xa6, 0xc1, 0x73, 0xe2, 0xd0, 0xb9, 0x4f, 0x58}};

class CScriptedTunerGraph : public CTunerGraph
{
public:
    CScriptedTunerGraph() : CTunerGraph(CLSID_TeardownGraph) {}
};

// Every graph manager the host creates, also a replacement, is the one scripted graph.
class TeardownTest : public ::testing::Test
{
protected:
    ~TeardownTest() override
    {
        m_pScript.Reset();
        m_class.reset();
        if (m_bCom)
            CoUninitialize();
    }

    size_t Calls(const char* pszName) const { return m_pScript->CallsStarting(pszName).size(); }

    bool m_bCom = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    InterfaceHolder<CScriptedGraph> m_pScript;
    std::unique_ptr<CClassRegistration> m_class =
        std::make_unique<CClassRegistration>(CLSID_TeardownGraph, [this](REFIID riid, void** ppv) {
            if (m_pScript.IsNull()) {
                m_pScript.Attach(new CScriptedGraph);
                m_pScript->m_state = State_Running;
            }
            return m_pScript->QueryInterface(riid, ppv);
        });
};

} // namespace

TEST_F(TeardownTest, GraphThatNeverStopsIsEmptiedAllTheSame)
{
    ASSERT_EQ(m_class->Status(), S_OK);
    CScriptedTunerGraph graph;
    ASSERT_FALSE(m_pScript.IsNull());

    InterfaceHolder<CFakeFilter> tuner;
    NewFakeFilter(tuner);
    graph.m_pTuner = tuner.Get();
    graph.m_pCaptureFilter = tuner.Get();
    graph.m_bBuilt = 1;
    graph.m_nSourceType = SRC_TYPE_DVBC;

    EXPECT_EQ(graph.DestroyGraph(), S_OK);
    // Ten stops of the wait, one more with the pause that follows the failed removal.
    EXPECT_EQ(m_pScript->m_stopTimes.size(), 11u);
    EXPECT_EQ(Calls("EnumFilters"), 2u);
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
    ASSERT_EQ(m_class->Status(), S_OK);
    InterfaceHolder<CFakeFilter> tuner;
    NewFakeFilter(tuner);
    {
        CScriptedTunerGraph graph;
        m_pScript->m_nStopsUntilStopped = 1;
        graph.m_pTuner = tuner.Get();
    }
    // The stop of the wait, and the one after the removal that this graph refuses.
    EXPECT_EQ(m_pScript->m_stopTimes.size(), 2u);
    EXPECT_EQ(Calls("GetState"), 2u);
    EXPECT_GE(Calls("EnumFilters"), 1u);
    EXPECT_EQ(tuner->RefCount(), 1u);
}
