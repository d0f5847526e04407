#include "ts/DatagramQueue.h"

#include <cstring>

CDatagramQueue::CDatagramQueue(size_t nSlots, bool bRtp, uint32_t nSsrc, Clock90k pfnClock)
    : m_nSlots(nSlots ? nSlots : 1), m_bRtp(bRtp), m_nSsrc(nSsrc), m_pfnClock(pfnClock),
      m_pSlots(new Slot[nSlots ? nSlots : 1]), m_Scratch()
{
}

void CDatagramQueue::Put(const uint8_t* pPacket)
{
    if (!m_pFilling) {
        // Decided once per datagram: a free slot, or the scratch slot when all are taken.
        const uint64_t nWrite = m_nWrite.load(std::memory_order_relaxed);
        const bool bRoom = nWrite - m_nRead.load(std::memory_order_acquire) < m_nSlots;
        m_pFilling = bRoom ? &m_pSlots[nWrite % m_nSlots] : &m_Scratch;
        m_nInSlot = 0;
    }
    const size_t nHeader = m_bRtp ? RTP_HEADER_SIZE : 0;
    memcpy(m_pFilling->Data + nHeader + static_cast<size_t>(m_nInSlot) * TS_PACKET_SIZE, pPacket, TS_PACKET_SIZE);
    if (++m_nInSlot == TS_PACKETS_PER_DATAGRAM)
        Complete();
}

void CDatagramQueue::Flush()
{
    if (m_pFilling)
        Complete();
}

void CDatagramQueue::Complete()
{
    Slot& slot = *m_pFilling;
    slot.nSize = (m_bRtp ? RTP_HEADER_SIZE : 0) + static_cast<size_t>(m_nInSlot) * TS_PACKET_SIZE;
    if (m_bRtp) {
        const uint32_t nTime = m_pfnClock ? m_pfnClock() : 0;
        uint8_t* h = slot.Data;
        h[0] = 0x80;  // version 2, no padding, extension or contributing sources
        h[1] = RTP_PAYLOAD_MP2T;
        h[2] = static_cast<uint8_t>(m_nSequence >> 8);
        h[3] = static_cast<uint8_t>(m_nSequence);
        for (int i = 0; i < 4; ++i) {
            h[4 + i] = static_cast<uint8_t>(nTime >> (24 - 8 * i));
            h[8 + i] = static_cast<uint8_t>(m_nSsrc >> (24 - 8 * i));
        }
    }
    ++m_nSequence;
    if (m_pFilling == &m_Scratch) {
        m_nDropped.fetch_add(1, std::memory_order_relaxed);
        m_nDroppedPackets.fetch_add(static_cast<uint64_t>(m_nInSlot), std::memory_order_relaxed);
    } else {
        m_nWrite.fetch_add(1, std::memory_order_release);
    }
    m_pFilling = nullptr;
    m_nInSlot = 0;
}

bool CDatagramQueue::Front(const uint8_t** ppData, size_t* pnSize) const
{
    const uint64_t nRead = m_nRead.load(std::memory_order_relaxed);
    if (nRead == m_nWrite.load(std::memory_order_acquire))
        return false;
    const Slot& slot = m_pSlots[nRead % m_nSlots];
    *ppData = slot.Data;
    *pnSize = slot.nSize;
    return true;
}

void CDatagramQueue::Pop()
{
    m_nRead.fetch_add(1, std::memory_order_release);
}

bool ParseIpv4(const char* pszText, size_t nLength, uint8_t (&address)[4])
{
    size_t i = 0;
    for (int nPart = 0; nPart < 4; ++nPart) {
        if (nPart > 0) {
            if (i >= nLength || pszText[i] != '.')
                return false;
            ++i;
        }
        uint32_t nValue = 0;
        size_t nDigits = 0;
        for (; i < nLength && pszText[i] >= '0' && pszText[i] <= '9' && nDigits < 4; ++i, ++nDigits)
            nValue = nValue * 10 + static_cast<uint32_t>(pszText[i] - '0');
        if (nDigits == 0 || nDigits > 3 || nValue > 255)
            return false;
        address[nPart] = static_cast<uint8_t>(nValue);
    }
    return i == nLength;
}

bool IsNetworkOutput(const char* pszOutput)
{
    return !strncmp(pszOutput, "udp://", 6) || !strncmp(pszOutput, "rtp://", 6);
}

bool ParseNetworkTarget(const char* pszOutput, NetworkTarget& target)
{
    if (!IsNetworkOutput(pszOutput))
        return false;
    NetworkTarget parsed;
    parsed.bRtp = pszOutput[0] == 'r';
    const char* pszHost = pszOutput + 6;
    const char* pszColon = strrchr(pszHost, ':');
    if (!pszColon || !ParseIpv4(pszHost, static_cast<size_t>(pszColon - pszHost), parsed.Address))
        return false;
    uint32_t nPort = 0;
    const char* p = pszColon + 1;
    for (; *p >= '0' && *p <= '9' && nPort <= 65535; ++p)
        nPort = nPort * 10 + static_cast<uint32_t>(*p - '0');
    if (*p || p == pszColon + 1 || nPort == 0 || nPort > 65535)
        return false;
    parsed.nPort = static_cast<uint16_t>(nPort);
    target = parsed;
    return true;
}
