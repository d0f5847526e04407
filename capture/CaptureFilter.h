// The program's sink at the end of the tuner graph: one input pin that hands the transport
// stream to a capture session, and the graph's reference clock. Created in the process,
// never registered.
#pragma once

#include "filters/BaseFilter.h"
#include "graph/InterfaceHolder.h"

class CCaptureInputPin;
class CCaptureSession;

class CCaptureFilter : public CBaseFilter
{
public:
    // The caller sets *phr to S_OK first; E_OUTOFMEMORY when the pin cannot be allocated.
    // The pin records into session, which must outlive the filter. clsidClock is the clock
    // class to create (the system clock; tests name one that does not exist). A clock that
    // cannot be created is no failure: there is then none to offer.
    CCaptureFilter(HRESULT* phr, CCaptureSession& session, REFCLSID clsidClock = CLSID_SystemClock);
    ~CCaptureFilter() override;

    // IReferenceClock gives the separate clock object (E_NOINTERFACE without one);
    // everything else is the filter's own.
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    int GetPinCount() override;
    CBasePin* GetPin(int n) override;

private:
    CCritSec m_Lock;
    CCaptureInputPin* m_pPin;
    InterfaceHolder<IReferenceClock> m_pSystemClock;
};

// Creates the filter, recording into session, into the (emptied) holder, which then owns its
// only reference. On failure the holder stays empty and the constructor's status is returned.
// ppSink, when given, receives the filter itself, valid while the holder keeps it.
HRESULT CreateCaptureFilter(InterfaceHolder<IBaseFilter>& filter, CCaptureSession& session,
                            CCaptureFilter** ppSink = nullptr);
