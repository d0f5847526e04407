#include "SimTestSink.h"

#include "capture/TsPacketChecker.h"

#include <algorithm>

CSimTestSinkPin::CSimTestSinkPin(CSimTestSink* pSink, CCritSec* pLock, HRESULT* phr)
    : CBaseInputPin("test sink input", pSink, pLock, phr, L"Input")
    , m_pSink(pSink)
{
}

HRESULT CSimTestSinkPin::CheckMediaType(const CMediaType* pmt)
{
    return pmt && pmt->majortype == MEDIATYPE_Stream ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT STDMETHODCALLTYPE CSimTestSinkPin::Receive(IMediaSample* pSample)
{
    if (!pSample)
        return E_POINTER;
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    BYTE* pData = nullptr;
    hr = pSample->GetPointer(&pData);
    if (FAILED(hr))
        return hr;
    return m_pSink->Take(pData, pSample->GetActualDataLength());
}

CSimTestSink::CSimTestSink(size_t nKeepBytes, long nRefuseAfter)
    : CBaseFilter("test sink", nullptr, &m_Lock, GUID_NULL)
    , m_nKeepBytes(nKeepBytes)
    , m_nRefuseAfter(nRefuseAfter)
{
    HRESULT hr = S_OK;
    m_pPin = new CSimTestSinkPin(this, &m_Lock, &hr);
    m_hBlocked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_hRelease = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

CSimTestSink::~CSimTestSink()
{
    delete m_pPin;
    CloseHandle(m_hBlocked);
    CloseHandle(m_hRelease);
}

void CSimTestSink::BlockNextDelivery()
{
    ResetEvent(m_hBlocked);
    ResetEvent(m_hRelease);
    m_bBlockNext = true;
}

bool CSimTestSink::WaitBlocked(DWORD nMs)
{
    return WaitForSingleObject(m_hBlocked, nMs) == WAIT_OBJECT_0;
}

void CSimTestSink::ReleaseBlock()
{
    SetEvent(m_hRelease);
}

CBasePin* CSimTestSink::GetPin(int n)
{
    return n == 0 ? m_pPin : nullptr;
}

HRESULT CSimTestSink::Take(const uint8_t* pData, long nLength)
{
    if (m_bBlockNext.exchange(false)) {
        SetEvent(m_hBlocked);
        // Bounded, so that a failed test cannot hold the streaming thread for ever.
        WaitForSingleObject(m_hRelease, 60000);
    }
    CAutoLock lock(&m_DataLock);
    if (m_nRefuseAfter >= 0 && m_nSamples >= static_cast<uint32_t>(m_nRefuseAfter)) {
        ++m_nRefusals;
        return E_FAIL;
    }
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (m_nSamples == 0)
        m_nFirst = now.QuadPart;
    else if (now.QuadPart - m_nLast > m_nMaxGap)
        m_nMaxGap = now.QuadPart - m_nLast;
    m_nLast = now.QuadPart;
    ++m_nSamples;
    m_nBytes += static_cast<uint64_t>(nLength);
    m_Sizes.push_back(nLength);
    m_Times.push_back(now.QuadPart);
    const size_t keep = std::min(static_cast<size_t>(nLength), m_nKeepBytes - std::min(m_nKeepBytes, m_Bytes.size()));
    m_Bytes.insert(m_Bytes.end(), pData, pData + keep);
    if (nLength > 0)
        AlignPackets(pData, nLength, m_Carry, m_nCarry);
    return S_OK;
}

std::vector<uint8_t> CSimTestSink::Bytes()
{
    CAutoLock lock(&m_DataLock);
    return m_Bytes;
}

uint64_t CSimTestSink::ByteCount()
{
    CAutoLock lock(&m_DataLock);
    return m_nBytes;
}

uint32_t CSimTestSink::SampleCount()
{
    CAutoLock lock(&m_DataLock);
    return m_nSamples;
}

uint32_t CSimTestSink::Refusals()
{
    CAutoLock lock(&m_DataLock);
    return m_nRefusals;
}

std::vector<long> CSimTestSink::SampleSizes()
{
    CAutoLock lock(&m_DataLock);
    return m_Sizes;
}

std::vector<double> CSimTestSink::ArrivalSeconds()
{
    CAutoLock lock(&m_DataLock);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> seconds;
    seconds.reserve(m_Times.size());
    for (LONGLONG t : m_Times)
        seconds.push_back(static_cast<double>(t - m_nFirst) / static_cast<double>(frequency.QuadPart));
    return seconds;
}

double CSimTestSink::MaxGapSeconds()
{
    CAutoLock lock(&m_DataLock);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(m_nMaxGap) / static_cast<double>(frequency.QuadPart);
}

double CSimTestSink::SpanSeconds()
{
    CAutoLock lock(&m_DataLock);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(m_nLast - m_nFirst) / static_cast<double>(frequency.QuadPart);
}
