// A tuner graph manager over a real filter graph, with the system's BDA devices replaced by
// hand-made ones that each test sets up.
#pragma once

#include "support/FakeBda.h"
#include "support/FakeDevices.h"
#include "graph/BdaGuids.h"
#include "tuner/TunerGraph.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class CTunerGraphProbe : public CTunerGraph
{
public:
    CTunerGraphProbe() = default;
    explicit CTunerGraphProbe(REFCLSID clsidGraph) : CTunerGraph(clsidGraph) {}

    using CFilterGraphHost::m_bReady;
    using CFilterGraphHost::m_pGraph;

    // Names of the filters in the graph, in the graph's order.
    std::vector<std::wstring> FilterNames();
    // True when no holder of the manager holds anything.
    bool AllHoldersEmpty() const;
};

// The name under which a filter sits in its graph ("" when in none).
std::wstring FilterName(IBaseFilter* pFilter);
// The filter owning the pin the given filter's first pin of that direction is connected to.
InterfaceHolder<IBaseFilter> PeerFilter(IBaseFilter* pFilter, PIN_DIRECTION direction);
bool IsSameObject(IUnknown* pA, IUnknown* pB);

class TunerGraphTest : public ::testing::Test
{
protected:
    // Adds a device to the tuner category whose filters are made from state.
    FakeDevice& AddTuner(const std::wstring& name, const FakeBdaStatePtr& state);
    FakeDevice& AddReceiver(const std::wstring& name, const FakeBdaStatePtr& state);

    void TearDown() override;

    // The graph manager joins the process to COM, so it is made before the devices.
    CTunerGraphProbe m_graph;
    CFakeDeviceCatalog m_devices;
    char m_szName[FRIENDLY_NAME_SIZE + 40] = {};
};
