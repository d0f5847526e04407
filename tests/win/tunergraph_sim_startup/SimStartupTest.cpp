// The control panel's start-up over the simulated default set, on its own: it pauses for
// every tuner's graph to stop.
#include "win/tunergraph_sim/SimGraphFixture.h"

namespace {

using SimEnumerateBuild = SimGraphTest;

OAFilterState StateOf(CTunerGraph& graph)
{
    OAFilterState state = -1;
    graph.GetGraphState(100, &state);
    return state;
}

} // namespace

// The start-up of the control panel: enumeration, then for each tuner a build, the two
// driver queries on the stopped graph, a restart and the teardown.
TEST_F(SimEnumerateBuild, DefaultSetListsTheMakersFourTunersAndEachBuilds)
{
    Register(kQuickDefaultScenario);
    QLDev table[QLDEV_TABLE_SIZE] = {};
    int ordinals[QLDEV_TABLE_SIZE] = {};
    const struct {
        const char* pszName;
        const char* pszDevice;
        int nKind;
    } expected[] = {
        {"DTV-DVB S2 Satellite Tuner", "QL-5100 DVB-S2", SRC_TYPE_DVBS},
        {"Quillon DVB-T Terrestrial Tuner", "QL-2100 DVB-T", SRC_TYPE_DVBT},
        {"DTV-DVB C Cable Tuner", "QL-3100 DVB-C", SRC_TYPE_DVBC},
        {"DTV-ATSC Tuner", "QL-8100 ATSC", SRC_TYPE_ATSC},
    };
    // The scenario's maker tuners, in its order; the foreign tuner after them is not listed.
    const int nMakers = static_cast<int>(sizeof(expected) / sizeof(expected[0]));
    ASSERT_EQ(m_graph.EnumQLBDADevs(table, ordinals), nMakers);
    for (int i = 0; i < nMakers; ++i) {
        SCOPED_TRACE(expected[i].pszName);
        EXPECT_EQ(table[i].nIndex, i);
        EXPECT_STREQ(table[i].szName, expected[i].pszName);
        EXPECT_EQ(table[i].Src_Type, expected[i].nKind);
        EXPECT_EQ(ordinals[i], i);

        ASSERT_EQ(Build(ordinals[i]), S_OK);
        EXPECT_STREQ(m_szName, expected[i].pszName);
        EXPECT_FALSE(m_graph.m_pReceiver.IsNull());
        EXPECT_EQ(m_graph.WaitGraphStopped(), S_OK);
        DeviceInfoRecord device = {};
        DriverInfoRecord driver = {};
        EXPECT_TRUE(m_graph.QLBDA_IOCTL_GET_DEVICE_INFO_Fun(&device));
        EXPECT_TRUE(m_graph.QLBDA_IOCTL_GET_DRIVER_INFO_Fun(&driver));
        EXPECT_STREQ(device.szDeviceName, expected[i].pszDevice);
        EXPECT_EQ(device.nDeviceType, 1 << (expected[i].nKind - 1));
        EXPECT_EQ(driver.DriverVersion[0], 0x01);
        EXPECT_EQ(driver.DriverVersion[1], 0x06);
        EXPECT_STREQ(driver.szText1, "QLBDA");
        EXPECT_EQ(m_graph.StartGraph(), S_OK);
        EXPECT_EQ(StateOf(m_graph), State_Running);
        EXPECT_EQ(m_graph.m_nSourceType, expected[i].nKind);
        Destroy();
    }
}
