#include "ui/DialogText.h"

#include <cstdio>
#include <cstring>

namespace {

// A driver text ends at its terminator, and at the latest at the end of its record, even
// when the driver left it unterminated.
template <class Record>
std::string RecordText(const Record& record, size_t offset)
{
    const char* p = reinterpret_cast<const char*>(&record) + offset;
    const size_t room = sizeof(Record) - offset;
    const void* end = std::memchr(p, '\0', room);
    return std::string(p, end ? static_cast<const char*>(end) - p : room);
}

} // namespace

std::string FormatDriverLine(const DriverInfoRecord& info)
{
    char szVersions[64];
    std::snprintf(szVersions, sizeof(szVersions), " driver ver.%02x%02x FW ver.%02x%02x", info.DriverVersion[0],
                  info.DriverVersion[1], info.FirmwareVersion[0], info.FirmwareVersion[1]);
    return RecordText(info, offsetof(DriverInfoRecord, szText1)) + " " +
           RecordText(info, offsetof(DriverInfoRecord, szText2)) + szVersions;
}

std::string FormatDeviceLine(const DeviceInfoRecord& info)
{
    char szMac[32];
    std::snprintf(szMac, sizeof(szMac), "%02X-%02X-%02X-%02X-%02X-%02X", info.Mac[0], info.Mac[1], info.Mac[2],
                  info.Mac[3], info.Mac[4], info.Mac[5]);
    return RecordText(info, offsetof(DeviceInfoRecord, szDeviceName)) + "  " + szMac;
}

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
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
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

int32_t DeviceTypeBitForSourceType(int32_t nSourceType)
{
    switch (nSourceType) {
    case SRC_TYPE_DVBS: return 1;
    case SRC_TYPE_DVBT: return 2;
    case SRC_TYPE_DVBC: return 4;
    case SRC_TYPE_ATSC: return 8;
    default: return 0;
    }
}
