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

uint32_t ParseFieldNumber(const std::string& text)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '	'; };
    size_t at = 0;
    while (at < text.size() && isBlank(text[at]))
        ++at;
    const size_t nDigitsStart = at;
    uint64_t nValue = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        nValue = nValue * 10 + static_cast<uint64_t>(text[at] - '0');
        if (nValue > UINT32_MAX)
            return 0;
    }
    if (at == nDigitsStart)
        return 0;
    while (at < text.size() && isBlank(text[at]))
        ++at;
    return at == text.size() ? static_cast<uint32_t>(nValue) : 0;
}
