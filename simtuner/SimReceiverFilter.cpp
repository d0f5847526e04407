#include "simtuner/SimReceiverFilter.h"

#include "simtuner/SimModule.h"
#include "simtuner/SimScenario.h"
#include "simtuner/SimTunerControl.h"
#include "simtuner/SimTunerPins.h"
#include "simtuner/SimWideText.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr long RECEIVER_OUTPUT_BUFFERS = 8;

} // namespace

CSimReceiverInputPin::CSimReceiverInputPin(CSimReceiverFilter* pFilter, CCritSec* pLock, HRESULT* phr)
    : CBaseInputPin("simulated receiver input", pFilter, pLock, phr, L"MPEG2 Transport In")
    , m_pReceiver(pFilter)
{
}

HRESULT CSimReceiverInputPin::CheckMediaType(const CMediaType* pmt)
{
    if (m_pReceiver->Refuses())
        return VFW_E_TYPE_NOT_ACCEPTED;
    return IsTransportStreamType(pmt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CSimReceiverInputPin::GetMediaType(int iPosition, CMediaType* pMediaType)
{
    return GetTransportStreamType(iPosition, pMediaType) ? S_OK : VFW_S_NO_MORE_ITEMS;
}

long CSimReceiverInputPin::BufferSize()
{
    ALLOCATOR_PROPERTIES props = {};
    if (m_pAllocator && SUCCEEDED(m_pAllocator->GetProperties(&props)))
        return props.cbBuffer;
    return 0;
}

HRESULT STDMETHODCALLTYPE CSimReceiverInputPin::Receive(IMediaSample* pSample)
{
    if (!pSample)
        return E_POINTER;
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    CSimReceiverOutputPin* pOutput = m_pReceiver->OutputPin();
    if (!pOutput->IsConnected())
        return VFW_E_NOT_CONNECTED;

    BYTE* pIn = nullptr;
    hr = pSample->GetPointer(&pIn);
    if (FAILED(hr))
        return hr;
    const long nLength = pSample->GetActualDataLength();
    IMediaSample* pOut = nullptr;
    hr = pOutput->GetDeliveryBuffer(&pOut, nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    BYTE* pOutData = nullptr;
    pOut->GetPointer(&pOutData);
    if (!pOutData || pOut->GetSize() < nLength) {
        pOut->Release();
        return E_UNEXPECTED;
    }
    std::memcpy(pOutData, pIn, static_cast<size_t>(nLength));
    pOut->SetActualDataLength(nLength);
    hr = pOutput->Deliver(pOut);
    pOut->Release();
    return hr;
}

CSimReceiverOutputPin::CSimReceiverOutputPin(CSimReceiverFilter* pFilter, CCritSec* pLock, HRESULT* phr)
    : CBaseOutputPin("simulated receiver output", pFilter, pLock, phr, L"MPEG2 Transport Out")
    , m_pReceiver(pFilter)
{
}

HRESULT CSimReceiverOutputPin::CheckMediaType(const CMediaType* pmt)
{
    return IsTransportStreamType(pmt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CSimReceiverOutputPin::GetMediaType(int iPosition, CMediaType* pMediaType)
{
    // The type coming in goes out first.
    CSimReceiverInputPin* pInput = m_pReceiver->InputPin();
    if (pInput->IsConnected()) {
        if (iPosition != 0)
            return VFW_S_NO_MORE_ITEMS;
        return pMediaType->Set(pInput->CurrentMediaType());
    }
    return GetTransportStreamType(iPosition, pMediaType) ? S_OK : VFW_S_NO_MORE_ITEMS;
}

HRESULT CSimReceiverOutputPin::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pprop)
{
    // Every incoming sample must fit one buffer; 1 MB covers an input connected later.
    const long nNeeded = std::max(m_pReceiver->InputPin()->BufferSize(), 1024L * 1024L);
    pprop->cBuffers = std::max(pprop->cBuffers, RECEIVER_OUTPUT_BUFFERS);
    pprop->cbBuffer = std::max(pprop->cbBuffer, nNeeded);
    ALLOCATOR_PROPERTIES actual = {};
    const HRESULT hr = pAlloc->SetProperties(pprop, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer < nNeeded ? E_FAIL : S_OK;
}

CSimReceiverFilter::CSimReceiverFilter(HRESULT* phr)
    : CBaseFilter("simulated BDA receiver component", nullptr, &m_Lock, CLSID_QLSimReceiver)
{
    SimModuleObjectCreated();
    HRESULT hr = S_OK;
    m_pInput = new (std::nothrow) CSimReceiverInputPin(this, &m_Lock, &hr);
    m_pOutput = new (std::nothrow) CSimReceiverOutputPin(this, &m_Lock, &hr);
    if (phr)
        *phr = m_pInput && m_pOutput ? S_OK : E_OUTOFMEMORY;
}

CSimReceiverFilter::~CSimReceiverFilter()
{
    delete m_pInput;
    delete m_pOutput;
    SimModuleObjectDestroyed();
}

HRESULT STDMETHODCALLTYPE CSimReceiverFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IPersistPropertyBag)
        return GetInterface(static_cast<IPersistPropertyBag*>(this), ppv);
    return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

CBasePin* CSimReceiverFilter::GetPin(int n)
{
    return n == 0 ? static_cast<CBasePin*>(m_pInput) : n == 1 ? static_cast<CBasePin*>(m_pOutput) : nullptr;
}

HRESULT STDMETHODCALLTYPE CSimReceiverFilter::InitNew()
{
    return m_bLoaded ? E_UNEXPECTED : S_OK;
}

HRESULT STDMETHODCALLTYPE CSimReceiverFilter::Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog)
{
    if (!pPropBag)
        return E_POINTER;
    CAutoLock lock(&m_Lock);
    if (m_bLoaded)
        return E_UNEXPECTED;
    std::string name;
    HRESULT hr = ReadBagText(pPropBag, L"FriendlyName", &name);
    if (FAILED(hr))
        return hr;
    std::vector<std::pair<std::string, std::string>> values;
    for (size_t i = 0; i < kSimReceiverKeyCount; ++i) {
        std::string value;
        if (SUCCEEDED(ReadBagText(pPropBag, WideFromUtf8(kSimReceiverKeys[i]).c_str(), &value)))
            values.emplace_back(kSimReceiverKeys[i], value);
    }
    if (!ReceiverFromValues(name, values, &m_Settings).empty())
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    m_bLoaded = true;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSimReceiverFilter::Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties)
{
    return E_NOTIMPL;
}
