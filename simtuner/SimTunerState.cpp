#include "simtuner/SimTunerState.h"

#include <algorithm>
#include <cstring>

bool CSimTunerState::HasPendingChanges() const
{
    return std::memcmp(&m_Pending, &m_Committed, sizeof(SimTuning)) != 0;
}

void CSimTunerState::CommitChanges(uint64_t nowMs)
{
    m_Committed = m_Pending;
    m_bCommitted = true;
    m_nCommitMs = nowMs;
    m_nChannel = FindLockedChannel(m_Settings.eKind, m_Settings.Lnb, m_Settings.Channels, m_Committed);
}

bool CSimTunerState::IsPresent(const SimSignal& signal) const
{
    return !signal.bLost && m_nChannel >= 0;
}

bool CSimTunerState::IsLocked(uint64_t nowMs, const SimSignal& signal) const
{
    if (!IsPresent(signal))
        return false;
    const uint64_t since = std::max(m_nCommitMs, signal.nBackSinceMs);
    return nowMs >= since && nowMs - since >= m_Settings.nLockDelayMs;
}

int32_t CSimTunerState::Strength(const SimSignal& signal) const
{
    if (!IsPresent(signal))
        return 0;
    const int32_t own = m_Settings.Channels[static_cast<size_t>(m_nChannel)].nStrength;
    return own != SIM_LEVEL_UNSET ? own : m_Settings.nStrength;
}

int32_t CSimTunerState::Quality(uint64_t nowMs, const SimSignal& signal) const
{
    if (!IsLocked(nowMs, signal))
        return 0;
    const int32_t own = m_Settings.Channels[static_cast<size_t>(m_nChannel)].nQuality;
    return own != SIM_LEVEL_UNSET ? own : m_Settings.nQuality;
}
