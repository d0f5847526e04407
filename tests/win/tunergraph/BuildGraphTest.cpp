#include "TunerGraphFixture.h"
#include "support/TraceCapture.h"

#include <algorithm>
#include <cstring>

namespace {

std::vector<std::wstring> Sorted(std::vector<std::wstring> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

class BuildGraphTest : public TunerGraphTest
{
protected:
    // A failed build leaves the graph empty and unbuilt, with every holder empty.
    void ExpectUnbuilt()
    {
        EXPECT_EQ(m_graph.m_bBuilt, 0);
        EXPECT_TRUE(m_graph.AllHoldersEmpty());
        EXPECT_TRUE(m_graph.FilterNames().empty());
        EXPECT_EQ(FakeBdaFiltersAlive(), 0);
        EXPECT_EQ(FakeBdaNodesAlive(), 0);
    }
};

} // namespace

TEST_F(BuildGraphTest, ConnectsProviderTunerAndSinkAndRunsTheGraph)
{
    FakeBdaStatePtr tuner = MakeTunerState(SRC_TYPE_DVBS);
    AddTuner(L"DTV-DVB S2 Tuner", tuner);
    CTraceCapture traces;

    ASSERT_EQ(m_graph.BuildGraph(0, m_szName), S_OK);
    EXPECT_EQ(m_graph.m_bBuilt, 1);
    EXPECT_EQ(m_graph.m_nSourceType, SRC_TYPE_DVBS);
    EXPECT_STREQ(m_szName, "DTV-DVB S2 Tuner");

    EXPECT_EQ(Sorted(m_graph.FilterNames()), Sorted({L"Parser", L"Network Provider", L"BDA Source"}));
    EXPECT_EQ(FilterName(m_graph.m_pCaptureFilter), L"Parser");
    EXPECT_EQ(FilterName(m_graph.m_pNetworkProvider), L"Network Provider");
    EXPECT_EQ(FilterName(m_graph.m_pTuner), L"BDA Source");
    EXPECT_TRUE(IsSameObject(PeerFilter(m_graph.m_pNetworkProvider, PINDIR_OUTPUT), m_graph.m_pTuner));
    EXPECT_TRUE(IsSameObject(PeerFilter(m_graph.m_pTuner, PINDIR_OUTPUT), m_graph.m_pCaptureFilter));
    EXPECT_TRUE(m_graph.m_pReceiver.IsNull());

    // The provider set the tuner's topology up on connection; the control nodes sit between
    // input pin 0 and output pin 1.
    EXPECT_EQ(tuner->CallsNamed({"CreateTopology"}), (std::vector<BdaCall>{{"CreateTopology", -1, 1}}));
    EXPECT_EQ(tuner->ControlNodeRequests, (std::vector<std::vector<ULONG>>{{0, 1, 0}, {0, 1, 1}}));
    for (bool bPresent : {!m_graph.m_pSignalStatistics.IsNull(), !m_graph.m_pDeviceControl.IsNull(),
                          !m_graph.m_pFrequencyFilter.IsNull(), !m_graph.m_pLNBInfo.IsNull(),
                          !m_graph.m_pDemodulator.IsNull(), !m_graph.m_pTunerInputPin.IsNull(),
                          !m_graph.m_pKsPropertySet.IsNull()})
        EXPECT_TRUE(bPresent);

    // The driver channel was opened with the presence check, and the graph runs.
    EXPECT_EQ(tuner->CallsNamed({"Vendor"}), (std::vector<BdaCall>{{"Vendor", -1, QLBDA_IOCTL_CHECK_INTERFACE}}));
    EXPECT_TRUE(traces.Contains("QLAGET_DBG: QLBDA_IOCTL_CHECK_INTERFACE success !! \n"));
    OAFilterState state = State_Stopped;
    EXPECT_TRUE(m_graph.GetGraphState(100, &state));
    EXPECT_EQ(state, State_Running);
    EXPECT_EQ(tuner->CallsNamed({"Run"}).size(), 1u);
}

TEST_F(BuildGraphTest, SecondBuildReturnsOneAndChangesNothing)
{
    FakeBdaStatePtr tuner = MakeTunerState(SRC_TYPE_DVBT);
    AddTuner(L"Quillon DVB-T", tuner);
    AddTuner(L"DTV-DVB C", MakeTunerState(SRC_TYPE_DVBC));
    ASSERT_EQ(m_graph.BuildGraph(0, m_szName), S_OK);
    IBaseFilter* pTuner = m_graph.m_pTuner;
    IBDA_FrequencyFilter* pFrequencyFilter = m_graph.m_pFrequencyFilter;
    const std::vector<std::wstring> filters = m_graph.FilterNames();
    const size_t nCalls = tuner->Calls.size();
    const int nBinds = m_devices.Binds(KSCATEGORY_BDA_NETWORK_TUNER);

    char szOther[FRIENDLY_NAME_SIZE] = "untouched";
    EXPECT_EQ(m_graph.BuildGraph(1, szOther), S_FALSE);
    EXPECT_STREQ(szOther, "untouched");
    EXPECT_EQ(m_graph.m_bBuilt, 1);
    EXPECT_EQ(m_graph.m_nSourceType, SRC_TYPE_DVBT);
    EXPECT_EQ(m_graph.m_pTuner.Get(), pTuner);
    EXPECT_EQ(m_graph.m_pFrequencyFilter.Get(), pFrequencyFilter);
    EXPECT_EQ(tuner->Calls.size(), nCalls);
    EXPECT_EQ(m_graph.FilterNames(), filters);
    EXPECT_EQ(m_devices.Binds(KSCATEGORY_BDA_NETWORK_TUNER), nBinds);
}

TEST_F(BuildGraphTest, MissingOrUnclassifiedTunerSetsItsCodeAndFails)
{
    FakeBdaStatePtr noDemodulator = MakeTunerState(SRC_TYPE_DVBT);
    noDemodulator->Nodes.pop_back();
    FakeBdaStatePtr noTopology = MakeTunerState(SRC_TYPE_DVBT);
    noTopology->bTopology = false;
    FakeBdaStatePtr noDescriptors = MakeTunerState(SRC_TYPE_DVBT);
    noDescriptors->Failures["GetNodeDescriptors"] = E_NOTIMPL;
    AddTuner(L"Quillon RF only", noDemodulator);
    AddTuner(L"Quillon no topology", noTopology);
    AddTuner(L"Quillon no descriptors", noDescriptors);

    const struct {
        int nOrdinal;
        int nCode;
    } cases[] = {{0, SRC_TYPE_UNKNOWN}, {1, SRC_TYPE_NOT_FOUND}, {2, SRC_TYPE_NOT_FOUND}, {3, SRC_TYPE_NOT_FOUND}};
    for (const auto& c : cases) {
        m_graph.m_nSourceType = SRC_TYPE_ATSC;
        EXPECT_EQ(m_graph.BuildGraph(c.nOrdinal, m_szName), E_FAIL) << c.nOrdinal;
        EXPECT_EQ(m_graph.m_nSourceType, c.nCode) << c.nOrdinal;
        ExpectUnbuilt();
    }
}

// Each step after the tuner probe that fails ends the build with its status and leaves the
// kind of the requested tuner in m_nSourceType.
TEST_F(BuildGraphTest, EveryLaterFailureTearsTheGraphDown)
{
    struct Case {
        const char* pszWhat;
        void (*spoil)(FakeBdaState&);
        HRESULT hrExpected;
        const char* pszTrace;
    };
    const Case cases[] = {
        {"tuner refuses to join the graph", [](FakeBdaState& s) { s.Failures["JoinFilterGraph"] = E_ACCESSDENIED; },
         E_ACCESSDENIED, nullptr},
        {"tuner input refuses the provider",
         [](FakeBdaState& s) { s.Failures["ReceiveConnection"] = E_ACCESSDENIED; }, E_ACCESSDENIED, nullptr},
        {"tuner has no output pin", [](FakeBdaState& s) { s.Pins.pop_back(); }, E_FAIL, nullptr},
        {"satellite tuner without LNB info", [](FakeBdaState& s) { s.Nodes[0].bLnbInfo = false; }, E_FAIL, nullptr},
        {"no input pin of a known name", [](FakeBdaState& s) { s.Pins[0].sName = L"Input 0"; }, E_FAIL,
         "QLAGET_DBG: Cannot find Input0 pin on BDA Tuner/Demod filter!\n"},
        {"input pin without the driver property", [](FakeBdaState& s) { s.Pins[0].bPropertySet = false; }, E_FAIL,
         "QLAGET_DBG: QI of IKsPropertySet failed\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        FakeBdaStatePtr tuner = MakeTunerState(SRC_TYPE_DVBS);
        c.spoil(*tuner);
        m_devices.Devices(KSCATEGORY_BDA_NETWORK_TUNER).clear();
        AddTuner(L"DTV-DVB S2 Tuner", tuner);
        CTraceCapture traces;

        EXPECT_EQ(m_graph.BuildGraph(0, m_szName), c.hrExpected);
        EXPECT_EQ(m_graph.m_nSourceType, SRC_TYPE_DVBS);
        if (c.pszTrace) {
            EXPECT_TRUE(traces.Contains(c.pszTrace));
        }
        ExpectUnbuilt();
        OAFilterState state = State_Running;
        EXPECT_TRUE(m_graph.GetGraphState(100, &state));
        EXPECT_EQ(state, State_Stopped);
    }
}

// A graph that cannot be started fails the build like any other step. The platform's graph
// manager leaves a partly paused graph in transition even after the stop that follows, and
// refuses to remove its filters until it is paused and stopped once more: the teardown does
// that itself, so the tuner sees a second pause.
TEST_F(BuildGraphTest, GraphThatCannotRunFailsTheBuild)
{
    FakeBdaStatePtr tuner = MakeTunerState(SRC_TYPE_DVBS);
    tuner->Failures["Pause"] = E_UNEXPECTED;
    AddTuner(L"DTV-DVB S2 Tuner", tuner);

    EXPECT_EQ(m_graph.BuildGraph(0, m_szName), E_FAIL);
    EXPECT_EQ(m_graph.m_bBuilt, 0);
    EXPECT_EQ(m_graph.m_nSourceType, SRC_TYPE_DVBS);
    EXPECT_TRUE(m_graph.AllHoldersEmpty());
    EXPECT_EQ(tuner->CallsNamed({"Pause"}).size(), 2u);
    ExpectUnbuilt();
}

// A tuner that another program streams from refuses to pause with the busy status, which
// the build hands on so that a caller can say "in use"; its records are still readable
// without pausing it.
TEST_F(BuildGraphTest, BusyTunerFailsTheBuildWithItsStatusButListsWithoutRunning)
{
    FakeBdaStatePtr tuner = MakeTunerState(SRC_TYPE_DVBT);
    tuner->Failures["Pause"] = HRESULT_FROM_WIN32(ERROR_BUSY);
    AddTuner(L"Quillon DVB-T", tuner);

    DeviceInfoRecord device = {};
    DriverInfoRecord driver = {};
    SourceType nKind = SRC_TYPE_UNKNOWN;
    EXPECT_EQ(m_graph.ReadRecordsWithoutRunning(0, m_szName, &device, &driver, &nKind), S_OK);
    EXPECT_EQ(nKind, SRC_TYPE_DVBT);
    EXPECT_EQ(device.nDeviceType, 2);
    EXPECT_TRUE(tuner->CallsNamed({"Pause", "Run"}).empty());
    ExpectUnbuilt();

    EXPECT_EQ(m_graph.BuildGraph(0, m_szName), HRESULT_FROM_WIN32(ERROR_BUSY));
    EXPECT_EQ(m_graph.m_bBuilt, 0);
    QueriedHolder<IMediaControl> control(m_graph.m_pGraph);
    control->Pause();
    control->Stop();
    m_graph.RemoveAllFilters();
    ExpectUnbuilt();
}

TEST_F(BuildGraphTest, DriverThatRejectsThePresenceCheckStillGetsItsGraph)
{
    FakeBdaStatePtr tuner = MakeTunerState(SRC_TYPE_DVBC);
    tuner->VendorResults[QLBDA_IOCTL_CHECK_INTERFACE] = E_FAIL;
    AddTuner(L"DTV-DVB C", tuner);
    CTraceCapture traces;

    EXPECT_EQ(m_graph.BuildGraph(0, m_szName), S_OK);
    EXPECT_TRUE(traces.Contains("QLAGET_DBG: QLBDA_IOCTL_CHECK_INTERFACE fail !! \n"));
    EXPECT_FALSE(m_graph.m_pKsPropertySet.IsNull());
}

TEST_F(BuildGraphTest, FirstReceiverThatConnectsIsKeptUnderBda)
{
    FakeBdaStatePtr refusing = MakeReceiverState();
    refusing->Failures["ReceiveConnection"] = VFW_E_TYPE_NOT_ACCEPTED;
    FakeBdaStatePtr accepting = MakeReceiverState();
    FakeBdaStatePtr unused = MakeReceiverState();
    AddReceiver(L"Refusing receiver", refusing);
    AddReceiver(L"Accepting receiver", accepting);
    AddReceiver(L"Unused receiver", unused);
    AddTuner(L"DTV-DVB T", MakeTunerState(SRC_TYPE_DVBT));

    ASSERT_EQ(m_graph.BuildGraph(0, m_szName), S_OK);
    EXPECT_EQ(Sorted(m_graph.FilterNames()), Sorted({L"Parser", L"Network Provider", L"BDA Source", L"bda"}));
    EXPECT_EQ(FilterName(m_graph.m_pReceiver), L"bda");
    EXPECT_TRUE(IsSameObject(PeerFilter(m_graph.m_pTuner, PINDIR_OUTPUT), m_graph.m_pReceiver));
    EXPECT_TRUE(IsSameObject(PeerFilter(m_graph.m_pReceiver, PINDIR_OUTPUT), m_graph.m_pCaptureFilter));
    // Looking for the second device creates the first one's filter again on the way.
    EXPECT_EQ(refusing->nFiltersMade, 2);
    EXPECT_EQ(accepting->nFiltersMade, 1);
    EXPECT_EQ(unused->nFiltersMade, 0);
    // The refused candidate is out of the graph and released: only tuner and receiver live.
    EXPECT_EQ(FakeBdaFiltersAlive(), 2);
}

TEST_F(BuildGraphTest, TunerGoesStraightToTheSinkWhenEveryReceiverRefuses)
{
    for (int i = 0; i < 2; ++i) {
        FakeBdaStatePtr receiver = MakeReceiverState();
        receiver->Failures["ReceiveConnection"] = E_FAIL;
        AddReceiver(L"Receiver", receiver);
    }
    AddTuner(L"DTV-ATSC", MakeTunerState(SRC_TYPE_ATSC));

    ASSERT_EQ(m_graph.BuildGraph(0, m_szName), S_OK);
    EXPECT_TRUE(m_graph.m_pReceiver.IsNull());
    EXPECT_EQ(Sorted(m_graph.FilterNames()), Sorted({L"Parser", L"Network Provider", L"BDA Source"}));
    EXPECT_TRUE(IsSameObject(PeerFilter(m_graph.m_pTuner, PINDIR_OUTPUT), m_graph.m_pCaptureFilter));
    EXPECT_EQ(FakeBdaFiltersAlive(), 1);
}

// The ordinal counts every tuner device with a name and a filter, the maker's or not.
TEST_F(BuildGraphTest, OrdinalCountsUsableTunerDevicesOnly)
{
    AddTuner(L"", MakeTunerState(SRC_TYPE_DVBS)).bHasName = false;
    AddTuner(L"Acme tuner", MakeTunerState(SRC_TYPE_DVBS));
    AddTuner(L"Broken", nullptr).create = nullptr;
    AddTuner(L"Quillon DVB-C", MakeTunerState(SRC_TYPE_DVBC));

    ASSERT_EQ(m_graph.BuildGraph(1, m_szName), S_OK);
    EXPECT_STREQ(m_szName, "Quillon DVB-C");
    EXPECT_EQ(m_graph.m_nSourceType, SRC_TYPE_DVBC);
}

TEST_F(BuildGraphTest, LongFriendlyNameIsCutAt199Characters)
{
    AddTuner(std::wstring(250, L'q'), MakeTunerState(SRC_TYPE_DVBT));
    memset(m_szName, '#', sizeof(m_szName));

    ASSERT_EQ(m_graph.BuildGraph(0, m_szName), S_OK);
    EXPECT_EQ(std::string(m_szName), std::string(199, 'q'));
    for (size_t n = FRIENDLY_NAME_SIZE; n < sizeof(m_szName); ++n)
        ASSERT_EQ(m_szName[n], '#') << n;
}
