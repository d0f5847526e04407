// The four kinds of the maker's tuners and what the program ties to each, in one table:
// the demodulator node that tells the kind, the bit of the device-information record, the
// text that says the kind was found, the capture name's system letter, and whether tuning
// needs the LNB information. Plain C++ without windows.h.
#pragma once

#include "tuner/DriverRecords.h"

#include <cstdint>

// A GUID in its memory layout, comparable without windows.h.
struct KindGuid {
    uint32_t Data1;
    uint16_t Data2, Data3;
    uint8_t Data4[8];
};
static_assert(sizeof(KindGuid) == 16, "KindGuid has the memory layout of a GUID");

struct TunerKind {
    SourceType eType;
    KindGuid DemodulatorNode;  // the node function that classifies a topology
    int32_t nDeviceBit;        // the kind as the device-information record carries it
    const char* pszFound;      // status text when the kind is set up
    const char* pszSystem;     // the capture name's system part
    const char* pszName;       // the kind in plain words
    bool bNeedsLnb;            // tuning needs IBDA_LNBInfo and the driver's LNB record
};

// The entry of a SourceType code; null for codes outside 1 to 4.
const TunerKind* FindTunerKind(int32_t nSourceType);
// The entry of a device-information kind bit (1, 2, 4, 8); null for any other value.
const TunerKind* FindTunerKindByDeviceBit(int32_t nBit);
// The entry whose demodulator node is this function; null for any other node.
const TunerKind* FindTunerKindByNode(const void* pGuid);

// The device-information kind bit of a SourceType code, 0 for codes outside 1 to 4.
int32_t DeviceTypeBitForSourceType(int32_t nSourceType);
// The SourceType code of a kind bit, SRC_TYPE_UNKNOWN for any other value.
SourceType SourceTypeForDeviceTypeBit(int32_t nBit);
