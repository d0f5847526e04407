#include "simtuner/SimStreamer.h"

#include "base/WideText.h"
#include "simtuner/SimDevice.h"
#include "simtuner/SimTunerFilter.h"
#include "simtuner/SimTunerPins.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

// Idle poll of the run and lock state, in ms.
constexpr DWORD IDLE_POLL_MS = 5;

// Counter ticks at which nBytes are due from the start of pacing.
LONGLONG DueTicks(ULONGLONG nBytes, ULONGLONG nBitrate, LONGLONG nFrequency)
{
    const ULONGLONG bits = nBytes * 8;
    return static_cast<LONGLONG>((bits / nBitrate) * static_cast<ULONGLONG>(nFrequency) +
                                 (bits % nBitrate) * static_cast<ULONGLONG>(nFrequency) / nBitrate);
}

// Bytes of stream that come in over nTicks counter ticks.
ULONGLONG BytesIn(LONGLONG nTicks, ULONGLONG nBitrate, LONGLONG nFrequency)
{
    const ULONGLONG ticks = static_cast<ULONGLONG>(nTicks);
    const ULONGLONG frequency = static_cast<ULONGLONG>(nFrequency);
    return ((ticks / frequency) * nBitrate + (ticks % frequency) * nBitrate / frequency) / 8;
}

LONGLONG Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

} // namespace

CSimStreamer::~CSimStreamer()
{
    BeginStop();
    Join();
}

HRESULT CSimStreamer::Start(CSimTunerFilter* pFilter, CSimTsOutputPin* pPin)
{
    if (m_hThread)
        return S_OK;
    const SimTunerSettings& settings = pFilter->Settings();
    if (settings.sTsFile.empty()) {
        m_pSource.reset(new CSimTsSource(settings.Stream));
    } else {
        FILE* pFile = _wfopen(WideFromUtf8(settings.sTsFile).c_str(), L"rb");
        if (!pFile)
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        m_pSource.reset(new CSimTsSource(pFile));
    }
    m_pFilter = pFilter;
    m_pPin = pPin;
    m_bStopping = false;
    m_hStop.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (m_hStop.IsNull())
        return HRESULT_FROM_WIN32(GetLastError());
    m_hThread.Reset(CreateThread(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, nullptr));
    if (m_hThread.IsNull()) {
        const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        m_hStop.Reset();
        return hr;
    }
    // Streaming counts from before the thread runs, so a run never reads as ended before it began.
    pFilter->Device()->StreamingStarted();
    ResumeThread(m_hThread);
    return S_OK;
}

void CSimStreamer::BeginStop()
{
    m_bRunning = false;
    m_bStopping = true;
    if (!m_hStop.IsNull())
        SetEvent(m_hStop);
}

void CSimStreamer::Join()
{
    if (!m_hThread.IsNull()) {
        WaitForSingleObject(m_hThread, INFINITE);
        m_hThread.Reset();
    }
    m_hStop.Reset();
    m_pSource.reset();
}

DWORD WINAPI CSimStreamer::ThreadProc(LPVOID pParam)
{
    static_cast<CSimStreamer*>(pParam)->Loop();
    return 0;
}

bool CSimStreamer::WaitStop(DWORD nMs)
{
    return WaitForSingleObject(m_hStop, nMs) == WAIT_OBJECT_0;
}

void CSimStreamer::Loop()
{
    CSimDevice* pDevice = m_pFilter->Device();
    const ULONGLONG nBitrate = m_pFilter->Settings().nBitrate;
    const long nSampleSize = static_cast<long>(m_pFilter->Settings().nSampleSize);
    const ULONGLONG nBufferBytes = nBitrate * m_pFilter->Settings().nBufferMs / 8000;
    TsGeneratorStats reported;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

    bool bPacing = false;
    LONGLONG nPaceStart = 0;
    ULONGLONG nPaceBytes = 0;
    HRESULT hrEnd = S_OK;
    while (!WaitStop(0)) {
        if (!m_bRunning || !m_pFilter->IsLockedNow()) {
            bPacing = false;
            WaitStop(IDLE_POLL_MS);
            continue;
        }
        const LONGLONG now = Now();
        if (!bPacing) {
            bPacing = true;
            nPaceStart = now;
            nPaceBytes = 0;
        }
        const LONGLONG due = nPaceStart + DueTicks(nPaceBytes, nBitrate, frequency.QuadPart);
        if (now < due) {
            const LONGLONG ms = (due - now) * 1000 / frequency.QuadPart;
            WaitStop(static_cast<DWORD>(std::max<LONGLONG>(ms, 1)));
            continue;
        }
        // The driver's buffers hold nBufferBytes of stream while a delivery is late; what came
        // in beyond them is lost, as on the hardware, and the stream goes on after it.
        const ULONGLONG nArrived = BytesIn(now - nPaceStart, nBitrate, frequency.QuadPart);
        if (nArrived > nPaceBytes + nBufferBytes) {
            m_pSource->Drop(nArrived - nPaceBytes - nBufferBytes);
            nPaceBytes = nArrived - nBufferBytes;
        }

        IMediaSample* pSample = nullptr;
        HRESULT hr = m_pPin->GetDeliveryBuffer(&pSample, nullptr, nullptr, 0);
        if (FAILED(hr) || !pSample) {
            hrEnd = m_bStopping ? S_OK : (FAILED(hr) ? hr : E_POINTER);
            break;
        }
        BYTE* pData = nullptr;
        pSample->GetPointer(&pData);
        const long n = std::min(pSample->GetSize(), nSampleSize);
        if (!pData || n <= 0 || !m_pSource->Fill(pData, static_cast<size_t>(n))) {
            pSample->Release();
            hrEnd = HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);
            break;
        }
        const TsGeneratorStats dropped = m_pSource->Dropped();
        if (dropped.nDroppedPackets != reported.nDroppedPackets) {
            pDevice->Dropped(dropped.nDroppedBytes - reported.nDroppedBytes,
                             dropped.nDroppedPackets - reported.nDroppedPackets,
                             dropped.nDroppedTestPackets - reported.nDroppedTestPackets);
            reported = dropped;
        }
        pSample->SetActualDataLength(n);
        hr = m_pPin->Deliver(pSample);
        pSample->Release();
        if (hr != S_OK) {
            hrEnd = m_bStopping ? S_OK : hr;
            break;
        }
        pDevice->Delivered(static_cast<size_t>(n));
        nPaceBytes += static_cast<ULONGLONG>(n);
    }
    pDevice->StreamingEnded(hrEnd);
}
