// The texts of a tuner's driver and device lines, from the records its driver filled.
// Plain C++ without windows.h.
#pragma once

#include "tuner/DriverRecords.h"

#include <string>

// "<text 26> <text 34> driver ver.XXXX FW ver.XXXX", versions in lowercase hexadecimal.
std::string FormatDriverLine(const DriverInfoRecord& info);

// "<device name>  AA-BB-CC-DD-EE-FF", the MAC in uppercase hexadecimal.
std::string FormatDeviceLine(const DeviceInfoRecord& info);

// "AA-BB-CC-DD-EE-FF": the device's MAC, which names a tuner whatever its position.
std::string FormatMac(const DeviceInfoRecord& info);
