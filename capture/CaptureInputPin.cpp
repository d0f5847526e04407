#include "capture/CaptureInputPin.h"

#include "capture/CaptureFilter.h"

#include <algorithm>

CCaptureInputPin::CCaptureInputPin(CCaptureFilter* pFilter, CCritSec* pLock, CCaptureSession& session, HRESULT* phr)
    : CBaseInputPin("inppars", pFilter, pLock, phr, L"Input")
    , m_Path(session)
    , m_pOwnerFilter(pFilter)
{
}

HRESULT CCaptureInputPin::CheckMediaType(const CMediaType* pmt)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCaptureInputPin::Receive(IMediaSample* pSample)
{
    if (!pSample)
        return E_POINTER;
    BYTE* pBuffer = nullptr;
    pSample->GetPointer(&pBuffer);
    // A length beyond the buffer would read past it: only the buffer's bytes are taken.
    const long nLength = std::min(pSample->GetActualDataLength(), pSample->GetSize());
    OutputDebugStringA("Receive OK??");
    if (!pBuffer || nLength <= 0)
        return S_OK;
    OutputDebugStringA(" (Buf && Len>0) == true");

    switch (m_Path.Receive(pBuffer, nLength)) {
    case SampleWrite::NotWritten:
        break;
    case SampleWrite::Written:
        OutputDebugStringA("bRecord  == true");
        break;
    case SampleWrite::ClosedAtLimit:
        OutputDebugStringA("bRecord  == true");
        OutputDebugStringA("bRecord  == true and close fpsave");
        break;
    case SampleWrite::ClosedOnWriteError:
        OutputDebugStringA("bRecord  == true");
        OutputDebugStringA("bRecord  == true but write failed, close fpsave");
        break;
    }
    return S_OK;
}
