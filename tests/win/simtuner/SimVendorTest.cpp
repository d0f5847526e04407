// The maker's private property on the simulated tuner's input pin, as an application in
// this process sends it: the record layouts each device reads, the checks, the log and the
// LNB record.
#include "SimTestSupport.h"

#include "graph/BdaGuids.h"
#include "tuner/DriverRecordSender.h"
#include "tuner/IoctlCommand.h"

#include <cstring>

namespace {

const char kScenario[] = "[tuner]\nname = DTV-DVB Vendor\nkind = satellite\ndevice_name = QL-VENDOR\n";

// The record of a layout for a request, naming these buffers.
std::vector<uint8_t> Record(unsigned nPointerSize, uint32_t nCode, const void* pOut, uint32_t nOutLength,
                            const uint32_t* pCounter)
{
    const IoctlCommandFields fields = MakeIoctlCommandFields(nCode, nullptr, 0, pOut, nOutLength, pCounter);
    std::vector<uint8_t> record(IOCTL_COMMAND_SIZE_64);
    record.resize(PackIoctlCommand(fields, nPointerSize, record.data(), record.size()));
    return record;
}

// Memory below 4 GB, where a 32-bit caller's buffers lie; null when none can be had.
uint8_t* LowMemory()
{
    for (uintptr_t address = 0x10000000; address < 0xF0000000; address += 0x10000000) {
        void* p = VirtualAlloc(reinterpret_cast<void*>(address), 65536, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (p)
            return static_cast<uint8_t*>(p);
    }
    return nullptr;
}

class SimVendor : public SimTunerTest {
protected:
    void SetUp() override
    {
        SimTunerTest::SetUp();
        Register(kScenario);
        m_Tuner = BindTuner("DTV-DVB Vendor");
        ASSERT_FALSE(m_Tuner.IsNull());
        m_Property = QueriedHolder<IKsPropertySet>(PinByIndex(m_Tuner, 0));
        ASSERT_FALSE(m_Property.IsNull());
        m_Control = ControlOf(m_Tuner);
        m_Control->ClearCalls();
    }
    void TearDown() override
    {
        m_Control.Reset();
        m_Property.Reset();
        m_Tuner.Reset();
        SimTunerTest::TearDown();
    }

    HRESULT SetRecord(const void* pRecord, DWORD cbRecord)
    {
        uint8_t instance[24] = {};
        return m_Property->Set(KSPROPSETID_VendorIoctl, 0, instance, 24, const_cast<void*>(pRecord), cbRecord);
    }

    InterfaceHolder<IBaseFilter> m_Tuner;
    InterfaceHolder<IKsPropertySet> m_Property;
    InterfaceHolder<ISimTunerControl> m_Control;
};

} // namespace

// The documented record names 32-bit addresses; the device answers into them and logs the
// request as it arrived.
TEST_F(SimVendor, FortyByteRecordIsAnsweredAndLogged)
{
    uint8_t* pLow = LowMemory();
    ASSERT_NE(pLow, nullptr);
    DeviceInfoRecord* pDevice = reinterpret_cast<DeviceInfoRecord*>(pLow);
    uint32_t* pCounter = reinterpret_cast<uint32_t*>(pLow + 1024);
    const std::vector<uint8_t> record = Record(4, QLBDA_IOCTL_GET_DEVICE_INFO, pDevice, 240, pCounter);
    ASSERT_EQ(record.size(), 40u);
    ASSERT_EQ(SetRecord(record.data(), 40), S_OK);
    EXPECT_STREQ(pDevice->szDeviceName, "QL-VENDOR");
    EXPECT_EQ(*pCounter, 240u);

    const std::vector<SimCallRecord> calls = AllCalls(m_Control);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].eCall, SIM_CALL_VENDOR_GET_DEVICE_INFO);
    EXPECT_EQ(calls[0].nInstanceLength, 24u);
    EXPECT_EQ(calls[0].nDataLength, 40u);
    EXPECT_EQ(calls[0].nCode, QLBDA_IOCTL_GET_DEVICE_INFO);
    EXPECT_EQ(calls[0].nInAddress, 0u);
    EXPECT_EQ(calls[0].nInLength, 0u);
    EXPECT_EQ(calls[0].nOutAddress, reinterpret_cast<uintptr_t>(pDevice));
    EXPECT_EQ(calls[0].nOutLength, 240u);
    EXPECT_EQ(calls[0].hrResult, S_OK);
    VirtualFree(pLow, 0, MEM_RELEASE);
}

// A device of the documented record refuses the 64-byte one as such a driver would, touching
// nothing, and still logs it with its length.
TEST_F(SimVendor, OtherRecordLayoutIsRefusedUntouchedAndLogged)
{
    DeviceInfoRecord device;
    memset(&device, 0x5A, sizeof(device));
    uint32_t counter = 7;
    const std::vector<uint8_t> record = Record(8, QLBDA_IOCTL_GET_DEVICE_INFO, &device, 240, &counter);
    EXPECT_EQ(SetRecord(record.data(), 64), E_INVALIDARG);
    EXPECT_EQ(device.szDeviceName[0], 0x5A);
    EXPECT_EQ(counter, 7u);
    const std::vector<SimCallRecord> calls = AllCalls(m_Control);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].eCall, SIM_CALL_VENDOR_GET_DEVICE_INFO);
    EXPECT_EQ(calls[0].nDataLength, 64u);
    EXPECT_EQ(calls[0].nOutAddress, reinterpret_cast<uintptr_t>(&device));
    EXPECT_EQ(calls[0].hrResult, E_INVALIDARG);
}

TEST_F(SimVendor, LnbRecordIsKeptForTheTest)
{
    LnbDataRecord lnb = {};
    EXPECT_EQ(m_Control->GetLastLnbData(&lnb), S_FALSE);
    lnb.nLnbPower = 1;
    lnb.nLof1MHz = 9750;
    lnb.nLof2MHz = 10600;
    lnb.nLofSwitchMHz = 11700;
    lnb.nTone22k = 2;
    lnb.nDiseqc = 4;
    ASSERT_EQ(SendVendorRequest(m_Tuner, QLBDA_IOCTL_SET_LNB_DATA, &lnb, 20, nullptr, 0), S_OK);
    LnbDataRecord last = {};
    ASSERT_EQ(m_Control->GetLastLnbData(&last), S_OK);
    EXPECT_EQ(std::memcmp(&last, &lnb, sizeof(lnb)), 0);
    const std::vector<SimCallRecord> calls = CallsOf(m_Control, SIM_CALL_VENDOR_SET_LNB_DATA);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].nInLength, 20u);
    EXPECT_EQ(calls[0].nOutAddress, 0u);
    EXPECT_EQ(calls[0].nOutLength, 0u);
}

TEST_F(SimVendor, MalformedRequestsAndOtherPropertiesAreRefused)
{
    std::vector<uint8_t> command = Record(4, QLBDA_IOCTL_CHECK_INTERFACE, nullptr, 0, nullptr);
    EXPECT_EQ(SetRecord(command.data(), 39), E_INVALIDARG);
    EXPECT_EQ(SetRecord(nullptr, 40), E_POINTER);
    command[0] ^= 0xFF;
    EXPECT_EQ(SetRecord(command.data(), 40), E_INVALIDARG);
    DeviceInfoRecord device;
    std::memset(&device, 0x5A, sizeof(device));
    EXPECT_TRUE(FAILED(SendVendorRequest(m_Tuner, QLBDA_IOCTL_GET_DEVICE_INFO, nullptr, 0, &device, 200)));
    EXPECT_EQ(device.szDeviceName[0], 0x5A) << "a short buffer is not written";
    EXPECT_EQ(SendVendorRequest(m_Tuner, 0xAA000204, nullptr, 0, nullptr, 0), HRESULT_FROM_WIN32(ERROR_INVALID_FUNCTION));

    const GUID otherSet = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
    EXPECT_EQ(m_Property->Set(otherSet, 0, nullptr, 0, command.data(), 40), E_PROP_SET_UNSUPPORTED);
    EXPECT_EQ(m_Property->Set(KSPROPSETID_VendorIoctl, 1, nullptr, 0, command.data(), 40), E_PROP_ID_UNSUPPORTED);
    DWORD returned = 0;
    EXPECT_TRUE(FAILED(m_Property->Get(KSPROPSETID_VendorIoctl, 0, nullptr, 0, command.data(), 40, &returned)));
    DWORD support = 0;
    EXPECT_EQ(m_Property->QuerySupported(KSPROPSETID_VendorIoctl, 0, &support), S_OK);
    EXPECT_EQ(support, static_cast<DWORD>(KSPROPERTY_SUPPORT_SET));

    const std::vector<SimCallRecord> calls = AllCalls(m_Control);
    ASSERT_GE(calls.size(), 6u);
    EXPECT_EQ(calls[0].eCall, SIM_CALL_VENDOR_OTHER);
    EXPECT_EQ(calls[0].nDataLength, 39u);
    EXPECT_EQ(calls[2].eCall, SIM_CALL_VENDOR_CHECK_INTERFACE) << "a record with a wrong GUID is still read";
    EXPECT_EQ(calls[2].hrResult, E_INVALIDARG);
}

// A driver may write its answer and still report a failure. The sender gives the caller
// nothing of a failed request, though the driver wrote into the copies below 4 GB.
TEST_F(SimVendor, AnswerWrittenBeforeAFailureDoesNotReachTheCaller)
{
    ASSERT_EQ(m_Control->FailCallAfterEffect(SIM_CALL_VENDOR_GET_DEVICE_INFO, SIM_NODE_ANY, E_FAIL, -1), S_OK);
    uint8_t* pLow = LowMemory();
    ASSERT_NE(pLow, nullptr);
    DeviceInfoRecord* pWritten = reinterpret_cast<DeviceInfoRecord*>(pLow);
    uint32_t* pWrittenCount = reinterpret_cast<uint32_t*>(pLow + 1024);
    const std::vector<uint8_t> record = Record(4, QLBDA_IOCTL_GET_DEVICE_INFO, pWritten, 240, pWrittenCount);
    EXPECT_EQ(SetRecord(record.data(), 40), E_FAIL);
    EXPECT_STREQ(pWritten->szDeviceName, "QL-VENDOR") << "the rule carries the request out";
    EXPECT_EQ(*pWrittenCount, 240u);
    VirtualFree(pLow, 0, MEM_RELEASE);

    DeviceInfoRecord device;
    std::memset(&device, 0x33, sizeof(device));
    DWORD returned = 7;
    CDriverRecordSender sender;
    EXPECT_EQ(sender.Send(m_Property, IOCTL_COMMAND_SIZE_32,
                          {QLBDA_IOCTL_GET_DEVICE_INFO, nullptr, 0, &device, 240, &returned}),
              E_FAIL);
    EXPECT_EQ(device.szDeviceName[0], 0x33);
    EXPECT_EQ(returned, 7u);
    const std::vector<SimCallRecord> calls = CallsOf(m_Control, SIM_CALL_VENDOR_GET_DEVICE_INFO);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].hrResult, E_FAIL);
}

TEST_F(SimVendor, AFailureRuleStandsInForTheDriver)
{
    ASSERT_EQ(m_Control->FailCall(SIM_CALL_VENDOR_GET_DEVICE_INFO, SIM_NODE_ANY, E_FAIL, 1), S_OK);
    DeviceInfoRecord device;
    std::memset(&device, 0x33, sizeof(device));
    EXPECT_EQ(SendVendorRequest(m_Tuner, QLBDA_IOCTL_GET_DEVICE_INFO, nullptr, 0, &device, 240), E_FAIL);
    EXPECT_EQ(device.szDeviceName[0], 0x33);
    EXPECT_EQ(SendVendorRequest(m_Tuner, QLBDA_IOCTL_CHECK_INTERFACE, nullptr, 0, nullptr, 0), S_OK);
    EXPECT_EQ(SendVendorRequest(m_Tuner, QLBDA_IOCTL_GET_DEVICE_INFO, nullptr, 0, &device, 240), S_OK);
}
