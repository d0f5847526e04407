// Records exchanged with the maker's tuner driver, and the device table entry.
// Plain layouts without windows.h, shared by the program, the simulated driver and tests.
#pragma once

#include <cstddef>
#include <cstdint>

// Request codes of the maker's private property (device type 0xAA00, buffered, any access).
enum : uint32_t {
    QLBDA_IOCTL_CHECK_INTERFACE = 0xAA0001E4,
    QLBDA_IOCTL_GET_DEVICE_INFO = 0xAA0001F0,
    QLBDA_IOCTL_GET_DRIVER_INFO = 0xAA0001F4,
    QLBDA_IOCTL_SET_LNB_DATA = 0xAA000200,
};

// Tuner kinds: the SourceType codes, and the bits stored in a DeviceInfoRecord.
enum SourceType : int32_t {
    SRC_TYPE_NOT_FOUND = -1,
    SRC_TYPE_UNKNOWN = 0,
    SRC_TYPE_DVBS = 1,
    SRC_TYPE_DVBT = 2,
    SRC_TYPE_DVBC = 3,
    SRC_TYPE_ATSC = 4,
    SRC_TYPE_LAST = SRC_TYPE_ATSC,  // the kind table has a row for each code from 1 to this
};

struct DeviceInfoRecord {
    char szDeviceName[32];
    int32_t nDeviceType;     // 1, 2, 4, 8; replaced by the dialog from the SourceType
    uint8_t bReserved36;
    uint8_t Mac[6];
    uint8_t Reserved43[197];
};

struct DriverInfoRecord {
    uint8_t DriverVersion[2];
    uint8_t FirmwareVersion[2];
    uint8_t Reserved4[22];
    char szText1[8];
    char szText2[222];
};

struct LnbDataRecord {
    uint8_t nLnbPower;
    uint8_t Reserved1[3];
    uint32_t nLof1MHz;
    uint32_t nLof2MHz;
    uint32_t nLofSwitchMHz;
    uint8_t nTone22k;
    uint8_t nDiseqc;
    uint8_t Reserved18[2];
};

struct QLDev {
    int32_t nIndex;
    char szName[200];
    int32_t Src_Type;
};

static_assert(sizeof(DeviceInfoRecord) == 240, "DeviceInfoRecord is 240 bytes");
static_assert(offsetof(DeviceInfoRecord, nDeviceType) == 32, "device type at 32");
static_assert(offsetof(DeviceInfoRecord, Mac) == 37, "MAC at 37");
static_assert(sizeof(DriverInfoRecord) == 256, "DriverInfoRecord is 256 bytes");
static_assert(offsetof(DriverInfoRecord, szText1) == 26, "first text at 26");
static_assert(offsetof(DriverInfoRecord, szText2) == 34, "second text at 34");
static_assert(sizeof(LnbDataRecord) == 20, "LnbDataRecord is 20 bytes");
static_assert(offsetof(LnbDataRecord, nLof1MHz) == 4 && offsetof(LnbDataRecord, nLof2MHz) == 8 &&
              offsetof(LnbDataRecord, nLofSwitchMHz) == 12 && offsetof(LnbDataRecord, nTone22k) == 16 &&
              offsetof(LnbDataRecord, nDiseqc) == 17, "LnbDataRecord layout");
static_assert(sizeof(QLDev) == 208 && offsetof(QLDev, Src_Type) == 204, "QLDev layout");

constexpr int QLDEV_TABLE_SIZE = 10;
