// The maker's private property as the simulated driver answers it: one IoctlCommand in,
// the request carried out on the caller's buffers. Windows-free; statuses are HRESULT values.
#pragma once

#include "tuner/DriverRecords.h"
#include "tuner/IoctlCommand.h"

#include <cstddef>
#include <cstdint>

constexpr int32_t SIM_S_OK = 0;
constexpr int32_t SIM_E_POINTER = static_cast<int32_t>(0x80004003);
constexpr int32_t SIM_E_INVALIDARG = static_cast<int32_t>(0x80070057);
constexpr int32_t SIM_E_INVALID_FUNCTION = static_cast<int32_t>(0x80070001);     // unknown request code
constexpr int32_t SIM_E_INSUFFICIENT_BUFFER = static_cast<int32_t>(0x8007007A);  // record does not fit
constexpr int32_t SIM_E_NOT_SUPPORTED = static_cast<int32_t>(0x80070032);        // presence check refused

// The command record layouts a driver reads, as bits.
enum : uint32_t {
    SIM_RECORD_40 = 1,  // the documented record with 32-bit addresses
    SIM_RECORD_64 = 2,  // the natural 64-bit layout
};

// What the driver knows about its device.
struct SimVendorDevice {
    int32_t hrCheckInterface = SIM_S_OK;  // answer to QLBDA_IOCTL_CHECK_INTERFACE
    uint32_t nRecordLayouts = SIM_RECORD_40;
    DeviceInfoRecord DeviceInfo{};
    DriverInfoRecord DriverInfo{};
};

struct SimVendorResult {
    int32_t hr = SIM_E_INVALIDARG;
    bool bParsed = false;             // Fields holds the command
    IoctlCommandFields Fields{};
    uint32_t nBytesReturned = 0;
    bool bLnbReceived = false;        // a QLBDA_IOCTL_SET_LNB_DATA was carried out
    LnbDataRecord Lnb{};
};

// Carries out one request. The command's layout is told by its length (40 or 64 bytes); a
// layout the device does not read is refused as a real driver would (a 64-byte record given
// to a 40-byte driver E_INVALIDARG, a 40-byte one given to a 64-byte driver
// ERROR_INSUFFICIENT_BUFFER) before anything is read. 32-bit addresses are zero-extended.
// Only the buffers the command names are touched, and only within their stated lengths; a
// malformed command (wrong length or GUID, unknown code, a buffer where none belongs, a
// missing or too small buffer, an address this process cannot hold) is refused with a
// failure status and touches nothing.
SimVendorResult HandleVendorRequest(const uint8_t* pCommand, size_t nCommandLength, const SimVendorDevice& device);
