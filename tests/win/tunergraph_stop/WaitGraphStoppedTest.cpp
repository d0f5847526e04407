#include "support/ClassRegistration.h"
#include "support/ScriptedGraph.h"
#include "tuner/TunerGraph.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// {3E7B0C61-92D4-4F1A-8B35-C6A0D2F97E04}
const CLSID CLSID_ScriptedTunerGraph = {0x3e7b0c61, 0x92d4, 0x4f1a, {0x8b, 0x35, 0xc6, 0xa0, 0xd2, 0xf9, 0x7e, 0x04}};

class CScriptedTunerGraph : public CTunerGraph
{
public:
    CScriptedTunerGraph() : CTunerGraph(CLSID_ScriptedTunerGraph) {}
    using CFilterGraphHost::m_bReady;
};

// A tuner graph manager built around one scripted graph, which runs when the test starts.
class WaitGraphStoppedTest : public ::testing::Test
{
protected:
    ~WaitGraphStoppedTest() override
    {
        m_pGraph.reset();
        m_pScript.Reset();
        m_class.reset();
        if (m_bCom)
            CoUninitialize();
    }
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

    bool m_bCom = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    InterfaceHolder<CScriptedGraph> m_pScript;
    std::unique_ptr<CClassRegistration> m_class = std::make_unique<CClassRegistration>(
        CLSID_ScriptedTunerGraph, [this](REFIID riid, void** ppv) {
            if (m_pScript.IsNull())
                m_pScript.Attach(new CScriptedGraph);
            return m_pScript->QueryInterface(riid, ppv);
        });
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
