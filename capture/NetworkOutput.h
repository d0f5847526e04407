// A network output of a capture: the selected packets sent as UDP datagrams (plain or RTP)
// to a unicast or multicast IPv4 address.
//
// The streaming thread only packs packets into the datagram queue (CDatagramQueue), which
// never waits: when the sender falls behind, whole datagrams are dropped and counted here,
// and no other output notices. The output's own sender thread takes the queued datagrams
// and sends them with sendto; it wakes when a batch has gathered, and at the latest after a
// short wait. Start and Finish are called by the thread that runs the capture, Finish once
// the streaming thread no longer calls Put.
#pragma once

#include "ts/DatagramQueue.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

struct NetworkOutputOptions {
    int32_t nTtl = -1;             // hops; -1 keeps the system's (1 for multicast)
    bool bInterface = false;       // send multicast through the interface with this address
    uint8_t Interface[4] = {};
};

class CNetworkOutput final : public IPacketSink {
public:
    static constexpr size_t QUEUE_DATAGRAMS = 8192;  // 10.8 MB, about 0.85 s at 100 Mbit/s

    CNetworkOutput(const std::string& strUrl, const NetworkTarget& target);
    CNetworkOutput(const CNetworkOutput&) = delete;
    CNetworkOutput& operator=(const CNetworkOutput&) = delete;
    ~CNetworkOutput();

    // Opens the socket and starts the sender; false with the reason, the failing call and its code.
    bool Start(const NetworkOutputOptions& options, std::string& strError);
    void Put(const uint8_t* pPacket) override;
    // Sends what is queued, a last shorter datagram included, and ends the sender.
    void Finish();

    const std::string& Url() const { return m_strUrl; }
    uint64_t DatagramsSent() const { return m_nSent.load(std::memory_order_relaxed); }
    uint64_t DatagramsDropped() const { return m_Queue.Dropped(); }
    uint64_t PacketsDropped() const { return m_Queue.DroppedPackets(); }
    uint64_t SendErrors() const { return m_nSendErrors.load(std::memory_order_relaxed); }
    int LastSendError() const { return m_nLastError.load(std::memory_order_relaxed); }

private:
    static constexpr uint64_t WAKE_DEPTH = 32;
    static constexpr unsigned long IDLE_WAIT_MS = 5;

    void SendLoop();

    std::string m_strUrl;
    NetworkTarget m_Target;
    CDatagramQueue m_Queue;
    bool m_bWinsock = false;
    // A SOCKET and an event HANDLE, kept as plain values so that the header needs no
    // Winsock header, which must come before windows.h wherever it is included.
    uintptr_t m_nSocket = ~uintptr_t{0};
    void* m_hWake = nullptr;
    std::thread m_Sender;
    std::atomic<bool> m_bFinish{false};
    std::atomic<uint64_t> m_nSent{0};
    std::atomic<uint64_t> m_nSendErrors{0};
    std::atomic<int> m_nLastError{0};
};
