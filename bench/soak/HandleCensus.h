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
};

ProcessCensus TakeCensus();
// "Key 12, Event 40, ..." and the types whose count changed from before, with the change.
std::string CensusDifference(const ProcessCensus& before, const ProcessCensus& after);
