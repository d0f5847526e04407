#include "ui/DialogText.h"

#include <cstdio>

std::string FormatCaptureFileStem(const LocalTimeParts& time, const std::string& strFreq, const std::string& strParam,
                                  const std::string& strSystem)
{
    char szTime[64];
    std::snprintf(szTime, sizeof(szTime), "%u-%u-%u-%u-%u", time.nYear, time.nMonth, time.nDay, time.nHour,
                  time.nMinute);
    return std::string(szTime) + "-" + strFreq + "-" + strParam + "-" + strSystem;
}

std::string FormatSignalReport(int32_t nStrength, int32_t nQuality, int32_t nFreeMB, int32_t nCapturedMB)
{
    char szReport[256];
    std::snprintf(szReport, sizeof(szReport),
                  " Strength:%d\n Quality:%d\n Free Disk Space  :%6d %s\n File Captured :%6d  MBytes \n ",
                  static_cast<int>(nStrength), static_cast<int>(nQuality), static_cast<int>(nFreeMB), "MBytes",
                  static_cast<int>(nCapturedMB));
    return szReport;
}
