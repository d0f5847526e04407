// The console capture's recorder: a packet consumer on the streaming thread that copies what
// it keeps into a memory ring and returns at once, and a writer thread that empties the ring
// into the output in large blocks. A slow or stalled output therefore never holds up the
// driver's samples; when the ring is full, whole received runs are dropped and counted.
//
// By default only whole packets from a confirmed sync go into the ring, so the output holds
// whole packets and bytes outside the packet grid are counted as skipped. Raw keeps each run
// exactly as delivered. The size limit counts bytes in the output: in packet mode the output
// ends at the last whole packet that fits, in raw mode with the run that reaches it.
//
// Threads: OnRunStart..OnRunEnd on the streaming thread (no lock, no allocation, no wait);
// the writer thread alone touches the output after Start; Start, Finish and the figures on
// the thread that runs the capture. Plain C++ without windows.h.
#pragma once

#include "capture/ByteRing.h"
#include "capture/PacketConsumers.h"

#include <atomic>
#include <cstdint>
#include <thread>

class CStreamAnalysis;

// Why a recording ended on its own; None while it runs and after Finish ended it.
enum class RecordEnd : uint32_t {
    None = 0,
    LimitReached,  // the size limit is reached
    WriteFailed,   // the output refused a write, a close or a new part
    OutputClosed,  // the output's reader went away
    PartTooBig,    // the volume holds no bigger file and the output is not split
};

enum class OutputStatus { Written, Failed, Closed };

// Where the writer thread puts the stream: one file, numbered parts, or standard output.
class IRecordOutput {
public:
    // nPart counts from 1; an output that cannot split is only asked for part 1.
    virtual bool OpenPart(uint32_t nPart) = 0;
    // All nLength bytes, or a failure.
    virtual OutputStatus Write(const uint8_t* pData, size_t nLength) = 0;
    virtual bool ClosePart() = 0;
    // The most bytes one part may hold on its volume; 0 for no bound.
    virtual uint64_t MostBytesPerPart() const = 0;

protected:
    ~IRecordOutput() = default;
};

struct RecordSettings {
    bool bRaw = false;
    uint64_t nRingBytes = 64 * 1048576ull;
    uint64_t nLimitBytes = 0;      // 0: no limit
    uint64_t nSplitBytes = 0;      // 0: parts are not cut by size
    uint32_t nSplitSeconds = 0;    // 0: parts are not cut by time
    bool Splits() const { return nSplitBytes != 0 || nSplitSeconds != 0; }
};

struct RecordFigures {
    uint64_t nBytesWritten = 0;    // reached the output
    uint64_t nBytesAccepted = 0;   // went into the ring
    uint64_t nBytesDropped = 0;    // left out because the ring was full
    uint64_t nSamplesDropped = 0;  // received runs left out whole
    uint64_t nDropEvents = 0;      // times the ring ran full (consecutive drops count once)
    uint64_t nSkippedBytes = 0;    // outside the packet grid, not written
    uint64_t nRingBytes = 0;
    uint64_t nRingHighest = 0;     // most bytes ever waiting in the ring
    uint64_t nLongestBlockUs = 0;  // longest single write to the output
    uint32_t nParts = 0;           // parts opened
};

class CStreamRecorder : public IPacketConsumer {
public:
    // pAnalysis, when given, is fed with exactly the packets the output receives, on the
    // streaming thread, with arrival times from pfnNowUs.
    CStreamRecorder(IRecordOutput& output, const RecordSettings& settings, CStreamAnalysis* pAnalysis = nullptr,
                    int64_t (*pfnNowUs)() = nullptr);
    CStreamRecorder(const CStreamRecorder&) = delete;
    CStreamRecorder& operator=(const CStreamRecorder&) = delete;
    ~CStreamRecorder();

    // Takes the ring's memory and opens the first part: false (nothing started) when either
    // fails; RingAllocated tells which.
    bool Start();
    bool RingAllocated() const { return m_Ring.Capacity() != 0; }
    // Stops taking runs, waits until everything taken has reached the output (or the output
    // failed), and closes it. Call once the streaming thread no longer delivers.
    void Finish();

    // True once the recording ended on its own (EndReason tells why).
    bool HasEnded() const { return EndReason() != RecordEnd::None; }
    RecordEnd EndReason() const { return static_cast<RecordEnd>(m_nEnd.load(std::memory_order_acquire)); }
    RecordFigures Figures() const;

    void OnRunStart(const uint8_t* pRun, int32_t nLength, bool bRecorded) override;
    void OnPacket(const uint8_t* pPacket) override;
    void OnSkippedBytes(uint32_t nBytes) override;
    void OnRunEnd() override;

private:
    enum class Run { Ignored, Kept, Dropped };

    void EndWith(RecordEnd reason);
    void Add(std::atomic<uint64_t>& counter, uint64_t nValue) const;
    void WriterLoop();
    // Writes one block, opening, cutting and closing parts as the settings say.
    bool WriteBlock(const uint8_t* pData, size_t nLength);
    bool NextPart();

    IRecordOutput& m_Output;
    const RecordSettings m_Settings;
    CStreamAnalysis* m_pAnalysis;
    int64_t (*m_pfnNowUs)();
    CByteRing m_Ring;
    std::thread m_Writer;
    std::atomic<bool> m_bAccepting{false};
    std::atomic<bool> m_bStopping{false};
    std::atomic<uint32_t> m_nEnd{0};

    // Streaming thread's state and counters (others read the counters).
    Run m_eRun = Run::Ignored;
    bool m_bRunFed = false;
    bool m_bDropping = false;
    std::atomic<uint64_t> m_nAccepted{0}, m_nDropped{0}, m_nSamplesDropped{0}, m_nDropEvents{0}, m_nSkipped{0};

    // Writer thread's state and counters.
    bool m_bPartOpen = false;
    uint64_t m_nPartBytes = 0;
    int64_t m_nPartStartMs = 0;
    std::atomic<uint64_t> m_nWritten{0}, m_nLongestBlockUs{0};
    std::atomic<uint32_t> m_nParts{0};
};
