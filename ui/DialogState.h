// State of the control panel shared by its handlers: the device table read at start,
// the selection, the capture-name texts and the capture path.
#pragma once

#include "capture/CapturePath.h"
#include "tuner/DriverRecords.h"

#include <string>

extern QLDev QLDevs[QLDEV_TABLE_SIZE];
// Each entry's ordinal among all tuner devices, kept beside the table: BuildGraph opens
// the device by it, so a foreign tuner enumerated earlier never shifts the choice.
extern int nQLDevOrdinal[QLDEV_TABLE_SIZE];
extern int nQLBDADevs;
extern DeviceInfoRecord DevInfo[QLDEV_TABLE_SIZE];
extern DriverInfoRecord DrvInfo[QLDEV_TABLE_SIZE];
extern int nSelectedDevice;
extern int nLastListIndex;
extern std::string strDriverLine;
extern std::string strDeviceLine;

// Capture-name texts written by every Tune of a known kind.
extern std::string strTuneFreq;
extern std::string strTuneParam;
extern std::string strTuneSystem;

// The default path of the last Tune, or the path chosen with "...".
extern std::string szLastCapturePath;
// The status timer saw a recording that it has not yet reported as ended.
extern bool bWasRecording;

