// Shared pieces of the simulated tuner's tests: scenario registration, device enumeration
// through the system device enumerator, vendor requests, and the topology set-up that the
// program's network provider would do.
#pragma once

#include "graph/InterfaceHolder.h"
#include "simtuner/SimTunerLibrary.h"
#include "tuner/DriverRecords.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

struct SimTestDevice {
    std::string sName;
    InterfaceHolder<IBaseFilter> Filter;
};

// Joins COM, loads the DLL and registers a scenario for one test; removes the devices after.
class SimTunerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void Register(const std::string& scenario);

    CSimTunerLibrary m_Library;
    bool m_bComJoined = false;
};

// Every device of a category in enumeration order, bound to its filter.
std::vector<SimTestDevice> EnumerateDevices(REFGUID category);
// The filter of the tuner with this name (bound through its moniker), or an empty holder.
InterfaceHolder<IBaseFilter> BindTuner(const std::string& name);
InterfaceHolder<ISimTunerControl> ControlOf(IUnknown* pFilter);

std::vector<std::wstring> PinNames(IBaseFilter* pFilter);
InterfaceHolder<IPin> PinByIndex(IBaseFilter* pFilter, int nIndex);

// Sends one request through the input pin's IKsPropertySet as the program does to a driver
// of the documented 40-byte record; returns Set's status.
HRESULT SendVendorRequest(IBaseFilter* pTuner, uint32_t code, void* pIn, uint32_t inLength, void* pOut,
                          uint32_t outLength);

// CreateTopology(0, 1), as the provider does for a tuner that exposes both pins.
HRESULT JoinTopology(IBaseFilter* pTuner);
// The control node at a descriptor position, queried for T.
template <class T>
InterfaceHolder<T> NodeInterface(IBaseFilter* pTuner, ULONG nNode)
{
    InterfaceHolder<T> result;
    QueriedHolder<IBDA_Topology> topology(pTuner);
    InterfaceHolder<IUnknown> node;
    if (!topology.IsNull() && topology->GetControlNode(0, 1, nNode, node.OutSlot()) == S_OK)
        node.QueryTo(result);
    return result;
}

// Polls the condition until it holds or the generous time-out passes; returns it.
bool WaitFor(const std::function<bool()>& condition, DWORD nMs = 10000);

// Calls of one kind in the device's log, in order.
std::vector<SimCallRecord> CallsOf(ISimTunerControl* pControl, SimCallId eCall);
std::vector<SimCallRecord> AllCalls(ISimTunerControl* pControl);
