// What the console program prints besides the health report: the tuner list, the signal
// line and the capture's progress line, and the lookup of TUNER in the list.
// Plain C++ without windows.h.
#pragma once

#include "ts/StreamAnalysis.h"

#include <cstdint>
#include <string>
#include <vector>

struct CliTunerEntry {
    int nIndex = 0;
    int nOrdinal = 0;           // the device's place among all tuner devices
    std::string strName;
    int32_t nSourceType = 0;
    bool bRecordsRead = false;  // the driver answered both record requests
    std::string strDriverLine, strDeviceLine, strMac;
};

// The entry TUNER names: a list index, a MAC (any case, '-' or ':' between the bytes), or a
// name (exact, else ignoring case); -1 when none does.
int FindCliTuner(const std::vector<CliTunerEntry>& entries, const std::string& strTuner);

// nOthers: the tuners left out because they are not the maker's.
std::string FormatTunerListText(const std::vector<CliTunerEntry>& entries, int nOthers = 0);
std::string FormatTunerListJson(const std::vector<CliTunerEntry>& entries, int nOthers = 0);

// "locked  strength 80  quality 90", or "no lock" with the levels.
std::string FormatSignalLine(bool bLocked, long nStrength, long nQuality);
// One reading as one JSON line: {"time":"...","locked":true,"strength":80,"quality":90}.
// strTime is the local time of the reading, "2026-12-07T16:31:05".
std::string FormatSignalJson(const std::string& strTime, bool bLocked, long nStrength, long nQuality);

struct CaptureProgressFigures {
    uint64_t nElapsedMs = 0;
    uint64_t nBytes = 0;       // written so far
    uint64_t nBytesPerSecond = 0;
    bool bLocked = false;
    long nStrength = 0, nQuality = 0;
    StreamProgress Stream;
    uint64_t nDroppedBytes = 0;  // left out because the output could not keep up
    uint64_t nBufferHighestPercent = 0;
};

// "00:01:05  12.50 MB  19.87 Mbit/s  locked  strength 80  quality 90  errors 0 (cc 0, sync 0, tei 0, crc 0)
//  buffer peak 3%  dropped 0.00 MB"
std::string FormatProgressLine(const CaptureProgressFigures& figures);

// A command that failed before it did its work, for --json: {"error": ..., "reason": ...,
// "exit_code": N}; the reason is left out when empty.
std::string FormatErrorJson(int nExit, const std::string& strReason);
