#include "capture/ByteRing.h"

#include <cstring>
#include <new>

bool CByteRing::Allocate(size_t nCapacity)
{
    m_pBuffer.reset(new (std::nothrow) uint8_t[nCapacity]);
    m_nCapacity = m_pBuffer ? nCapacity : 0;
    return m_pBuffer != nullptr;
}

size_t CByteRing::FreeSpace() const
{
    const uint64_t nUsed = m_nWritten.load(std::memory_order_relaxed) - m_nRead.load(std::memory_order_acquire);
    return m_nCapacity - static_cast<size_t>(nUsed);
}

void CByteRing::Push(const uint8_t* pData, size_t nLength)
{
    const uint64_t nWritten = m_nWritten.load(std::memory_order_relaxed);
    const size_t nAt = static_cast<size_t>(nWritten % m_nCapacity);
    const size_t nFirst = nLength < m_nCapacity - nAt ? nLength : m_nCapacity - nAt;
    std::memcpy(m_pBuffer.get() + nAt, pData, nFirst);
    std::memcpy(m_pBuffer.get(), pData + nFirst, nLength - nFirst);
    // Release: the bytes are in place before the consumer can see the new count.
    m_nWritten.store(nWritten + nLength, std::memory_order_release);
    const size_t nUsed = static_cast<size_t>(nWritten + nLength - m_nRead.load(std::memory_order_acquire));
    if (nUsed > m_nHighest.load(std::memory_order_relaxed))
        m_nHighest.store(nUsed, std::memory_order_relaxed);
}

size_t CByteRing::Peek(const uint8_t** ppData) const
{
    const uint64_t nRead = m_nRead.load(std::memory_order_relaxed);
    const size_t nUsed = static_cast<size_t>(m_nWritten.load(std::memory_order_acquire) - nRead);
    const size_t nAt = static_cast<size_t>(nRead % m_nCapacity);
    *ppData = m_pBuffer.get() + nAt;
    return nUsed < m_nCapacity - nAt ? nUsed : m_nCapacity - nAt;
}

void CByteRing::Consume(size_t nLength)
{
    // Release: the bytes are read before the producer may write over them.
    m_nRead.store(m_nRead.load(std::memory_order_relaxed) + nLength, std::memory_order_release);
}
