// The simulated tuner's BDA topology, control nodes, device control and the test control:
// pins on demand, node interfaces, lock through the nodes, the call log and failure rules.
#include "SimTestSupport.h"

#include "graph/BdaGuids.h"

#include <algorithm>

namespace {

const char kScenario[] = R"(
[tuner]
name = DTV-DVB S2 Topology
kind = satellite
lock_delay = 80
strength = 71
quality = 82
channel = 11778000 pol=V sr=27500
[tuner]
name = DTV-DVB S2 Slow Lock
kind = satellite
lock_delay = 600000
channel = 11778000 pol=V sr=27500
[tuner]
name = Quillon T Input Only
kind = terrestrial
pins = input
channel = 506000 bw=8
[tuner]
name = Quillon T No Pins
kind = terrestrial
pins = none
lnb_info = yes
[tuner]
name = Quillon Many Nodes
nodes = rf*21 qpsk
[tuner]
name = Quillon No Property
kind = cable
property_set = no
)";

std::vector<GUID> NodeInterfaces(IBaseFilter* pTuner, ULONG nNode)
{
    QueriedHolder<IBDA_Topology> topology(pTuner);
    GUID interfaces[8] = {};
    ULONG count = 0;
    EXPECT_EQ(topology->GetNodeInterfaces(nNode, &count, 8, interfaces), S_OK);
    return std::vector<GUID>(interfaces, interfaces + std::min<ULONG>(count, 8));
}

// The satellite tuning sequence the maker's program sends, with its LNB values in kHz and
// the switch frequency in MHz.
HRESULT TuneSatellite(IBaseFilter* pTuner, ULONG frequency, Polarisation polarity, ULONG symbolRate, ULONG lofHigh)
{
    QueriedHolder<IBDA_DeviceControl> control(pTuner);
    InterfaceHolder<IBDA_FrequencyFilter> filter = NodeInterface<IBDA_FrequencyFilter>(pTuner, 0);
    InterfaceHolder<IBDA_LNBInfo> lnb = NodeInterface<IBDA_LNBInfo>(pTuner, 0);
    InterfaceHolder<IBDA_DigitalDemodulator> demodulator = NodeInterface<IBDA_DigitalDemodulator>(pTuner, 1);
    if (control.IsNull() || filter.IsNull() || lnb.IsNull() || demodulator.IsNull())
        return E_NOINTERFACE;
    control->StartChanges();
    filter->put_Bandwidth(static_cast<ULONG>(-1));
    filter->put_Frequency(frequency);
    filter->put_FrequencyMultiplier(1000);
    filter->put_Polarity(polarity);
    ModulationType modulation = static_cast<ModulationType>(20);
    demodulator->put_ModulationType(&modulation);
    demodulator->put_SymbolRate(&symbolRate);
    lnb->put_HighLowSwitchFrequency(11700);
    lnb->put_LocalOscilatorFrequencyHighBand(lofHigh);
    lnb->put_LocalOscilatorFrequencyLowBand(9750000);
    HRESULT hr = control->CheckChanges();
    return hr == S_OK ? control->CommitChanges() : hr;
}

BOOLEAN ReadLocked(IBaseFilter* pTuner, ULONG nNode)
{
    InterfaceHolder<IBDA_SignalStatistics> stats = NodeInterface<IBDA_SignalStatistics>(pTuner, nNode);
    BOOLEAN locked = 2;
    EXPECT_EQ(stats->get_SignalLocked(&locked), S_OK);
    return locked;
}

} // namespace

using SimTopology = SimTunerTest;

TEST_F(SimTopology, ControlNodesNeedTheTopologyAndOfferTheirKindsInterfaces)
{
    Register(kScenario);
    InterfaceHolder<IBaseFilter> tuner = BindTuner("DTV-DVB S2 Topology");
    ASSERT_FALSE(tuner.IsNull());
    QueriedHolder<IBDA_Topology> topology(tuner);
    InterfaceHolder<IUnknown> node;
    EXPECT_EQ(topology->GetControlNode(0, 1, 0, node.OutSlot()), E_FAIL) << "no topology yet";
    EXPECT_EQ(topology->CreateTopology(1, 0), E_INVALIDARG);
    EXPECT_EQ(topology->CreateTopology(0, 7), E_INVALIDARG);
    ASSERT_EQ(topology->CreateTopology(0, 1), S_OK);
    EXPECT_EQ(topology->GetControlNode(0, 1, 2, node.OutSlot()), E_INVALIDARG);
    EXPECT_EQ(topology->GetControlNode(1, 0, 0, node.OutSlot()), E_INVALIDARG);
    ASSERT_EQ(topology->GetControlNode(0, 1, 0, node.OutSlot()), S_OK);

    // The RF tuner node: frequency filter, LNB information, statistics; the node keeps its
    // own identity and its filter alive.
    EXPECT_FALSE(QueriedHolder<IBDA_FrequencyFilter>(node).IsNull());
    EXPECT_FALSE(QueriedHolder<IBDA_LNBInfo>(node).IsNull());
    EXPECT_FALSE(QueriedHolder<IBDA_SignalStatistics>(node).IsNull());
    EXPECT_TRUE(QueriedHolder<IBDA_DigitalDemodulator>(node).IsNull());
    EXPECT_EQ(QueriedHolder<IUnknown>(QueriedHolder<IBDA_LNBInfo>(node)).Get(), node.Get());
    EXPECT_EQ(NodeInterfaces(tuner, 0),
              (std::vector<GUID>{IID_IBDA_FrequencyFilter, IID_IBDA_LNBInfo, IID_IBDA_SignalStatistics}));

    InterfaceHolder<IUnknown> demodulator;
    ASSERT_EQ(topology->GetControlNode(0, 1, 1, demodulator.OutSlot()), S_OK);
    EXPECT_FALSE(QueriedHolder<IBDA_DigitalDemodulator>(demodulator).IsNull());
    EXPECT_FALSE(QueriedHolder<IBDA_SignalStatistics>(demodulator).IsNull());
    EXPECT_TRUE(QueriedHolder<IBDA_FrequencyFilter>(demodulator).IsNull());
    EXPECT_EQ(NodeInterfaces(tuner, 1), (std::vector<GUID>{IID_IBDA_DigitalDemodulator, IID_IBDA_SignalStatistics}));

    // A terrestrial RF tuner node has no LNB interface unless the scenario gives it one.
    InterfaceHolder<IBaseFilter> terrestrial = BindTuner("Quillon T Input Only");
    QueriedHolder<IBDA_Topology> terrestrialTopology(terrestrial);
    ULONG id = 0;
    ASSERT_EQ(terrestrialTopology->CreatePin(1, &id), S_OK);
    ASSERT_EQ(JoinTopology(terrestrial), S_OK);
    EXPECT_FALSE(NodeInterface<IBDA_FrequencyFilter>(terrestrial, 0).IsNull());
    EXPECT_TRUE(NodeInterface<IBDA_LNBInfo>(terrestrial, 0).IsNull());
}

TEST_F(SimTopology, PinsComeThroughCreatePinWhenNotExposed)
{
    Register(kScenario);
    InterfaceHolder<IBaseFilter> tuner = BindTuner("Quillon T Input Only");
    QueriedHolder<IBDA_Topology> topology(tuner);
    ULONG types[4] = {};
    ULONG count = 0;
    ASSERT_EQ(topology->GetPinTypes(&count, 4, types), S_OK);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(types[0], 0u);
    EXPECT_EQ(types[1], 1u);

    InterfaceHolder<IEnumPins> pins;
    ASSERT_EQ(tuner->EnumPins(pins.OutSlot()), S_OK);
    InterfaceHolder<IPin> pin;
    ASSERT_EQ(pins->Next(1, pin.OutSlot(), nullptr), S_OK);
    EXPECT_NE(pins->Next(1, pin.OutSlot(), nullptr), S_OK) << "only the input pin is exposed";

    ULONG id = 99;
    EXPECT_EQ(topology->CreatePin(2, &id), E_INVALIDARG);
    EXPECT_EQ(topology->CreatePin(0, &id), E_FAIL) << "one pin of each type";
    ASSERT_EQ(topology->CreatePin(1, &id), S_OK);
    EXPECT_EQ(id, 1u);
    EXPECT_EQ(PinNames(tuner), (std::vector<std::wstring>{L"Input0", L"MPEG2 Transport"}));
    EXPECT_EQ(topology->CreatePin(1, &id), E_FAIL);
    EXPECT_EQ(topology->CreateTopology(0, 1), S_OK);

    InterfaceHolder<IBaseFilter> bare = BindTuner("Quillon T No Pins");
    QueriedHolder<IBDA_Topology> bareTopology(bare);
    EXPECT_TRUE(PinNames(bare).empty());
    ULONG first = 99, second = 99;
    ASSERT_EQ(bareTopology->CreatePin(0, &first), S_OK);
    ASSERT_EQ(bareTopology->CreatePin(1, &second), S_OK);
    EXPECT_EQ(first, 0u);
    EXPECT_EQ(second, 1u);
    EXPECT_EQ(bareTopology->CreateTopology(first, second), S_OK);
    EXPECT_FALSE(NodeInterface<IBDA_LNBInfo>(bare, 0).IsNull()) << "lnb_info = yes";

    // The log holds the pin type and the id given.
    InterfaceHolder<ISimTunerControl> control = ControlOf(bare);
    std::vector<SimCallRecord> created = CallsOf(control, SIM_CALL_CREATE_PIN);
    ASSERT_EQ(created.size(), 2u);
    EXPECT_EQ(created[1].Values[0], 1);
    EXPECT_EQ(created[1].Values[1], 1);
}

TEST_F(SimTopology, DescriptorListsGiveTheFullCountAndFillOnlyTheRoomGiven)
{
    Register(kScenario);
    InterfaceHolder<IBaseFilter> tuner = BindTuner("Quillon Many Nodes");
    QueriedHolder<IBDA_Topology> topology(tuner);
    BDANODE_DESCRIPTOR descriptors[21];
    memset(descriptors, 0xAB, sizeof(descriptors));
    ULONG count = 0;
    ASSERT_EQ(topology->GetNodeDescriptors(&count, 20, descriptors), S_OK);
    EXPECT_EQ(count, 22u);
    EXPECT_EQ(descriptors[19].guidFunction, KSNODE_BDA_RF_TUNER);
    EXPECT_EQ(descriptors[20].ulBdaNodeType, 0xABABABABu) << "nothing written past the room given";
    EXPECT_EQ(topology->GetNodeDescriptors(&count, 0, nullptr), S_OK);
    EXPECT_EQ(count, 22u);
    EXPECT_EQ(topology->GetNodeDescriptors(nullptr, 20, descriptors), E_POINTER);
}

TEST_F(SimTopology, SatelliteLocksThroughTheNodesAfterItsDelay)
{
    Register(kScenario);
    InterfaceHolder<IBaseFilter> tuner = BindTuner("DTV-DVB S2 Topology");
    ASSERT_EQ(JoinTopology(tuner), S_OK);
    InterfaceHolder<IBDA_SignalStatistics> stats = NodeInterface<IBDA_SignalStatistics>(tuner, 0);

    // A wrong high-band oscillator moves the intermediate frequency off the transponder.
    ASSERT_EQ(TuneSatellite(tuner, 11778000, BDA_POLARISATION_LINEAR_V, 27500, 10700000), S_OK);
    Sleep(100);  // longer than the lock delay: on the transponder it would lock by now
    EXPECT_FALSE(ReadLocked(tuner, 0));
    BOOLEAN present = 2;
    EXPECT_EQ(stats->get_SignalPresent(&present), S_OK);
    EXPECT_FALSE(present);

    ASSERT_EQ(TuneSatellite(tuner, 11778000, BDA_POLARISATION_LINEAR_V, 27500, 10600000), S_OK);
    EXPECT_EQ(stats->get_SignalPresent(&present), S_OK);
    EXPECT_TRUE(present);
    EXPECT_TRUE(WaitFor([&] { return ReadLocked(tuner, 0); }));
    EXPECT_TRUE(ReadLocked(tuner, 1));
    LONG strength = 0, quality = 0;
    EXPECT_EQ(stats->get_SignalStrength(&strength), S_OK);
    EXPECT_EQ(stats->get_SignalQuality(&quality), S_OK);
    EXPECT_EQ(strength, 71);
    EXPECT_EQ(quality, 82);

    InterfaceHolder<ISimTunerControl> control = ControlOf(tuner);
    SimTuning committed;
    LONG channel = -5;
    ASSERT_EQ(control->GetCommittedTuning(&committed, &channel), S_OK);
    EXPECT_EQ(channel, 0);
    EXPECT_EQ(committed.nLofSwitch, 11700u);
    EXPECT_EQ(committed.nModulation, 20);

    control->SetSignalLost(TRUE);
    EXPECT_FALSE(ReadLocked(tuner, 0));
    EXPECT_EQ(stats->get_SignalStrength(&strength), S_OK);
    EXPECT_EQ(strength, 0);

    // A delay far longer than any test keeps the tuner unlocked whatever the scheduling.
    InterfaceHolder<IBaseFilter> slow = BindTuner("DTV-DVB S2 Slow Lock");
    ASSERT_EQ(JoinTopology(slow), S_OK);
    ASSERT_EQ(TuneSatellite(slow, 11778000, BDA_POLARISATION_LINEAR_V, 27500, 10600000), S_OK);
    InterfaceHolder<IBDA_SignalStatistics> slowStats = NodeInterface<IBDA_SignalStatistics>(slow, 0);
    EXPECT_EQ(slowStats->get_SignalPresent(&present), S_OK);
    EXPECT_TRUE(present) << "the carrier is there at once";
    EXPECT_FALSE(ReadLocked(slow, 1)) << "lock waits for the delay";
}

TEST_F(SimTopology, TheLogKeepsEveryCallInOrderWithItsValues)
{
    Register(kScenario);
    InterfaceHolder<IBaseFilter> tuner = BindTuner("DTV-DVB S2 Topology");
    ASSERT_EQ(JoinTopology(tuner), S_OK);
    InterfaceHolder<ISimTunerControl> control = ControlOf(tuner);
    control->ClearCalls();
    ASSERT_EQ(TuneSatellite(tuner, 12000000, BDA_POLARISATION_LINEAR_H, 22000, 10600000), S_OK);

    struct Step {
        SimCallId eCall;
        LONG nNode;
        LONG nValue;
    };
    const Step expected[] = {
        {SIM_CALL_GET_CONTROL_NODE, SIM_NODE_NONE, 0},  {SIM_CALL_GET_CONTROL_NODE, SIM_NODE_NONE, 0},
        {SIM_CALL_GET_CONTROL_NODE, SIM_NODE_NONE, 0},  {SIM_CALL_START_CHANGES, SIM_NODE_NONE, 0},
        {SIM_CALL_PUT_BANDWIDTH, 0, -1},                {SIM_CALL_PUT_FREQUENCY, 0, 12000000},
        {SIM_CALL_PUT_FREQUENCY_MULTIPLIER, 0, 1000},   {SIM_CALL_PUT_POLARITY, 0, 1},
        {SIM_CALL_PUT_MODULATION_TYPE, 1, 20},          {SIM_CALL_PUT_SYMBOL_RATE, 1, 22000},
        {SIM_CALL_PUT_HIGH_LOW_SWITCH, 0, 11700},       {SIM_CALL_PUT_LOF_HIGH_BAND, 0, 10600000},
        {SIM_CALL_PUT_LOF_LOW_BAND, 0, 9750000},        {SIM_CALL_CHECK_CHANGES, SIM_NODE_NONE, 0},
        {SIM_CALL_COMMIT_CHANGES, SIM_NODE_NONE, -1},
    };
    const std::vector<SimCallRecord> calls = AllCalls(control);
    ASSERT_EQ(calls.size(), sizeof(expected) / sizeof(expected[0]));
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls[i].eCall, expected[i].eCall);
        EXPECT_EQ(calls[i].nNode, expected[i].nNode);
        if (calls[i].eCall != SIM_CALL_GET_CONTROL_NODE) {
            EXPECT_EQ(calls[i].Values[0], expected[i].nValue);
        }
        EXPECT_EQ(calls[i].hrResult, S_OK);
    }
    EXPECT_EQ(calls[2].Values[2], 1) << "the demodulator node was fetched third";
}

TEST_F(SimTopology, FailureRulesHitTheirNodeAndCount)
{
    Register(kScenario);
    InterfaceHolder<IBaseFilter> tuner = BindTuner("DTV-DVB S2 Topology");
    ASSERT_EQ(JoinTopology(tuner), S_OK);
    InterfaceHolder<ISimTunerControl> control = ControlOf(tuner);
    InterfaceHolder<IBDA_SignalStatistics> rf = NodeInterface<IBDA_SignalStatistics>(tuner, 0);
    InterfaceHolder<IBDA_SignalStatistics> demod = NodeInterface<IBDA_SignalStatistics>(tuner, 1);

    ASSERT_EQ(control->FailCall(SIM_CALL_GET_SIGNAL_LOCKED, 0, E_UNEXPECTED, -1), S_OK);
    BOOLEAN locked = 7;
    EXPECT_EQ(rf->get_SignalLocked(&locked), E_UNEXPECTED);
    EXPECT_EQ(locked, 7) << "a failed call writes nothing";
    EXPECT_EQ(demod->get_SignalLocked(&locked), S_OK);
    EXPECT_EQ(rf->get_SignalLocked(&locked), E_UNEXPECTED) << "-1: every time";
    ASSERT_EQ(control->FailCall(SIM_CALL_GET_SIGNAL_LOCKED, 0, S_OK, 0), S_OK);
    EXPECT_EQ(rf->get_SignalLocked(&locked), S_OK);

    // Two failures of CheckChanges anywhere, then the call works again; a success code
    // other than S_OK also stands in for the call.
    QueriedHolder<IBDA_DeviceControl> device(tuner);
    ASSERT_EQ(control->FailCall(SIM_CALL_CHECK_CHANGES, SIM_NODE_ANY, S_FALSE, 2), S_OK);
    EXPECT_EQ(device->CheckChanges(), S_FALSE);
    EXPECT_EQ(device->CheckChanges(), S_FALSE);
    EXPECT_EQ(device->CheckChanges(), S_OK);
    std::vector<SimCallRecord> checks = CallsOf(control, SIM_CALL_CHECK_CHANGES);
    ASSERT_EQ(checks.size(), 3u);
    EXPECT_EQ(checks[0].hrResult, S_FALSE);

    // A failed put changes nothing.
    InterfaceHolder<IBDA_FrequencyFilter> frequency = NodeInterface<IBDA_FrequencyFilter>(tuner, 0);
    frequency->put_Frequency(1000);
    ASSERT_EQ(control->FailCall(SIM_CALL_PUT_FREQUENCY, SIM_NODE_ANY, E_FAIL, 1), S_OK);
    EXPECT_EQ(frequency->put_Frequency(2000), E_FAIL);
    ULONG value = 0;
    EXPECT_EQ(frequency->get_Frequency(&value), S_OK);
    EXPECT_EQ(value, 1000u);

    ASSERT_EQ(control->Reset(), S_OK);
    ULONG count = 1;
    control->GetCallCount(&count);
    EXPECT_EQ(count, 0u);
}

TEST_F(SimTopology, ControlByNameIsTheDevicesAndComesBeforeTheFilter)
{
    Register(kScenario);
    InterfaceHolder<ISimTunerControl> early;
    ASSERT_EQ(m_Library.OpenControl(L"Quillon No Property", early), S_OK);
    ASSERT_EQ(early->FailCall(SIM_CALL_START_CHANGES, SIM_NODE_ANY, E_ACCESSDENIED, 1), S_OK);

    InterfaceHolder<IBaseFilter> tuner = BindTuner("Quillon No Property");
    ASSERT_FALSE(tuner.IsNull());
    EXPECT_TRUE(QueriedHolder<IKsPropertySet>(PinByIndex(tuner, 0)).IsNull()) << "property_set = no";
    QueriedHolder<IBDA_DeviceControl> device(tuner);
    EXPECT_EQ(device->StartChanges(), E_ACCESSDENIED);
    EXPECT_EQ(device->StartChanges(), S_OK);
    EXPECT_EQ(CallsOf(early, SIM_CALL_START_CHANGES).size(), 2u);

    // A second filter bound from the same device shares the log.
    InterfaceHolder<IBaseFilter> again = BindTuner("Quillon No Property");
    QueriedHolder<IBDA_DeviceControl>(again)->StartChanges();
    EXPECT_EQ(CallsOf(ControlOf(tuner), SIM_CALL_START_CHANGES).size(), 3u);
}
