#include "TunerGraphFixture.h"
#include "support/TraceCapture.h"

#include <cstring>
#include <functional>
#include <set>

namespace {

constexpr LONG FILTER = -1;
constexpr LONG RF = 0;
constexpr LONG DEMOD = 1;
constexpr LONGLONG NOT_SET = -1;
constexpr LONGLONG NOT_SET_UNSIGNED = 0xFFFFFFFF;

const std::vector<BdaCall> kLockReading = {{"get_SignalLocked", RF, 0}, {"get_SignalPresent", RF, 0}};

std::vector<BdaCall> Joined(std::vector<BdaCall> a, const std::vector<BdaCall>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

using TuneFn = std::function<HRESULT(CTunerGraph&)>;

class TuningTest : public TunerGraphTest
{
protected:
    // A tuner of the kind with its control interfaces and driver channel, as a build leaves
    // them; the calls made on the way are forgotten.
    FakeBdaStatePtr Wire(int nKind)
    {
        FakeBdaStatePtr state = MakeTunerState(nKind);
        m_graph.DestroyGraph();
        EXPECT_EQ(CreateFakeBdaFilter(state, IID_IBaseFilter, m_graph.m_pTuner.OutVoid()), S_OK);
        EXPECT_TRUE(m_graph.FindControlInterfaces(m_graph.m_pTuner));
        EXPECT_EQ(m_graph.OpenDriverChannel(), S_OK);
        state->Calls.clear();
        state->KsSets.clear();
        state->nLockReads = 0;
        return state;
    }

    // Every call of the sequence either is a gate, whose failure (or other success code)
    // ends the tuning with that status and nothing after it, or has its failure ignored.
    void ExpectGates(const FakeBdaStatePtr& state, const TuneFn& tune, const std::vector<BdaCall>& sequence,
                     const std::set<std::string>& gates)
    {
        for (size_t i = 0; i < sequence.size(); ++i) {
            const BdaCall& call = sequence[i];
            if (call.sName == "Vendor")
                continue;
            for (HRESULT hr : {E_ACCESSDENIED, S_FALSE}) {
                SCOPED_TRACE(call.sName + (hr == S_FALSE ? " answering S_FALSE" : " failing"));
                state->Calls.clear();
                state->Failures = {{call.sName, hr}};
                if (gates.count(call.sName)) {
                    EXPECT_EQ(tune(m_graph), hr);
                    EXPECT_EQ(state->Calls, std::vector<BdaCall>(sequence.begin(), sequence.begin() + i + 1));
                } else {
                    EXPECT_EQ(tune(m_graph), S_OK);
                    EXPECT_EQ(state->Calls, Joined(sequence, kLockReading));
                }
            }
        }
        state->Failures.clear();
    }

    void TearDown() override
    {
        m_graph.DestroyGraph();
        TunerGraphTest::TearDown();
    }

    LnbDataRecord m_lnb = {1, {}, 9750, 10600, 11700, 2, 3, {}};
    SatTuneParams m_sat = {11778000, 27500, 9750000, 11700000, 10600000, 0, &m_lnb, SAT_MOD_8PSK};
};

} // namespace

TEST_F(TuningTest, SatelliteSendsLnbDataThenEveryValueInOrder)
{
    FakeBdaStatePtr state = Wire(SRC_TYPE_DVBS);
    const std::vector<BdaCall> sequence = {
        {"Vendor", FILTER, QLBDA_IOCTL_SET_LNB_DATA},
        {"StartChanges", FILTER, 0},
        {"put_Bandwidth", RF, NOT_SET_UNSIGNED},
        {"put_Frequency", RF, 11778000},
        {"put_FrequencyMultiplier", RF, 1000},
        {"put_Polarity", RF, BDA_POLARISATION_LINEAR_V},
        {"put_Range", RF, 0},
        {"put_InnerFECMethod", DEMOD, NOT_SET},
        {"put_InnerFECRate", DEMOD, NOT_SET},
        {"put_ModulationType", DEMOD, 23},
        {"put_OuterFECMethod", DEMOD, NOT_SET},
        {"put_OuterFECRate", DEMOD, NOT_SET},
        {"put_SpectralInversion", DEMOD, NOT_SET},
        {"put_SymbolRate", DEMOD, 27500},
        {"put_HighLowSwitch", RF, 11700},
        {"put_LOFHigh", RF, 10600000},
        {"put_LOFLow", RF, 9750000},
        {"CheckChanges", FILTER, 0},
        {"CommitChanges", FILTER, 0},
    };
    auto tune = [this](CTunerGraph& graph) { return graph.TuneDVBS(&m_sat); };
    EXPECT_EQ(tune(m_graph), S_OK);
    EXPECT_EQ(state->Calls, Joined(sequence, kLockReading));
    EXPECT_EQ(memcmp(&state->LastLnb, &m_lnb, sizeof(m_lnb)), 0);

    ExpectGates(state, tune, sequence,
                {"put_Polarity", "put_SymbolRate", "put_HighLowSwitch", "put_LOFHigh", "put_LOFLow", "CheckChanges",
                 "CommitChanges"});
}

TEST_F(TuningTest, SatelliteValuesPassThroughAsGiven)
{
    FakeBdaStatePtr state = Wire(SRC_TYPE_DVBS);
    m_sat.nPolarity = 7;
    m_sat.nLofSwitchKHz = 11700999;
    for (int32_t nModulation : {SAT_MOD_UNKNOWN, SAT_MOD_QPSK, SAT_MOD_8PSK, SAT_MOD_16APSK, SAT_MOD_32APSK}) {
        m_sat.nModulation = nModulation;
        state->Calls.clear();
        EXPECT_EQ(m_graph.TuneDVBS(&m_sat), S_OK);
        EXPECT_EQ(state->CallsNamed({"put_Polarity", "put_ModulationType", "put_HighLowSwitch"}),
                  (std::vector<BdaCall>{{"put_Polarity", RF, BDA_POLARISATION_LINEAR_H},
                                        {"put_ModulationType", DEMOD, nModulation},
                                        {"put_HighLowSwitch", RF, 11700}}));
    }
}

// A refused LNB request shows only in the traces; a tuner without LNB info is refused after
// the request went out.
TEST_F(TuningTest, SatelliteLnbRequestRefusedGoesOnMissingLnbInfoStops)
{
    FakeBdaStatePtr state = Wire(SRC_TYPE_DVBS);
    state->VendorResults[QLBDA_IOCTL_SET_LNB_DATA] = E_FAIL;
    CTraceCapture traces;
    EXPECT_EQ(m_graph.TuneDVBS(&m_sat), S_OK);
    EXPECT_EQ(traces.Lines(), (std::vector<std::string>{"IOCTL Error: QLBDA_IOCTL_SET_LNB_DATA_Fun failed! \n",
                                                        " Lock_S QLBDA_IOCTL_SET_LNB_DATA_Fun fail"}));
    EXPECT_EQ(state->CallsNamed({"CommitChanges"}).size(), 1u);

    state->VendorResults.clear();
    state->Calls.clear();
    m_graph.m_pLNBInfo.Reset();
    EXPECT_EQ(m_graph.TuneDVBS(&m_sat), E_NOINTERFACE);
    EXPECT_EQ(state->Calls, (std::vector<BdaCall>{{"Vendor", FILTER, QLBDA_IOCTL_SET_LNB_DATA}}));
    EXPECT_EQ(m_graph.TuneDVBS(nullptr), E_POINTER);
}

TEST_F(TuningTest, TerrestrialSendsBandwidthAsSymbolRateWithoutStartChanges)
{
    FakeBdaStatePtr state = Wire(SRC_TYPE_DVBT);
    const std::vector<BdaCall> sequence = {
        {"put_FrequencyMultiplier", RF, 1000},
        {"put_Bandwidth", RF, 8},
        {"put_Frequency", RF, 506000},
        {"put_Polarity", RF, NOT_SET},
        {"put_Range", RF, NOT_SET_UNSIGNED},
        {"put_InnerFECMethod", DEMOD, NOT_SET},
        {"put_InnerFECRate", DEMOD, NOT_SET},
        {"put_ModulationType", DEMOD, NOT_SET},
        {"put_OuterFECMethod", DEMOD, NOT_SET},
        {"put_OuterFECRate", DEMOD, NOT_SET},
        {"put_SpectralInversion", DEMOD, NOT_SET},
        {"put_SymbolRate", DEMOD, 8},
        {"CheckChanges", FILTER, 0},
        {"CommitChanges", FILTER, 0},
    };
    auto tune = [](CTunerGraph& graph) { return graph.TuneDVBT(506000, 8); };
    EXPECT_EQ(tune(m_graph), S_OK);
    EXPECT_EQ(state->Calls, Joined(sequence, kLockReading));
    ExpectGates(state, tune, sequence, {"put_Bandwidth", "put_Frequency", "CheckChanges", "CommitChanges"});
}

TEST_F(TuningTest, CableMapsTheConstellationAndGatesModulationAndSymbolRate)
{
    FakeBdaStatePtr state = Wire(SRC_TYPE_DVBC);
    const std::vector<BdaCall> sequence = {
        {"StartChanges", FILTER, 0},
        {"put_Bandwidth", RF, NOT_SET_UNSIGNED},
        {"put_Frequency", RF, 346000},
        {"put_FrequencyMultiplier", RF, 1000},
        {"put_Polarity", RF, NOT_SET},
        {"put_Range", RF, NOT_SET_UNSIGNED},
        {"put_InnerFECMethod", DEMOD, NOT_SET},
        {"put_InnerFECRate", DEMOD, NOT_SET},
        {"put_ModulationType", DEMOD, 11},
        {"put_OuterFECMethod", DEMOD, NOT_SET},
        {"put_OuterFECRate", DEMOD, NOT_SET},
        {"put_SpectralInversion", DEMOD, NOT_SET},
        {"put_SymbolRate", DEMOD, 6900},
        {"CheckChanges", FILTER, 0},
        {"CommitChanges", FILTER, 0},
    };
    auto tune = [](CTunerGraph& graph) { return graph.TuneDVBC(346000, 6900, 256); };
    EXPECT_EQ(tune(m_graph), S_OK);
    EXPECT_EQ(state->Calls, Joined(sequence, kLockReading));
    ExpectGates(state, tune, sequence,
                {"put_Frequency", "put_ModulationType", "put_SymbolRate", "CheckChanges", "CommitChanges"});

    const std::pair<ULONG, LONGLONG> map[] = {{16, 1}, {32, 2}, {64, 3}, {128, 7}, {256, 11}};
    for (const auto& entry : map) {
        state->Calls.clear();
        EXPECT_EQ(m_graph.TuneDVBC(346000, 6900, entry.first), S_OK);
        EXPECT_EQ(state->CallsNamed({"put_ModulationType"}),
                  (std::vector<BdaCall>{{"put_ModulationType", DEMOD, entry.second}}));
    }
}

TEST_F(TuningTest, AtscSendsOnlyMultiplierFrequencyAndCommit)
{
    FakeBdaStatePtr state = Wire(SRC_TYPE_ATSC);
    const std::vector<BdaCall> sequence = {
        {"put_FrequencyMultiplier", RF, 1000},
        {"put_Frequency", RF, 575000},
        {"CheckChanges", FILTER, 0},
        {"CommitChanges", FILTER, 0},
    };
    auto tune = [](CTunerGraph& graph) { return graph.TuneATSC(575000, 6); };
    EXPECT_EQ(tune(m_graph), S_OK);
    EXPECT_EQ(state->Calls, Joined(sequence, kLockReading));
    ExpectGates(state, tune, sequence, {"put_FrequencyMultiplier", "CheckChanges", "CommitChanges"});
}

TEST_F(TuningTest, InvalidBandwidthOrConstellationSendsNothing)
{
    FakeBdaStatePtr state = Wire(SRC_TYPE_DVBT);
    for (ULONG nBandwidth : {0u, 5u, 9u, 0xFFFFFFFFu}) {
        EXPECT_EQ(m_graph.TuneDVBT(506000, nBandwidth), E_INVALIDARG) << nBandwidth;
        EXPECT_EQ(m_graph.TuneATSC(575000, nBandwidth), E_INVALIDARG) << nBandwidth;
    }
    for (ULONG nConstellation : {0u, 8u, 100u, 512u})
        EXPECT_EQ(m_graph.TuneDVBC(346000, 6900, nConstellation), E_INVALIDARG) << nConstellation;
    EXPECT_TRUE(state->Calls.empty());

    for (ULONG nBandwidth : {6u, 7u, 8u}) {
        EXPECT_EQ(m_graph.TuneDVBT(506000, nBandwidth), S_OK);
        EXPECT_EQ(m_graph.TuneATSC(575000, nBandwidth), S_OK);
    }
}

// Each kind needs its interfaces before anything is sent (ATSC no demodulator); without a
// built graph every tuning is refused that way.
TEST_F(TuningTest, MissingInterfaceIsRefusedBeforeAnyBdaCall)
{
    const std::vector<std::pair<int, TuneFn>> kinds = {
        {SRC_TYPE_DVBS, [this](CTunerGraph& g) { return g.TuneDVBS(&m_sat); }},
        {SRC_TYPE_DVBT, [](CTunerGraph& g) { return g.TuneDVBT(506000, 8); }},
        {SRC_TYPE_DVBC, [](CTunerGraph& g) { return g.TuneDVBC(346000, 6900, 64); }},
        {SRC_TYPE_ATSC, [](CTunerGraph& g) { return g.TuneATSC(575000, 6); }},
    };
    for (const auto& kind : kinds) {
        for (int nMissing = 0; nMissing < 4; ++nMissing) {
            SCOPED_TRACE("kind " + std::to_string(kind.first) + " missing " + std::to_string(nMissing));
            FakeBdaStatePtr state = Wire(kind.first);
            switch (nMissing) {
            case 0: m_graph.m_pFrequencyFilter.Reset(); break;
            case 1: m_graph.m_pDeviceControl.Reset(); break;
            case 2: m_graph.m_pDemodulator.Reset(); break;
            default: m_graph.m_pLNBInfo.Reset(); break;
            }
            const bool bNeeded = nMissing < 2 || (nMissing == 2 && kind.first != SRC_TYPE_ATSC) ||
                                 (nMissing == 3 && kind.first == SRC_TYPE_DVBS);
            EXPECT_EQ(kind.second(m_graph), bNeeded ? E_NOINTERFACE : S_OK);
            if (bNeeded) {
                EXPECT_TRUE(state->CallsNamed({"StartChanges", "put_FrequencyMultiplier", "put_Frequency"}).empty());
            }
        }
    }

    m_graph.DestroyGraph();
    CTraceCapture traces;
    for (const auto& kind : kinds)
        EXPECT_EQ(kind.second(m_graph), E_NOINTERFACE);
    EXPECT_TRUE(traces.Contains(" Lock_S QLBDA_IOCTL_SET_LNB_DATA_Fun fail"));
}

// After the commit the tuner must report lock: a lock that comes with the third reading
// succeeds after two pauses, statistics that cannot be read fail at once.
TEST_F(TuningTest, TuningEndsWithTheLockWait)
{
    FakeBdaStatePtr state = Wire(SRC_TYPE_DVBC);
    state->nLockAfterReads = 2;
    EXPECT_EQ(m_graph.TuneDVBC(346000, 6900, 64), S_OK);
    EXPECT_EQ(state->CallsNamed({"get_SignalLocked"}).size(), 3u);

    state->Calls.clear();
    state->Failures = {{"get_SignalLocked", E_FAIL}, {"get_SignalPresent", E_FAIL}};
    EXPECT_EQ(m_graph.TuneDVBC(346000, 6900, 64), E_FAIL);
    EXPECT_EQ(state->CallsNamed({"CommitChanges", "get_SignalLocked", "get_SignalPresent"}),
              (std::vector<BdaCall>{{"CommitChanges", FILTER, 0}, {"get_SignalLocked", RF, 0}, {"get_SignalPresent", RF, 0}}));
}
