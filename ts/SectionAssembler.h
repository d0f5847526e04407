// Reassembles the PSI sections of one PID from its packets: across packets and several to
// a packet, each checked against its CRC-32/MPEG-2. A lost packet (a continuity gap)
// abandons the section being gathered. Fixed storage, so feeding it never allocates.
// Plain C++ without windows.h.
#pragma once

#include "ts/PsiIds.h"
#include "ts/TsPacket.h"

#include <cstddef>
#include <cstdint>

class CSectionAssembler {
public:
    // Receives each complete section whose CRC holds.
    class IHandler {
    public:
        virtual void OnSection(const uint8_t* pSection, size_t nLength) = 0;

    protected:
        ~IHandler() = default;
    };

    // Forgets any section being gathered and the last continuity counter.
    void Reset();
    // One packet of the PID.
    void Feed(const CTsPacket& packet, IHandler& handler);

private:
    void Append(const uint8_t* p, size_t n, IHandler& handler);

    uint8_t m_Data[PSI_MAX_SECTION];
    size_t m_nHave = 0;
    bool m_bActive = false;
    int m_nLastCc = -1;
};

// The section's length in all (header included), 0 when fewer than 3 bytes are at hand.
inline size_t SectionTotalLength(const uint8_t* s, size_t nHave)
{
    return nHave < 3 ? 0 : 3 + ((static_cast<size_t>(s[1] & 0x0F) << 8) | s[2]);
}
