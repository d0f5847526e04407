// The capture sink's input pin "Input". Every received sample is appended to the capture
// file while recording is on, and is always cut into transport packets for its consumers
// (the test stream checker, and whatever else watches the stream).
#pragma once

#include "capture/TsPacketChecker.h"
#include "filters/BaseInputPin.h"

#include <cstdint>

class CCaptureFilter;

class CCaptureInputPin : public CBaseInputPin
{
public:
    // pLock is the filter's lock, shared by filter and pin.
    CCaptureInputPin(CCaptureFilter* pFilter, CCritSec* pLock, HRESULT* phr);

    // Any stream is accepted; the upstream pin proposes the type.
    HRESULT CheckMediaType(const CMediaType* pmt) override;

    // Streaming thread. Takes no lock and allocates nothing; never rejects a sample.
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* pSample) override;

    CPacketConsumers& PacketConsumers() { return m_Consumers; }

private:
    CPacketConsumers m_Consumers;
    // Start of a packet left incomplete by the previous sample.
    uint8_t m_Carry[TS_CARRY_SIZE];
    int32_t m_nCarry;
    CCaptureFilter* m_pOwnerFilter;
};
