#include "HandleCensus.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
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

std::string ReadWholeFile(const std::string& path)
{
    std::string text;
    FILE* pFile = std::fopen(path.c_str(), "rb");
    if (!pFile)
        return text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pFile)) > 0)
        text.append(buffer, n);
    std::fclose(pFile);
    return text;
}

// The Linux process that runs this program. Wine's server opens files on the program's
// behalf, so Z:\proc\self names the server, not this process: the process is found instead
// as the one whose first command-line word ends in this program's file name. Empty when
// none or several are (two runs of the same program at once).
std::string FindOwnLinuxProcess()
{
    char szModule[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, szModule, sizeof(szModule));
    const char* pszSlash = std::strrchr(szModule, '\\');
    const std::string name = pszSlash ? pszSlash + 1 : szModule;
    std::vector<std::string> found;
    WIN32_FIND_DATAA entry;
    HANDLE hFind = FindFirstFileA("Z:\\proc\\*", &entry);
    if (hFind == INVALID_HANDLE_VALUE)
        return std::string();
    do {
        if (!std::isdigit(static_cast<unsigned char>(entry.cFileName[0])))
            continue;
        const std::string folder = std::string("Z:\\proc\\") + entry.cFileName;
        const std::string command = ReadWholeFile(folder + "\\cmdline");
        const std::string first = command.substr(0, command.find('\0'));
        const size_t nCut = first.find_last_of("/\\");
        if (_stricmp((nCut == std::string::npos ? first : first.substr(nCut + 1)).c_str(), name.c_str()) == 0)
            found.push_back(folder);
    } while (FindNextFileA(hFind, &entry));
    FindClose(hFind);
    return found.size() == 1 ? found[0] : std::string();
}

unsigned long long ReadVmDataBytes()
{
    static const std::string folder = FindOwnLinuxProcess();
    if (folder.empty())
        return 0;
    const std::string status = ReadWholeFile(folder + "\\status");
    const size_t nAt = status.find("VmData:");
    unsigned long long nKB = 0;
    if (nAt == std::string::npos || std::sscanf(status.c_str() + nAt, "VmData: %llu kB", &nKB) != 1)
        return 0;
    return nKB * 1024;
}

void CountHeapBytes(ProcessCensus& census)
{
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    for (HANDLE hHeap : heaps) {
        if (!HeapLock(hHeap))
            continue;
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(hHeap, &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                census.nHeapBusyBytes += entry.cbData;
            if (!(entry.wFlags & (PROCESS_HEAP_REGION | PROCESS_HEAP_UNCOMMITTED_RANGE)))
                census.nHeapCommittedBytes += entry.cbData + entry.cbOverhead;
        }
        HeapUnlock(hHeap);
    }
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
    census.nVmDataBytes = ReadVmDataBytes();
    CountHeapBytes(census);
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
