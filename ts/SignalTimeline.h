// The tuner's side of a live capture over time, for the stream report: lock, strength and
// quality as the capture loop samples them (each bin keeps its lowest and highest value),
// and the bytes the writer had to drop. Fed by the capture loop's thread only, on the same
// clock as the stream's arrival times. Plain C++ without windows.h.
#pragma once

#include "ts/BinnedSeries.h"

#include <cstddef>
#include <cstdint>

struct SignalBin {
    uint32_t nSamples = 0;
    uint32_t nLocked = 0;
    int32_t nMinStrength = INT32_MAX;
    int32_t nMaxStrength = INT32_MIN;
    int32_t nMinQuality = INT32_MAX;
    int32_t nMaxQuality = INT32_MIN;
    uint64_t nDroppedBytes = 0;

    void Merge(const SignalBin& other);
};

class CSignalTimeline {
public:
    static constexpr size_t BINS = 1024;

    // One sample at nClockUs; nDroppedTotal is the writer's count of dropped bytes so far.
    // The first sample sets the start.
    void Sample(int64_t nClockUs, bool bLocked, int32_t nStrength, int32_t nQuality, uint64_t nDroppedTotal);

    bool Started() const { return m_bStarted; }
    int64_t StartUs() const { return m_nStartUs; }
    uint64_t SpanUs() const { return m_nLastUs; }
    uint64_t DroppedBytes() const { return m_nDroppedTotal; }
    const CBinnedSeries<SignalBin, BINS>& Bins() const { return m_Bins; }

private:
    CBinnedSeries<SignalBin, BINS> m_Bins;
    bool m_bStarted = false;
    int64_t m_nStartUs = 0;
    uint64_t m_nLastUs = 0;
    uint64_t m_nDroppedTotal = 0;
};
