// ISimTunerControl's methods, answered by a CSimDevice; the deriving COM object supplies
// IUnknown and the device.
#pragma once

#include "simtuner/SimDevice.h"

class CSimControlFace : public ISimTunerControl
{
public:
    HRESULT STDMETHODCALLTYPE GetCallCount(ULONG* pnCount) override { return ControlDevice()->GetCallCount(pnCount); }
    HRESULT STDMETHODCALLTYPE GetCall(ULONG nIndex, SimCallRecord* pRecord) override
    {
        return ControlDevice()->GetCall(nIndex, pRecord);
    }
    HRESULT STDMETHODCALLTYPE ClearCalls() override { return ControlDevice()->ClearCalls(); }
    HRESULT STDMETHODCALLTYPE GetLastLnbData(LnbDataRecord* pLnb) override
    {
        return ControlDevice()->GetLastLnbData(pLnb);
    }
    HRESULT STDMETHODCALLTYPE GetDelivery(SimDelivery* pDelivery) override
    {
        return ControlDevice()->GetDelivery(pDelivery);
    }
    HRESULT STDMETHODCALLTYPE GetCommittedTuning(SimTuning* pTuning, LONG* pnChannel) override
    {
        return ControlDevice()->GetCommittedTuning(pTuning, pnChannel);
    }
    HRESULT STDMETHODCALLTYPE SetSignalLost(BOOL bLost) override { return ControlDevice()->SetSignalLost(bLost); }
    HRESULT STDMETHODCALLTYPE FailCall(SimCallId eCall, LONG nNode, HRESULT hr, LONG nTimes) override
    {
        return ControlDevice()->FailCall(eCall, nNode, hr, nTimes);
    }
    HRESULT STDMETHODCALLTYPE Reset() override { return ControlDevice()->Reset(); }
    HRESULT STDMETHODCALLTYPE FailCallAfterEffect(SimCallId eCall, LONG nNode, HRESULT hr, LONG nTimes) override
    {
        return ControlDevice()->FailCall(eCall, nNode, hr, nTimes, true);
    }

protected:
    virtual CSimDevice* ControlDevice() = 0;
};

// The control of one device on its own, for SimTunerOpenControl.
class CSimControlHandle final : public CSimControlFace
{
public:
    explicit CSimControlHandle(CSimDevice* pDevice);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

protected:
    CSimDevice* ControlDevice() override { return m_pDevice; }

private:
    ~CSimControlHandle();

    CSimDevice* m_pDevice;
    LONG volatile m_cRef = 1;
};
