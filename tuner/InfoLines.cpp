#include "tuner/InfoLines.h"

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

std::string FormatMac(const DeviceInfoRecord& info)
{
    char szMac[32];
    std::snprintf(szMac, sizeof(szMac), "%02X-%02X-%02X-%02X-%02X-%02X", info.Mac[0], info.Mac[1], info.Mac[2],
                  info.Mac[3], info.Mac[4], info.Mac[5]);
    return szMac;
}

std::string FormatDeviceLine(const DeviceInfoRecord& info)
{
    return RecordText(info, offsetof(DeviceInfoRecord, szDeviceName)) + "  " + FormatMac(info);
}
