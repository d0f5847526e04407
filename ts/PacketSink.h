// Where a stage of the stream's processing hands its transport packets: a selection in
// front of an output, an output behind it. Called on the streaming thread.
// Plain C++ without windows.h.
#pragma once

#include <cstdint>

class IPacketSink {
public:
    // pPacket: 188 bytes starting with the sync byte. Must not block or allocate.
    virtual void Put(const uint8_t* pPacket) = 0;

protected:
    ~IPacketSink() = default;
};
