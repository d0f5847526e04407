#include "ProviderFixture.h"

// The provider in the platform's filter graph manager, connected to a fake tuner the way
// the tuner graph is built: added, connected directly, run, stopped and removed.
TEST_F(ProviderTest, ConnectsRunsAndLeavesThePlatformGraph)
{
    InterfaceHolder<IGraphBuilder> pGraph;
    ASSERT_EQ(pGraph.CreateInstance(CLSID_FilterGraph, CLSCTX_INPROC_SERVER), S_OK);
    ASSERT_EQ(pGraph->AddFilter(m_pProvider, L"Network Provider"), S_OK);
    ASSERT_EQ(pGraph->AddFilter(Tuner(), L"BDA Source"), S_OK);

    ASSERT_EQ(pGraph->ConnectDirect(m_pPin, TunerPin(), nullptr), S_OK);
    EXPECT_EQ(m_state->CreatedPinTypes().size(), 2u);
    EXPECT_EQ(m_state->Topologies().size(), 1u);

    InterfaceHolder<IMediaControl> pControl;
    ASSERT_EQ(pGraph.QueryTo(pControl), S_OK);
    EXPECT_TRUE(SUCCEEDED(pControl->Run()));
    FILTER_STATE state = State_Stopped;
    EXPECT_EQ(m_pProvider->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    EXPECT_TRUE(SUCCEEDED(pControl->Stop()));
    EXPECT_EQ(m_pProvider->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);

    // Removing the provider disconnects both ends of its pin.
    EXPECT_EQ(pGraph->RemoveFilter(m_pProvider), S_OK);
    EXPECT_FALSE(m_pPin->IsConnected());
    EXPECT_TRUE(TunerPeer().IsNull());
    EXPECT_EQ(pGraph->RemoveFilter(Tuner()), S_OK);
    pControl.Reset();
    pGraph.Reset();
}
