#include "TestSource.h"

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

CTestSource::CTestSource(HRESULT* phr)
    : CBaseFilter("test source", nullptr, &m_Lock, GUID_NULL)
    , m_pPin(new (std::nothrow) CTestSourcePin(this, &m_Lock, phr))
{
    if (!m_pPin)
        *phr = E_OUTOFMEMORY;
}

CTestSource::~CTestSource()
{
    delete m_pPin;
}

CBasePin* CTestSource::GetPin(int n)
{
    return n == 0 ? m_pPin : nullptr;
}
