#include "ts/RateMeter.h"

namespace {

constexpr double BITS_PER_PACKET = 188.0 * 8.0;

} // namespace

CRateMeter::CRateMeter(uint64_t nTicksPerSecond, uint64_t nWrap, uint64_t nMaxStep)
    : m_nTicksPerSecond(nTicksPerSecond)
    , m_nWrap(nWrap)
    , m_nMaxStep(nMaxStep)
{
}

void CRateMeter::Sample(uint64_t nPackets, uint64_t nTicks)
{
    if (m_bHave) {
        uint64_t nStep;
        if (m_nWrap != 0)
            nStep = (nTicks + m_nWrap - m_nLastTicks) % m_nWrap;
        else
            nStep = nTicks >= m_nLastTicks ? nTicks - m_nLastTicks : UINT64_MAX;
        if (nStep <= m_nMaxStep) {
            const uint64_t nStepPackets = nPackets - m_nLastPackets;
            m_nSumPackets += nStepPackets;
            m_nSumTicks += nStep;
            m_nWindowPackets += nStepPackets;
            m_nWindowTicks += nStep;
            if (m_nWindowTicks >= m_nTicksPerSecond) {
                const uint64_t nBps = Bps(m_nWindowPackets, m_nWindowTicks);
                if (nBps > m_nPeakBps)
                    m_nPeakBps = nBps;
                m_nWindowPackets = 0;
                m_nWindowTicks = 0;
            }
        } else {
            // A jump: what was gathered in the open window cannot be timed.
            m_nWindowPackets = 0;
            m_nWindowTicks = 0;
        }
    }
    m_bHave = true;
    m_nLastPackets = nPackets;
    m_nLastTicks = nTicks;
}

uint64_t CRateMeter::AverageBps() const
{
    return Bps(m_nSumPackets, m_nSumTicks);
}

uint64_t CRateMeter::Bps(uint64_t nPackets, uint64_t nTicks) const
{
    if (nTicks == 0)
        return 0;
    // In floating point: packets times bits times 27 MHz overflows 64 bits on long files.
    return static_cast<uint64_t>(static_cast<double>(nPackets) * BITS_PER_PACKET *
                                 static_cast<double>(m_nTicksPerSecond) / static_cast<double>(nTicks) + 0.5);
}
