#include "TunerGraphFixture.h"

namespace {

class ControlInterfaceTest : public TunerGraphTest
{
protected:
    BOOL Find(const FakeBdaStatePtr& state)
    {
        InterfaceHolder<IBaseFilter> filter;
        EXPECT_EQ(CreateFakeBdaFilter(state, IID_IBaseFilter, filter.OutVoid()), S_OK);
        return m_graph.FindControlInterfaces(filter);
    }

    bool NoControlInterface() const
    {
        return m_graph.m_pSignalStatistics.IsNull() && m_graph.m_pDeviceControl.IsNull() &&
               m_graph.m_pFrequencyFilter.IsNull() && m_graph.m_pLNBInfo.IsNull() && m_graph.m_pDemodulator.IsNull();
    }

    // The node whose statistics the manager holds: the one that answers a level read.
    LONG StatisticsNode(const FakeBdaStatePtr& state)
    {
        state->Calls.clear();
        LONG nStrength = 0;
        EXPECT_EQ(m_graph.GetSignalLevels(&nStrength, nullptr), S_OK);
        return state->Calls.empty() ? -99 : state->Calls.front().nNode;
    }

    void TearDown() override
    {
        m_graph.DestroyGraph();
        TunerGraphTest::TearDown();
    }
};

} // namespace

TEST_F(ControlInterfaceTest, SatelliteTunerNeedsLnbInfoOthersDoNot)
{
    FakeBdaStatePtr satellite = MakeTunerState(SRC_TYPE_DVBS);
    EXPECT_TRUE(Find(satellite));
    EXPECT_FALSE(m_graph.m_pLNBInfo.IsNull());
    EXPECT_FALSE(m_graph.m_pDemodulator.IsNull());

    satellite->Nodes[0].bLnbInfo = false;
    EXPECT_FALSE(Find(satellite));
    EXPECT_TRUE(NoControlInterface());

    for (int nKind : {SRC_TYPE_DVBT, SRC_TYPE_DVBC, SRC_TYPE_ATSC}) {
        EXPECT_TRUE(Find(MakeTunerState(nKind))) << nKind;
        EXPECT_TRUE(m_graph.m_pLNBInfo.IsNull()) << nKind;
    }
}

// The satellite flag follows the last QPSK, COFDM or QAM node; 8VSB does not touch it.
TEST_F(ControlInterfaceTest, LastDemodulatorNodeDecidesWhetherLnbInfoIsNeeded)
{
    FakeBdaStatePtr state = MakeTunerState(SRC_TYPE_DVBT);
    state->Nodes.push_back(MakeNode(DemodulatorOf(SRC_TYPE_DVBS), 2));
    EXPECT_FALSE(Find(state));

    state->Nodes.push_back(MakeNode(DemodulatorOf(SRC_TYPE_DVBC), 3));
    state->Nodes.push_back(MakeNode(DemodulatorOf(SRC_TYPE_ATSC), 4));
    EXPECT_TRUE(Find(state));
}

TEST_F(ControlInterfaceTest, MissingFrequencyFilterStatisticsOrDeviceControlFails)
{
    FakeBdaStatePtr noFrequency = MakeTunerState(SRC_TYPE_DVBC);
    noFrequency->Nodes[0].bFrequencyFilter = false;
    FakeBdaStatePtr noStatistics = MakeTunerState(SRC_TYPE_DVBC);
    noStatistics->Nodes[0].bStatistics = false;
    noStatistics->Nodes[1].bStatistics = false;
    FakeBdaStatePtr noDeviceControl = MakeTunerState(SRC_TYPE_DVBC);
    noDeviceControl->bDeviceControl = false;
    FakeBdaStatePtr noTopology = MakeTunerState(SRC_TYPE_DVBC);
    noTopology->bTopology = false;
    FakeBdaStatePtr noDescriptors = MakeTunerState(SRC_TYPE_DVBC);
    noDescriptors->Failures["GetNodeDescriptors"] = E_FAIL;
    FakeBdaStatePtr noRfNode = MakeTunerState(SRC_TYPE_DVBC);
    noRfNode->Failures["GetControlNode@0"] = S_FALSE;

    for (const FakeBdaStatePtr& state : {noFrequency, noStatistics, noDeviceControl, noTopology, noDescriptors, noRfNode}) {
        EXPECT_FALSE(Find(state));
        EXPECT_TRUE(NoControlInterface());
    }
    // Without a demodulator interface the tuner is still usable.
    FakeBdaStatePtr noDemodulator = MakeTunerState(SRC_TYPE_DVBC);
    noDemodulator->Nodes[1].bDemodulator = false;
    EXPECT_TRUE(Find(noDemodulator));
    EXPECT_TRUE(m_graph.m_pDemodulator.IsNull());
}

// A filter without a change interface of its own takes the RF tuner node's.
TEST_F(ControlInterfaceTest, DeviceControlComesFromTheFilterFirstThenTheRfNode)
{
    FakeBdaStatePtr state = MakeTunerState(SRC_TYPE_DVBT);
    state->Nodes[0].bDeviceControl = true;
    ASSERT_TRUE(Find(state));
    state->Calls.clear();
    m_graph.m_pDeviceControl->CheckChanges();
    EXPECT_EQ(state->Calls.at(0).nNode, -1);

    state->bDeviceControl = false;
    ASSERT_TRUE(Find(state));
    state->Calls.clear();
    m_graph.m_pDeviceControl->CheckChanges();
    EXPECT_EQ(state->Calls.at(0).nNode, 0);
}

// ATSC takes its statistics from the RF tuner node; its 8VSB node offers a demodulator and
// statistics too, but no interface is taken from it.
TEST_F(ControlInterfaceTest, AtscTakesStatisticsFromTheRfNodeOnly)
{
    FakeBdaStatePtr atsc = MakeTunerState(SRC_TYPE_ATSC);
    ASSERT_TRUE(Find(atsc));
    EXPECT_TRUE(m_graph.m_pDemodulator.IsNull());
    EXPECT_EQ(StatisticsNode(atsc), 0);

    atsc->Nodes[0].bStatistics = false;
    EXPECT_FALSE(Find(atsc));
}

TEST_F(ControlInterfaceTest, StatisticsWhoseLockCannotBeReadAreReplacedByALaterNode)
{
    FakeBdaStatePtr state = MakeTunerState(SRC_TYPE_DVBS);
    ASSERT_TRUE(Find(state));
    EXPECT_EQ(StatisticsNode(state), 0);

    state->Failures["get_SignalLocked@0"] = E_FAIL;
    ASSERT_TRUE(Find(state));
    EXPECT_EQ(StatisticsNode(state), 1);

    // A lock read that succeeds with S_FALSE still counts: only a failure gives the place up.
    state->Failures["get_SignalLocked@0"] = S_FALSE;
    ASSERT_TRUE(Find(state));
    EXPECT_EQ(StatisticsNode(state), 0);

    state->Failures.clear();
    state->Failures["get_SignalLocked"] = E_FAIL;
    EXPECT_FALSE(Find(state));
}

// Control nodes are asked for by the node type each descriptor carries, which need not be
// its position in the list.
TEST_F(ControlInterfaceTest, ControlNodesAreAskedForByTheDescriptorsNodeType)
{
    FakeBdaStatePtr state = MakeTunerState(SRC_TYPE_DVBS);
    state->Nodes[0].nType = 7;
    state->Nodes[1].nType = 3;
    ASSERT_TRUE(Find(state));
    EXPECT_EQ(state->ControlNodeRequests, (std::vector<std::vector<ULONG>>{{0, 1, 7}, {0, 1, 3}}));
    EXPECT_EQ(StatisticsNode(state), 7);
    state->Calls.clear();
    ULONG nSymbolRate = 27500;
    m_graph.m_pDemodulator->put_SymbolRate(&nSymbolRate);
    EXPECT_EQ(state->Calls, (std::vector<BdaCall>{{"put_SymbolRate", 3, 27500}}));
}

TEST_F(ControlInterfaceTest, OnlyTheFirst20DescriptorsAreExamined)
{
    FakeBdaStatePtr state = MakeTunerState(SRC_TYPE_DVBT);
    FakeNodeSetup rf = state->Nodes[0];
    state->Nodes.erase(state->Nodes.begin());
    for (ULONG n = 2; state->Nodes.size() < 20; ++n)
        state->Nodes.push_back(MakeNode(DemodulatorOf(SRC_TYPE_DVBT), n));
    state->Nodes.push_back(rf);
    EXPECT_FALSE(Find(state));
    EXPECT_EQ(state->ControlNodeRequests.size(), 20u);

    state->Nodes.erase(state->Nodes.begin() + 19);
    state->ControlNodeRequests.clear();
    EXPECT_TRUE(Find(state));
    EXPECT_EQ(state->ControlNodeRequests.size(), 20u);
}
