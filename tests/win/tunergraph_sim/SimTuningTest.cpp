// Tuning the simulated tuners: the calls each operation makes, as the device logged them,
// the lock it finds, and the driver records as the device received them.
#include "SimGraphFixture.h"
#include "support/TraceCapture.h"
#include "tuner/IoctlCommand.h"

#include <cstring>

namespace {

constexpr LONG FILTER = SIM_NODE_NONE;
constexpr LONG NOT_SET = -1;

const std::vector<SimExpect> kLockReading = {{SIM_CALL_GET_SIGNAL_LOCKED, 0, 0}, {SIM_CALL_GET_SIGNAL_PRESENT, 0, 0}};

std::vector<SimExpect> Joined(std::vector<SimExpect> a, const std::vector<SimExpect>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class SimTune : public SimGraphTest
{
protected:
    // Builds the quick default set's tuner at the ordinal and forgets the calls so far.
    InterfaceHolder<ISimTunerControl> BuildQuiet(int nOrdinal)
    {
        Register(kQuickDefaultScenario);
        EXPECT_EQ(Build(nOrdinal), S_OK);
        InterfaceHolder<ISimTunerControl> control = QueriedHolder<ISimTunerControl>(m_graph.m_pTuner);
        if (!control.IsNull())
            control->ClearCalls();
        return control;
    }

    LONG CommittedChannel(ISimTunerControl* pControl)
    {
        SimTuning tuning = {};
        LONG nChannel = -2;
        EXPECT_EQ(pControl->GetCommittedTuning(&tuning, &nChannel), S_OK);
        return nChannel;
    }

    LnbDataRecord m_lnb = {1, {}, 9750, 10600, 11700, 0, 1, {}};
    SatTuneParams m_sat = {11778000, 27500, 9750000, 11700000, 10600000, 0, &m_lnb, SAT_MOD_QPSK};
};

} // namespace

TEST_F(SimTune, SatelliteCallsReachTheDeviceInOrderAndLock)
{
    InterfaceHolder<ISimTunerControl> control = BuildQuiet(0);
    ASSERT_FALSE(control.IsNull());
    ASSERT_EQ(m_graph.TuneDVBS(&m_sat), S_OK);
    ExpectCalls(CallsOf(control), Joined({{SIM_CALL_VENDOR_SET_LNB_DATA, FILTER, 0},
                                          {SIM_CALL_START_CHANGES, FILTER, 0},
                                          {SIM_CALL_PUT_BANDWIDTH, 0, NOT_SET},
                                          {SIM_CALL_PUT_FREQUENCY, 0, 11778000},
                                          {SIM_CALL_PUT_FREQUENCY_MULTIPLIER, 0, 1000},
                                          {SIM_CALL_PUT_POLARITY, 0, BDA_POLARISATION_LINEAR_V},
                                          {SIM_CALL_PUT_RANGE, 0, 0},
                                          {SIM_CALL_PUT_INNER_FEC_METHOD, 1, NOT_SET},
                                          {SIM_CALL_PUT_INNER_FEC_RATE, 1, NOT_SET},
                                          {SIM_CALL_PUT_MODULATION_TYPE, 1, SAT_MOD_QPSK},
                                          {SIM_CALL_PUT_OUTER_FEC_METHOD, 1, NOT_SET},
                                          {SIM_CALL_PUT_OUTER_FEC_RATE, 1, NOT_SET},
                                          {SIM_CALL_PUT_SPECTRAL_INVERSION, 1, NOT_SET},
                                          {SIM_CALL_PUT_SYMBOL_RATE, 1, 27500},
                                          {SIM_CALL_PUT_HIGH_LOW_SWITCH, 0, 11700},
                                          {SIM_CALL_PUT_LOF_HIGH_BAND, 0, 10600000},
                                          {SIM_CALL_PUT_LOF_LOW_BAND, 0, 9750000},
                                          {SIM_CALL_CHECK_CHANGES, FILTER, 0},
                                          {SIM_CALL_COMMIT_CHANGES, FILTER, 0}},
                                         kLockReading));
    EXPECT_EQ(CommittedChannel(control), 0);
    LnbDataRecord received = {};
    EXPECT_EQ(control->GetLastLnbData(&received), S_OK);
    EXPECT_EQ(memcmp(&received, &m_lnb, sizeof(m_lnb)), 0);

    LONG nStrength = 0, nQuality = 0;
    EXPECT_EQ(m_graph.GetSignalLevels(&nStrength, &nQuality), S_OK);
    EXPECT_EQ(nStrength, 80);
    EXPECT_EQ(nQuality, 90);
    EXPECT_EQ(m_graph.WaitForLock(100), 0);
}

TEST_F(SimTune, SatelliteLowBandHorizontalChannelLocksWithItsLevels)
{
    InterfaceHolder<ISimTunerControl> control = BuildQuiet(0);
    m_sat.nFrequencyKHz = 10744000;
    m_sat.nSymbolRate = 22000;
    m_sat.nPolarity = 1;
    ASSERT_EQ(m_graph.TuneDVBS(&m_sat), S_OK);
    EXPECT_EQ(CommittedChannel(control), 1);
    LONG nStrength = 0, nQuality = 0;
    EXPECT_EQ(m_graph.GetSignalLevels(&nStrength, &nQuality), S_OK);
    EXPECT_EQ(nStrength, 65);
    EXPECT_EQ(nQuality, 70);
}

TEST_F(SimTune, TerrestrialCableAndAtscCallsReachTheDeviceInOrder)
{
    InterfaceHolder<ISimTunerControl> control = BuildQuiet(1);
    ASSERT_EQ(m_graph.TuneDVBT(506000, 8), S_OK);
    ExpectCalls(CallsOf(control), Joined({{SIM_CALL_PUT_FREQUENCY_MULTIPLIER, 0, 1000},
                                          {SIM_CALL_PUT_BANDWIDTH, 0, 8},
                                          {SIM_CALL_PUT_FREQUENCY, 0, 506000},
                                          {SIM_CALL_PUT_POLARITY, 0, NOT_SET},
                                          {SIM_CALL_PUT_RANGE, 0, NOT_SET},
                                          {SIM_CALL_PUT_INNER_FEC_METHOD, 1, NOT_SET},
                                          {SIM_CALL_PUT_INNER_FEC_RATE, 1, NOT_SET},
                                          {SIM_CALL_PUT_MODULATION_TYPE, 1, NOT_SET},
                                          {SIM_CALL_PUT_OUTER_FEC_METHOD, 1, NOT_SET},
                                          {SIM_CALL_PUT_OUTER_FEC_RATE, 1, NOT_SET},
                                          {SIM_CALL_PUT_SPECTRAL_INVERSION, 1, NOT_SET},
                                          {SIM_CALL_PUT_SYMBOL_RATE, 1, 8},
                                          {SIM_CALL_CHECK_CHANGES, FILTER, 0},
                                          {SIM_CALL_COMMIT_CHANGES, FILTER, 0}},
                                         kLockReading));
    EXPECT_EQ(CommittedChannel(control), 0);
    Destroy();

    control = BuildQuiet(2);
    ASSERT_EQ(m_graph.TuneDVBC(346000, 6900, 256), S_OK);
    ExpectCalls(CallsOf(control), Joined({{SIM_CALL_START_CHANGES, FILTER, 0},
                                          {SIM_CALL_PUT_BANDWIDTH, 0, NOT_SET},
                                          {SIM_CALL_PUT_FREQUENCY, 0, 346000},
                                          {SIM_CALL_PUT_FREQUENCY_MULTIPLIER, 0, 1000},
                                          {SIM_CALL_PUT_POLARITY, 0, NOT_SET},
                                          {SIM_CALL_PUT_RANGE, 0, NOT_SET},
                                          {SIM_CALL_PUT_INNER_FEC_METHOD, 1, NOT_SET},
                                          {SIM_CALL_PUT_INNER_FEC_RATE, 1, NOT_SET},
                                          {SIM_CALL_PUT_MODULATION_TYPE, 1, 11},
                                          {SIM_CALL_PUT_OUTER_FEC_METHOD, 1, NOT_SET},
                                          {SIM_CALL_PUT_OUTER_FEC_RATE, 1, NOT_SET},
                                          {SIM_CALL_PUT_SPECTRAL_INVERSION, 1, NOT_SET},
                                          {SIM_CALL_PUT_SYMBOL_RATE, 1, 6900},
                                          {SIM_CALL_CHECK_CHANGES, FILTER, 0},
                                          {SIM_CALL_COMMIT_CHANGES, FILTER, 0}},
                                         kLockReading));
    EXPECT_EQ(CommittedChannel(control), 0);
    Destroy();

    control = BuildQuiet(3);
    ASSERT_EQ(m_graph.TuneATSC(575000, 6), S_OK);
    ExpectCalls(CallsOf(control), Joined({{SIM_CALL_PUT_FREQUENCY_MULTIPLIER, 0, 1000},
                                          {SIM_CALL_PUT_FREQUENCY, 0, 575000},
                                          {SIM_CALL_CHECK_CHANGES, FILTER, 0},
                                          {SIM_CALL_COMMIT_CHANGES, FILTER, 0}},
                                         kLockReading));
    EXPECT_EQ(CommittedChannel(control), 0);
}

// A failing gate returns the device's status and commits nothing; a refused LNB request
// does not stop satellite tuning.
TEST_F(SimTune, DeviceFailuresAtGatesEndTheTuning)
{
    InterfaceHolder<ISimTunerControl> control = BuildQuiet(2);
    const HRESULT hrRefused = HRESULT_FROM_WIN32(ERROR_NOT_READY);
    control->FailCall(SIM_CALL_PUT_SYMBOL_RATE, SIM_NODE_ANY, hrRefused, 1);
    EXPECT_EQ(m_graph.TuneDVBC(346000, 6900, 64), hrRefused);
    std::vector<SimCallRecord> calls = CallsOf(control);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().eCall, SIM_CALL_PUT_SYMBOL_RATE);
    EXPECT_EQ(calls.back().hrResult, hrRefused);
    Destroy();

    control = BuildQuiet(0);
    control->FailCall(SIM_CALL_VENDOR_SET_LNB_DATA, SIM_NODE_ANY, E_FAIL, 1);
    control->FailCall(SIM_CALL_PUT_LOF_HIGH_BAND, SIM_NODE_ANY, S_FALSE, 1);
    CTraceCapture traces;
    EXPECT_EQ(m_graph.TuneDVBS(&m_sat), S_FALSE);
    EXPECT_TRUE(traces.Contains(" Lock_S QLBDA_IOCTL_SET_LNB_DATA_Fun fail"));
    calls = CallsOf(control);
    EXPECT_EQ(calls.front().eCall, SIM_CALL_VENDOR_SET_LNB_DATA);
    EXPECT_EQ(calls.back().eCall, SIM_CALL_PUT_LOF_HIGH_BAND);
    control->ClearCalls();
    EXPECT_EQ(m_graph.TuneDVBS(&m_sat), S_OK);
}

// A device of the documented record gets the 40-byte record: its addresses name buffers
// below 4 GB exactly where the request has one, its lengths are the request's, and the
// answers arrive in the caller's records.
TEST_F(SimTune, DriverRecordsArriveWithLowAddressesAndTheRequestsLengths)
{
    InterfaceHolder<ISimTunerControl> control = BuildQuiet(0);
    DeviceInfoRecord device = {};
    DriverInfoRecord driver = {};
    EXPECT_TRUE(m_graph.QLBDA_IOCTL_GET_DEVICE_INFO_Fun(&device));
    EXPECT_TRUE(m_graph.QLBDA_IOCTL_GET_DRIVER_INFO_Fun(&driver));
    EXPECT_TRUE(m_graph.QLBDA_IOCTL_SET_LNB_DATA_Fun(&m_lnb));

    const std::vector<SimCallRecord> calls = CallsOf(control);
    ASSERT_EQ(calls.size(), 3u);
    const struct {
        SimCallId eCall;
        ULONG nCode;
        ULONG nInLength;
        ULONG nOutLength;
    } expected[] = {
        {SIM_CALL_VENDOR_GET_DEVICE_INFO, QLBDA_IOCTL_GET_DEVICE_INFO, 0, 240},
        {SIM_CALL_VENDOR_GET_DRIVER_INFO, QLBDA_IOCTL_GET_DRIVER_INFO, 0, 256},
        {SIM_CALL_VENDOR_SET_LNB_DATA, QLBDA_IOCTL_SET_LNB_DATA, 20, 0},
    };
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls[i].eCall, expected[i].eCall);
        EXPECT_EQ(calls[i].hrResult, S_OK);
        EXPECT_EQ(calls[i].nInstanceLength, 24u);
        EXPECT_EQ(calls[i].nDataLength, IOCTL_COMMAND_SIZE_32);
        EXPECT_EQ(calls[i].nCode, expected[i].nCode);
        EXPECT_EQ(calls[i].nInAddress != 0, expected[i].nInLength != 0);
        EXPECT_EQ(calls[i].nInLength, expected[i].nInLength);
        EXPECT_EQ(calls[i].nOutAddress != 0, expected[i].nOutLength != 0);
        EXPECT_EQ(calls[i].nOutLength, expected[i].nOutLength);
    }
    EXPECT_STREQ(device.szDeviceName, "QL-5100 DVB-S2");
    EXPECT_STREQ(driver.szText1, "QLBDA");
    LnbDataRecord last = {};
    ASSERT_EQ(control->GetLastLnbData(&last), S_OK);
    EXPECT_EQ(memcmp(&last, &m_lnb, sizeof(last)), 0);
}

// Statistics whose lock read fails on the RF tuner node at build time give way to the
// demodulator node's; an ATSC tuner whose 8VSB node comes first still reads the RF node's.
TEST_F(SimTune, StatisticsComeFromTheNodeTheRulesPick)
{
    Register(R"(
[tuner]
name = DTV-DVB C Cable
kind = cable
lock_delay = 0
channel = 346000 sr=6900 qam=256
[tuner]
name = DTV-ATSC Demod First
nodes = 8vsb rf
lock_delay = 0
channel = 575000
)");
    InterfaceHolder<ISimTunerControl> cable = Control(L"DTV-DVB C Cable");
    cable->FailCall(SIM_CALL_GET_SIGNAL_LOCKED, 0, E_FAIL, 1);
    ASSERT_EQ(Build(0), S_OK);
    cable->ClearCalls();
    EXPECT_EQ(m_graph.GetSignalLevels(nullptr, nullptr), S_OK);
    std::vector<SimCallRecord> calls = CallsOf(cable);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].eCall, SIM_CALL_GET_SIGNAL_STRENGTH);
    EXPECT_EQ(calls[0].nNode, 1);
    Destroy();

    ASSERT_EQ(Build(1), S_OK);
    EXPECT_TRUE(m_graph.m_pDemodulator.IsNull());
    InterfaceHolder<ISimTunerControl> atsc = QueriedHolder<ISimTunerControl>(m_graph.m_pTuner);
    atsc->ClearCalls();
    ASSERT_EQ(m_graph.TuneATSC(575000, 6), S_OK);
    calls = CallsOf(atsc);
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2].eCall, SIM_CALL_GET_SIGNAL_LOCKED);
    EXPECT_EQ(calls[calls.size() - 2].nNode, 1);
}

// The stream passes the receiver that accepts the tuner (the refusing one is out of the
// graph) and reaches the program's sink once the tuner locks.
TEST_F(SimTune, StreamFlowsThroughTheAcceptingReceiverToTheSink)
{
    Register(R"(
[tuner]
name = Quillon DVB-T
kind = terrestrial
lock_delay = 0
bitrate = 40000000
sample_size = 18800
channel = 506000 bw=8
[receiver]
name = Refusing Receiver
refuse = yes
[receiver]
name = Accepting Receiver
)");
    ASSERT_EQ(Build(0), S_OK);
    ASSERT_FALSE(m_graph.m_pReceiver.IsNull());
    FILTER_INFO info = {};
    ASSERT_EQ(m_graph.m_pReceiver->QueryFilterInfo(&info), S_OK);
    if (info.pGraph)
        info.pGraph->Release();
    EXPECT_STREQ(info.achName, L"bda");

    ASSERT_EQ(m_graph.TuneDVBT(506000, 8), S_OK);
    InterfaceHolder<ISimTunerControl> control = Control(L"Quillon DVB-T");
    SimDelivery delivery = {};
    for (int i = 0; i < 50 && delivery.nBytes == 0; ++i) {
        Sleep(10);
        control->GetDelivery(&delivery);
    }
    EXPECT_GT(delivery.nBytes, 0u);
    EXPECT_EQ(delivery.nRefusals, 0u);
}
