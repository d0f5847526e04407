// The process's own handles counted by object type, and its private memory: what a long
// session is watched for.
#pragma once

#include <windows.h>

#include <map>
#include <string>

struct ProcessCensus {
    DWORD nHandles = 0;                         // handle values that answer
    std::map<std::wstring, int> HandlesByType;
    SIZE_T nPrivateBytes = 0;                   // commit charge
    // The data segment as Linux sees the Wine process (VmData of /proc/<pid>/status, read
    // through drive Z:); 0 where it cannot be found. It counts what Wine's own bookkeeping
    // of private memory may not.
    unsigned long long nVmDataBytes = 0;
    // Bytes in busy blocks of every heap of the process (HeapWalk): what of the growth is
    // allocations rather than mapped memory.
    unsigned long long nHeapBusyBytes = 0;
    // Bytes the heaps hold committed, busy or free: what the private memory counts of them.
    unsigned long long nHeapCommittedBytes = 0;
};

ProcessCensus TakeCensus();
// "Key 12, Event 40, ..." and the types whose count changed from before, with the change.
std::string CensusDifference(const ProcessCensus& before, const ProcessCensus& after);
