#include "capture/CaptureAnalysisFeed.h"

CCaptureAnalysisFeed::CCaptureAnalysisFeed(CStreamAnalysis& analysis, const CCaptureState& capture,
                                           int64_t (*pfnNowUs)())
    : m_Analysis(analysis), m_Capture(capture), m_pfnNowUs(pfnNowUs), m_nLastCaptured(capture.CapturedBytes())
{
}

bool CCaptureAnalysisFeed::RunIsRecorded()
{
    if (m_eRun == Run::Undecided) {
        const uint64_t nCaptured = m_Capture.CapturedBytes();
        m_eRun = nCaptured != m_nLastCaptured ? Run::Recorded : Run::Dropped;
        m_nLastCaptured = nCaptured;
    }
    return m_eRun == Run::Recorded;
}

void CCaptureAnalysisFeed::OnPacket(const uint8_t* pPacket)
{
    if (RunIsRecorded())
        m_Analysis.OnPacket(pPacket);
}

void CCaptureAnalysisFeed::OnSkippedBytes(uint32_t nBytes)
{
    if (RunIsRecorded())
        m_Analysis.OnSkippedBytes(nBytes);
}

void CCaptureAnalysisFeed::OnRunEnd()
{
    // A run that only filled the aligner's carry still settles the count it was written with.
    if (RunIsRecorded())
        m_Analysis.MarkArrival(m_pfnNowUs());
    m_eRun = Run::Undecided;
}
