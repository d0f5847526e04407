#include "tuner/LowMemoryBlock.h"

#include <algorithm>

namespace {

constexpr ULONG64 HIGHEST_LOW_ADDRESS = 0xFFFFFFFF;

VirtualAlloc2Fn FindVirtualAlloc2()
{
    const HMODULE hModule = GetModuleHandleW(L"kernelbase.dll");
    return hModule ? reinterpret_cast<VirtualAlloc2Fn>(
                         reinterpret_cast<void (*)()>(GetProcAddress(hModule, "VirtualAlloc2")))
                   : nullptr;
}

// Systems since Windows 10 1803 take the limit as an address requirement.
void* AllocateWithLimit(SIZE_T nSize)
{
    const VirtualAlloc2Fn pVirtualAlloc2 = g_pfnFindVirtualAlloc2();
    if (!pVirtualAlloc2)
        return nullptr;
    MEM_ADDRESS_REQUIREMENTS requirements = {};
    requirements.HighestEndingAddress = reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(HIGHEST_LOW_ADDRESS));
    MEM_EXTENDED_PARAMETER parameter = {};
    parameter.Type = MemExtendedParameterAddressRequirements;
    parameter.Pointer = &requirements;
    return pVirtualAlloc2(GetCurrentProcess(), nullptr, nSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE, &parameter, 1);
}

bool EndsBelow4GB(const void* pBlock, SIZE_T nSize)
{
    return static_cast<ULONG64>(reinterpret_cast<ULONG_PTR>(pBlock)) + nSize - 1 <= HIGHEST_LOW_ADDRESS;
}

} // namespace

VirtualAlloc2Fn (*g_pfnFindVirtualAlloc2)() = FindVirtualAlloc2;

void* AllocateInFreeLowRegion(SIZE_T nSize)
{
    if (nSize == 0)
        return nullptr;
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const ULONG64 nGranularity = system.dwAllocationGranularity;
    const ULONG64 nEnd = std::min<ULONG64>(HIGHEST_LOW_ADDRESS,
                                           reinterpret_cast<ULONG_PTR>(system.lpMaximumApplicationAddress)) + 1;
    ULONG64 nAddress = reinterpret_cast<ULONG_PTR>(system.lpMinimumApplicationAddress);
    while (nAddress < nEnd) {
        MEMORY_BASIC_INFORMATION region;
        if (!VirtualQuery(reinterpret_cast<void*>(static_cast<ULONG_PTR>(nAddress)), &region, sizeof(region)))
            return nullptr;
        const ULONG64 nRegionEnd = reinterpret_cast<ULONG_PTR>(region.BaseAddress) + ULONG64{region.RegionSize};
        // A reservation starts on the allocation granularity: a free region that starts
        // between two boundaries has room only from the next one on.
        const ULONG64 nStart = (nAddress + nGranularity - 1) / nGranularity * nGranularity;
        if (region.State == MEM_FREE && nStart + nSize <= std::min(nRegionEnd, nEnd)) {
            // Another thread may have taken the region since the query: then the walk goes on.
            void* pBlock = VirtualAlloc(reinterpret_cast<void*>(static_cast<ULONG_PTR>(nStart)), nSize,
                                        MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
            if (pBlock && EndsBelow4GB(pBlock, nSize))
                return pBlock;
            if (pBlock)
                VirtualFree(pBlock, 0, MEM_RELEASE);
        }
        if (nRegionEnd <= nAddress)
            return nullptr;
        nAddress = nRegionEnd;
    }
    return nullptr;
}

bool CLowMemoryBlock::Allocate(SIZE_T nSize)
{
    if (m_pBlock)
        return true;
    void* pBlock = AllocateWithLimit(nSize);
    // A system that ignored the limit must not have its addresses cut short.
    if (pBlock && !EndsBelow4GB(pBlock, nSize)) {
        VirtualFree(pBlock, 0, MEM_RELEASE);
        pBlock = nullptr;
    }
    if (!pBlock)
        pBlock = AllocateInFreeLowRegion(nSize);
    if (!pBlock)
        return false;
    m_pBlock = static_cast<BYTE*>(pBlock);
    m_nSize = nSize;
    return true;
}

void CLowMemoryBlock::Free()
{
    if (m_pBlock)
        VirtualFree(m_pBlock, 0, MEM_RELEASE);
    m_pBlock = nullptr;
    m_nSize = 0;
}
