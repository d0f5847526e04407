#include "ui/DialogState.h"

QLDev QLDevs[QLDEV_TABLE_SIZE];
int nQLDevOrdinal[QLDEV_TABLE_SIZE];
int nQLBDADevs = 0;
DeviceInfoRecord DevInfo[QLDEV_TABLE_SIZE];
DriverInfoRecord DrvInfo[QLDEV_TABLE_SIZE];
int nSelectedDevice = 0;
int nLastListIndex = 0;
std::string strDriverLine;
std::string strDeviceLine;
std::string strTuneFreq;
std::string strTuneParam;
std::string strTuneSystem;
std::string szLastCapturePath;
bool bWasRecording = false;
