#include "capture/SelectionFeed.h"

CSelectionFeed::CSelectionFeed(CServiceSelector& selector, CStreamAnalysis* pAnalysis, int64_t (*pfnNowUs)())
    : m_Selector(selector), m_pAnalysis(pAnalysis), m_pfnNowUs(pfnNowUs)
{
}

void CSelectionFeed::OnPacket(const uint8_t* pPacket)
{
    m_Selector.Put(pPacket);
}

void CSelectionFeed::Put(const uint8_t* pPacket)
{
    if (m_pAnalysis) {
        m_pAnalysis->OnPacket(pPacket);
        m_bPassed = true;
    }
}

void CSelectionFeed::OnRunEnd()
{
    if (m_bPassed)
        m_pAnalysis->MarkArrival(m_pfnNowUs());
    m_bPassed = false;
}
