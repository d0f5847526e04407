#include "capture/CaptureFilter.h"

#include "capture/CaptureInputPin.h"
#include "filters/CreateFilter.h"

CCaptureFilter::CCaptureFilter(HRESULT* phr, CCaptureSession& session, REFCLSID clsidClock)
    : CBaseFilter("CLOCK", nullptr, &m_Lock, GUID_NULL)
    , m_pPin(nullptr)
{
    m_pPin = new (std::nothrow) CCaptureInputPin(this, &m_Lock, session, phr);
    if (!m_pPin)
        *phr = E_OUTOFMEMORY;
    m_pSystemClock.CreateInstance(clsidClock, CLSCTX_ALL);
}

CCaptureFilter::~CCaptureFilter()
{
    m_pSystemClock.Reset();
    delete m_pPin;
    m_pPin = nullptr;
}

HRESULT STDMETHODCALLTYPE CCaptureFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IReferenceClock) {
        // Without a clock the graph chooses another one rather than taking a null.
        if (m_pSystemClock.IsNull()) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        return GetInterface(m_pSystemClock.Get(), ppv);
    }
    return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

int CCaptureFilter::GetPinCount()
{
    return 1;
}

CBasePin* CCaptureFilter::GetPin(int n)
{
    return n == 0 ? m_pPin : nullptr;
}

HRESULT CreateCaptureFilter(InterfaceHolder<IBaseFilter>& filter, CCaptureSession& session, CCaptureFilter** ppSink)
{
    const HRESULT hr = CreateFilter<CCaptureFilter>(filter, session);
    if (ppSink)
        *ppSink = filter.IsNull() ? nullptr : static_cast<CCaptureFilter*>(filter.Get());
    return hr;
}
