#include "simtuner/SimVendorRequest.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// A device that reads both record layouts, so that records naming this process's own
// buffers (above 4 GB here) are answered.
SimVendorDevice Device()
{
    SimVendorDevice d;
    d.nRecordLayouts = SIM_RECORD_40 | SIM_RECORD_64;
    std::strcpy(d.DeviceInfo.szDeviceName, "QL-5100");
    d.DeviceInfo.nDeviceType = 1;
    const uint8_t mac[6] = {0x00, 0x1B, 0xC5, 0x01, 0x02, 0x03};
    std::memcpy(d.DeviceInfo.Mac, mac, 6);
    d.DriverInfo.DriverVersion[0] = 0x01;
    d.DriverInfo.DriverVersion[1] = 0x06;
    std::strcpy(d.DriverInfo.szText1, "QLBDA");
    std::strcpy(d.DriverInfo.szText2, "second text");
    return d;
}

// A command record of this process's layout.
std::vector<uint8_t> Command(uint32_t code, void* pIn, uint32_t inLength, void* pOut, uint32_t outLength,
                             uint32_t* pCounter, unsigned pointerSize = sizeof(void*))
{
    IoctlCommandFields f{};
    f.Guid = kIoctlCommandGuidBytes;
    f.nCode = code;
    f.nInAddress = reinterpret_cast<uintptr_t>(pIn);
    f.nInLength = inLength;
    f.nOutAddress = reinterpret_cast<uintptr_t>(pOut);
    f.nOutLength = outLength;
    f.nCounterAddress = reinterpret_cast<uintptr_t>(pCounter);
    std::vector<uint8_t> record(64);
    record.resize(PackIoctlCommand(f, pointerSize, record.data(), record.size()));
    return record;
}

SimVendorResult Send(const std::vector<uint8_t>& record, const SimVendorDevice& device = Device())
{
    return HandleVendorRequest(record.data(), record.size(), device);
}

} // namespace

TEST(SimVendorCheck, AnswersTheConfiguredStatus)
{
    uint32_t counter = 77;
    SimVendorDevice device = Device();
    EXPECT_EQ(Send(Command(QLBDA_IOCTL_CHECK_INTERFACE, nullptr, 0, nullptr, 0, &counter), device).hr, SIM_S_OK);
    EXPECT_EQ(counter, 0u);

    counter = 77;
    device.hrCheckInterface = SIM_E_NOT_SUPPORTED;
    EXPECT_EQ(Send(Command(QLBDA_IOCTL_CHECK_INTERFACE, nullptr, 0, nullptr, 0, &counter), device).hr,
              SIM_E_NOT_SUPPORTED);
    EXPECT_EQ(counter, 77u) << "a refused request writes nothing";

    device.hrCheckInterface = 1;  // S_FALSE: a success that is not S_OK
    EXPECT_EQ(Send(Command(QLBDA_IOCTL_CHECK_INTERFACE, nullptr, 0, nullptr, 0, nullptr), device).hr, 1);
}

TEST(SimVendorCheck, BuffersOnARequestWithoutBuffersAreRefused)
{
    uint8_t buffer[16];
    EXPECT_EQ(Send(Command(QLBDA_IOCTL_CHECK_INTERFACE, buffer, 16, nullptr, 0, nullptr)).hr, SIM_E_INVALIDARG);
    EXPECT_EQ(Send(Command(QLBDA_IOCTL_CHECK_INTERFACE, nullptr, 0, buffer, 16, nullptr)).hr, SIM_E_INVALIDARG);
}

TEST(SimVendorInfo, DeviceInfoFillsExactlyTheRecord)
{
    std::vector<uint8_t> out(300, 0xEE);
    uint32_t counter = 0;
    const SimVendorResult r = Send(Command(QLBDA_IOCTL_GET_DEVICE_INFO, nullptr, 0, out.data(), 300, &counter));
    ASSERT_EQ(r.hr, SIM_S_OK);
    EXPECT_EQ(counter, 240u);
    const SimVendorDevice device = Device();
    EXPECT_EQ(std::memcmp(out.data(), &device.DeviceInfo, 240), 0);
    for (size_t i = 240; i < out.size(); ++i)
        ASSERT_EQ(out[i], 0xEE) << "byte " << i;
    EXPECT_STREQ(reinterpret_cast<const char*>(out.data()), "QL-5100");
    EXPECT_EQ(out[37], 0x00);
    EXPECT_EQ(out[42], 0x03);
}

TEST(SimVendorInfo, DriverInfoIs256Bytes)
{
    auto out = std::make_unique<uint8_t[]>(256);  // exact size: ASan sees any write past it
    uint32_t counter = 0;
    ASSERT_EQ(Send(Command(QLBDA_IOCTL_GET_DRIVER_INFO, nullptr, 0, out.get(), 256, &counter)).hr, SIM_S_OK);
    EXPECT_EQ(counter, 256u);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[1], 0x06);
    EXPECT_STREQ(reinterpret_cast<const char*>(out.get() + 26), "QLBDA");
    EXPECT_STREQ(reinterpret_cast<const char*>(out.get() + 34), "second text");
}

TEST(SimVendorInfo, ShortMissingOrMisplacedBuffersAreRefusedUntouched)
{
    auto out = std::make_unique<uint8_t[]>(239);
    std::memset(out.get(), 0x5A, 239);
    uint32_t counter = 9;
    EXPECT_EQ(Send(Command(QLBDA_IOCTL_GET_DEVICE_INFO, nullptr, 0, out.get(), 239, &counter)).hr,
              SIM_E_INSUFFICIENT_BUFFER);
    EXPECT_EQ(Send(Command(QLBDA_IOCTL_GET_DRIVER_INFO, nullptr, 0, out.get(), 239, &counter)).hr,
              SIM_E_INSUFFICIENT_BUFFER);
    for (int i = 0; i < 239; ++i)
        ASSERT_EQ(out[i], 0x5A);
    EXPECT_EQ(counter, 9u);
    EXPECT_EQ(Send(Command(QLBDA_IOCTL_GET_DEVICE_INFO, nullptr, 0, nullptr, 240, &counter)).hr, SIM_E_POINTER);
    uint8_t in[4] = {};
    std::vector<uint8_t> big(240);
    EXPECT_EQ(Send(Command(QLBDA_IOCTL_GET_DEVICE_INFO, in, 4, big.data(), 240, nullptr)).hr, SIM_E_INVALIDARG);
}

TEST(SimVendorLnb, RecordIsTakenFromTheInputBuffer)
{
    LnbDataRecord lnb{};
    lnb.nLnbPower = 1;
    lnb.nLof1MHz = 9750;
    lnb.nLof2MHz = 10600;
    lnb.nLofSwitchMHz = 11700;
    lnb.nTone22k = 2;
    lnb.nDiseqc = 3;
    uint32_t counter = 55;
    const SimVendorResult r = Send(Command(QLBDA_IOCTL_SET_LNB_DATA, &lnb, 20, nullptr, 0, &counter));
    ASSERT_EQ(r.hr, SIM_S_OK);
    ASSERT_TRUE(r.bLnbReceived);
    EXPECT_EQ(std::memcmp(&r.Lnb, &lnb, sizeof(lnb)), 0);
    EXPECT_EQ(counter, 0u);
    EXPECT_EQ(r.Fields.nInLength, 20u);
}

TEST(SimVendorLnb, ShortInputOrAnOutputBufferIsRefused)
{
    auto in = std::make_unique<uint8_t[]>(19);
    std::memset(in.get(), 0, 19);
    SimVendorResult r = Send(Command(QLBDA_IOCTL_SET_LNB_DATA, in.get(), 19, nullptr, 0, nullptr));
    EXPECT_EQ(r.hr, SIM_E_INSUFFICIENT_BUFFER);
    EXPECT_FALSE(r.bLnbReceived);
    LnbDataRecord lnb{};
    uint8_t out[8];
    EXPECT_EQ(Send(Command(QLBDA_IOCTL_SET_LNB_DATA, &lnb, 20, out, 8, nullptr)).hr, SIM_E_INVALIDARG);
    EXPECT_EQ(Send(Command(QLBDA_IOCTL_SET_LNB_DATA, nullptr, 20, nullptr, 0, nullptr)).hr, SIM_E_POINTER);
}

TEST(SimVendorRecord, MalformedCommandsAreRefused)
{
    std::vector<uint8_t> record = Command(QLBDA_IOCTL_CHECK_INTERFACE, nullptr, 0, nullptr, 0, nullptr);
    for (size_t length : {1u, 39u, 41u, 63u, 65u}) {
        std::vector<uint8_t> resized(record);
        resized.resize(length);
        const SimVendorResult r = HandleVendorRequest(resized.data(), resized.size(), Device());
        EXPECT_EQ(r.hr, SIM_E_INVALIDARG) << length;
        EXPECT_FALSE(r.bParsed) << length;
    }
    EXPECT_EQ(HandleVendorRequest(nullptr, 64, Device()).hr, SIM_E_POINTER);

    std::vector<uint8_t> wrongGuid = record;
    wrongGuid[15] ^= 1;
    EXPECT_EQ(Send(wrongGuid).hr, SIM_E_INVALIDARG);

    const SimVendorResult unknown = Send(Command(0xAA0001F8, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(unknown.hr, SIM_E_INVALID_FUNCTION);
    EXPECT_TRUE(unknown.bParsed);
    EXPECT_EQ(unknown.Fields.nCode, 0xAA0001F8u);
}

// A driver reads only the layouts it was built for (the documented 40-byte record unless
// told otherwise); the other is refused with a real driver's status before anything is read
// or written. The 40-byte record's addresses name memory below 4 GB.
TEST(SimVendorRecord, EachDriverReadsOnlyItsLayouts)
{
    void* low = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    ASSERT_NE(low, MAP_FAILED);
    uint8_t* out = static_cast<uint8_t*>(low);
    uint32_t* counter = reinterpret_cast<uint32_t*>(out + 1024);
    const std::vector<uint8_t> records[] = {Command(QLBDA_IOCTL_GET_DRIVER_INFO, nullptr, 0, out, 256, counter, 4),
                                            Command(QLBDA_IOCTL_GET_DRIVER_INFO, nullptr, 0, out, 256, counter, 8)};
    ASSERT_EQ(records[0].size(), 40u);
    ASSERT_EQ(records[1].size(), 64u);
    EXPECT_EQ(SimVendorDevice().nRecordLayouts, static_cast<uint32_t>(SIM_RECORD_40));

    const struct {
        uint32_t nLayouts;
        int32_t hr[2];  // for the 40-byte and the 64-byte record
    } cases[] = {
        {SIM_RECORD_40, {SIM_S_OK, SIM_E_INVALIDARG}},
        {SIM_RECORD_64, {SIM_E_INSUFFICIENT_BUFFER, SIM_S_OK}},
        {SIM_RECORD_40 | SIM_RECORD_64, {SIM_S_OK, SIM_S_OK}},
    };
    for (const auto& c : cases) {
        SimVendorDevice device = Device();
        device.nRecordLayouts = c.nLayouts;
        for (int i = 0; i < 2; ++i) {
            SCOPED_TRACE(std::to_string(c.nLayouts) + " given " + std::to_string(records[i].size()));
            std::memset(out, 0x5A, 256);
            *counter = 7;
            const SimVendorResult r = Send(records[i], device);
            EXPECT_EQ(r.hr, c.hr[i]);
            if (r.hr == SIM_S_OK) {
                EXPECT_EQ(*counter, 256u);
                EXPECT_STREQ(reinterpret_cast<const char*>(out + 26), "QLBDA");
            } else {
                EXPECT_FALSE(r.bParsed);
                EXPECT_EQ(*counter, 7u);
                for (int n = 0; n < 256; ++n)
                    ASSERT_EQ(out[n], 0x5A) << n;
            }
        }
    }
    munmap(low, 4096);
}
