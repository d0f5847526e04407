// Consumers of the stream's transport packets. The aligner hands each completed 188-byte
// packet, in stream order, to every consumer of its list, on the streaming thread; the test
// stream checker is one of them.
//
// The list is filled on the window thread, also while the graph streams: each slot is an
// atomic pointer that the streaming thread reads once per received run, so adding takes no
// lock on either side. A consumer is called until the graph stops streaming after it was
// removed, so it must outlive the graph's streaming (in practice: the graph's teardown).
#pragma once

#include <atomic>
#include <cstdint>

class IPacketConsumer {
public:
    // Before the run's packets: the run as received; bRecorded when recording is on.
    virtual void OnRunStart(const uint8_t* /*pRun*/, int32_t /*nLength*/, bool /*bRecorded*/) {}
    // pPacket: 188 bytes starting with the sync byte. Must not block or allocate.
    virtual void OnPacket(const uint8_t* pPacket) = 0;
    // nBytes of the run lay outside the packet grid and were dropped while the aligner
    // looked for sync; the packets on either side are delivered as usual.
    virtual void OnSkippedBytes(uint32_t /*nBytes*/) {}
    // The run's last packet has been delivered (also after a run that completed none).
    virtual void OnRunEnd() {}

protected:
    ~IPacketConsumer() = default;
};

class CPacketConsumers {
public:
    static constexpr int MAX_CONSUMERS = 4;

    CPacketConsumers() = default;
    explicit CPacketConsumers(IPacketConsumer* pFirst) { Add(pFirst); }
    CPacketConsumers(const CPacketConsumers&) = delete;
    CPacketConsumers& operator=(const CPacketConsumers&) = delete;

    // False when the list is full or pConsumer is null or already in it.
    bool Add(IPacketConsumer* pConsumer);
    void Remove(IPacketConsumer* pConsumer);

    // Streaming thread: the consumers present at the start of the run.
    struct Snapshot {
        IPacketConsumer* Items[MAX_CONSUMERS];
        int nCount;
        void RunStart(const uint8_t* pRun, int32_t nLength, bool bRecorded) const
        {
            for (int i = 0; i < nCount; ++i)
                Items[i]->OnRunStart(pRun, nLength, bRecorded);
        }
        void Deliver(const uint8_t* pPacket) const
        {
            for (int i = 0; i < nCount; ++i)
                Items[i]->OnPacket(pPacket);
        }
        void Skipped(uint32_t nBytes) const
        {
            for (int i = 0; i < nCount; ++i)
                Items[i]->OnSkippedBytes(nBytes);
        }
        void RunEnd() const
        {
            for (int i = 0; i < nCount; ++i)
                Items[i]->OnRunEnd();
        }
    };
    Snapshot Take() const;

private:
    std::atomic<IPacketConsumer*> m_Slots[MAX_CONSUMERS] = {};
};
