// Cuts received byte runs into 188-byte transport packets and checks the test stream on
// PID 0x100 (a 32-bit sequence number at offset 4 and a CRC-32/MPEG-2 of bytes 0..183 at
// offset 184, both little-endian). The counters are program-wide diagnostics: one writer,
// the streaming thread; any thread may read them.
#pragma once

#include "capture/PacketConsumers.h"
#include "ts/Crc32.h"
#include "ts/TestStreamLayout.h"
#include "ts/TsPacket.h"

#include <atomic>
#include <cstdint>

constexpr int32_t TS_CARRY_SIZE = 300;  // bytes the caller reserves for its carry buffer

extern std::atomic<uint64_t> nBitsReceived;
extern std::atomic<uint32_t> nFirstSeq;     // 0 while the checker is not synchronised
extern std::atomic<uint32_t> nExpectedSeq;
extern std::atomic<uint32_t> nTestPackets;  // received plus lost since synchronisation
extern std::atomic<uint32_t> nCrcErrors;
extern std::atomic<uint32_t> nLostPackets;

// Counts one aligned packet and checks it when nPid is the test PID.
void CheckPacket(const uint8_t* pPacket, int32_t nPid);

// The test stream checker as a packet consumer: checks the packets of the test PID.
class CTestStreamChecker : public IPacketConsumer {
public:
    void OnPacket(const uint8_t* pPacket) override;
};
extern CTestStreamChecker g_TestStreamChecker;

// Aligns one received run (nLength > 0) to the packet grid and hands every completed
// packet in stream order to the consumers, then ends their run; packets of every PID are
// counted. Telling the consumers that the run starts is the caller's part: it knows whether
// the run was recorded. pCarry (TS_CARRY_SIZE bytes) and nCarry hold the start of a packet
// left incomplete by the previous run; nCarry is 0..187 between calls.
void AlignPackets(const uint8_t* pData, int32_t nLength, uint8_t* pCarry, int32_t& nCarry,
                  const CPacketConsumers::Snapshot& deliver);
// The same for the consumers a list holds at the call.
void AlignPackets(const uint8_t* pData, int32_t nLength, uint8_t* pCarry, int32_t& nCarry,
                  const CPacketConsumers& consumers);
// The same with the test stream checker as the only consumer.
void AlignPackets(const uint8_t* pData, int32_t nLength, uint8_t* pCarry, int32_t& nCarry);

// Returns every counter to its start-up value (not synchronised, nothing counted).
void ResetTestStreamCounters();
