// A small source filter built on the framework for the sink tests: one output pin that
// offers an MPEG-2 transport stream and delivers the buffers a test hands it, as the tuner
// side's streaming thread would.
#pragma once

#include "filters/BaseFilter.h"
#include "filters/BaseOutputPin.h"

#include <cstdint>

class CTestSource;

class CTestSourcePin : public CBaseOutputPin
{
public:
    CTestSourcePin(CTestSource* pFilter, CCritSec* pLock, HRESULT* phr);

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT GetMediaType(int iPosition, CMediaType* pMediaType) override;
    HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pprop) override;

    // Copies nLength bytes (at most one buffer) into a sample and delivers it.
    HRESULT DeliverBytes(const uint8_t* pData, long nLength);
};

class CTestSource : public CBaseFilter
{
public:
    static constexpr long BUFFER_SIZE = 65536;

    explicit CTestSource(HRESULT* phr);
    ~CTestSource() override;

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override;
    CTestSourcePin* OutputPin() { return m_pPin; }

private:
    CCritSec m_Lock;
    CTestSourcePin* m_pPin;
};
