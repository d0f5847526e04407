// A source filter built on the framework, with any output pins a test adds; it owns and
// deletes them. Its stream pin offers an MPEG-2 transport stream and delivers the buffers
// a test hands it, as the tuner side's streaming thread would.
#pragma once

#include "filters/BaseOutputPin.h"
#include "filters/Source.h"

#include <cstdint>
#include <vector>

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

class CTestSource : public CSource
{
public:
    static constexpr long BUFFER_SIZE = 65536;

    // Starts with no reference and no pins, as every framework filter does.
    CTestSource();
    ~CTestSource() override;

    int GetPinCount() override { return static_cast<int>(m_Pins.size()); }
    CBasePin* GetPin(int n) override;
    IBaseFilter* Face() { return this; }
    CCritSec* Lock() { return &m_cStateLock; }
    // Adds the transport stream pin; null when it could not be made.
    CTestSourcePin* AddStreamPin();

    std::vector<CBasePin*> m_Pins;
};
