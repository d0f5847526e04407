#include "ts/SignalTimeline.h"

#include <algorithm>

void SignalBin::Merge(const SignalBin& other)
{
    nSamples += other.nSamples;
    nLocked += other.nLocked;
    nMinStrength = std::min(nMinStrength, other.nMinStrength);
    nMaxStrength = std::max(nMaxStrength, other.nMaxStrength);
    nMinQuality = std::min(nMinQuality, other.nMinQuality);
    nMaxQuality = std::max(nMaxQuality, other.nMaxQuality);
    nDroppedBytes += other.nDroppedBytes;
}

void CSignalTimeline::Sample(int64_t nClockUs, bool bLocked, int32_t nStrength, int32_t nQuality,
                             uint64_t nDroppedTotal)
{
    if (!m_bStarted) {
        m_bStarted = true;
        m_nStartUs = nClockUs;
    }
    const uint64_t nTimeUs = std::max(m_nLastUs, nClockUs > m_nStartUs ? static_cast<uint64_t>(nClockUs - m_nStartUs) : 0);
    m_nLastUs = nTimeUs;
    SignalBin sample;
    sample.nSamples = 1;
    sample.nLocked = bLocked ? 1 : 0;
    sample.nMinStrength = sample.nMaxStrength = nStrength;
    sample.nMinQuality = sample.nMaxQuality = nQuality;
    // A writer count that starts again (a new writer) is taken as a fresh start.
    sample.nDroppedBytes = nDroppedTotal >= m_nDroppedTotal ? nDroppedTotal - m_nDroppedTotal : nDroppedTotal;
    m_nDroppedTotal = nDroppedTotal;
    m_Bins.At(nTimeUs).Merge(sample);
}
