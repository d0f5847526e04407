// The tuner graph manager against the simulated driver: a scenario is registered for each
// test, the manager finds, builds and tunes its devices, and the devices' own call logs tell
// what reached them.
#pragma once

#include "graph/BdaGuids.h"
#include "simtuner/SimTunerLibrary.h"
#include "tuner/TunerGraph.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// One expected call in a device's log; the value is compared for put_ calls only.
struct SimExpect {
    SimCallId eCall;
    LONG nNode;
    LONG nValue;
};

class SimGraphTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_library.IsLoaded()) << "QLSimTuner.dll beside the test"; }
    void TearDown() override
    {
        Destroy();
        auto pRemove = m_library.Proc<HRESULT(WINAPI*)()>("DllUnregisterServer");
        if (pRemove)
            pRemove();
    }

    void Register(const std::string& scenario)
    {
        std::string error;
        ASSERT_EQ(m_library.RegisterScenario(scenario, &error), S_OK) << error;
    }
    InterfaceHolder<ISimTunerControl> Control(const std::wstring& name)
    {
        InterfaceHolder<ISimTunerControl> control;
        EXPECT_EQ(m_library.OpenControl(name, control), S_OK);
        return control;
    }
    // Builds the device at the ordinal; the build's name lands in m_szName.
    HRESULT Build(int nOrdinal) { return m_graph.BuildGraph(nOrdinal, m_szName); }
    // Stops the graph first, so that the teardown does not pause.
    void Destroy()
    {
        m_graph.StopGraph();
        m_graph.DestroyGraph();
    }

    // The construction of the manager joins the process to COM.
    CTunerGraph m_graph;
    CSimTunerLibrary m_library;
    char m_szName[FRIENDLY_NAME_SIZE] = {};
};

// The default set with locking at once: the maker's four tuners, the foreign tuner and a
// receiver component.
inline const char kQuickDefaultScenario[] = R"(
[tuner]
name = DTV-DVB S2 Satellite Tuner
kind = satellite
device_name = QL-5100 DVB-S2
lock_delay = 0
channel = 11778000 pol=V sr=27500
channel = 10744000 pol=H sr=22000 strength=65 quality=70
[tuner]
name = Quillon DVB-T Terrestrial Tuner
kind = terrestrial
device_name = QL-2100 DVB-T
lock_delay = 0
channel = 506000 bw=8
[tuner]
name = DTV-DVB C Cable Tuner
kind = cable
device_name = QL-3100 DVB-C
lock_delay = 0
channel = 346000 sr=6900 qam=256
[tuner]
name = DTV-ATSC Tuner
kind = atsc
device_name = QL-8100 ATSC
lock_delay = 0
channel = 575000
[tuner]
name = Generic BDA DVB-T Tuner
kind = terrestrial
channel = 506000 bw=8
[receiver]
name = Quillon BDA Receiver Component
)";

// The calls of the log, without the calls of these kinds.
inline std::vector<SimCallRecord> CallsWithout(ISimTunerControl* pControl, std::initializer_list<SimCallId> skipped)
{
    std::vector<SimCallRecord> calls;
    ULONG nCount = 0;
    if (!pControl || FAILED(pControl->GetCallCount(&nCount)))
        return calls;
    for (ULONG i = 0; i < nCount; ++i) {
        SimCallRecord record = {};
        if (pControl->GetCall(i, &record) != S_OK)
            break;
        bool bSkipped = false;
        for (SimCallId id : skipped)
            bSkipped = bSkipped || record.eCall == id;
        if (!bSkipped)
            calls.push_back(record);
    }
    return calls;
}

inline std::vector<SimCallRecord> CallsOf(ISimTunerControl* pControl)
{
    return CallsWithout(pControl, {});
}

inline bool IsPutCall(SimCallId eCall)
{
    switch (eCall) {
    case SIM_CALL_PUT_FREQUENCY: case SIM_CALL_PUT_POLARITY: case SIM_CALL_PUT_RANGE:
    case SIM_CALL_PUT_BANDWIDTH: case SIM_CALL_PUT_FREQUENCY_MULTIPLIER: case SIM_CALL_PUT_LOF_LOW_BAND:
    case SIM_CALL_PUT_LOF_HIGH_BAND: case SIM_CALL_PUT_HIGH_LOW_SWITCH: case SIM_CALL_PUT_MODULATION_TYPE:
    case SIM_CALL_PUT_INNER_FEC_METHOD: case SIM_CALL_PUT_INNER_FEC_RATE: case SIM_CALL_PUT_OUTER_FEC_METHOD:
    case SIM_CALL_PUT_OUTER_FEC_RATE: case SIM_CALL_PUT_SYMBOL_RATE: case SIM_CALL_PUT_SPECTRAL_INVERSION:
        return true;
    default:
        return false;
    }
}

inline void ExpectCalls(const std::vector<SimCallRecord>& calls, const std::vector<SimExpect>& expected)
{
    ASSERT_EQ(calls.size(), expected.size());
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE("call " + std::to_string(i));
        EXPECT_EQ(calls[i].eCall, expected[i].eCall);
        EXPECT_EQ(calls[i].nNode, expected[i].nNode);
        if (IsPutCall(expected[i].eCall)) {
            EXPECT_EQ(calls[i].Values[0], expected[i].nValue);
        }
    }
}
