// What the sink does with each received run, apart from the media sample around it: the
// run is appended to the capture file while recording is on, then cut into transport
// packets for the consumers (the test stream checker first). Streaming thread: it takes no
// lock and allocates nothing. Plain C++ without windows.h.
#pragma once

#include "capture/CaptureState.h"
#include "capture/PacketConsumers.h"
#include "capture/TsPacketChecker.h"

#include <cstdint>

class CReceivePath {
public:
    explicit CReceivePath(CCaptureState& state);
    CReceivePath(const CReceivePath&) = delete;
    CReceivePath& operator=(const CReceivePath&) = delete;

    // nLength > 0 bytes at pData.
    SampleWrite Receive(const uint8_t* pData, int32_t nLength);

    CPacketConsumers& Consumers() { return m_Consumers; }

private:
    CCaptureState& m_State;
    CPacketConsumers m_Consumers;
    // Start of a packet left incomplete by the previous run.
    uint8_t m_Carry[TS_CARRY_SIZE];
    int32_t m_nCarry = 0;
};
