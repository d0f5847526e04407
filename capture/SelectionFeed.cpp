#include "capture/SelectionFeed.h"

CSelectionFeed::CSelectionFeed(CServiceSelector& selector, IPacketConsumer* pRecorder, CStreamAnalysis* pAnalysis,
                               int64_t (*pfnNowUs)())
    : m_Selector(selector), m_pRecorder(pRecorder), m_pAnalysis(pRecorder ? nullptr : pAnalysis), m_pfnNowUs(pfnNowUs)
{
}

void CSelectionFeed::OnRunStart(const uint8_t* pRun, int32_t nLength, bool bRecorded)
{
    if (m_pRecorder)
        m_pRecorder->OnRunStart(pRun, nLength, bRecorded);
}

void CSelectionFeed::OnPacket(const uint8_t* pPacket)
{
    m_Selector.Put(pPacket);
}

void CSelectionFeed::OnSkippedBytes(uint32_t nBytes)
{
    if (m_pRecorder)
        m_pRecorder->OnSkippedBytes(nBytes);
}

void CSelectionFeed::Put(const uint8_t* pPacket)
{
    if (m_pRecorder) {
        m_pRecorder->OnPacket(pPacket);
    } else if (m_pAnalysis) {
        m_pAnalysis->OnPacket(pPacket);
        m_bPassed = true;
    }
}

void CSelectionFeed::OnRunEnd()
{
    if (m_pRecorder)
        m_pRecorder->OnRunEnd();
    if (m_bPassed)
        m_pAnalysis->MarkArrival(m_pfnNowUs());
    m_bPassed = false;
}
