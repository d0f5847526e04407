// Hand-made BDA devices: a filter (tuner or receiver component) with named pins, a topology
// that reports pin types, creates pins and hands out control nodes, and the maker's property
// on its input pins. Everything a test sets up or reads back sits in one FakeBdaState, shared
// by every filter and node made from it: answers, injected failures, the call log, the
// statistics the nodes report and the vendor requests received.
#pragma once

#include "graph/Com.h"
#include "graph/InterfaceHolder.h"
#include "tuner/DriverRecords.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// One call as a fake saw it: nNode is the node type, -1 for the filter and its pins.
struct BdaCall {
    std::string sName;
    LONG nNode;
    LONGLONG nValue;

    bool operator==(const BdaCall& o) const { return sName == o.sName && nNode == o.nNode && nValue == o.nValue; }
};

struct FakeNodeSetup {
    GUID guidFunction;
    ULONG nType;
    bool bFrequencyFilter = false;
    bool bLnbInfo = false;
    bool bDemodulator = false;
    bool bStatistics = false;
    bool bDeviceControl = false;
};

struct FakePinSetup {
    std::wstring sName;
    PIN_DIRECTION eDirection;
    bool bPropertySet = false;
    bool bListed = true;  // false: the filter's pin enumerator does not hand it out (yet)
};

// A Set on some pin's IKsPropertySet, with copies of the buffers handed over.
struct KsSetRecord {
    size_t nPin;                // the pin's position on its filter
    std::wstring sPin;
    GUID guidSet;
    ULONG nId;
    std::vector<BYTE> Instance;
    std::vector<BYTE> Data;
    ULONG nInstanceLength;
    ULONG nDataLength;
    LONGLONG nCounterAtSet;     // the vendor command's bytes-returned counter when sent, -1 without one
};

struct FakeBdaState {
    // Shape of the filter.
    std::vector<FakePinSetup> Pins;
    bool bBaseFilter = true;             // false: only IUnknown answers for the filter itself
    bool bTopology = true;
    bool bDeviceControl = true;          // IBDA_DeviceControl on the filter itself
    std::vector<FakeNodeSetup> Nodes;     // in descriptor order

    // Topology set-up: the pin types reported, the id the next created pin gets, and whether
    // a pin enumerator reports a pin set changed since its creation as out of sync.
    std::vector<ULONG> PinTypes{2, 3};    // the antenna input type, then the stream output type
    ULONG nNextPinId = 7;
    bool bEnumOutOfSyncWhenChanged = true;

    // Input pins.
    bool bPinInfoNamesFilter = true;      // false: QueryPinInfo names no owning filter
    bool bOfferAntennaType = false;       // EnumMediaTypes offers the antenna type
    int nConnectionsToRefuse = 0;         // ReceiveConnection calls still to refuse
    InterfaceHolder<IMemAllocator> pOfferedAllocator;  // else GetAllocator fails

    // What the nodes' statistics read. Lock and presence read as 0 until nLockAfterReads
    // readings of the lock have been made.
    BOOLEAN bLocked = 1;
    BOOLEAN bPresent = 1;
    LONG nStrength = 80;
    LONG nQuality = 90;
    int nLockAfterReads = 0;
    int nLockReads = 0;
    std::vector<DWORD> LockReadTimes;  // timeGetTime of every lock reading

    // Injected failures: by call name on every node ("put_Frequency"), or on one node
    // ("get_SignalLocked@2"); the filter's and its pins' own calls use node -1.
    std::map<std::string, HRESULT> Failures;

    // The maker's driver: the result of each request code (default S_OK), the records it
    // hands out, the last LNB record it received.
    std::map<uint32_t, HRESULT> VendorResults;
    DeviceInfoRecord DeviceInfo = {};
    DriverInfoRecord DriverInfo = {};
    LnbDataRecord LastLnb = {};
    int nLnbRecords = 0;

    std::vector<BdaCall> Calls;
    std::vector<KsSetRecord> KsSets;
    std::vector<std::wstring> JoinedAs;       // names given when joining a graph
    std::vector<std::wstring> ConnectedFrom;  // graph names of the filters that connected to an input
    // GetControlNode arguments: input pin id, output pin id, node type.
    std::vector<std::vector<ULONG>> ControlNodeRequests;
    int nFiltersMade = 0;

    HRESULT Result(const std::string& sCall, LONG nNode) const;
    // Logs the call and returns its injected result (S_OK without one).
    HRESULT Log(const std::string& sCall, LONG nNode, LONGLONG nValue = 0);
    // The logged calls of these names, in order.
    std::vector<BdaCall> CallsNamed(std::initializer_list<const char*> names) const;
    // The names of all logged calls, in order.
    std::vector<std::string> CallNames() const;
    // The pin types of the CreatePin calls, and the (input, output) ids of the CreateTopology
    // calls, in order.
    std::vector<ULONG> CreatedPinTypes() const;
    std::vector<std::pair<ULONG, ULONG>> Topologies() const;
};

using FakeBdaStatePtr = std::shared_ptr<FakeBdaState>;

// Makes a new fake filter from the state (as a device's BindToObject would).
HRESULT CreateFakeBdaFilter(const FakeBdaStatePtr& state, REFIID riid, void** ppv);
// The pin at a position of a fake filter, listed or not, and the allocator it was last
// notified of (null when none or disconnected). No reference is added.
IPin* FakeBdaPin(IBaseFilter* pFakeFilter, size_t nIndex);
IMemAllocator* FakeBdaNotifiedAllocator(IPin* pFakePin);
// Makes one control node with every interface its setup grants.
InterfaceHolder<IUnknown> CreateFakeNode(const FakeBdaStatePtr& state, const FakeNodeSetup& setup);

FakeNodeSetup MakeNode(REFGUID guidFunction, ULONG nType);

// Fake filters and nodes alive in the process.
LONG FakeBdaFiltersAlive();
LONG FakeBdaNodesAlive();

// Ready-made states. A tuner of a kind has "Input0" (with the maker's property) and an
// output pin and creates no others, IBDA_DeviceControl on the filter, an RF tuner node (type 0) with frequency
// filter, statistics and, for satellite, LNB info, and a demodulator node (type 1) with
// demodulator and statistics (for ATSC too, where the program must leave them alone).
FakeBdaStatePtr MakeTunerState(int nSourceType);
// A receiver component: one input and one output pin, no topology.
FakeBdaStatePtr MakeReceiverState();

GUID DemodulatorOf(int nSourceType);
