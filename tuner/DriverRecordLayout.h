// Which command record layout each tuner's driver reads, and how a driver's refusal of the
// record itself is told from its answer to the request. Windows-free.
#pragma once

#include <cstddef>
#include <cstdint>

// True for the statuses with which a driver refuses a command record it cannot read (its
// length or a buffer it names). Only these make the presence check try the other layout.
bool IsMalformedRecordStatus(int32_t hr);

// The record length each tuner device's driver answered, by the device's ordinal among the
// tuner devices; 0 while not known. Ordinals that enumeration never examines are not kept.
class CDriverRecordLayouts
{
public:
    size_t Known(int nOrdinal) const;
    void Remember(int nOrdinal, size_t nLength);

private:
    static constexpr int KEPT_ORDINALS = 10;
    size_t m_nLengths[KEPT_ORDINALS] = {};
};
