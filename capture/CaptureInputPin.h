// The capture sink's input pin "Input". Every received sample goes to the capture session
// the pin was made with: appended to its capture file while recording is on, and always cut
// into transport packets for its consumers (the test stream checker, and whatever else
// watches the stream).
#pragma once

#include "capture/ReceivePath.h"
#include "filters/BaseInputPin.h"

class CCaptureFilter;

class CCaptureInputPin : public CBaseInputPin
{
public:
    // pLock is the filter's lock, shared by filter and pin; session outlives the pin.
    CCaptureInputPin(CCaptureFilter* pFilter, CCritSec* pLock, CCaptureSession& session, HRESULT* phr);

    // Any stream is accepted; the upstream pin proposes the type.
    HRESULT CheckMediaType(const CMediaType* pmt) override;

    // Streaming thread. Takes no lock and allocates nothing; never rejects a sample.
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* pSample) override;

private:
    CReceivePath m_Path;
    CCaptureFilter* m_pOwnerFilter;
};
