#include "HostProbe.h"
#include "support/ClassRegistration.h"
#include "support/ScriptedGraph.h"

#include <gtest/gtest.h>

#include <memory>

// A host built around a scripted graph manager: the media-control statuses are the test's.
class MediaControlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(m_class.Status(), S_OK);
        m_pHost = std::make_unique<CHostProbe>(CLSID_ScriptedGraph);
        ASSERT_EQ(m_pHost->m_bReady, 1);
        ASSERT_NE(m_pGraph, nullptr);
        m_pGraph->m_calls.clear();
    }
    void TearDown() override
    {
        m_pHost.reset();
        if (m_pGraph)
            m_pGraph->Release();
    }

    using Calls = std::vector<std::string>;
    CScriptedGraph* m_pGraph = nullptr;   // one reference of the test's own
    CClassRegistration m_class{CLSID_ScriptedGraph, [this](REFIID riid, void** ppv) {
                                   m_pGraph = new CScriptedGraph(true);
                                   m_pGraph->AddRef();
                                   return QueryNew(m_pGraph, riid, ppv);
                               }};
    std::unique_ptr<CHostProbe> m_pHost;
};

TEST_F(MediaControlTest, FailedRunIsFollowedByStop)
{
    m_pGraph->m_hrRun = E_FAIL;
    EXPECT_EQ(m_pHost->RunGraph(), 0);
    EXPECT_EQ(m_pGraph->m_calls, (Calls{"Run", "Stop"}));

    // A failing stop after it changes nothing in the result.
    m_pGraph->m_calls.clear();
    m_pGraph->m_hrStop = E_FAIL;
    EXPECT_EQ(m_pHost->RunGraph(), 0);
    EXPECT_EQ(m_pGraph->m_calls, (Calls{"Run", "Stop"}));
}

TEST_F(MediaControlTest, SuccessfulRunIsNotStopped)
{
    for (HRESULT hr : {S_OK, S_FALSE, VFW_S_CANT_CUE}) {
        m_pGraph->m_calls.clear();
        m_pGraph->m_hrRun = hr;
        EXPECT_EQ(m_pHost->RunGraph(), 1);
        EXPECT_EQ(m_pGraph->m_calls, (Calls{"Run"}));
    }
}

TEST_F(MediaControlTest, StopReportsOnlyFailureStatuses)
{
    m_pGraph->m_hrStop = S_FALSE;
    EXPECT_EQ(m_pHost->StopGraph(), 1);
    m_pGraph->m_hrStop = VFW_E_WRONG_STATE;
    EXPECT_EQ(m_pHost->StopGraph(), 0);
    EXPECT_EQ(m_pGraph->m_calls, (Calls{"Stop", "Stop"}));
}

TEST_F(MediaControlTest, StateIsReadWithTheGivenTimeout)
{
    OAFilterState state = -1;
    m_pGraph->m_state = State_Paused;
    m_pGraph->m_hrGetState = VFW_S_STATE_INTERMEDIATE;
    EXPECT_EQ(m_pHost->GetGraphState(50, &state), 1);
    EXPECT_EQ(state, State_Paused);

    m_pGraph->m_state = State_Running;
    m_pGraph->m_hrGetState = VFW_S_CANT_CUE;
    EXPECT_EQ(m_pHost->GetGraphState(0, &state), 1);
    EXPECT_EQ(state, State_Running);

    m_pGraph->m_hrGetState = E_FAIL;
    EXPECT_EQ(m_pHost->GetGraphState(INFINITE, &state), 0);
    EXPECT_EQ(m_pGraph->m_calls, (Calls{"GetState 50", "GetState 0", "GetState -1"}));
}
