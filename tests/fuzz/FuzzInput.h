// Layout of a fuzz input for the packet aligner, shared by the fuzzer and its seed maker:
//   byte 0       mode: even = the rest is raw bytes, odd = the rest seeds a clean stream
//   byte 1       number c of cut lengths (taken modulo 16)
//   2c bytes     cut lengths, 16-bit little-endian: the stream is fed in runs of these lengths
//   the rest     bytes of the stream, or for a clean stream: one byte per packet choosing
//                its kind (odd: test packet) and filling its body
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct FuzzInput {
    bool bCleanStream = false;
    std::vector<uint16_t> Cuts;
    const uint8_t* pRest = nullptr;
    size_t nRest = 0;
};

inline bool ParseFuzzInput(const uint8_t* data, size_t size, FuzzInput& in)
{
    if (size < 2)
        return false;
    in.bCleanStream = (data[0] & 1) != 0;
    const size_t c = data[1] % 16;
    if (size < 2 + 2 * c)
        return false;
    for (size_t i = 0; i < c; ++i)
        in.Cuts.push_back(static_cast<uint16_t>(data[2 + 2 * i] | data[3 + 2 * i] << 8));
    in.pRest = data + 2 + 2 * c;
    in.nRest = size - 2 - 2 * c;
    return true;
}
