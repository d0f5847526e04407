// How a stream moved over time, for the stream report's charts: bytes per bin with the
// quietest and busiest whole second in it, bytes per service (the first programs of the
// PAT, the rest together), and the errors of each kind by when they happened. The stream
// analysis hands over what it counted since the last time whenever its clock moves (an
// arrival time, or a PCR for a file), so nothing is added per packet. Fed on the analysis'
// feeding thread only; read once feeding has stopped.
// Plain C++ without windows.h.
#pragma once

#include "ts/BinnedSeries.h"

#include <cstddef>
#include <cstdint>

constexpr size_t TIMELINE_BINS = 1024;
constexpr size_t TIMELINE_SERIES = 12;  // the last one holds every PID of no listed program
constexpr size_t TIMELINE_OTHER = TIMELINE_SERIES - 1;

enum class StreamErrorKind : uint8_t { Continuity, TransportError, SyncLoss, Crc, Count };
constexpr size_t STREAM_ERROR_KINDS = static_cast<size_t>(StreamErrorKind::Count);

struct StreamBin {
    uint64_t nBytes = 0;
    uint64_t nSeconds = 0;                // whole seconds measured below
    uint64_t nMinSecondBytes = UINT64_MAX;
    uint64_t nMaxSecondBytes = 0;
    uint64_t nSeriesBytes[TIMELINE_SERIES] = {};
    uint32_t nErrors[STREAM_ERROR_KINDS] = {};

    void Merge(const StreamBin& other);
};

class CStreamTimeline {
public:
    // What happened since the last call (bytes, series bytes, errors) happened by nClockUs,
    // the feeder's clock; the first call sets the start.
    void Flush(int64_t nClockUs, const StreamBin& counts);
    // The feeder's clock changes (to arrival times): it reads nClockUs at the time reached.
    void Rebase(int64_t nClockUs) { m_nStartUs = nClockUs - static_cast<int64_t>(m_nLastUs); }

    bool Started() const { return m_bStarted; }
    int64_t StartUs() const { return m_nStartUs; }
    // Time from the start to the last flush.
    uint64_t SpanUs() const { return m_nLastUs; }
    const CBinnedSeries<StreamBin, TIMELINE_BINS>& Bins() const { return m_Bins; }

private:
    void CloseSecond(uint64_t nSecond, uint64_t nBytes);

    CBinnedSeries<StreamBin, TIMELINE_BINS> m_Bins;
    bool m_bStarted = false;
    int64_t m_nStartUs = 0;
    uint64_t m_nLastUs = 0;
    uint64_t m_nSecond = 0;       // the second being filled
    uint64_t m_nSecondBytes = 0;
};
