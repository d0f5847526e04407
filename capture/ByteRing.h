// A byte ring between one producer thread and one consumer thread. The two positions are
// running byte counts in atomics: the producer alone moves the write count, the consumer
// alone the read count, so neither side ever waits for or locks out the other. Plain C++
// without windows.h.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

class CByteRing {
public:
    CByteRing() = default;
    CByteRing(const CByteRing&) = delete;
    CByteRing& operator=(const CByteRing&) = delete;

    // Before either thread uses the ring: false when the memory cannot be had.
    bool Allocate(size_t nCapacity);
    size_t Capacity() const { return m_nCapacity; }

    // Producer. Bytes that Push takes now without overwriting unread ones.
    size_t FreeSpace() const;
    // Producer. nLength <= FreeSpace().
    void Push(const uint8_t* pData, size_t nLength);
    // Producer side's figure: the most bytes ever waiting, as seen after a push.
    size_t HighestFill() const { return m_nHighest.load(std::memory_order_relaxed); }

    // Consumer. The oldest unread bytes that lie in one piece; 0 when none.
    size_t Peek(const uint8_t** ppData) const;
    // Consumer. Frees nLength <= Peek() bytes for the producer.
    void Consume(size_t nLength);

private:
    std::unique_ptr<uint8_t[]> m_pBuffer;
    size_t m_nCapacity = 0;
    std::atomic<uint64_t> m_nWritten{0};
    std::atomic<uint64_t> m_nRead{0};
    std::atomic<size_t> m_nHighest{0};
};
