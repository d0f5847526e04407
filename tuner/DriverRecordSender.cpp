#include "tuner/DriverRecordSender.h"

#include "graph/BdaGuids.h"
#include "tuner/IoctlCommand.h"

#include <cstring>

namespace {

constexpr DWORD VENDOR_IOCTL_PROPERTY_ID = 0;
constexpr SIZE_T LOW_BLOCK_SIZE = 4096;
// Places in the low block: the counter first, then the input, then the output.
constexpr SIZE_T LOW_INPUT_OFFSET = 16;
constexpr SIZE_T LOW_ALIGNMENT = 16;

// Every request travels as a Set of the vendor property; the instance data carries nothing.
HRESULT SetRecord(IKsPropertySet* pPropertySet, void* pRecord, DWORD nRecordLength)
{
    BYTE instanceData[24] = {};
    return pPropertySet->Set(KSPROPSETID_VendorIoctl, VENDOR_IOCTL_PROPERTY_ID, instanceData, sizeof(instanceData),
                             pRecord, nRecordLength);
}

} // namespace

bool CDriverRecordSender::Ready(size_t nRecordLength)
{
    if (nRecordLength == sizeof(IoctlCommand))
        return true;
    return nRecordLength == IOCTL_COMMAND_SIZE_32 && m_LowBlock.Allocate(LOW_BLOCK_SIZE);
}

HRESULT CDriverRecordSender::Send(IKsPropertySet* pPropertySet, size_t nRecordLength, const DriverRequest& r)
{
    if (nRecordLength == sizeof(IoctlCommand)) {
        IoctlCommand command = MakeIoctlCommand(r.nCode, r.pIn, r.nInLength, r.pOut, r.nOutLength,
                                                reinterpret_cast<uint32_t*>(r.pnReturned));
        return SetRecord(pPropertySet, &command, sizeof(command));
    }
    if (nRecordLength == IOCTL_COMMAND_SIZE_32)
        return SendThroughLowBlock(pPropertySet, r);
    return E_UNEXPECTED;
}

HRESULT CDriverRecordSender::SendThroughLowBlock(IKsPropertySet* pPropertySet, const DriverRequest& r)
{
    const uint64_t nOutOffset = LOW_INPUT_OFFSET + (uint64_t{r.nInLength} + LOW_ALIGNMENT - 1) / LOW_ALIGNMENT * LOW_ALIGNMENT;
    if (!Ready(IOCTL_COMMAND_SIZE_32) || nOutOffset + r.nOutLength > m_LowBlock.Size())
        return E_OUTOFMEMORY;
    BYTE* pBlock = m_LowBlock.Get();
    DWORD* pCounter = r.pnReturned ? reinterpret_cast<DWORD*>(pBlock) : nullptr;
    BYTE* pIn = r.pIn ? pBlock + LOW_INPUT_OFFSET : nullptr;
    BYTE* pOut = r.pOut ? pBlock + nOutOffset : nullptr;
    if (pCounter)
        *pCounter = *r.pnReturned;
    if (pIn)
        memcpy(pIn, r.pIn, r.nInLength);
    // The output starts as the caller's bytes, so that what the driver leaves unwritten
    // comes back unchanged.
    if (pOut)
        memcpy(pOut, r.pOut, r.nOutLength);

    const IoctlCommandFields fields = MakeIoctlCommandFields(r.nCode, pIn, r.nInLength, pOut, r.nOutLength, pCounter);
    BYTE record[IOCTL_COMMAND_SIZE_32];
    if (PackIoctlCommand(fields, 4, record, sizeof(record)) != sizeof(record))
        return E_OUTOFMEMORY;
    const HRESULT hr = SetRecord(pPropertySet, record, sizeof(record));
    // A refused request leaves the caller's records as they were.
    if (SUCCEEDED(hr)) {
        if (pOut)
            memcpy(r.pOut, pOut, r.nOutLength);
        if (pCounter)
            *r.pnReturned = *pCounter;
    }
    return hr;
}
