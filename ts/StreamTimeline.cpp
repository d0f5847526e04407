#include "ts/StreamTimeline.h"

#include <algorithm>

void StreamBin::Merge(const StreamBin& other)
{
    nBytes += other.nBytes;
    nSeconds += other.nSeconds;
    nMinSecondBytes = std::min(nMinSecondBytes, other.nMinSecondBytes);
    nMaxSecondBytes = std::max(nMaxSecondBytes, other.nMaxSecondBytes);
    for (size_t i = 0; i < TIMELINE_SERIES; ++i)
        nSeriesBytes[i] += other.nSeriesBytes[i];
    for (size_t i = 0; i < STREAM_ERROR_KINDS; ++i)
        nErrors[i] += other.nErrors[i];
}

void CStreamTimeline::CloseSecond(uint64_t nSecond, uint64_t nBytes)
{
    StreamBin& bin = m_Bins.At(nSecond * SERIES_FIRST_BIN_US);
    ++bin.nSeconds;
    bin.nMinSecondBytes = std::min(bin.nMinSecondBytes, nBytes);
    bin.nMaxSecondBytes = std::max(bin.nMaxSecondBytes, nBytes);
}

void CStreamTimeline::Flush(int64_t nClockUs, const StreamBin& counts)
{
    if (!m_bStarted) {
        m_bStarted = true;
        m_nStartUs = nClockUs;
    }
    // A clock that steps back (another run of a PCR) keeps the time already reached.
    const uint64_t nTimeUs = std::max(m_nLastUs, nClockUs > m_nStartUs ? static_cast<uint64_t>(nClockUs - m_nStartUs) : 0);
    const uint64_t nSecond = nTimeUs / SERIES_FIRST_BIN_US;
    if (nSecond != m_nSecond) {
        CloseSecond(m_nSecond, m_nSecondBytes);
        // Seconds without a packet at all count as empty ones.
        for (uint64_t s = m_nSecond + 1; s < nSecond; ++s)
            CloseSecond(s, 0);
        m_nSecond = nSecond;
        m_nSecondBytes = 0;
    }
    m_nSecondBytes += counts.nBytes;
    m_nLastUs = nTimeUs;

    StreamBin& bin = m_Bins.At(nTimeUs);
    bin.nBytes += counts.nBytes;
    for (size_t i = 0; i < TIMELINE_SERIES; ++i)
        bin.nSeriesBytes[i] += counts.nSeriesBytes[i];
    for (size_t i = 0; i < STREAM_ERROR_KINDS; ++i)
        bin.nErrors[i] += counts.nErrors[i];
}
