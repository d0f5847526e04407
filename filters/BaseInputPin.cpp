#include "filters/BaseInputPin.h"

#include <cstring>

CBaseInputPin::CBaseInputPin(const char* pObjectName, CBaseFilter* pFilter, CCritSec* pLock,
                             HRESULT* phr, LPCWSTR pName)
    : CBasePin(pObjectName, pFilter, pLock, phr, pName, PINDIR_INPUT)
    , m_pAllocator(nullptr)
    , m_bReadOnly(0)
    , m_bFlushing(0)
{
    std::memset(&m_SampleProps, 0, sizeof(m_SampleProps));
}

CBaseInputPin::~CBaseInputPin()
{
    if (m_pAllocator) {
        m_pAllocator->Release();
        m_pAllocator = nullptr;
    }
}

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
    if (!m_pAllocator) {
        HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IMemAllocator, reinterpret_cast<void**>(&m_pAllocator));
        if (FAILED(hr)) {
            m_pAllocator = nullptr;
            *ppAllocator = nullptr;
            return hr;
        }
    }
    m_pAllocator->AddRef();
    *ppAllocator = m_pAllocator;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseInputPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly)
{
    if (!pAllocator)
        return E_POINTER;
    CAutoLock lock(m_pLock);
    pAllocator->AddRef();
    IMemAllocator* pOld = m_pAllocator;
    m_pAllocator = pAllocator;
    if (pOld)
        pOld->Release();
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
        IMemInputPin* pInput = nullptr;
        HRESULT hr = pPin->GetConnected()->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&pInput));
        if (FAILED(hr) || !pInput)
            return S_OK;
        hr = pInput->ReceiveCanBlock();
        pInput->Release();
        if (hr != S_FALSE)
            return S_OK;
    }
    return bAnyOutput ? S_FALSE : S_OK;
}

HRESULT CBaseInputPin::Inactive()
{
    m_bRunTimeError = false;
    if (!m_pAllocator)
        return VFW_E_NO_ALLOCATOR;
    m_bFlushing = 0;
    return m_pAllocator->Decommit();
}

HRESULT CBaseInputPin::BreakConnect()
{
    if (m_pAllocator) {
        HRESULT hr = m_pAllocator->Decommit();
        if (FAILED(hr))
            return hr;
        m_pAllocator->Release();
        m_pAllocator = nullptr;
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
