// A transport stream sink for the simulated tuner's tests and benchmark, built on the
// filter framework: it keeps the bytes it receives (up to a limit), feeds them to the
// packet checker, measures the gaps between samples, can refuse after some samples, and
// can hold one delivery until released.
#pragma once

#include "filters/BaseFilter.h"
#include "filters/BaseInputPin.h"

#include <atomic>
#include <cstdint>
#include <vector>

class CSimTestSink;

class CSimTestSinkPin : public CBaseInputPin
{
public:
    CSimTestSinkPin(CSimTestSink* pSink, CCritSec* pLock, HRESULT* phr);
    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* pSample) override;

private:
    CSimTestSink* m_pSink;
};

class CSimTestSink : public CBaseFilter
{
public:
    // nKeepBytes: how many of the first bytes to keep; nRefuseAfter: samples accepted before
    // every further one is refused with E_FAIL (-1: never).
    CSimTestSink(size_t nKeepBytes, long nRefuseAfter);
    ~CSimTestSink() override;

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override;

    std::vector<uint8_t> Bytes();
    uint64_t ByteCount();
    uint32_t SampleCount();
    uint32_t Refusals();
    std::vector<long> SampleSizes();
    // Arrival of each accepted sample, in s after the first.
    std::vector<double> ArrivalSeconds();
    // The longest time between two accepted samples, and from the first to the last, in s.
    double MaxGapSeconds();
    double SpanSeconds();

    // The next delivery waits in Receive, before it is counted, until ReleaseBlock.
    void BlockNextDelivery();
    // Waits up to nMs for the blocked delivery to arrive.
    bool WaitBlocked(DWORD nMs);
    void ReleaseBlock();

    // Called by the pin on the streaming thread.
    HRESULT Take(const uint8_t* pData, long nLength);

private:
    CCritSec m_Lock;
    CCritSec m_DataLock;
    CSimTestSinkPin* m_pPin = nullptr;
    std::atomic<bool> m_bBlockNext{false};
    HANDLE m_hBlocked;  // manual-reset events
    HANDLE m_hRelease;
    size_t m_nKeepBytes;
    long m_nRefuseAfter;
    std::vector<uint8_t> m_Bytes;
    std::vector<long> m_Sizes;
    std::vector<LONGLONG> m_Times;
    uint64_t m_nBytes = 0;
    uint32_t m_nSamples = 0;
    uint32_t m_nRefusals = 0;
    uint8_t m_Carry[300] = {};
    int32_t m_nCarry = 0;
    LONGLONG m_nFirst = 0;
    LONGLONG m_nLast = 0;
    LONGLONG m_nMaxGap = 0;
};
