#include "TunerGraphFixture.h"
#include "filters/LiveObject.h"
#include "support/TraceCapture.h"

#include <cstring>

namespace {

// {8C1F5E20-4B7A-4D0E-9A63-51E2D7C40B19}: a graph manager class that nothing provides.
const CLSID CLSID_MissingGraph = {0x8c1f5e20, 0x4b7a, 0x4d0e, {0x9a, 0x63, 0x51, 0xe2, 0xd7, 0xc4, 0x0b, 0x19}};

using LifecycleTest = TunerGraphTest;

OAFilterState StateOf(CTunerGraph& graph)
{
    OAFilterState state = -1;
    graph.GetGraphState(100, &state);
    return state;
}

} // namespace

TEST_F(LifecycleTest, DestroyOnAnUnbuiltObjectChangesNothing)
{
    m_graph.m_nSourceType = SRC_TYPE_DVBC;
    EXPECT_EQ(m_graph.DestroyGraph(), S_OK);
    EXPECT_EQ(m_graph.DestroyGraph(), S_OK);
    EXPECT_EQ(m_graph.m_nSourceType, SRC_TYPE_DVBC);
    EXPECT_EQ(m_graph.m_bBuilt, 0);
    EXPECT_TRUE(m_graph.FilterNames().empty());
}

// Teardown of a running graph stops it (one stop and one pause), empties it, releases every
// filter including the program's own, and keeps the tuner's kind.
TEST_F(LifecycleTest, DestroyReleasesEverythingAndKeepsTheKind)
{
    const LONG nFrameworkObjects = CLiveObject::LiveCount();
    AddReceiver(L"Receiver", MakeReceiverState());
    AddTuner(L"DTV-DVB T", MakeTunerState(SRC_TYPE_DVBT));
    ASSERT_EQ(m_graph.BuildGraph(0, m_szName), S_OK);
    EXPECT_GT(CLiveObject::LiveCount(), nFrameworkObjects);

    EXPECT_EQ(m_graph.DestroyGraph(), S_OK);
    EXPECT_EQ(m_graph.m_bBuilt, 0);
    EXPECT_EQ(m_graph.m_nSourceType, SRC_TYPE_DVBT);
    EXPECT_TRUE(m_graph.AllHoldersEmpty());
    EXPECT_TRUE(m_graph.FilterNames().empty());
    EXPECT_EQ(FakeBdaFiltersAlive(), 0);
    EXPECT_EQ(FakeBdaNodesAlive(), 0);
    EXPECT_EQ(CLiveObject::LiveCount(), nFrameworkObjects);

    DeviceInfoRecord info = {};
    EXPECT_FALSE(m_graph.QLBDA_IOCTL_GET_DEVICE_INFO_Fun(&info));
    EXPECT_EQ(m_graph.WaitForLock(0), E_FAIL);
    LONG nStrength = 5, nQuality = 6;
    EXPECT_EQ(m_graph.GetSignalLevels(&nStrength, &nQuality), E_FAIL);
    EXPECT_EQ(nStrength, 5);
    EXPECT_EQ(nQuality, 6);

    // The object can be built again afterwards.
    ASSERT_EQ(m_graph.BuildGraph(0, m_szName), S_OK);
    EXPECT_EQ(m_graph.m_bBuilt, 1);
}

// The start-up loop over a found tuner: the driver is queried on a built but stopped graph,
// which then runs again until torn down.
TEST_F(LifecycleTest, StartupLoopQueriesTheDriverOnAStoppedGraph)
{
    FakeBdaStatePtr tuner = MakeTunerState(SRC_TYPE_ATSC);
    strcpy(tuner->DeviceInfo.szDeviceName, "QL-8100 ATSC");
    tuner->DriverInfo.DriverVersion[0] = 0x12;
    AddTuner(L"DTV-ATSC", tuner);
    ASSERT_EQ(m_graph.BuildGraph(0, m_szName), S_OK);
    EXPECT_EQ(StateOf(m_graph), State_Running);

    EXPECT_EQ(m_graph.WaitGraphStopped(), S_OK);
    EXPECT_EQ(StateOf(m_graph), State_Stopped);
    DeviceInfoRecord device = {};
    DriverInfoRecord driver = {};
    EXPECT_TRUE(m_graph.QLBDA_IOCTL_GET_DEVICE_INFO_Fun(&device));
    EXPECT_TRUE(m_graph.QLBDA_IOCTL_GET_DRIVER_INFO_Fun(&driver));
    EXPECT_STREQ(device.szDeviceName, "QL-8100 ATSC");
    EXPECT_EQ(driver.DriverVersion[0], 0x12);

    EXPECT_EQ(m_graph.StartGraph(), S_OK);
    EXPECT_EQ(StateOf(m_graph), State_Running);
    EXPECT_EQ(m_graph.m_nSourceType, SRC_TYPE_ATSC);
    EXPECT_EQ(m_graph.WaitGraphStopped(), S_OK);
}

// Without a graph manager every operation fails (or, for teardown, does nothing) without
// touching a device: the host's own checks refuse.
TEST_F(LifecycleTest, WithoutAGraphManagerEveryOperationFails)
{
    FakeBdaStatePtr tuner = MakeTunerState(SRC_TYPE_DVBS);
    AddTuner(L"DTV-DVB S", tuner);
    CTunerGraphProbe graph(CLSID_MissingGraph);
    ASSERT_EQ(graph.m_bReady, 0);
    graph.m_nSourceType = SRC_TYPE_DVBT;
    char szName[FRIENDLY_NAME_SIZE] = "untouched";

    EXPECT_EQ(graph.BuildGraph(0, szName), E_FAIL);
    EXPECT_EQ(graph.m_nSourceType, SRC_TYPE_DVBT);
    EXPECT_EQ(graph.ProbeTuner(0, szName, nullptr), SRC_TYPE_NOT_FOUND);
    EXPECT_STREQ(szName, "untouched");
    QLDev table[QLDEV_TABLE_SIZE] = {};
    EXPECT_EQ(graph.EnumQLBDADevs(table), 0);
    EXPECT_EQ(tuner->nFiltersMade, 0);
    EXPECT_TRUE(graph.AllHoldersEmpty());

    EXPECT_EQ(graph.StartGraph(), E_FAIL);
    EXPECT_EQ(graph.WaitGraphStopped(), S_OK);
    EXPECT_EQ(graph.DestroyGraph(), S_OK);
    EXPECT_EQ(graph.WaitForLock(100), E_FAIL);
    EXPECT_EQ(graph.GetSignalLevels(nullptr, nullptr), E_FAIL);
    EXPECT_EQ(graph.TuneDVBT(506000, 8), E_NOINTERFACE);
    DriverInfoRecord driver = {};
    EXPECT_FALSE(graph.QLBDA_IOCTL_GET_DRIVER_INFO_Fun(&driver));
}

// The program's single manager exists before main and starts unbuilt.
TEST_F(LifecycleTest, ProgramWideInstanceStartsUnbuilt)
{
    EXPECT_EQ(g_TunerGraph.m_bBuilt, 0);
    EXPECT_EQ(g_TunerGraph.m_nSourceType, SRC_TYPE_UNKNOWN);
    EXPECT_TRUE(g_TunerGraph.m_pTuner.IsNull());
    EXPECT_TRUE(g_TunerGraph.m_pCaptureFilter.IsNull());
}
