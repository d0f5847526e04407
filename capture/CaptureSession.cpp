#include "capture/CaptureSession.h"

#include "capture/TsPacketChecker.h"

#include <thread>

CCaptureSession::CCaptureSession() : m_pOwnState(new CCaptureState()), m_pState(m_pOwnState.get())
{
    m_Consumers.Add(&g_TestStreamChecker);
}

CCaptureSession::CCaptureSession(CCaptureState& state) : m_pState(&state)
{
    m_Consumers.Add(&g_TestStreamChecker);
}

CCaptureSession::~CCaptureSession()
{
    Close();
}

bool CCaptureSession::StartCapture(FILE* pFile, uint32_t nLimitMB)
{
    if (m_pState->StartCapture(pFile, nLimitMB))
        return true;
    if (pFile)
        std::fclose(pFile);
    return false;
}

SampleWrite CCaptureSession::Receive(const uint8_t* pData, int32_t nLength, uint8_t* pCarry, int32_t& nCarry)
{
    if (m_nStream.fetch_add(1, std::memory_order_acquire) & STREAM_SHUT) {
        m_nStream.fetch_sub(1, std::memory_order_release);
        return SampleWrite::NotWritten;
    }
    size_t nWritten = 0;
    const SampleWrite written = m_pState->WriteSample(pData, nLength, &nWritten);
    const CPacketConsumers::Snapshot deliver = m_Consumers.Take();
    deliver.RunStart(pData, nLength, nWritten != 0);
    AlignPackets(pData, nLength, pCarry, nCarry, deliver);
    m_nStream.fetch_sub(1, std::memory_order_release);
    return written;
}

void CCaptureSession::Close()
{
    m_pState->StopCapture();
    m_nStream.fetch_or(STREAM_SHUT, std::memory_order_acq_rel);
    while ((m_nStream.load(std::memory_order_acquire) & ~STREAM_SHUT) != 0)
        std::this_thread::yield();
    // The list may still name owned consumers: no run reads it any more.
    while (!m_Owned.empty())
        m_Owned.pop_back();
}

CCaptureSession& ProgramCaptureSession()
{
    static CCaptureSession* const pSession = new CCaptureSession(g_CaptureState);
    return *pSession;
}
