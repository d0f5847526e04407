#include "capture/CaptureInputPin.h"

#include "capture/CaptureFilter.h"
#include "capture/CaptureState.h"

CCaptureInputPin::CCaptureInputPin(CCaptureFilter* pFilter, CCritSec* pLock, HRESULT* phr)
    : CBaseInputPin("inppars", pFilter, pLock, phr, L"Input")
    , m_Consumers(&g_TestStreamChecker)
    , m_Carry()
    , m_nCarry(0)
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
    const long nLength = pSample->GetActualDataLength();
    OutputDebugStringA("Receive OK??");
    if (!pBuffer || nLength <= 0)
        return S_OK;
    OutputDebugStringA(" (Buf && Len>0) == true");

    switch (g_CaptureState.WriteSample(pBuffer, nLength)) {
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

    AlignPackets(pBuffer, nLength, m_Carry, m_nCarry, m_Consumers);
    return S_OK;
}
