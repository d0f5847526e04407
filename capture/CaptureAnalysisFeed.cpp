#include "capture/CaptureAnalysisFeed.h"

CCaptureAnalysisFeed::CCaptureAnalysisFeed(CStreamAnalysis& analysis, int64_t (*pfnNowUs)())
    : m_Analysis(analysis), m_pfnNowUs(pfnNowUs)
{
}

void CCaptureAnalysisFeed::OnRunStart(const uint8_t*, int32_t, bool bRecorded)
{
    m_bRecorded = bRecorded;
}

void CCaptureAnalysisFeed::OnPacket(const uint8_t* pPacket)
{
    if (m_bRecorded)
        m_Analysis.OnPacket(pPacket);
}

void CCaptureAnalysisFeed::OnSkippedBytes(uint32_t nBytes)
{
    if (m_bRecorded)
        m_Analysis.OnSkippedBytes(nBytes);
}

void CCaptureAnalysisFeed::OnRunEnd()
{
    // A run that only filled the aligner's carry still settles the count it was written with.
    if (m_bRecorded)
        m_Analysis.MarkArrival(m_pfnNowUs());
    m_bRecorded = false;
}
