#include "HandleCensus.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>

namespace {

constexpr int OBJECT_TYPE_INFORMATION_CLASS = 2;
// Handle values are small multiples of four.
constexpr ULONG_PTR MAX_HANDLE_VALUE = 0x40000;

typedef NTSTATUS(NTAPI* PFN_NtQueryObject)(HANDLE, int, PVOID, ULONG, PULONG);

std::wstring TypeOf(PFN_NtQueryObject pQuery, HANDLE h)
{
    // The type's name comes first, as a counted string that points into the same buffer.
    alignas(8) unsigned char buffer[1024];
    ULONG cb = 0;
    if (pQuery(h, OBJECT_TYPE_INFORMATION_CLASS, buffer, sizeof(buffer), &cb) < 0)
        return std::wstring();
    const UNICODE_STRING* pName = reinterpret_cast<const UNICODE_STRING*>(buffer);
    return std::wstring(pName->Buffer, pName->Length / sizeof(wchar_t));
}

} // namespace

// Wine reports no process handle count and no private usage: the handles are found by
// walking the handle values, and the memory is the commit charge (the same figure on Windows).
ProcessCensus TakeCensus()
{
    ProcessCensus census;
    auto pQuery = reinterpret_cast<PFN_NtQueryObject>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
    for (ULONG_PTR value = 4; value < MAX_HANDLE_VALUE; value += 4) {
        DWORD dwFlags = 0;
        if (!GetHandleInformation(reinterpret_cast<HANDLE>(value), &dwFlags))
            continue;
        ++census.nHandles;
        const std::wstring type = pQuery ? TypeOf(pQuery, reinterpret_cast<HANDLE>(value)) : std::wstring();
        ++census.HandlesByType[type.empty() ? L"?" : type];
    }
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory)))
        census.nPrivateBytes = std::max(memory.PrivateUsage, memory.PagefileUsage);
    return census;
}

std::string CensusDifference(const ProcessCensus& before, const ProcessCensus& after)
{
    std::set<std::wstring> types;
    for (const auto& entry : before.HandlesByType)
        types.insert(entry.first);
    for (const auto& entry : after.HandlesByType)
        types.insert(entry.first);
    std::string text;
    for (const std::wstring& type : types) {
        const auto b = before.HandlesByType.find(type);
        const auto a = after.HandlesByType.find(type);
        const int nBefore = b == before.HandlesByType.end() ? 0 : b->second;
        const int nAfter = a == after.HandlesByType.end() ? 0 : a->second;
        char item[160];
        snprintf(item, sizeof(item), "%s%ls %d", text.empty() ? "" : ", ", type.c_str(), nAfter);
        text += item;
        if (nAfter != nBefore) {
            snprintf(item, sizeof(item), " (%+d)", nAfter - nBefore);
            text += item;
        }
    }
    return text;
}
