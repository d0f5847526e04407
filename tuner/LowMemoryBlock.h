// A block of this process's memory whose addresses fit 32 bits, for records that carry
// 32-bit addresses in a 64-bit process. Freed when the holder goes or is emptied.
//
// Two ways, in this order: VirtualAlloc2 with a highest ending address (Windows 10 1803 and
// later), and on systems without it a walk of the address space with VirtualQuery that
// reserves the first free region below 4 GB large enough, at its own address, with
// VirtualAlloc. Both are documented on every system that has them.
#pragma once

#include <windows.h>

class CLowMemoryBlock
{
public:
    CLowMemoryBlock() = default;
    CLowMemoryBlock(const CLowMemoryBlock&) = delete;
    CLowMemoryBlock& operator=(const CLowMemoryBlock&) = delete;
    ~CLowMemoryBlock() { Free(); }

    // Allocates nSize bytes below 4 GB unless a block is held; false when none can be had.
    bool Allocate(SIZE_T nSize);
    void Free();

    BYTE* Get() const { return m_pBlock; }
    SIZE_T Size() const { return m_nSize; }

private:
    BYTE* m_pBlock = nullptr;
    SIZE_T m_nSize = 0;
};

using VirtualAlloc2Fn = PVOID(WINAPI*)(HANDLE, PVOID, SIZE_T, ULONG, ULONG, MEM_EXTENDED_PARAMETER*, ULONG);

// Finds VirtualAlloc2 on this system (null where it has none); tests put in a lookup that
// finds nothing to take the road of older systems.
extern VirtualAlloc2Fn (*g_pfnFindVirtualAlloc2)();

// The older systems' way on its own: committed read-write memory below 4 GB, or null.
// Freed with VirtualFree(MEM_RELEASE).
void* AllocateInFreeLowRegion(SIZE_T nSize);
