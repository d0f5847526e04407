// A set of PIDs (0 to 0x1FFF) as a bitset: constant time to test, no allocation.
// Plain C++ without windows.h.
#pragma once

#include "ts/TsPacket.h"

#include <bitset>
#include <cstdint>

class CPidSet {
public:
    void Set(uint16_t nPid) { m_Bits.set(nPid & (TS_PID_COUNT - 1)); }
    void Reset(uint16_t nPid) { m_Bits.reset(nPid & (TS_PID_COUNT - 1)); }
    void Clear() { m_Bits.reset(); }
    bool Test(uint16_t nPid) const { return nPid < TS_PID_COUNT && m_Bits.test(nPid); }
    size_t Count() const { return m_Bits.count(); }
    bool Empty() const { return m_Bits.none(); }
    CPidSet& operator|=(const CPidSet& other)
    {
        m_Bits |= other.m_Bits;
        return *this;
    }
    bool operator==(const CPidSet& other) const { return m_Bits == other.m_Bits; }
    bool operator!=(const CPidSet& other) const { return m_Bits != other.m_Bits; }

private:
    std::bitset<TS_PID_COUNT> m_Bits;
};
