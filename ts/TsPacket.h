// One 188-byte transport packet as a typed view: the header fields, the adaptation field
// and the payload, read in place without copying. The caller guarantees 188 readable bytes.
// Plain C++ without windows.h.
#pragma once

#include <cstdint>

constexpr int32_t TS_PACKET_SIZE = 188;
constexpr uint8_t TS_SYNC_BYTE = 0x47;
constexpr uint16_t TS_PID_NULL = 0x1FFF;
constexpr uint16_t TS_PID_COUNT = 0x2000;
constexpr uint64_t TS_BITS_PER_PACKET = TS_PACKET_SIZE * 8;

class CTsPacket {
public:
    explicit CTsPacket(const uint8_t* pPacket) : m_p(pPacket) {}

    const uint8_t* Data() const { return m_p; }
    bool HasSync() const { return m_p[0] == TS_SYNC_BYTE; }
    bool ErrorIndicator() const { return (m_p[1] & 0x80) != 0; }
    bool UnitStart() const { return (m_p[1] & 0x40) != 0; }
    uint16_t Pid() const { return static_cast<uint16_t>((m_p[1] & 0x1F) << 8 | m_p[2]); }
    uint8_t Scrambling() const { return static_cast<uint8_t>(m_p[3] >> 6); }
    bool Scrambled() const { return Scrambling() != 0; }
    // 0 is reserved (decoders discard the packet), 1 payload only, 2 adaptation field
    // only, 3 both.
    uint8_t AdaptationControl() const { return static_cast<uint8_t>((m_p[3] >> 4) & 0x03); }
    bool HasAdaptationField() const { return (m_p[3] & 0x20) != 0; }
    bool HasPayload() const { return (m_p[3] & 0x10) != 0; }
    uint8_t ContinuityCounter() const { return static_cast<uint8_t>(m_p[3] & 0x0F); }

    // Bytes of the adaptation field after its length byte (0 without one).
    uint8_t AdaptationLength() const { return HasAdaptationField() ? m_p[4] : 0; }
    // The flags of an adaptation field that claims more than the packet holds are not read.
    bool Discontinuity() const { return HasFlags() && (m_p[5] & 0x80) != 0; }
    bool HasPcr() const { return HasFlags() && AdaptationLength() >= 7 && (m_p[5] & 0x10) != 0; }
    // The PCR in 27 MHz ticks; meaningful only when HasPcr().
    uint64_t Pcr() const
    {
        const uint8_t* q = m_p + 6;
        const uint64_t nBase = static_cast<uint64_t>(q[0]) << 25 | static_cast<uint64_t>(q[1]) << 17 |
                               static_cast<uint64_t>(q[2]) << 9 | static_cast<uint64_t>(q[3]) << 1 | (q[4] >> 7);
        const uint64_t nExtension = static_cast<uint64_t>(q[4] & 0x01) << 8 | q[5];
        return nBase * 300 + nExtension;
    }

    // Offset of the payload in the packet; TS_PACKET_SIZE when there is none or the
    // adaptation field claims more than the packet holds.
    int32_t PayloadOffset() const
    {
        if (!HasPayload())
            return TS_PACKET_SIZE;
        const int32_t nOffset = HasAdaptationField() ? 5 + m_p[4] : 4;
        return nOffset < TS_PACKET_SIZE ? nOffset : TS_PACKET_SIZE;
    }
    const uint8_t* Payload() const { return m_p + PayloadOffset(); }
    int32_t PayloadSize() const { return TS_PACKET_SIZE - PayloadOffset(); }

private:
    bool HasFlags() const { return AdaptationLength() > 0 && AdaptationLength() <= TS_PACKET_SIZE - 5; }

    const uint8_t* m_p;
};
