// A block of this process's memory whose addresses fit 32 bits, for records that carry
// 32-bit addresses in a 64-bit process. Freed when the holder goes or is emptied.
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
