// The tuning side of one simulated tuner: values pending and committed through the BDA
// control nodes, and the lock that follows a commit after the device's lock delay.
// Windows-free; times are milliseconds of any monotonic clock.
#pragma once

#include "simtuner/SimSettings.h"

// The signal as the antenna delivers it right now: lost, or back since a given time.
struct SimSignal {
    bool bLost = false;
    uint64_t nBackSinceMs = 0;
};

class CSimTunerState {
public:
    void Configure(const SimTunerSettings& settings) { m_Settings = settings; }

    // The put_ methods write here; the get_ methods read from here.
    SimTuning& Pending() { return m_Pending; }
    const SimTuning& Committed() const { return m_Committed; }
    bool HasCommitted() const { return m_bCommitted; }
    bool HasPendingChanges() const;

    // Drops the changes since the last commit.
    void StartChanges() { m_Pending = m_Committed; }
    // Takes the pending values and starts looking for their channel.
    void CommitChanges(uint64_t nowMs);

    // The channel the committed values found, -1 for none.
    int LockedChannel() const { return m_nChannel; }
    // A carrier is there as soon as the committed values find a channel.
    bool IsPresent(const SimSignal& signal) const;
    // Lock follows the lock delay after the commit, or after the signal came back.
    bool IsLocked(uint64_t nowMs, const SimSignal& signal) const;
    // Strength while a carrier is there, quality while locked; 0 otherwise.
    int32_t Strength(const SimSignal& signal) const;
    int32_t Quality(uint64_t nowMs, const SimSignal& signal) const;

private:
    SimTunerSettings m_Settings;
    SimTuning m_Pending;
    SimTuning m_Committed;
    bool m_bCommitted = false;
    uint64_t m_nCommitMs = 0;
    int m_nChannel = -1;
};
