// Texts the control panel builds from tuning values and figures.
// Plain C++ without windows.h.
#pragma once

#include <cstdint>
#include <string>

struct LocalTimeParts {
    unsigned nYear, nMonth, nDay, nHour, nMinute;
};

// year-month-day-hour-minute-freq-param-system, numbers without leading zeros.
std::string FormatCaptureFileStem(const LocalTimeParts& time, const std::string& strFreq, const std::string& strParam,
                                  const std::string& strSystem);

// The four-line signal, disk and capture report of the status timer.
std::string FormatSignalReport(int32_t nStrength, int32_t nQuality, int32_t nFreeMB, int32_t nCapturedMB);
