#include "capture/ReceivePath.h"

CReceivePath::CReceivePath(CCaptureState& state) : m_State(state), m_Consumers(&g_TestStreamChecker), m_Carry()
{
}

SampleWrite CReceivePath::Receive(const uint8_t* pData, int32_t nLength)
{
    const SampleWrite written = m_State.WriteSample(pData, nLength);
    m_Consumers.Take().RunStart(pData, nLength, written != SampleWrite::NotWritten);
    AlignPackets(pData, nLength, m_Carry, m_nCarry, m_Consumers);
    return written;
}
