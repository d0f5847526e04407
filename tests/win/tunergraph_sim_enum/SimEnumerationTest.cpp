// Enumeration and graph construction over registered simulated devices.
#include "win/tunergraph_sim/SimGraphFixture.h"

using SimEnumerateBuild = SimGraphTest;

// A table entry is built from the ordinal kept beside it: with a foreign tuner and a
// rejected one ahead of it, the maker's tuner is the third tuner device, not the first.
TEST_F(SimEnumerateBuild, EntryIsBuiltFromItsProbeOrdinal)
{
    Register(R"(
[tuner]
name = Acme DVB-T Stick
kind = terrestrial
[tuner]
name = DTV-DVB T Rejecting
kind = terrestrial
vendor_check = reject
[tuner]
name = Quillon DVB-T
kind = terrestrial
)");
    QLDev table[QLDEV_TABLE_SIZE] = {};
    int ordinals[QLDEV_TABLE_SIZE] = {};
    ASSERT_EQ(m_graph.EnumQLBDADevs(table, ordinals), 1);
    EXPECT_EQ(table[0].nIndex, 0);
    EXPECT_EQ(ordinals[0], 2);

    ASSERT_EQ(Build(ordinals[0]), S_OK);
    EXPECT_STREQ(m_szName, table[0].szName);
}

TEST_F(SimEnumerateBuild, TunersTheManagerCannotUseAreNotBuilt)
{
    Register(R"(
[tuner]
name = DTV-DVB S2 No LNB
kind = satellite
lnb_info = no
[tuner]
name = Quillon No Property
kind = cable
property_set = no
[tuner]
name = Quillon Many Nodes
nodes = rf*21 qpsk
[tuner]
name = Quillon T Antenna Pin
kind = terrestrial
input_pin = Antenna In Pin
pins = input
)");
    QLDev table[QLDEV_TABLE_SIZE] = {};
    int ordinals[QLDEV_TABLE_SIZE] = {};
    // The satellite tuner passes enumeration (its LNB interface is needed only to build);
    // the one without the driver property and the one with its demodulator beyond the
    // twentieth node do not.
    ASSERT_EQ(m_graph.EnumQLBDADevs(table, ordinals), 2);
    EXPECT_STREQ(table[0].szName, "DTV-DVB S2 No LNB");
    EXPECT_STREQ(table[1].szName, "Quillon T Antenna Pin");

    const struct {
        int nOrdinal;
        HRESULT hr;
        int nKind;
    } cases[] = {{0, E_FAIL, SRC_TYPE_DVBS}, {1, E_FAIL, SRC_TYPE_DVBC}, {2, E_FAIL, SRC_TYPE_UNKNOWN},
                 {3, S_OK, SRC_TYPE_DVBT}, {4, E_FAIL, SRC_TYPE_NOT_FOUND}};
    for (const auto& c : cases) {
        EXPECT_EQ(Build(c.nOrdinal), c.hr) << c.nOrdinal;
        EXPECT_EQ(m_graph.m_nSourceType, c.nKind) << c.nOrdinal;
        EXPECT_EQ(m_graph.m_bBuilt, c.hr == S_OK ? 1 : 0);
        Destroy();
    }
}
