// What the sink's input pin does with each received run, apart from the media sample around
// it: the run goes to the pin's capture session, which appends it to the capture file while
// recording is on and cuts it into transport packets for its consumers. The aligner's carry
// belongs to the pin, so a rebuilt graph starts at a packet boundary. Streaming thread: it
// takes no lock and allocates nothing. Plain C++ without windows.h.
#pragma once

#include "capture/CaptureSession.h"
#include "capture/TsPacketChecker.h"

#include <cstdint>

class CReceivePath {
public:
    explicit CReceivePath(CCaptureSession& session);
    CReceivePath(const CReceivePath&) = delete;
    CReceivePath& operator=(const CReceivePath&) = delete;

    // nLength > 0 bytes at pData.
    SampleWrite Receive(const uint8_t* pData, int32_t nLength);

private:
    CCaptureSession& m_Session;
    // Start of a packet left incomplete by the previous run.
    uint8_t m_Carry[TS_CARRY_SIZE];
    int32_t m_nCarry = 0;
};
