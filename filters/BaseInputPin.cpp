#include "filters/BaseInputPin.h"

#include <cstring>

CBaseInputPin::CBaseInputPin(const char* pObjectName, CBaseFilter* pFilter, CCritSec* pLock,
                             HRESULT* phr, LPCWSTR pName)
    : CBasePin(pObjectName, pFilter, pLock, phr, pName, PINDIR_INPUT)
    , m_bReadOnly(0)
    , m_bFlushing(0)
{
    std::memset(&m_SampleProps, 0, sizeof(m_SampleProps));
}

CBaseInputPin::~CBaseInputPin() = default;

HRESULT STDMETHODCALLTYPE CBaseInputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IMemInputPin)
        return GetInterface(static_cast<IMemInputPin*>(this), ppv);
    return CBasePin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::BeginFlush()
{
    CAutoLock lock(m_pLock);
    m_bFlushing = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::EndFlush()
{
    CAutoLock lock(m_pLock);
    m_bFlushing = 0;
    m_bRunTimeError = false;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::Notify(IBaseFilter* pSender, Quality q)
{
    return pSender ? S_OK : E_POINTER;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::GetAllocator(IMemAllocator** ppAllocator)
{
    if (!ppAllocator)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    if (m_pAllocator.IsNull()) {
        HRESULT hr = m_pAllocator.CreateInstance(CLSID_MemoryAllocator, CLSCTX_INPROC_SERVER);
        if (FAILED(hr)) {
            *ppAllocator = nullptr;
            return hr;
        }
    }
    *ppAllocator = m_pAllocator;
    (*ppAllocator)->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly)
{
    if (!pAllocator)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    m_pAllocator = pAllocator;
    m_bReadOnly = static_cast<BYTE>(bReadOnly ? 1 : 0);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::ReceiveMultiple(IMediaSample** pSamples, long nSamples,
                                                         long* nSamplesProcessed)
{
    if (!pSamples || !nSamplesProcessed)
        return E_POINTER;
    *nSamplesProcessed = 0;
    HRESULT hr = S_OK;
    for (long i = 0; i < nSamples; ++i) {
        hr = Receive(pSamples[i]);
        if (hr != S_OK)
            break;
        ++*nSamplesProcessed;
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::ReceiveCanBlock()
{
    const int cPins = m_pFilter->GetPinCount();
    bool bAnyOutput = false;
    for (int n = 0; n < cPins; ++n) {
        CBasePin* pPin = m_pFilter->GetPin(n);
        if (!pPin || pPin->Direction() != PINDIR_OUTPUT || !pPin->IsConnected())
            continue;
        bAnyOutput = true;
        QueriedHolder<IMemInputPin> input(pPin->GetConnected());
        if (input.IsNull() || input->ReceiveCanBlock() != S_FALSE)
            return S_OK;
    }
    return bAnyOutput ? S_FALSE : S_OK;
}

HRESULT CBaseInputPin::Inactive()
{
    m_bRunTimeError = false;
    if (m_pAllocator.IsNull())
        return VFW_E_NO_ALLOCATOR;
    m_bFlushing = 0;
    return m_pAllocator->Decommit();
}

HRESULT CBaseInputPin::BreakConnect()
{
    if (!m_pAllocator.IsNull()) {
        HRESULT hr = m_pAllocator->Decommit();
        if (FAILED(hr))
            return hr;
        m_pAllocator.Reset();
    }
    return S_OK;
}

HRESULT CBaseInputPin::CheckStreaming()
{
    if (IsStopped())
        return VFW_E_WRONG_STATE;
    if (m_bFlushing)
        return S_FALSE;
    if (m_bRunTimeError)
        return VFW_E_RUNTIME_ERROR;
    return S_OK;
}
