// The capture file and its hand-over between the window thread, which starts and stops a
// recording, and the streaming thread, which writes every received sample while recording
// is on and ends the recording at the size limit or on a failed write.
//
// bRecord is the whole hand-over: Idle (0) or one of the recording states below. Whoever
// moves it owns fpsave for that moment, so the streaming thread never takes a lock, the
// file is closed exactly once, and nothing is written to it after that.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>

// Why the last recording ended (None while recording or before the first one).
enum class CaptureEnd : uint32_t {
    None = 0,
    Stopped,       // StopCapture
    LimitReached,  // the size limit was reached
    WriteFailed,   // a write or the final flush failed; the file is incomplete
};

// What WriteSample did with one sample.
enum class SampleWrite {
    NotWritten,          // not recording, or an empty sample
    Written,             // appended; recording goes on
    ClosedAtLimit,       // appended whole, then the limit closed the file
    ClosedOnWriteError,  // written short (or the flush failed); the file is closed
};

constexpr uint64_t CAPTURE_BYTES_PER_MB = 1048576;

class CCaptureState {
public:
    CCaptureState() = default;
    CCaptureState(const CCaptureState&) = delete;
    CCaptureState& operator=(const CCaptureState&) = delete;
    ~CCaptureState();

    // Window thread. Takes over pFile (opened "wb") and starts recording; nLimitMB 0 means
    // no limit. Returns false, leaving pFile with the caller, when pFile is null or a
    // recording is still on.
    bool StartCapture(FILE* pFile, uint32_t nLimitMB);
    // Window thread. Clears the captured count when no recording is on, as a new start
    // does before its path is checked.
    void ClearCapturedBytes();
    // Window thread. Ends a recording that is still on and closes its file; returns once
    // the file is closed, waiting at most for a write in progress.
    void StopCapture();

    bool IsRecording() const { return bRecord.load(std::memory_order_acquire) != Idle; }
    // Bytes really written since the last start; they stay after the recording ends.
    uint64_t CapturedBytes() const { return nCapturedBytes.load(std::memory_order_relaxed); }
    uint32_t CapturedMB() const { return static_cast<uint32_t>(CapturedBytes() / CAPTURE_BYTES_PER_MB); }
    CaptureEnd EndReason() const { return static_cast<CaptureEnd>(nEndReason.load(std::memory_order_acquire)); }

    // Streaming thread: appends one sample while recording is on. *pnWritten, when given,
    // receives the bytes that went into the file (fewer than nLength after a short write).
    SampleWrite WriteSample(const uint8_t* pData, int32_t nLength, size_t* pnWritten = nullptr);

private:
    enum : uint32_t {
        Idle = 0,
        Recording,    // fpsave open, nobody writing
        Writing,      // the streaming thread holds fpsave
        StopPending,  // StopCapture arrived during a write: the writer closes and goes Idle
    };

    // Closes fpsave and records why; returns the reason kept.
    CaptureEnd CloseFile(CaptureEnd reason);

    std::atomic<uint32_t> bRecord{Idle};
    FILE* fpsave = nullptr;
    std::atomic<uint64_t> nCapturedBytes{0};  // 64 bits: captures of 4 GiB and more
    uint64_t nLimitBytes = 0;  // 0: no limit
    std::atomic<uint32_t> nEndReason{static_cast<uint32_t>(CaptureEnd::None)};
};

// The program's one capture.
extern CCaptureState g_CaptureState;
