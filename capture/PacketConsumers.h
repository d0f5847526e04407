// Consumers of the stream's transport packets. For every received run the capture session
// tells each consumer of its list that the run starts (and whether it went into the capture
// file), then the aligner hands each completed 188-byte packet, in stream order, to every
// consumer, and ends the run; all of it on the streaming thread. The test stream checker is
// the first consumer of every session.
//
// The list has no fixed size. It is changed on the window thread, also while the graph
// streams, and read on the streaming thread without a lock:
// - Add and Remove build a new array of the consumers and publish it with one atomic store
//   (writers are serialised among themselves by a mutex the streaming thread never takes);
// - the streaming thread loads the current array once per run and walks it for the whole
//   run, so a change takes effect at the next run and never allocates on that thread;
// - every array ever published stays allocated until the list is destroyed, since a run may
//   still walk an older one. The list therefore grows by one array per change: lists are
//   changed a handful of times per capture, not per packet.
// A consumer is called until the run that took it ends, so it must outlive the graph's
// streaming after it was removed; a capture session guarantees that for what it owns.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class IPacketConsumer {
public:
    // A received run (one media sample's bytes) begins, before it is aligned. bRecorded: the
    // session recorded this run (the dialog: it went into the capture file). pRun/nLength
    // are the run's raw bytes as delivered (for a consumer that keeps bytes exactly).
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
    CPacketConsumers() = default;
    explicit CPacketConsumers(IPacketConsumer* pFirst) { Add(pFirst); }
    CPacketConsumers(const CPacketConsumers&) = delete;
    CPacketConsumers& operator=(const CPacketConsumers&) = delete;

    // Window thread. Appends pConsumer; false when it is null or already in the list.
    bool Add(IPacketConsumer* pConsumer);
    void Remove(IPacketConsumer* pConsumer);

    // Streaming thread: the consumers present at the start of the run, valid while the list
    // lives.
    struct Snapshot {
        IPacketConsumer* const* Items;
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
    using Array = std::vector<IPacketConsumer*>;
    // Publishes next as the current array; the caller holds m_WriteLock.
    void Publish(Array next);

    std::mutex m_WriteLock;
    std::vector<std::unique_ptr<const Array>> m_Published;  // the current one last
    std::atomic<const Array*> m_pCurrent{nullptr};
};
