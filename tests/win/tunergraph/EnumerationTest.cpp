#include "TunerGraphFixture.h"
#include "support/TraceCapture.h"

#include <cstring>

namespace {

const char kNameTrace[] = "QLAGET_DBG: EnumQLBDADevs(): Tuner Name=";
const char kAddTrace[] = "QLAGET_DBG: EnumQLBDADevs(): AddFilter(BDA1) fail!!";
const char kConnectTrace[] = "QLAGET_DBG: EnumQLBDADevs(): Connect(NP, BDA1) fail!!";
const char kCheckTrace[] = "QLAGET_DBG: EnumQLBDADevs(): CheckQLBDAInterface fail!!";
// The driver answered the documented record (the fake answers whatever it is sent).
const char kRecordTrace[] = "QLAGET_DBG: QLBDA driver record: 40 bytes \n";

bool AllBytesAre(const void* p, size_t n, BYTE value)
{
    for (size_t i = 0; i < n; ++i)
        if (static_cast<const BYTE*>(p)[i] != value)
            return false;
    return true;
}

class EnumerationTest : public TunerGraphTest
{
protected:
    // Runs the enumeration into a table one entry larger than it may fill, all bytes 0xCD.
    int Enumerate()
    {
        memset(m_table, 0xCD, sizeof(m_table));
        memset(m_ordinals, 0xCD, sizeof(m_ordinals));
        const int nCount = m_graph.EnumQLBDADevs(m_table, m_ordinals);
        // The walk leaves the manager unbuilt with an empty graph and releases every device.
        EXPECT_EQ(m_graph.m_bBuilt, 0);
        EXPECT_TRUE(m_graph.FilterNames().empty());
        EXPECT_TRUE(m_graph.AllHoldersEmpty());
        EXPECT_EQ(FakeBdaFiltersAlive(), 0);
        return nCount;
    }

    bool EntryUntouched(int i) const
    {
        return AllBytesAre(&m_table[i], sizeof(QLDev), 0xCD) && AllBytesAre(&m_ordinals[i], sizeof(int), 0xCD);
    }

    void ExpectEntry(int i, const char* pszName, int nKind, int nOrdinal)
    {
        EXPECT_EQ(m_table[i].nIndex, i);
        EXPECT_STREQ(m_table[i].szName, pszName);
        EXPECT_EQ(m_table[i].Src_Type, nKind);
        EXPECT_EQ(m_ordinals[i], nOrdinal);
    }

    QLDev m_table[QLDEV_TABLE_SIZE + 1];
    int m_ordinals[QLDEV_TABLE_SIZE + 1];
};

} // namespace

TEST_F(EnumerationTest, MakerTunerIsTestConnectedCheckedAndListed)
{
    FakeBdaStatePtr tuner = MakeTunerState(SRC_TYPE_DVBS);
    AddTuner(L"Quillon DVB-S2 Card", tuner);
    m_graph.m_nSourceType = SRC_TYPE_ATSC;
    CTraceCapture traces;

    ASSERT_EQ(Enumerate(), 1);
    ExpectEntry(0, "Quillon DVB-S2 Card", SRC_TYPE_DVBS, 0);
    EXPECT_TRUE(EntryUntouched(1));
    EXPECT_EQ(m_graph.m_nSourceType, SRC_TYPE_ATSC);
    EXPECT_EQ(traces.Lines(), (std::vector<std::string>{kRecordTrace, std::string(kNameTrace) + "Quillon DVB-S2 Card"}));
    EXPECT_EQ(tuner->JoinedAs, (std::vector<std::wstring>{L"BDA Tuner"}));
    EXPECT_EQ(tuner->ConnectedFrom, (std::vector<std::wstring>{L"Network Provider-2"}));
    EXPECT_EQ(tuner->CallsNamed({"Vendor"}), (std::vector<BdaCall>{{"Vendor", -1, QLBDA_IOCTL_CHECK_INTERFACE}}));
}

// The patterns are found anywhere in the name, whatever the letter case; the table keeps the
// name as reported and each entry's ordinal among all tuner devices.
TEST_F(EnumerationTest, NamePatternsIgnoreCaseButNotTheHyphen)
{
    const std::pair<const wchar_t*, bool> names[] = {
        {L"DTV-DVB-T2 Stick", true}, {L"DTVDVB Tuner", false},       {L"my dtv-atsc box", true},
        {L"Acme Tuner", false},      {L"QuILLon", true},             {L"DTV DVB", false},
        {L"dtv-dv", false},          {L"Card Dtv-Dvb C", true},
    };
    for (const auto& name : names)
        AddTuner(name.first, MakeTunerState(SRC_TYPE_DVBC));
    CTraceCapture traces;

    ASSERT_EQ(Enumerate(), 4);
    ExpectEntry(0, "DTV-DVB-T2 Stick", SRC_TYPE_DVBC, 0);
    ExpectEntry(1, "my dtv-atsc box", SRC_TYPE_DVBC, 2);
    ExpectEntry(2, "QuILLon", SRC_TYPE_DVBC, 4);
    ExpectEntry(3, "Card Dtv-Dvb C", SRC_TYPE_DVBC, 7);
    EXPECT_TRUE(EntryUntouched(4));
    // Every tuner that passed the driver check is named in the trace, listed or not, after
    // the line that tells its record layout.
    EXPECT_EQ(traces.Lines().size(), 16u);
    EXPECT_EQ(traces.IndexOf(std::string(kNameTrace) + "Acme Tuner"), 7);
}

TEST_F(EnumerationTest, TunerWhoseDriverRejectsTheCheckIsNotListed)
{
    FakeBdaStatePtr failing = MakeTunerState(SRC_TYPE_DVBT);
    failing->VendorResults[QLBDA_IOCTL_CHECK_INTERFACE] = E_FAIL;
    FakeBdaStatePtr notExactlyOk = MakeTunerState(SRC_TYPE_DVBT);
    notExactlyOk->VendorResults[QLBDA_IOCTL_CHECK_INTERFACE] = S_FALSE;
    AddTuner(L"Quillon T 1", failing);
    AddTuner(L"Quillon T 2", notExactlyOk);
    AddTuner(L"Quillon T 3", MakeTunerState(SRC_TYPE_DVBT));
    CTraceCapture traces;

    ASSERT_EQ(Enumerate(), 1);
    ExpectEntry(0, "Quillon T 3", SRC_TYPE_DVBT, 2);
    EXPECT_EQ(traces.Lines(), (std::vector<std::string>{kRecordTrace, kCheckTrace, kRecordTrace, kCheckTrace, kRecordTrace,
                                                        std::string(kNameTrace) + "Quillon T 3"}));
}

// A candidate that cannot join the graph, cannot be connected or has no input pin of a known
// name is skipped; the provider's pin is free again for the next one.
TEST_F(EnumerationTest, CandidateThatCannotBeAddedOrConnectedIsSkipped)
{
    FakeBdaStatePtr refusesGraph = MakeTunerState(SRC_TYPE_ATSC);
    refusesGraph->Failures["JoinFilterGraph"] = E_FAIL;
    FakeBdaStatePtr refusesProvider = MakeTunerState(SRC_TYPE_ATSC);
    refusesProvider->Failures["ReceiveConnection"] = E_FAIL;
    FakeBdaStatePtr unnamedInput = MakeTunerState(SRC_TYPE_ATSC);
    unnamedInput->Pins[0].sName = L"In";
    FakeBdaStatePtr good = MakeTunerState(SRC_TYPE_ATSC);
    AddTuner(L"DTV-ATSC 1", refusesGraph);
    AddTuner(L"DTV-ATSC 2", refusesProvider);
    AddTuner(L"DTV-ATSC 3", unnamedInput);
    AddTuner(L"DTV-ATSC 4", good);
    CTraceCapture traces;

    ASSERT_EQ(Enumerate(), 1);
    ExpectEntry(0, "DTV-ATSC 4", SRC_TYPE_ATSC, 3);
    EXPECT_EQ(traces.Lines(), (std::vector<std::string>{
                                  kAddTrace, kConnectTrace, kCheckTrace,
                                  kConnectTrace, kCheckTrace,
                                  "QLAGET_DBG: Cannot find Input0 pin on BDA Tuner/Demod filter!\n", kCheckTrace,
                                  kRecordTrace, std::string(kNameTrace) + "DTV-ATSC 4"}));
    EXPECT_EQ(good->ConnectedFrom, (std::vector<std::wstring>{L"Network Provider-2"}));
}

TEST_F(EnumerationTest, OnlyOrdinals0To9AreExaminedAndTheTableHoldsTen)
{
    std::vector<FakeBdaStatePtr> tuners;
    for (int i = 0; i < 12; ++i) {
        tuners.push_back(MakeTunerState(SRC_TYPE_DVBS));
        AddTuner(L"Quillon " + std::to_wstring(i), tuners.back());
    }

    ASSERT_EQ(Enumerate(), 10);
    for (int i = 0; i < 10; ++i)
        ExpectEntry(i, ("Quillon " + std::to_string(i)).c_str(), SRC_TYPE_DVBS, i);
    EXPECT_TRUE(EntryUntouched(10));
    EXPECT_EQ(tuners[10]->nFiltersMade, 0);
    EXPECT_EQ(tuners[11]->nFiltersMade, 0);
}

// Tuners that cannot be classified are skipped without a trace but still count as ordinals,
// so a foreign or unknown tuner ahead of the maker's shifts its ordinal.
TEST_F(EnumerationTest, UnclassifiedTunersAreSkippedSilently)
{
    FakeBdaStatePtr rfOnly = MakeTunerState(SRC_TYPE_DVBT);
    rfOnly->Nodes.pop_back();
    FakeBdaStatePtr noTopology = MakeTunerState(SRC_TYPE_DVBT);
    noTopology->bTopology = false;
    AddTuner(L"Quillon RF only", rfOnly);
    AddTuner(L"Quillon no topology", noTopology);
    CTraceCapture traces;
    ASSERT_EQ(Enumerate(), 0);
    EXPECT_TRUE(EntryUntouched(0));
    EXPECT_TRUE(traces.Lines().empty());
    EXPECT_TRUE(rfOnly->JoinedAs.empty());

    AddTuner(L"Quillon DVB-T", MakeTunerState(SRC_TYPE_DVBT));
    ASSERT_EQ(Enumerate(), 1);
    ExpectEntry(0, "Quillon DVB-T", SRC_TYPE_DVBT, 2);
}

TEST_F(EnumerationTest, FirstDemodulatorAmongTheFirst20DescriptorsDecides)
{
    FakeBdaStatePtr mixed = MakeTunerState(SRC_TYPE_DVBT);
    mixed->Nodes.push_back(MakeNode(DemodulatorOf(SRC_TYPE_DVBS), 2));
    FakeBdaStatePtr late = MakeTunerState(SRC_TYPE_DVBC);
    FakeBdaStatePtr lastRoom = MakeTunerState(SRC_TYPE_DVBC);
    for (FakeBdaStatePtr state : {late, lastRoom}) {
        FakeNodeSetup demodulator = state->Nodes.back();
        state->Nodes.pop_back();
        while (state->Nodes.size() < (state == late ? 20u : 19u))
            state->Nodes.push_back(MakeNode(KSNODE_BDA_RF_TUNER, static_cast<ULONG>(state->Nodes.size())));
        state->Nodes.push_back(demodulator);
    }
    AddTuner(L"Quillon mixed", mixed);
    AddTuner(L"Quillon late", late);
    AddTuner(L"Quillon last room", lastRoom);

    ASSERT_EQ(Enumerate(), 2);
    ExpectEntry(0, "Quillon mixed", SRC_TYPE_DVBT, 0);
    ExpectEntry(1, "Quillon last room", SRC_TYPE_DVBC, 2);
}

TEST_F(EnumerationTest, NoTunerDevicesLeaveTheTableUntouched)
{
    ASSERT_EQ(Enumerate(), 0);
    EXPECT_TRUE(EntryUntouched(0));
}

TEST_F(EnumerationTest, LongNameIsCutAt199Characters)
{
    AddTuner(L"Quillon " + std::wstring(300, L'x'), MakeTunerState(SRC_TYPE_DVBS));
    ASSERT_EQ(Enumerate(), 1);
    EXPECT_EQ(std::string(m_table[0].szName), "Quillon " + std::string(191, 'x'));
    EXPECT_EQ(m_table[0].Src_Type, SRC_TYPE_DVBS);
}

// Without the ordinal table the entries are filled all the same.
TEST_F(EnumerationTest, OrdinalTableIsOptional)
{
    AddTuner(L"Acme", MakeTunerState(SRC_TYPE_DVBS));
    AddTuner(L"DTV-DVB S", MakeTunerState(SRC_TYPE_DVBS));
    QLDev table[QLDEV_TABLE_SIZE] = {};
    ASSERT_EQ(m_graph.EnumQLBDADevs(table), 1);
    EXPECT_STREQ(table[0].szName, "DTV-DVB S");
}
