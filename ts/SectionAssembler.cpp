#include "ts/SectionAssembler.h"

#include "ts/Crc32.h"

#include <cstring>

void CSectionAssembler::Reset()
{
    m_nHave = 0;
    m_bActive = false;
    m_nLastCc = -1;
}

void CSectionAssembler::Feed(const CTsPacket& packet, IHandler& handler)
{
    if (!packet.HasPayload() || packet.PayloadSize() <= 0)
        return;
    const int nCc = packet.ContinuityCounter();
    // A repeated packet carries nothing new; a gap leaves the section incomplete.
    if (m_nLastCc >= 0 && nCc == m_nLastCc)
        return;
    if (m_nLastCc >= 0 && nCc != ((m_nLastCc + 1) & 0x0F))
        m_bActive = false;
    m_nLastCc = nCc;

    const uint8_t* p = packet.Payload();
    size_t n = static_cast<size_t>(packet.PayloadSize());
    if (!packet.UnitStart()) {
        if (m_bActive)
            Append(p, n, handler);
        return;
    }
    const size_t nPointer = p[0];
    if (nPointer + 1 > n) {
        m_bActive = false;
        return;
    }
    // The bytes before the pointer end the section in progress.
    if (m_bActive)
        Append(p + 1, nPointer, handler);
    m_bActive = true;
    m_nHave = 0;
    Append(p + 1 + nPointer, n - 1 - nPointer, handler);
}

void CSectionAssembler::Append(const uint8_t* p, size_t n, IHandler& handler)
{
    while (m_bActive && n > 0) {
        // Stuffing after a section: nothing more starts in this packet.
        if (m_nHave == 0 && p[0] == 0xFF) {
            m_bActive = false;
            return;
        }
        size_t nTotal = SectionTotalLength(m_Data, m_nHave);
        const size_t nWant = nTotal ? nTotal - m_nHave : 3 - m_nHave;
        const size_t nTake = n < nWant ? n : nWant;
        memcpy(m_Data + m_nHave, p, nTake);
        m_nHave += nTake;
        p += nTake;
        n -= nTake;
        nTotal = SectionTotalLength(m_Data, m_nHave);
        if (nTotal > PSI_MAX_SECTION || (nTotal && nTotal < 8 && (m_Data[1] & 0x80))) {
            m_bActive = false;
            return;
        }
        if (!nTotal || m_nHave < nTotal)
            continue;
        if ((m_Data[1] & 0x80) && Crc32Mpeg2(m_Data, static_cast<int32_t>(nTotal)) == 0)
            handler.OnSection(m_Data, nTotal);
        m_nHave = 0;
    }
}
