#include "capture/StreamRecorder.h"

#include "ts/StreamAnalysis.h"
#include "ts/TsPacket.h"

#include <chrono>

namespace {

constexpr size_t WRITE_BLOCK = 1 << 20;          // the most one write hands the output
constexpr size_t WORTH_WRITING = 256 * 1024;     // less than this waits for more ...
constexpr int64_t MOST_WAIT_MS = 100;            // ... but not longer than this
// At 100 Mbit/s a block of WORTH_WRITING gathers in 20 ms: waking more often only costs.
constexpr auto IDLE_SLEEP = std::chrono::milliseconds(20);

int64_t SteadyUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

CStreamRecorder::CStreamRecorder(IRecordOutput& output, const RecordSettings& settings, CStreamAnalysis* pAnalysis,
                                 int64_t (*pfnNowUs)())
    : m_Output(output), m_Settings(settings), m_pAnalysis(pAnalysis), m_pfnNowUs(pfnNowUs)
{
}

CStreamRecorder::~CStreamRecorder()
{
    Finish();
}

bool CStreamRecorder::Start()
{
    // In packet mode the ring holds whole packets and wraps between two of them, so every
    // block the writer takes starts at a packet.
    uint64_t nBytes = m_Settings.nRingBytes;
    if (!m_Settings.bRaw)
        nBytes -= nBytes % TS_PACKET_SIZE;
    if (nBytes == 0 || nBytes > SIZE_MAX || !m_Ring.Allocate(static_cast<size_t>(nBytes)))
        return false;
    if (!NextPart())
        return false;
    m_bAccepting.store(true, std::memory_order_release);
    m_Writer = std::thread(&CStreamRecorder::WriterLoop, this);
    return true;
}

void CStreamRecorder::Finish()
{
    m_bAccepting.store(false, std::memory_order_release);
    m_bStopping.store(true, std::memory_order_release);
    if (m_Writer.joinable())
        m_Writer.join();
}

void CStreamRecorder::EndWith(RecordEnd reason)
{
    uint32_t nNone = static_cast<uint32_t>(RecordEnd::None);
    m_nEnd.compare_exchange_strong(nNone, static_cast<uint32_t>(reason), std::memory_order_release);
    m_bAccepting.store(false, std::memory_order_release);
}

// One thread writes each counter; the atomic only lets others read it whole.
void CStreamRecorder::Add(std::atomic<uint64_t>& counter, uint64_t nValue) const
{
    counter.store(counter.load(std::memory_order_relaxed) + nValue, std::memory_order_relaxed);
}

RecordFigures CStreamRecorder::Figures() const
{
    RecordFigures figures;
    figures.nBytesWritten = m_nWritten.load(std::memory_order_relaxed);
    figures.nBytesAccepted = m_nAccepted.load(std::memory_order_relaxed);
    figures.nBytesDropped = m_nDropped.load(std::memory_order_relaxed);
    figures.nSamplesDropped = m_nSamplesDropped.load(std::memory_order_relaxed);
    figures.nDropEvents = m_nDropEvents.load(std::memory_order_relaxed);
    figures.nSkippedBytes = m_nSkipped.load(std::memory_order_relaxed);
    figures.nRingBytes = m_Ring.Capacity();
    figures.nRingHighest = m_Ring.HighestFill();
    figures.nLongestBlockUs = m_nLongestBlockUs.load(std::memory_order_relaxed);
    figures.nParts = m_nParts.load(std::memory_order_relaxed);
    return figures;
}

void CStreamRecorder::OnRunStart(const uint8_t* pRun, int32_t nLength, bool /*bRecorded*/)
{
    m_eRun = Run::Ignored;
    m_bRunFed = false;
    if (nLength <= 0 || !m_bAccepting.load(std::memory_order_acquire))
        return;
    // Decided for the whole run, so a run is kept or dropped whole: the packets a run
    // completes (with the start carried over from the run before) fill at most nLength + 187.
    const uint64_t nRun = static_cast<uint64_t>(nLength);
    if (m_Ring.FreeSpace() < (m_Settings.bRaw ? nRun : nRun + TS_PACKET_SIZE - 1)) {
        m_eRun = Run::Dropped;
        Add(m_nSamplesDropped, 1);
        if (!m_bDropping)
            Add(m_nDropEvents, 1);
        m_bDropping = true;
        if (m_Settings.bRaw)
            Add(m_nDropped, nRun);
        return;
    }
    m_bDropping = false;
    m_eRun = Run::Kept;
    if (!m_Settings.bRaw)
        return;
    m_Ring.Push(pRun, static_cast<size_t>(nLength));
    Add(m_nAccepted, nRun);
    if (m_Settings.nLimitBytes && m_nAccepted.load(std::memory_order_relaxed) >= m_Settings.nLimitBytes)
        EndWith(RecordEnd::LimitReached);
}

void CStreamRecorder::OnPacket(const uint8_t* pPacket)
{
    if (m_eRun == Run::Dropped && !m_Settings.bRaw)
        Add(m_nDropped, TS_PACKET_SIZE);
    if (m_eRun != Run::Kept)
        return;
    if (!m_Settings.bRaw) {
        m_Ring.Push(pPacket, TS_PACKET_SIZE);
        Add(m_nAccepted, TS_PACKET_SIZE);
        // The limit is reached when the next packet would no longer fit in it.
        if (m_Settings.nLimitBytes &&
            m_nAccepted.load(std::memory_order_relaxed) + TS_PACKET_SIZE > m_Settings.nLimitBytes) {
            EndWith(RecordEnd::LimitReached);
            m_eRun = Run::Ignored;
        }
    }
    if (m_pAnalysis)
        m_pAnalysis->OnPacket(pPacket);
    m_bRunFed = true;
}

void CStreamRecorder::OnSkippedBytes(uint32_t nBytes)
{
    if (m_eRun != Run::Kept)
        return;
    if (!m_Settings.bRaw) {
        Add(m_nSkipped, nBytes);
    } else if (m_pAnalysis) {
        m_pAnalysis->OnSkippedBytes(nBytes);
        m_bRunFed = true;
    }
}

void CStreamRecorder::OnRunEnd()
{
    if (m_bRunFed && m_pAnalysis && m_pfnNowUs)
        m_pAnalysis->MarkArrival(m_pfnNowUs());
    m_eRun = Run::Ignored;
    m_bRunFed = false;
}

void CStreamRecorder::WriterLoop()
{
    int64_t nLastWriteUs = SteadyUs();
    for (;;) {
        // Read before the ring: whatever was taken before the stop is then seen below.
        const bool bStopping = m_bStopping.load(std::memory_order_acquire);
        const uint8_t* pData = nullptr;
        size_t nLength = m_Ring.Peek(&pData);
        if (nLength == 0 && bStopping)
            break;
        if (nLength < WORTH_WRITING && !bStopping && SteadyUs() - nLastWriteUs < MOST_WAIT_MS * 1000) {
            std::this_thread::sleep_for(IDLE_SLEEP);
            continue;
        }
        // A block in packet mode ends between two packets, so the next one starts with one.
        const size_t nMost = m_Settings.bRaw ? WRITE_BLOCK : WRITE_BLOCK - WRITE_BLOCK % TS_PACKET_SIZE;
        if (nLength > nMost)
            nLength = nMost;
        nLastWriteUs = SteadyUs();
        if (nLength && !WriteBlock(pData, nLength))
            break;
        m_Ring.Consume(nLength);
    }
    if (m_bPartOpen && !m_Output.ClosePart())
        EndWith(RecordEnd::WriteFailed);
    m_bPartOpen = false;
}

bool CStreamRecorder::NextPart()
{
    if (m_bPartOpen) {
        m_bPartOpen = false;
        if (!m_Output.ClosePart()) {
            EndWith(RecordEnd::WriteFailed);
            return false;
        }
    }
    const uint32_t nPart = m_nParts.load(std::memory_order_relaxed) + 1;
    if (!m_Output.OpenPart(nPart)) {
        EndWith(RecordEnd::WriteFailed);
        return false;
    }
    m_nParts.store(nPart, std::memory_order_relaxed);
    m_bPartOpen = true;
    m_nPartBytes = 0;
    m_nPartStartMs = SteadyUs() / 1000;
    return true;
}

bool CStreamRecorder::WriteBlock(const uint8_t* pData, size_t nLength)
{
    // A block starts at a packet in packet mode, so a part cut here starts with one.
    if (m_Settings.nSplitSeconds && m_nPartBytes &&
        SteadyUs() / 1000 - m_nPartStartMs >= int64_t{m_Settings.nSplitSeconds} * 1000 && !NextPart())
        return false;
    const uint64_t nVolumeMost = m_Output.MostBytesPerPart();
    while (nLength) {
        uint64_t nRoom = UINT64_MAX;
        if (m_Settings.nSplitBytes)
            nRoom = m_Settings.nSplitBytes - m_nPartBytes;
        if (nVolumeMost && nVolumeMost - m_nPartBytes < nRoom)
            nRoom = nVolumeMost - m_nPartBytes;
        if (!m_Settings.bRaw)
            nRoom -= nRoom % TS_PACKET_SIZE;
        if (nRoom == 0) {
            if (!m_Settings.Splits()) {
                EndWith(RecordEnd::PartTooBig);
                return false;
            }
            if (!NextPart())
                return false;
            continue;
        }
        const size_t nTake = nRoom < nLength ? static_cast<size_t>(nRoom) : nLength;
        const int64_t nBeforeUs = SteadyUs();
        const OutputStatus status = m_Output.Write(pData, nTake);
        const uint64_t nBlockedUs = static_cast<uint64_t>(SteadyUs() - nBeforeUs);
        if (nBlockedUs > m_nLongestBlockUs.load(std::memory_order_relaxed))
            m_nLongestBlockUs.store(nBlockedUs, std::memory_order_relaxed);
        if (status != OutputStatus::Written) {
            EndWith(status == OutputStatus::Closed ? RecordEnd::OutputClosed : RecordEnd::WriteFailed);
            return false;
        }
        Add(m_nWritten, nTake);
        m_nPartBytes += nTake;
        pData += nTake;
        nLength -= nTake;
    }
    return true;
}
