// The simulated tuner's test face: ISimTunerControl, reachable by QueryInterface on a
// simulated tuner filter, or by device name through the DLL's SimTunerOpenControl export.
// It reads the exact sequence of BDA and vendor calls the device received, the last LNB
// record and the delivery counters, and changes the device's behaviour on the fly.
// Everything here belongs to the device (its friendly name), not to one filter object:
// every filter bound from the same device shares it for the life of the process.
#pragma once

#include "graph/Com.h"
#include "simtuner/SimLock.h"
#include "tuner/DriverRecords.h"

// {7C46F5CF-DA21-4D9E-821D-2AD6055C614F}
inline const CLSID CLSID_QLSimTuner = {0x7C46F5CF, 0xDA21, 0x4D9E, {0x82, 0x1D, 0x2A, 0xD6, 0x05, 0x5C, 0x61, 0x4F}};
// {5099EA62-2951-469D-9E20-7A41F890DB51}
inline const CLSID CLSID_QLSimReceiver = {0x5099EA62, 0x2951, 0x469D, {0x9E, 0x20, 0x7A, 0x41, 0xF8, 0x90, 0xDB, 0x51}};
// {66A6378C-CEB3-43B1-83DC-B843C6DCA261}
inline const IID IID_ISimTunerControl = {0x66A6378C, 0xCEB3, 0x43B1, {0x83, 0xDC, 0xB8, 0x43, 0xC6, 0xDC, 0xA2, 0x61}};

enum SimCallId : ULONG {
    // IBDA_Topology (filter)
    SIM_CALL_GET_NODE_TYPES = 1,
    SIM_CALL_GET_NODE_DESCRIPTORS,
    SIM_CALL_GET_NODE_INTERFACES,
    SIM_CALL_GET_PIN_TYPES,
    SIM_CALL_GET_TEMPLATE_CONNECTIONS,
    SIM_CALL_CREATE_PIN,          // Values: pin type, id given (-1 on failure)
    SIM_CALL_DELETE_PIN,
    SIM_CALL_SET_MEDIA_TYPE,
    SIM_CALL_SET_MEDIUM,
    SIM_CALL_CREATE_TOPOLOGY,     // Values: input pin id, output pin id
    SIM_CALL_GET_CONTROL_NODE,    // Values: input pin id, output pin id, node type
    // IBDA_DeviceControl (filter)
    SIM_CALL_START_CHANGES,
    SIM_CALL_CHECK_CHANGES,
    SIM_CALL_COMMIT_CHANGES,
    SIM_CALL_GET_CHANGE_STATE,
    // IBDA_FrequencyFilter (RF tuner node); put_ calls log their value
    SIM_CALL_PUT_AUTOTUNE,
    SIM_CALL_GET_AUTOTUNE,
    SIM_CALL_PUT_FREQUENCY,
    SIM_CALL_GET_FREQUENCY,
    SIM_CALL_PUT_POLARITY,
    SIM_CALL_GET_POLARITY,
    SIM_CALL_PUT_RANGE,
    SIM_CALL_GET_RANGE,
    SIM_CALL_PUT_BANDWIDTH,
    SIM_CALL_GET_BANDWIDTH,
    SIM_CALL_PUT_FREQUENCY_MULTIPLIER,
    SIM_CALL_GET_FREQUENCY_MULTIPLIER,
    // IBDA_LNBInfo (RF tuner node of a satellite tuner)
    SIM_CALL_PUT_LOF_LOW_BAND,
    SIM_CALL_GET_LOF_LOW_BAND,
    SIM_CALL_PUT_LOF_HIGH_BAND,
    SIM_CALL_GET_LOF_HIGH_BAND,
    SIM_CALL_PUT_HIGH_LOW_SWITCH,
    SIM_CALL_GET_HIGH_LOW_SWITCH,
    // IBDA_SignalStatistics (RF tuner and demodulator nodes)
    SIM_CALL_PUT_SIGNAL_STRENGTH,
    SIM_CALL_GET_SIGNAL_STRENGTH,
    SIM_CALL_PUT_SIGNAL_QUALITY,
    SIM_CALL_GET_SIGNAL_QUALITY,
    SIM_CALL_PUT_SIGNAL_PRESENT,
    SIM_CALL_GET_SIGNAL_PRESENT,
    SIM_CALL_PUT_SIGNAL_LOCKED,
    SIM_CALL_GET_SIGNAL_LOCKED,
    SIM_CALL_PUT_SAMPLE_TIME,
    SIM_CALL_GET_SAMPLE_TIME,
    // IBDA_DigitalDemodulator (demodulator nodes); put_ calls log the value pointed to
    SIM_CALL_PUT_MODULATION_TYPE,
    SIM_CALL_GET_MODULATION_TYPE,
    SIM_CALL_PUT_INNER_FEC_METHOD,
    SIM_CALL_GET_INNER_FEC_METHOD,
    SIM_CALL_PUT_INNER_FEC_RATE,
    SIM_CALL_GET_INNER_FEC_RATE,
    SIM_CALL_PUT_OUTER_FEC_METHOD,
    SIM_CALL_GET_OUTER_FEC_METHOD,
    SIM_CALL_PUT_OUTER_FEC_RATE,
    SIM_CALL_GET_OUTER_FEC_RATE,
    SIM_CALL_PUT_SYMBOL_RATE,
    SIM_CALL_GET_SYMBOL_RATE,
    SIM_CALL_PUT_SPECTRAL_INVERSION,
    SIM_CALL_GET_SPECTRAL_INVERSION,
    // IKsPropertySet (input pin), the maker's property by request
    SIM_CALL_VENDOR_CHECK_INTERFACE,
    SIM_CALL_VENDOR_GET_DEVICE_INFO,
    SIM_CALL_VENDOR_GET_DRIVER_INFO,
    SIM_CALL_VENDOR_SET_LNB_DATA,
    SIM_CALL_VENDOR_OTHER,        // the maker's property with an unknown code or a bad record
    SIM_CALL_KS_SET,              // any other property set or id
    SIM_CALL_KS_GET,
    SIM_CALL_KS_QUERY_SUPPORTED,
    // IMediaFilter state changes of the tuner filter, logged with the state they ask for
    SIM_CALL_FILTER_STOP,
    SIM_CALL_FILTER_PAUSE,
    SIM_CALL_FILTER_RUN,
};

constexpr LONG SIM_NODE_NONE = -1;  // calls on the filter or its pins
constexpr LONG SIM_NODE_ANY = -2;   // FailCall: on every node and the filter

struct SimCallRecord {
    SimCallId eCall;
    LONG nNode;             // topology node index (its node type), SIM_NODE_NONE for the filter
    LONG Values[3];         // the call's arguments as listed above, 0 where there are none
    HRESULT hrResult;       // what the call returned
    // Vendor and other property requests:
    ULONG nInstanceLength;  // instance data length given to Set
    ULONG nDataLength;      // property data (command record) length
    ULONG nCode;            // request code, 0 when the record could not be read
    ULONG nInLength;
    ULONG nOutLength;
    ULONGLONG nInAddress;
    ULONGLONG nOutAddress;
};

struct SimDelivery {
    ULONGLONG nBytes;       // bytes accepted downstream
    ULONG nSamples;
    ULONG nRefusals;        // deliveries that ended a streaming run
    HRESULT hrLastEnd;      // why the last streaming run ended (S_OK: stopped by the graph)
    BOOL bStreaming;        // a streaming thread exists now
    // Stream left out because a delivery blocked longer than the driver's buffers last.
    ULONGLONG nDroppedBytes;
    ULONGLONG nDroppedPackets;
    ULONGLONG nDroppedTestPackets;  // of them on the test PID (synthetic stream)
    ULONG nDrops;                   // times the buffers overflowed
};

// Pause of a tuner whose device another filter runs (in this or another process).
constexpr HRESULT SIM_E_DEVICE_IN_USE = static_cast<HRESULT>(0x800700AAu);  // HRESULT_FROM_WIN32(ERROR_BUSY)

MIDL_INTERFACE("66A6378C-CEB3-43B1-83DC-B843C6DCA261")
ISimTunerControl : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetCallCount(ULONG* pnCount) = 0;
    // S_FALSE past the end; the log keeps the first 65536 calls.
    virtual HRESULT STDMETHODCALLTYPE GetCall(ULONG nIndex, SimCallRecord* pRecord) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearCalls() = 0;
    // S_FALSE (record zeroed) when no LNB data has come yet.
    virtual HRESULT STDMETHODCALLTYPE GetLastLnbData(LnbDataRecord* pLnb) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDelivery(SimDelivery* pDelivery) = 0;
    // The values committed last and the channel they locked (-1 for none); S_FALSE before
    // any commit.
    virtual HRESULT STDMETHODCALLTYPE GetCommittedTuning(SimTuning* pTuning, LONG* pnChannel) = 0;
    // A lost signal reads as neither present nor locked and stops delivery until restored.
    virtual HRESULT STDMETHODCALLTYPE SetSignalLost(BOOL bLost) = 0;
    // The next nTimes calls of eCall (-1: every one) on node nNode (SIM_NODE_ANY: anywhere)
    // fail with hr and have no effect. nTimes 0 removes the rule.
    virtual HRESULT STDMETHODCALLTYPE FailCall(SimCallId eCall, LONG nNode, HRESULT hr, LONG nTimes) = 0;
    // Removes every failure rule, the lost signal, the log and the counters.
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    // As FailCall, but each call is carried out first and then fails with hr: a driver that
    // writes a request's output and its byte count and still reports a failure. Either kind
    // of rule replaces the other for the same call and node.
    virtual HRESULT STDMETHODCALLTYPE FailCallAfterEffect(SimCallId eCall, LONG nNode, HRESULT hr, LONG nTimes) = 0;
};
__CRT_UUID_DECL(ISimTunerControl, 0x66A6378C, 0xCEB3, 0x43B1, 0x83, 0xDC, 0xB8, 0x43, 0xC6, 0xDC, 0xA2, 0x61)

// DLL exports (GetProcAddress names in quotes).
// "SimTunerRegisterScenario": replaces every simulated device registered in the system with
// the scenario's (UTF-8 text); on a scenario error writes "line N: ..." to pszError and
// returns E_INVALIDARG. Resets the control state of every device in this process.
typedef HRESULT(WINAPI* PFN_SimTunerRegisterScenario)(LPCSTR pszScenario, LPSTR pszError, UINT cchError);
// "SimTunerOpenControl": the control of the device with this friendly name (it need not be
// bound yet, so failures can be set up before the program enumerates).
typedef HRESULT(WINAPI* PFN_SimTunerOpenControl)(LPCWSTR pszFriendlyName, ISimTunerControl** ppControl);
