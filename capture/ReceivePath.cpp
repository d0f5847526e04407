#include "capture/ReceivePath.h"

CReceivePath::CReceivePath(CCaptureSession& session) : m_Session(session), m_Carry()
{
}

SampleWrite CReceivePath::Receive(const uint8_t* pData, int32_t nLength)
{
    return m_Session.Receive(pData, nLength, m_Carry, m_nCarry);
}
