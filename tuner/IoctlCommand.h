// The command record of the maker's private property. The driver reads buffer addresses
// of the calling process: 40 bytes with 32-bit addresses, or, from a 64-bit process, either
// that record (naming buffers below 4 GB) or 64 bytes with 64-bit addresses.
#pragma once

#include <cstddef>
#include <cstdint>

struct IoctlGuidBytes {
    uint8_t b[16];
};

// IOCTL_COMMAND_GUID in its memory layout.
constexpr IoctlGuidBytes kIoctlCommandGuidBytes = {
    {0x82, 0x00, 0x5E, 0x25, 0x17, 0x20, 0x03, 0x4B, 0x90, 0xF8, 0x85, 0x6A, 0x62, 0xCB, 0x3D, 0x67}};

// The record as this process lays it out (its own pointer size).
struct IoctlCommand {
    IoctlGuidBytes Guid;
    uint32_t nCode;
    void* pInBuffer;
    uint32_t nInLength;
    void* pOutBuffer;
    uint32_t nOutLength;
    uint32_t* pBytesReturned;
};

constexpr size_t IOCTL_COMMAND_SIZE_32 = 40;
constexpr size_t IOCTL_COMMAND_SIZE_64 = 64;
static_assert(sizeof(IoctlCommand) == (sizeof(void*) == 4 ? IOCTL_COMMAND_SIZE_32 : IOCTL_COMMAND_SIZE_64),
              "IoctlCommand keeps the driver's layout");
static_assert(sizeof(void*) != 4 || (offsetof(IoctlCommand, nCode) == 16 && offsetof(IoctlCommand, pInBuffer) == 20 &&
                                     offsetof(IoctlCommand, nInLength) == 24 && offsetof(IoctlCommand, pOutBuffer) == 28 &&
                                     offsetof(IoctlCommand, nOutLength) == 32 && offsetof(IoctlCommand, pBytesReturned) == 36),
              "32-bit IoctlCommand layout");

// The fields of a command, with addresses as plain numbers.
struct IoctlCommandFields {
    IoctlGuidBytes Guid;
    uint32_t nCode;
    uint64_t nInAddress;
    uint32_t nInLength;
    uint64_t nOutAddress;
    uint32_t nOutLength;
    uint64_t nCounterAddress;
};

// The fields of a request naming these buffers, at the addresses this process holds them.
IoctlCommandFields MakeIoctlCommandFields(uint32_t code, const void* pIn, uint32_t inLength, const void* pOut,
                                          uint32_t outLength, const void* pBytesReturned);

// Writes the record for addresses of pointerSize bytes (4 or 8) into out, little-endian.
// Returns the record's length, or 0 when pointerSize is not 4 or 8, an address does not
// fit it, or out is too small.
size_t PackIoctlCommand(const IoctlCommandFields& fields, unsigned pointerSize, uint8_t* out, size_t outSize);

// Reads a record whose layout is told by its length (40 or 64 bytes).
bool ParseIoctlCommand(const uint8_t* data, size_t length, IoctlCommandFields* fields);

// The record for this process's own pointers.
IoctlCommand MakeIoctlCommand(uint32_t code, void* pIn, uint32_t inLength, void* pOut, uint32_t outLength,
                              uint32_t* pBytesReturned);
