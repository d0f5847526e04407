// A hand-made IBaseFilter with IPin pins for tests against the real filter graph manager.
// Every answer that a test may want to vary is a public result field; every call that a
// test may want to observe is counted. Pins share the filter's reference count.
#pragma once

#include "graph/Com.h"
#include "graph/InterfaceHolder.h"

#include <string>
#include <vector>

class CFakeFilter;

class CFakePin final : public IPin
{
public:
    CFakePin(CFakeFilter* pFilter, const std::wstring& name, PIN_DIRECTION direction);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** ppPin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* pInfo) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* pDirection) override;
    STDMETHODIMP QueryId(LPWSTR* ppId) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
    STDMETHODIMP QueryInternalConnections(IPin** apPin, ULONG* nPin) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

    IPin* Peer() const { return m_pPeer.Get(); }

    HRESULT m_hrQueryDirection = S_OK;
    HRESULT m_hrConnect = S_OK;           // a failure is returned before the peer is asked
    HRESULT m_hrReceiveConnection = S_OK;
    int m_nConnectCalls = 0;

private:
    CFakeFilter* m_pFilter;
    std::wstring m_name;
    PIN_DIRECTION m_direction;
    InterfaceHolder<IPin> m_pPeer;
};

class CFakeFilter : public IBaseFilter
{
public:
    // Starts with one reference, owned by the caller.
    explicit CFakeFilter(REFCLSID clsid = GUID_NULL);
    virtual ~CFakeFilter();

    CFakePin* AddPin(const std::wstring& name, PIN_DIRECTION direction);
    CFakePin* Pin(size_t i) const { return m_pins[i]; }
    ULONG RefCount() const { return static_cast<ULONG>(m_cRef); }
    // Fake filters alive in the process.
    static LONG LiveCount();

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetClassID(CLSID* pClsid) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME tStart) override;
    STDMETHODIMP GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* pState) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** ppClock) override;
    STDMETHODIMP EnumPins(IEnumPins** ppEnum) override;
    STDMETHODIMP FindPin(LPCWSTR Id, IPin** ppPin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* pVendorInfo) override;

    // Joined graph (not owned, as the graph manager owns the filter) and name.
    IFilterGraph* m_pGraph = nullptr;
    std::wstring m_name;
    FILTER_STATE m_state = State_Stopped;

    HRESULT m_hrStop = S_OK;
    HRESULT m_hrPause = S_OK;
    HRESULT m_hrRun = S_OK;
    HRESULT m_hrGetState = S_OK;          // e.g. VFW_S_STATE_INTERMEDIATE or VFW_S_CANT_CUE
    HRESULT m_hrEnumPins = S_OK;
    HRESULT m_hrJoin = S_OK;
    HRESULT m_hrLeave = S_OK;             // JoinFilterGraph(NULL, NULL), the graph's removal
    int m_nStopCalls = 0;
    int m_nPauseCalls = 0;
    int m_nRunCalls = 0;
    int m_nJoinCalls = 0;
    int m_nEnumPinsCalls = 0;
    // Where a fresh pin enumerator starts, as a filter that hands out a used one would.
    size_t m_nEnumStart = 0;

private:
    LONG m_cRef = 1;
    CLSID m_clsid;
    std::vector<CFakePin*> m_pins;
    InterfaceHolder<IReferenceClock> m_pClock;
};

// Creates a fake filter into an empty holder that then owns its first reference.
inline CFakeFilter* NewFakeFilter(InterfaceHolder<CFakeFilter>& holder, REFCLSID clsid = GUID_NULL)
{
    holder.Attach(new CFakeFilter(clsid));
    return holder.Get();
}
