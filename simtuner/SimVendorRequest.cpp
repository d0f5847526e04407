#include "simtuner/SimVendorRequest.h"

#include <cstring>

namespace {

// The address as a pointer of this process, or false when it cannot be one.
bool ToPointer(uint64_t address, uint8_t** pp)
{
    if (address > UINTPTR_MAX)
        return false;
    *pp = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(address));
    return true;
}

struct Buffers {
    uint8_t* pIn = nullptr;
    uint8_t* pOut = nullptr;
    uint8_t* pCounter = nullptr;
};

// Checks one direction: nRecord 0 means the request takes no buffer there.
int32_t CheckBuffer(uint64_t address, uint32_t length, size_t nRecord)
{
    if (nRecord == 0)
        return length == 0 ? SIM_S_OK : SIM_E_INVALIDARG;
    if (address == 0)
        return SIM_E_POINTER;
    return length < nRecord ? SIM_E_INSUFFICIENT_BUFFER : SIM_S_OK;
}

size_t InputRecordSize(uint32_t code)
{
    return code == QLBDA_IOCTL_SET_LNB_DATA ? sizeof(LnbDataRecord) : 0;
}

size_t OutputRecordSize(uint32_t code)
{
    switch (code) {
    case QLBDA_IOCTL_GET_DEVICE_INFO:
        return sizeof(DeviceInfoRecord);
    case QLBDA_IOCTL_GET_DRIVER_INFO:
        return sizeof(DriverInfoRecord);
    default:
        return 0;
    }
}

// The status for a record of a layout the device does not read; S_OK for one it reads.
int32_t CheckRecordLayout(size_t nLength, uint32_t nLayouts)
{
    if (nLength == IOCTL_COMMAND_SIZE_32 && !(nLayouts & SIM_RECORD_40))
        return SIM_E_INSUFFICIENT_BUFFER;
    if (nLength == IOCTL_COMMAND_SIZE_64 && !(nLayouts & SIM_RECORD_64))
        return SIM_E_INVALIDARG;
    return SIM_S_OK;
}

bool IsKnownCode(uint32_t code)
{
    return code == QLBDA_IOCTL_CHECK_INTERFACE || code == QLBDA_IOCTL_GET_DEVICE_INFO ||
           code == QLBDA_IOCTL_GET_DRIVER_INFO || code == QLBDA_IOCTL_SET_LNB_DATA;
}

} // namespace

SimVendorResult HandleVendorRequest(const uint8_t* pCommand, size_t nCommandLength, const SimVendorDevice& device)
{
    SimVendorResult result;
    if (!pCommand) {
        result.hr = SIM_E_POINTER;
        return result;
    }
    result.hr = CheckRecordLayout(nCommandLength, device.nRecordLayouts);
    if (result.hr != SIM_S_OK)
        return result;
    result.hr = SIM_E_INVALIDARG;
    if (!ParseIoctlCommand(pCommand, nCommandLength, &result.Fields))
        return result;
    result.bParsed = true;
    const IoctlCommandFields& f = result.Fields;
    if (std::memcmp(f.Guid.b, kIoctlCommandGuidBytes.b, sizeof(f.Guid.b)) != 0)
        return result;
    if (!IsKnownCode(f.nCode)) {
        result.hr = SIM_E_INVALID_FUNCTION;
        return result;
    }

    int32_t hr = CheckBuffer(f.nInAddress, f.nInLength, InputRecordSize(f.nCode));
    if (hr == SIM_S_OK)
        hr = CheckBuffer(f.nOutAddress, f.nOutLength, OutputRecordSize(f.nCode));
    Buffers b;
    if (hr == SIM_S_OK && (!ToPointer(f.nInAddress, &b.pIn) || !ToPointer(f.nOutAddress, &b.pOut) ||
                           !ToPointer(f.nCounterAddress, &b.pCounter)))
        hr = SIM_E_INVALIDARG;
    if (hr != SIM_S_OK) {
        result.hr = hr;
        return result;
    }

    switch (f.nCode) {
    case QLBDA_IOCTL_CHECK_INTERFACE:
        result.hr = device.hrCheckInterface;
        break;
    case QLBDA_IOCTL_GET_DEVICE_INFO:
        std::memcpy(b.pOut, &device.DeviceInfo, sizeof(device.DeviceInfo));
        result.nBytesReturned = sizeof(device.DeviceInfo);
        result.hr = SIM_S_OK;
        break;
    case QLBDA_IOCTL_GET_DRIVER_INFO:
        std::memcpy(b.pOut, &device.DriverInfo, sizeof(device.DriverInfo));
        result.nBytesReturned = sizeof(device.DriverInfo);
        result.hr = SIM_S_OK;
        break;
    case QLBDA_IOCTL_SET_LNB_DATA:
        std::memcpy(&result.Lnb, b.pIn, sizeof(result.Lnb));
        result.bLnbReceived = true;
        result.hr = SIM_S_OK;
        break;
    }
    if (b.pCounter && result.hr >= 0)
        std::memcpy(b.pCounter, &result.nBytesReturned, sizeof(result.nBytesReturned));
    return result;
}
