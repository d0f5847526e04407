// The capture sink's input pin "Input". Every received sample is appended to the capture
// file while recording is on, and is always cut into transport packets for its consumers
// (the test stream checker, and whatever else watches the stream).
#pragma once

#include "capture/ReceivePath.h"
#include "filters/BaseInputPin.h"

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

    CPacketConsumers& PacketConsumers() { return m_Path.Consumers(); }

private:
    CReceivePath m_Path;
    CCaptureFilter* m_pOwnerFilter;
};
