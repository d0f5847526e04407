#include "filters/BaseOutputPin.h"

CBaseOutputPin::CBaseOutputPin(const char* pObjectName, CBaseFilter* pFilter, CCritSec* pLock,
                               HRESULT* phr, LPCWSTR pName)
    : CBasePin(pObjectName, pFilter, pLock, phr, pName, PINDIR_OUTPUT)
{
}

CBaseOutputPin::~CBaseOutputPin() = default;

HRESULT STDMETHODCALLTYPE CBaseOutputPin::EndOfStream()
{
    return E_UNEXPECTED;
}

HRESULT STDMETHODCALLTYPE CBaseOutputPin::BeginFlush()
{
    return E_UNEXPECTED;
}

HRESULT STDMETHODCALLTYPE CBaseOutputPin::EndFlush()
{
    return E_UNEXPECTED;
}

HRESULT CBaseOutputPin::Active()
{
    if (m_pAllocator.IsNull())
        return VFW_E_NO_ALLOCATOR;
    return m_pAllocator->Commit();
}

HRESULT CBaseOutputPin::Inactive()
{
    m_bRunTimeError = false;
    if (m_pAllocator.IsNull())
        return VFW_E_NO_ALLOCATOR;
    return m_pAllocator->Decommit();
}

HRESULT CBaseOutputPin::CheckConnect(IPin* pPin)
{
    HRESULT hr = CBasePin::CheckConnect(pPin);
    if (FAILED(hr))
        return hr;
    hr = pPin->QueryInterface(IID_IMemInputPin, m_pInputPin.OutVoid());
    if (FAILED(hr)) {
        // A failed query may leave anything in the slot; it holds no reference.
        m_pInputPin.Detach();
        return hr;
    }
    return m_pInputPin.IsNull() ? E_NOINTERFACE : S_OK;
}

HRESULT CBaseOutputPin::BreakConnect()
{
    if (!m_pAllocator.IsNull()) {
        HRESULT hr = m_pAllocator->Decommit();
        if (FAILED(hr))
            return hr;
        m_pAllocator.Reset();
    }
    m_pInputPin.Reset();
    return S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin* pReceivePin)
{
    return DecideAllocator(m_pInputPin, m_pAllocator.OutSlot());
}

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* pPin, IMemAllocator** ppAlloc)
{
    *ppAlloc = nullptr;
    if (!pPin)
        return VFW_E_NOT_CONNECTED;

    ALLOCATOR_PROPERTIES prop = {};
    pPin->GetAllocatorRequirements(&prop);
    if (prop.cbAlign == 0)
        prop.cbAlign = 1;

    // The input pin's own allocator first, then ours; a refused one is released.
    auto settle = [&](HRESULT hr) {
        if (SUCCEEDED(hr))
            hr = DecideBufferSize(*ppAlloc, &prop);
        if (SUCCEEDED(hr))
            hr = pPin->NotifyAllocator(*ppAlloc, FALSE);
        if (FAILED(hr) && *ppAlloc) {
            (*ppAlloc)->Release();
            *ppAlloc = nullptr;
        }
        return hr;
    };
    HRESULT hr = settle(pPin->GetAllocator(ppAlloc));
    if (SUCCEEDED(hr))
        return S_OK;
    hr = settle(InitAllocator(ppAlloc));
    return SUCCEEDED(hr) ? S_OK : hr;
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** ppSample, REFERENCE_TIME* pStartTime,
                                          REFERENCE_TIME* pEndTime, DWORD dwFlags)
{
    if (m_pAllocator.IsNull())
        return E_NOINTERFACE;
    return m_pAllocator->GetBuffer(ppSample, pStartTime, pEndTime, dwFlags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* pSample)
{
    if (m_pInputPin.IsNull())
        return VFW_E_NOT_CONNECTED;
    return m_pInputPin->Receive(pSample);
}

HRESULT CBaseOutputPin::InitAllocator(IMemAllocator** ppAlloc)
{
    return CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                            reinterpret_cast<void**>(ppAlloc));
}

HRESULT CBaseOutputPin::DeliverEndOfStream()
{
    if (!IsConnected())
        return VFW_E_NOT_CONNECTED;
    return m_Connected->EndOfStream();
}

HRESULT CBaseOutputPin::DeliverBeginFlush()
{
    if (!IsConnected())
        return VFW_E_NOT_CONNECTED;
    return m_Connected->BeginFlush();
}

HRESULT CBaseOutputPin::DeliverEndFlush()
{
    if (!IsConnected())
        return VFW_E_NOT_CONNECTED;
    return m_Connected->EndFlush();
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate)
{
    if (!IsConnected())
        return VFW_E_NOT_CONNECTED;
    return m_Connected->NewSegment(tStart, tStop, dRate);
}
