// Bitrate of a packet count against a clock: arrival time in microseconds for a live
// capture, or the 27 MHz PCR of one PID for a recorded file. The average covers every
// interval between two samples of one run of the clock; the peak is the highest rate over
// a window of at least one second of that clock (windows are back to back, each closed by
// the first sample a second or more after it opened).
#pragma once

#include <cstdint>

class CRateMeter {
public:
    // nWrap: the clock counts modulo this value (0: it never wraps). nMaxStep: a step of
    // more than this many ticks is taken as a jump of the clock, not as elapsed time.
    CRateMeter(uint64_t nTicksPerSecond, uint64_t nWrap, uint64_t nMaxStep);

    // nPackets: packets counted up to this instant; nTicks: the clock's value then.
    void Sample(uint64_t nPackets, uint64_t nTicks);
    // The clock jumps (a discontinuity): the next sample starts a new run.
    void Break() { m_bHave = false; }

    uint64_t AverageBps() const;
    uint64_t PeakBps() const { return m_nPeakBps; }  // 0 until a window of one second closed
    uint64_t MeasuredTicks() const { return m_nSumTicks; }

private:
    uint64_t Bps(uint64_t nPackets, uint64_t nTicks) const;

    uint64_t m_nTicksPerSecond;
    uint64_t m_nWrap;
    uint64_t m_nMaxStep;
    bool m_bHave = false;
    uint64_t m_nLastPackets = 0;
    uint64_t m_nLastTicks = 0;
    uint64_t m_nSumPackets = 0;
    uint64_t m_nSumTicks = 0;
    uint64_t m_nWindowPackets = 0;
    uint64_t m_nWindowTicks = 0;
    uint64_t m_nPeakBps = 0;
};
