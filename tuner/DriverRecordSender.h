// Sends the maker's requests over the tuner input pin's property set, as a command record of
// the length the driver reads. The record of this process's own layout names the caller's
// buffers. The 40-byte record of a 64-bit process names copies in a block below 4 GB: the
// input goes there before the Set, and after a successful Set the output and the counter
// come back, so the answers arrive in the caller's records wherever those lie.
#pragma once

#include "graph/Com.h"
#include "tuner/LowMemoryBlock.h"

#include <cstddef>

// One request: its code, its buffers and the caller's bytes-returned counter.
struct DriverRequest {
    DWORD nCode;
    void* pIn;
    DWORD nInLength;
    void* pOut;
    DWORD nOutLength;
    DWORD* pnReturned;
};

class CDriverRecordSender
{
public:
    // True when a record of this length can go out now: it is this process's own layout, or
    // the block below 4 GB that the 40-byte record needs is held.
    bool Ready(size_t nRecordLength);
    // Set's status. A record that cannot go out at all (no block below 4 GB, buffers larger
    // than it) is never sent: E_OUTOFMEMORY.
    HRESULT Send(IKsPropertySet* pPropertySet, size_t nRecordLength, const DriverRequest& request);
    // Gives the block back; the next 40-byte record asks for a new one.
    void Free() { m_LowBlock.Free(); }

private:
    HRESULT SendThroughLowBlock(IKsPropertySet* pPropertySet, const DriverRequest& request);

    CLowMemoryBlock m_LowBlock;
};
