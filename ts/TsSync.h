// Finding the packet grid in a run of received bytes. Plain C++ without windows.h.
#pragma once

#include <cstddef>
#include <cstdint>

// Offset of the first sync byte after pData[0] that the next two packet starts confirm, as
// far as the run reaches; nLength when the run holds none. Both the receive path's aligner
// and the stream analysis regain sync here, so they skip the same bytes.
size_t FindSyncPoint(const uint8_t* pData, size_t nLength);
