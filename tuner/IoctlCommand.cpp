#include "tuner/IoctlCommand.h"

#include <cstring>

namespace {

struct Layout {
    size_t size, code, inAddr, inLen, outAddr, outLen, counter;
};

constexpr Layout kLayout32 = {40, 16, 20, 24, 28, 32, 36};
constexpr Layout kLayout64 = {64, 16, 24, 32, 40, 48, 56};

void PutLe(uint8_t* p, uint64_t value, unsigned bytes)
{
    for (unsigned i = 0; i < bytes; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t GetLe(const uint8_t* p, unsigned bytes)
{
    uint64_t value = 0;
    for (unsigned i = 0; i < bytes; ++i)
        value |= static_cast<uint64_t>(p[i]) << (8 * i);
    return value;
}

} // namespace

size_t PackIoctlCommand(const IoctlCommandFields& f, unsigned pointerSize, uint8_t* out, size_t outSize)
{
    if (pointerSize != 4 && pointerSize != 8)
        return 0;
    const Layout& l = pointerSize == 4 ? kLayout32 : kLayout64;
    if (!out || outSize < l.size)
        return 0;
    if (pointerSize == 4 && ((f.nInAddress | f.nOutAddress | f.nCounterAddress) >> 32) != 0)
        return 0;
    std::memset(out, 0, l.size);
    std::memcpy(out, f.Guid.b, 16);
    PutLe(out + l.code, f.nCode, 4);
    PutLe(out + l.inAddr, f.nInAddress, pointerSize);
    PutLe(out + l.inLen, f.nInLength, 4);
    PutLe(out + l.outAddr, f.nOutAddress, pointerSize);
    PutLe(out + l.outLen, f.nOutLength, 4);
    PutLe(out + l.counter, f.nCounterAddress, pointerSize);
    return l.size;
}

bool ParseIoctlCommand(const uint8_t* data, size_t length, IoctlCommandFields* f)
{
    if (!data || !f || (length != kLayout32.size && length != kLayout64.size))
        return false;
    const Layout& l = length == kLayout32.size ? kLayout32 : kLayout64;
    const unsigned pointerSize = length == kLayout32.size ? 4 : 8;
    std::memcpy(f->Guid.b, data, 16);
    f->nCode = static_cast<uint32_t>(GetLe(data + l.code, 4));
    f->nInAddress = GetLe(data + l.inAddr, pointerSize);
    f->nInLength = static_cast<uint32_t>(GetLe(data + l.inLen, 4));
    f->nOutAddress = GetLe(data + l.outAddr, pointerSize);
    f->nOutLength = static_cast<uint32_t>(GetLe(data + l.outLen, 4));
    f->nCounterAddress = GetLe(data + l.counter, pointerSize);
    return true;
}

IoctlCommandFields MakeIoctlCommandFields(uint32_t code, const void* pIn, uint32_t inLength, const void* pOut,
                                          uint32_t outLength, const void* pBytesReturned)
{
    IoctlCommandFields f{};
    f.Guid = kIoctlCommandGuidBytes;
    f.nCode = code;
    f.nInAddress = reinterpret_cast<uintptr_t>(pIn);
    f.nInLength = inLength;
    f.nOutAddress = reinterpret_cast<uintptr_t>(pOut);
    f.nOutLength = outLength;
    f.nCounterAddress = reinterpret_cast<uintptr_t>(pBytesReturned);
    return f;
}

IoctlCommand MakeIoctlCommand(uint32_t code, void* pIn, uint32_t inLength, void* pOut, uint32_t outLength,
                              uint32_t* pBytesReturned)
{
    const IoctlCommandFields f = MakeIoctlCommandFields(code, pIn, inLength, pOut, outLength, pBytesReturned);
    IoctlCommand command;
    PackIoctlCommand(f, sizeof(void*), reinterpret_cast<uint8_t*>(&command), sizeof(command));
    return command;
}
