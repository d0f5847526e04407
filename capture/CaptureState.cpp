#include "capture/CaptureState.h"

#include <thread>

CCaptureState g_CaptureState;

CCaptureState::~CCaptureState()
{
    StopCapture();
}

void CCaptureState::ClearCapturedBytes()
{
    if (bRecord.load(std::memory_order_acquire) == Idle)
        nCapturedBytes.store(0, std::memory_order_relaxed);
}

bool CCaptureState::StartCapture(FILE* pFile, uint32_t nLimitMB)
{
    // Only the streaming thread leaves a recording state on its own, and it always goes
    // Idle, so once Idle is seen here the fields below are the window thread's alone.
    if (!pFile || bRecord.load(std::memory_order_acquire) != Idle)
        return false;
    fpsave = pFile;
    nLimitBytes = static_cast<uint64_t>(nLimitMB) * CAPTURE_BYTES_PER_MB;  // 64 bits: 4096 MB and more
    nCapturedBytes.store(0, std::memory_order_relaxed);
    nEndReason.store(static_cast<uint32_t>(CaptureEnd::None), std::memory_order_relaxed);
    bRecord.store(Recording, std::memory_order_release);
    return true;
}

void CCaptureState::StopCapture()
{
    uint32_t state = bRecord.load(std::memory_order_acquire);
    for (;;) {
        if (state == Idle)
            return;  // never started, or the limit or a failed write ended it
        if (state == Recording) {
            if (bRecord.compare_exchange_weak(state, Idle, std::memory_order_acquire))
                break;
            continue;
        }
        if (state == Writing && !bRecord.compare_exchange_weak(state, StopPending, std::memory_order_relaxed))
            continue;
        // The writer finishes its sample, closes the file and goes Idle.
        while (bRecord.load(std::memory_order_acquire) != Idle)
            std::this_thread::yield();
        return;
    }
    CloseFile(CaptureEnd::Stopped);
}

CaptureEnd CCaptureState::CloseFile(CaptureEnd reason)
{
    // A failed flush loses buffered bytes, so the file is as incomplete as after a short write.
    if (std::fclose(fpsave) != 0)
        reason = CaptureEnd::WriteFailed;
    fpsave = nullptr;
    nEndReason.store(static_cast<uint32_t>(reason), std::memory_order_release);
    return reason;
}

SampleWrite CCaptureState::WriteSample(const uint8_t* pData, int32_t nLength, size_t* pnWritten)
{
    if (pnWritten)
        *pnWritten = 0;
    if (!pData || nLength <= 0)
        return SampleWrite::NotWritten;
    uint32_t state = Recording;
    if (!bRecord.compare_exchange_strong(state, Writing, std::memory_order_acquire))
        return SampleWrite::NotWritten;

    const size_t nWritten = std::fwrite(pData, 1, static_cast<size_t>(nLength), fpsave);
    if (pnWritten)
        *pnWritten = nWritten;
    const uint64_t nTotal = nCapturedBytes.load(std::memory_order_relaxed) + nWritten;
    nCapturedBytes.store(nTotal, std::memory_order_relaxed);

    SampleWrite result = SampleWrite::Written;
    CaptureEnd reason = CaptureEnd::Stopped;
    if (nWritten != static_cast<size_t>(nLength)) {
        result = SampleWrite::ClosedOnWriteError;
        reason = CaptureEnd::WriteFailed;
    } else if (nLimitBytes != 0 && nTotal >= nLimitBytes) {
        result = SampleWrite::ClosedAtLimit;
        reason = CaptureEnd::LimitReached;
    } else {
        state = Writing;
        if (bRecord.compare_exchange_strong(state, Recording, std::memory_order_release))
            return SampleWrite::Written;
        // StopCapture is waiting for this write: close the file on its behalf.
    }

    const bool bFlushFailed = CloseFile(reason) == CaptureEnd::WriteFailed;
    bRecord.store(Idle, std::memory_order_release);
    if (result == SampleWrite::ClosedAtLimit && bFlushFailed)
        result = SampleWrite::ClosedOnWriteError;
    return result;
}
