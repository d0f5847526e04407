// Filter base: the IBaseFilter contract with the three-state machine, the reference clock,
// graph membership and pin lookup. A derived filter supplies its pins.
#pragma once

#include "filters/CritSec.h"
#include "filters/Unknown.h"
#include "graph/InterfaceHolder.h"

class CBasePin;
// Registration data of a filter; this program's filters carry none.
struct AMOVIESETUP_FILTER;

class CBaseFilter : public CUnknown, public IBaseFilter, public IAMovieSetup
{
public:
    // pLock is the filter lock; the derived filter owns it and it must outlive this object.
    CBaseFilter(const char* pName, IUnknown* pUnk, CCritSec* pLock, REFCLSID clsid);
    ~CBaseFilter() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClsID) override;

    // IMediaFilter
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME tStart) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD dwMSecs, FILTER_STATE* State) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* pClock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** pClock) override;

    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** ppEnum) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR Id, IPin** ppPin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* pInfo) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* pVendorInfo) override;

    // IAMovieSetup
    HRESULT STDMETHODCALLTYPE Register() override;
    HRESULT STDMETHODCALLTYPE Unregister() override;

    // Hooks, in this order after CUnknown's.
    // Clock time minus the start given to Run; VFW_E_NO_CLOCK without a clock.
    virtual HRESULT StreamTime(REFERENCE_TIME& rtStream);
    virtual LONG GetPinVersion();
    virtual int GetPinCount() = 0;
    // The pin at index n (not counted), or null when there is none.
    virtual CBasePin* GetPin(int n) = 0;
    virtual const AMOVIESETUP_FILTER* GetSetupData();

    bool IsStopped() const { return m_State == State_Stopped; }
    bool IsActive() const { return m_State != State_Stopped; }
    // A derived filter calls this whenever it adds or removes pins, so that enumerators
    // notice the change.
    void IncrementPinVersion();
    CCritSec* pStateLock() const { return m_pLock; }
    IFilterGraph* GetFilterGraph() const { return m_pGraph; }

protected:
    FILTER_STATE m_State;
    InterfaceHolder<IReferenceClock> m_pClock;
    REFERENCE_TIME m_tStart;
    CLSID m_clsid;
    CCritSec* m_pLock;
    WCHAR* m_pName;
    IFilterGraph* m_pGraph;
    IMediaEventSink* m_pSink;
    LONG volatile m_PinVersion;
};
