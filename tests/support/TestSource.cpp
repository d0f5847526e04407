#include "support/TestSource.h"

#include <cstring>
#include <new>

CTestSourcePin::CTestSourcePin(CTestSource* pFilter, CCritSec* pLock, HRESULT* phr)
    : CBaseOutputPin("test source pin", pFilter, pLock, phr, L"TS Out")
{
}

HRESULT CTestSourcePin::CheckMediaType(const CMediaType* pmt)
{
    return pmt->majortype == MEDIATYPE_Stream && pmt->subtype == MEDIASUBTYPE_MPEG2_TRANSPORT ? S_OK : E_FAIL;
}

HRESULT CTestSourcePin::GetMediaType(int iPosition, CMediaType* pMediaType)
{
    if (iPosition != 0)
        return VFW_S_NO_MORE_ITEMS;
    pMediaType->SetType(&MEDIATYPE_Stream);
    pMediaType->SetSubtype(&MEDIASUBTYPE_MPEG2_TRANSPORT);
    return S_OK;
}

HRESULT CTestSourcePin::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pprop)
{
    pprop->cBuffers = 4;
    pprop->cbBuffer = CTestSource::BUFFER_SIZE;
    ALLOCATOR_PROPERTIES actual = {};
    HRESULT hr = pAlloc->SetProperties(pprop, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer < CTestSource::BUFFER_SIZE ? E_FAIL : S_OK;
}

HRESULT CTestSourcePin::DeliverBytes(const uint8_t* pData, long nLength)
{
    IMediaSample* pSample = nullptr;
    HRESULT hr = GetDeliveryBuffer(&pSample, nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    BYTE* pBuffer = nullptr;
    pSample->GetPointer(&pBuffer);
    if (nLength > pSample->GetSize())
        nLength = pSample->GetSize();
    std::memcpy(pBuffer, pData, static_cast<size_t>(nLength));
    pSample->SetActualDataLength(nLength);
    hr = Deliver(pSample);
    pSample->Release();
    return hr;
}

CTestSource::CTestSource() : CSource("test source", nullptr, GUID_NULL) {}

CTestSource::~CTestSource()
{
    for (CBasePin* pPin : m_Pins)
        delete pPin;
}

CBasePin* CTestSource::GetPin(int n)
{
    return n >= 0 && n < static_cast<int>(m_Pins.size()) ? m_Pins[n] : nullptr;
}

CTestSourcePin* CTestSource::AddStreamPin()
{
    HRESULT hr = S_OK;
    CTestSourcePin* pPin = new (std::nothrow) CTestSourcePin(this, &m_cStateLock, &hr);
    if (pPin && FAILED(hr)) {
        delete pPin;
        return nullptr;
    }
    if (pPin) {
        m_Pins.push_back(pPin);
        IncrementPinVersion();
    }
    return pPin;
}
