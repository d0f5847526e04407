// What one simulated device keeps for the life of the process, shared by every filter
// bound from it: the call log, the failure rules, the signal, the last LNB record and the
// delivery counters. Looked up by friendly name.
#pragma once

#include "filters/CritSec.h"
#include "simtuner/SimTunerControl.h"
#include "simtuner/SimTunerState.h"

#include <string>
#include <vector>

class CSimDevice {
public:
    // The device of that name, created on first use; it lives until the DLL unloads.
    static CSimDevice* Find(const std::wstring& name);
    // Every device back to its start state (a new scenario was registered).
    static void ResetAll();

    // What a failure rule sets for this call now (counting it down); hr S_OK for none.
    struct Failure {
        HRESULT hr = S_OK;
        bool bAfterEffect = false;  // the call is carried out before it fails
    };
    Failure TakeFailure(SimCallId eCall, LONG nNode);
    void Log(const SimCallRecord& record);
    // Runs a call: an injected failure replaces it, or follows it when the rule says so; the
    // outcome goes to the log. work gets the record to add what it learns (returned values,
    // request fields).
    template <class F>
    HRESULT Call(SimCallRecord record, F work)
    {
        const Failure failure = TakeFailure(record.eCall, record.nNode);
        HRESULT hr = failure.hr;
        if (hr == S_OK || failure.bAfterEffect) {
            const HRESULT hrWork = work(record);
            if (hr == S_OK)
                hr = hrWork;
        }
        record.hrResult = hr;
        Log(record);
        return hr;
    }
    template <class F>
    HRESULT Call(SimCallId eCall, LONG nNode, LONG v0, LONG v1, LONG v2, F work)
    {
        return Call(MakeRecord(eCall, nNode, v0, v1, v2), work);
    }
    static SimCallRecord MakeRecord(SimCallId eCall, LONG nNode, LONG v0 = 0, LONG v1 = 0, LONG v2 = 0)
    {
        SimCallRecord record = {};
        record.eCall = eCall;
        record.nNode = nNode;
        record.Values[0] = v0;
        record.Values[1] = v1;
        record.Values[2] = v2;
        return record;
    }

    SimSignal Signal();
    void SetLnbData(const LnbDataRecord& lnb);
    void SetCommitted(const SimTuning& tuning, LONG nChannel);
    void StreamingStarted();
    void Delivered(size_t nBytes);
    void Dropped(ULONGLONG nBytes, ULONGLONG nPackets, ULONGLONG nTestPackets);
    // hrEnd S_OK: the graph stopped the run; anything else: delivery was refused.
    void StreamingEnded(HRESULT hrEnd);

    // ISimTunerControl
    HRESULT GetCallCount(ULONG* pnCount);
    HRESULT GetCall(ULONG nIndex, SimCallRecord* pRecord);
    HRESULT ClearCalls();
    HRESULT GetLastLnbData(LnbDataRecord* pLnb);
    HRESULT GetDelivery(SimDelivery* pDelivery);
    HRESULT GetCommittedTuning(SimTuning* pTuning, LONG* pnChannel);
    HRESULT SetSignalLost(BOOL bLost);
    HRESULT FailCall(SimCallId eCall, LONG nNode, HRESULT hr, LONG nTimes, bool bAfterEffect = false);
    HRESULT Reset();

private:
    struct FailureRule {
        SimCallId eCall;
        LONG nNode;
        HRESULT hr;
        LONG nTimes;  // -1: for ever
        bool bAfterEffect;
    };

    static constexpr size_t MAX_LOG = 65536;

    CCritSec m_Lock;
    std::vector<SimCallRecord> m_Log;
    std::vector<FailureRule> m_Rules;
    SimSignal m_Signal;
    bool m_bLnbSet = false;
    LnbDataRecord m_Lnb = {};
    bool m_bCommitted = false;
    SimTuning m_Committed;
    LONG m_nChannel = -1;
    SimDelivery m_Delivery = {};
};
