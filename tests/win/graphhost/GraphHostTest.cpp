#include "HostProbe.h"
#include "support/FakeFilter.h"

#include <gtest/gtest.h>

TEST(GraphHost, ConstructionCreatesGraphObjectsAndAttachesTheCaptureBuilder)
{
    CHostProbe host;
    ASSERT_EQ(host.m_bReady, 1);
    EXPECT_EQ(host.m_dwRotRegister, 0u);
    ASSERT_FALSE(host.m_pRot.IsNull());
    ASSERT_FALSE(host.m_pGraph.IsNull());
    ASSERT_FALSE(host.m_pMediaControl.IsNull());
    ASSERT_FALSE(host.m_pCaptureBuilder.IsNull());
    EXPECT_TRUE(IsSameObject(host.m_pMediaControl, host.m_pGraph));
    InterfaceHolder<IGraphBuilder> pAttached;
    ASSERT_EQ(host.m_pCaptureBuilder->GetFiltergraph(pAttached.OutSlot()), S_OK);
    EXPECT_TRUE(IsSameObject(pAttached, host.m_pGraph));
    EXPECT_TRUE(GraphFilters(host.m_pGraph).empty());
}

TEST(GraphHost, RunStopAndStateFollowTheGraphManager)
{
    InterfaceHolder<CFakeFilter> pFake;
    CFakeFilter* fake = NewFakeFilter(pFake);
    CHostProbe host;
    ASSERT_EQ(host.AddFilter(fake, L"Fake"), S_OK);

    OAFilterState state = -1;
    ASSERT_EQ(host.RunGraph(), 1);
    EXPECT_EQ(fake->m_nRunCalls, 1);
    EXPECT_EQ(host.GetGraphState(100, &state), 1);
    EXPECT_EQ(state, State_Running);

    EXPECT_EQ(host.StopGraph(), 1);
    EXPECT_EQ(fake->m_state, State_Stopped);
    EXPECT_EQ(host.GetGraphState(100, &state), 1);
    EXPECT_EQ(state, State_Stopped);
    // Stopping a stopped graph is no failure.
    EXPECT_EQ(host.StopGraph(), 1);
}

TEST(GraphHost, FailedRunLeavesTheGraphStopped)
{
    InterfaceHolder<CFakeFilter> pFake;
    CFakeFilter* fake = NewFakeFilter(pFake);
    fake->m_hrPause = E_FAIL;
    CHostProbe host;
    ASSERT_EQ(host.AddFilter(fake, L"Fake"), S_OK);

    EXPECT_EQ(host.RunGraph(), 0);
    EXPECT_GE(fake->m_nPauseCalls, 1);
    EXPECT_EQ(fake->m_nRunCalls, 0);
    OAFilterState state = -1;
    EXPECT_EQ(host.GetGraphState(100, &state), 1);
    EXPECT_EQ(state, State_Stopped);
}

// Unfinished transitions and graphs that cannot cue report success codes: the state the
// graph manager writes is handed on.
TEST(GraphHost, StateSuccessCodesCountAsSuccess)
{
    const HRESULT codes[] = {VFW_S_STATE_INTERMEDIATE, VFW_S_CANT_CUE};
    for (HRESULT code : codes) {
        InterfaceHolder<CFakeFilter> pFake;
        CFakeFilter* fake = NewFakeFilter(pFake);
        CHostProbe host;
        ASSERT_EQ(host.AddFilter(fake, L"Fake"), S_OK);
        ASSERT_EQ(host.m_pMediaControl->Pause(), S_OK);
        fake->m_hrGetState = code;

        OAFilterState direct = -1, state = -1;
        EXPECT_EQ(host.m_pMediaControl->GetState(0, &direct), code);
        EXPECT_EQ(host.GetGraphState(0, &state), 1);
        EXPECT_EQ(state, direct);
        EXPECT_EQ(state, State_Paused);
        fake->m_hrGetState = S_OK;
    }
}

TEST(GraphHost, AddAndRemovePassTheGraphManagersStatusThrough)
{
    InterfaceHolder<CFakeFilter> pFake, pRefusing;
    CFakeFilter* fake = NewFakeFilter(pFake);
    CFakeFilter* refusing = NewFakeFilter(pRefusing);
    refusing->m_hrJoin = E_ACCESSDENIED;
    CHostProbe host;

    ASSERT_EQ(host.AddFilter(fake, L"Parser"), S_OK);
    EXPECT_TRUE(IsSameObject(fake->m_pGraph, host.m_pGraph));
    EXPECT_EQ(fake->m_name, L"Parser");
    EXPECT_EQ(host.AddFilter(refusing, L"Refusing"), E_ACCESSDENIED);
    EXPECT_EQ(host.AddFilter(nullptr, L"None"), E_POINTER);
    ASSERT_EQ(GraphFilters(host.m_pGraph).size(), 1u);

    EXPECT_EQ(host.RemoveFilter(fake), S_OK);
    EXPECT_EQ(fake->m_pGraph, nullptr);
    EXPECT_TRUE(GraphFilters(host.m_pGraph).empty());
    EXPECT_EQ(host.RemoveFilter(fake), E_FAIL);
    EXPECT_EQ(fake->RefCount(), 1u);
}

TEST(GraphHost, RemoveAllFiltersEmptiesTheGraph)
{
    CHostProbe host;
    EXPECT_EQ(host.RemoveAllFilters(), 1);

    InterfaceHolder<CFakeFilter> pFakes[3];
    const wchar_t* names[] = {L"One", L"Two", L"Three"};
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(host.AddFilter(NewFakeFilter(pFakes[i]), names[i]), S_OK);
    // Connected filters come out as well: removal disconnects them first.
    CFakePin* out = pFakes[0]->AddPin(L"Out", PINDIR_OUTPUT);
    CFakePin* in = pFakes[1]->AddPin(L"In", PINDIR_INPUT);
    ASSERT_EQ(host.m_pGraph->ConnectDirect(out, in, nullptr), S_OK);

    EXPECT_EQ(host.RemoveAllFilters(), 1);
    EXPECT_TRUE(GraphFilters(host.m_pGraph).empty());
    for (auto& pFake : pFakes) {
        EXPECT_EQ(pFake->m_pGraph, nullptr);
        EXPECT_EQ(pFake->RefCount(), 1u);
    }
    EXPECT_EQ(out->Peer(), nullptr);
}

// The walk stops at the first filter that refuses removal; those before it stay removed.
TEST(GraphHost, RemoveAllFiltersStopsAtAFilterThatRefusesRemoval)
{
    InterfaceHolder<CFakeFilter> pFirst, pRefusing;
    CFakeFilter* first = NewFakeFilter(pFirst);
    CFakeFilter* refusing = NewFakeFilter(pRefusing);
    refusing->m_hrLeave = E_FAIL;
    {
        CHostProbe host;
        ASSERT_EQ(host.AddFilter(refusing, L"Refusing"), S_OK);
        ASSERT_EQ(host.AddFilter(first, L"First"), S_OK);
        std::vector<IBaseFilter*> order = GraphFilters(host.m_pGraph);
        ASSERT_EQ(order.size(), 2u);
        ASSERT_EQ(order[0], static_cast<IBaseFilter*>(first)) << "enumeration order assumed";

        EXPECT_EQ(host.RemoveAllFilters(), 0);
        std::vector<IBaseFilter*> left = GraphFilters(host.m_pGraph);
        ASSERT_EQ(left.size(), 1u);
        EXPECT_EQ(left[0], static_cast<IBaseFilter*>(refusing));
        EXPECT_EQ(first->m_pGraph, nullptr);
        EXPECT_EQ(first->RefCount(), 1u);
        refusing->m_hrLeave = S_OK;
    }
    EXPECT_EQ(refusing->RefCount(), 1u);
}

TEST(GraphHost, DestructionRemovesAndReleasesEveryFilter)
{
    InterfaceHolder<CFakeFilter> pFakes[2];
    {
        CHostProbe host;
        ASSERT_EQ(host.AddFilter(NewFakeFilter(pFakes[0]), L"One"), S_OK);
        ASSERT_EQ(host.AddFilter(NewFakeFilter(pFakes[1]), L"Two"), S_OK);
        ASSERT_EQ(host.RunGraph(), 1);
    }
    for (auto& pFake : pFakes) {
        EXPECT_EQ(pFake->m_pGraph, nullptr);
        EXPECT_EQ(pFake->RefCount(), 1u);
    }
}
