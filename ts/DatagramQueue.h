// Transport packets packed into datagrams for a network output, and the bounded queue that
// hands them from the streaming thread to a sender thread.
//
// A datagram holds seven whole packets (1316 bytes), behind a 12-byte RTP header when asked
// (version 2, payload type 33, a sequence number that counts every datagram made, a 90 kHz
// timestamp of the moment the datagram was completed, a fixed SSRC). Single producer, single
// consumer: the producer (Put, Flush) fills the slot at the write index and publishes it by
// moving that index; the consumer (Front, Pop) reads the slot at the read index and frees it
// by moving its own. When every slot is taken, the datagram being made is packed into a
// scratch slot and dropped whole, so the producer never waits; the sequence numbers of
// dropped datagrams are skipped, which shows the loss to an RTP receiver. No allocation
// after construction. Plain C++ without windows.h.
#pragma once

#include "ts/PacketSink.h"
#include "ts/TsPacket.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

constexpr int32_t TS_PACKETS_PER_DATAGRAM = 7;
constexpr size_t RTP_HEADER_SIZE = 12;
constexpr uint8_t RTP_PAYLOAD_MP2T = 33;
constexpr size_t MAX_DATAGRAM_SIZE = RTP_HEADER_SIZE + TS_PACKETS_PER_DATAGRAM * TS_PACKET_SIZE;

class CDatagramQueue final : public IPacketSink {
public:
    // The 90 kHz clock of the RTP timestamps; called once per datagram on the producer's thread.
    using Clock90k = uint32_t (*)();

    // nSlots > 0 datagrams may wait.
    CDatagramQueue(size_t nSlots, bool bRtp, uint32_t nSsrc, Clock90k pfnClock);
    CDatagramQueue(const CDatagramQueue&) = delete;
    CDatagramQueue& operator=(const CDatagramQueue&) = delete;

    // Producer: adds a packet; a datagram completed by it is queued (or dropped).
    void Put(const uint8_t* pPacket) override;
    // Producer: queues the packets of a datagram not yet complete (the end of a stream).
    void Flush();

    // Consumer: the oldest queued datagram, false when there is none.
    bool Front(const uint8_t** ppData, size_t* pnSize) const;
    void Pop();

    // Datagrams queued and not yet popped.
    uint64_t Depth() const
    {
        return m_nWrite.load(std::memory_order_acquire) - m_nRead.load(std::memory_order_acquire);
    }
    uint64_t Queued() const { return m_nWrite.load(std::memory_order_relaxed); }
    uint64_t Dropped() const { return m_nDropped.load(std::memory_order_relaxed); }
    uint64_t DroppedPackets() const { return m_nDroppedPackets.load(std::memory_order_relaxed); }

private:
    struct Slot {
        uint8_t Data[MAX_DATAGRAM_SIZE];
        size_t nSize;
    };

    void Complete();

    const size_t m_nSlots;
    const bool m_bRtp;
    const uint32_t m_nSsrc;
    const Clock90k m_pfnClock;
    std::unique_ptr<Slot[]> m_pSlots;
    Slot m_Scratch;

    // Producer only.
    Slot* m_pFilling = nullptr;  // null between datagrams
    int32_t m_nInSlot = 0;
    uint16_t m_nSequence = 0;

    std::atomic<uint64_t> m_nWrite{0};
    std::atomic<uint64_t> m_nRead{0};
    std::atomic<uint64_t> m_nDropped{0};
    std::atomic<uint64_t> m_nDroppedPackets{0};
};

// Where a network output sends, from "udp://ADDR:PORT" or "rtp://ADDR:PORT" with a dotted
// IPv4 address; false for anything else.
struct NetworkTarget {
    bool bRtp = false;
    uint8_t Address[4] = {};
    uint16_t nPort = 0;
    bool IsMulticast() const { return Address[0] >= 224 && Address[0] <= 239; }
};
bool IsNetworkOutput(const char* pszOutput);
bool ParseNetworkTarget(const char* pszOutput, NetworkTarget& target);
// A dotted IPv4 address "a.b.c.d", each part 0..255.
bool ParseIpv4(const char* pszText, size_t nLength, uint8_t (&address)[4]);
