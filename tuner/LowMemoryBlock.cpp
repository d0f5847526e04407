#include "tuner/LowMemoryBlock.h"

namespace {

constexpr ULONG64 HIGHEST_LOW_ADDRESS = 0xFFFFFFFF;
// NtAllocateVirtualMemory reads a ZeroBits value above 32 as a mask of the allowed bits.
constexpr ULONG_PTR LOW_ADDRESS_MASK = 0x7FFFFFFF;

using VirtualAlloc2Fn = PVOID(WINAPI*)(HANDLE, PVOID, SIZE_T, ULONG, ULONG, MEM_EXTENDED_PARAMETER*, ULONG);
using NtAllocateVirtualMemoryFn = LONG(NTAPI*)(HANDLE, PVOID*, ULONG_PTR, PSIZE_T, ULONG, ULONG);

template <class T>
T ProcOf(const wchar_t* pszModule, const char* pszName)
{
    const HMODULE hModule = GetModuleHandleW(pszModule);
    return hModule ? reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(hModule, pszName))) : nullptr;
}

// Systems since Windows 10 take the limit as an address requirement.
void* AllocateWithLimit(SIZE_T nSize)
{
    const auto pVirtualAlloc2 = ProcOf<VirtualAlloc2Fn>(L"kernelbase.dll", "VirtualAlloc2");
    if (!pVirtualAlloc2)
        return nullptr;
    MEM_ADDRESS_REQUIREMENTS requirements = {};
    requirements.HighestEndingAddress = reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(HIGHEST_LOW_ADDRESS));
    MEM_EXTENDED_PARAMETER parameter = {};
    parameter.Type = MemExtendedParameterAddressRequirements;
    parameter.Pointer = &requirements;
    return pVirtualAlloc2(GetCurrentProcess(), nullptr, nSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE, &parameter, 1);
}

// Older systems only know the native call's mask of address bits.
void* AllocateWithZeroBits(SIZE_T nSize)
{
    const auto pAllocate = ProcOf<NtAllocateVirtualMemoryFn>(L"ntdll.dll", "NtAllocateVirtualMemory");
    if (!pAllocate)
        return nullptr;
    PVOID pBlock = nullptr;
    SIZE_T nRegion = nSize;
    if (pAllocate(GetCurrentProcess(), &pBlock, LOW_ADDRESS_MASK, &nRegion, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE) < 0)
        return nullptr;
    return pBlock;
}

} // namespace

bool CLowMemoryBlock::Allocate(SIZE_T nSize)
{
    if (m_pBlock)
        return true;
    void* pBlock = AllocateWithLimit(nSize);
    if (!pBlock)
        pBlock = AllocateWithZeroBits(nSize);
    if (!pBlock)
        return false;
    // A system that ignored the limit must not have its addresses cut short.
    if (static_cast<ULONG64>(reinterpret_cast<ULONG_PTR>(pBlock)) + nSize - 1 > HIGHEST_LOW_ADDRESS) {
        VirtualFree(pBlock, 0, MEM_RELEASE);
        return false;
    }
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
