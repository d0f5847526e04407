// A registered scenario seen through the system device enumerator: names, kinds, pins,
// topology and the maker's property, device by device.
#include "SimTestSupport.h"

#include "graph/BdaGuids.h"
#include "support/FakeBda.h"

#include <cstring>

namespace {

const char kScenario[] = R"(
[tuner]
name = DTV-DVB S2 Test Satellite
kind = satellite
mac = 00-1B-C5-AA-BB-01
device_name = QL-5100 TEST
driver_version = 01 07
firmware_version = 02 11
driver_text = QLBDA
driver_text2 = satellite driver text
channel = 11778000 pol=V sr=27500
[tuner]
name = Quillon Terrestrial Antenna Pin
kind = terrestrial
input_pin = Antenna In Pin
pins = input
channel = 506000 bw=8
[tuner]
name = dtv-dvb c rejecting
kind = cable
vendor_check = reject
channel = 346000 sr=6900 qam=256
[tuner]
name = DTV-ATSC Demod Only
nodes = 8vsb rf
[tuner]
name = Foreign Tuner
nodes = rf qpsk cofdm
[receiver]
name = Refusing Receiver
refuse = yes
[receiver]
name = Quillon Receiver
)";

struct Expected {
    const char* pName;
    std::vector<GUID> Functions;
    std::vector<std::wstring> Pins;
};

std::vector<GUID> NodeFunctions(IBaseFilter* pFilter)
{
    std::vector<GUID> functions;
    QueriedHolder<IBDA_Topology> topology(pFilter);
    BDANODE_DESCRIPTOR descriptors[20] = {};
    ULONG count = 0;
    EXPECT_FALSE(topology.IsNull());
    if (topology.IsNull())
        return functions;
    EXPECT_EQ(topology->GetNodeDescriptors(&count, 20, descriptors), S_OK);
    for (ULONG i = 0; i < count && i < 20; ++i) {
        EXPECT_EQ(descriptors[i].ulBdaNodeType, i);
        functions.push_back(descriptors[i].guidFunction);
    }
    return functions;
}

} // namespace

using SimEnumeration = SimTunerTest;

TEST_F(SimEnumeration, EachTunerShowsItsNameTopologyAndPins)
{
    Register(kScenario);
    const std::vector<Expected> expected = {
        {"DTV-DVB S2 Test Satellite", {KSNODE_BDA_RF_TUNER, DemodulatorOf(SRC_TYPE_DVBS)}, {L"Input0", L"MPEG2 Transport"}},
        {"Quillon Terrestrial Antenna Pin", {KSNODE_BDA_RF_TUNER, DemodulatorOf(SRC_TYPE_DVBT)}, {L"Antenna In Pin"}},
        {"dtv-dvb c rejecting", {KSNODE_BDA_RF_TUNER, DemodulatorOf(SRC_TYPE_DVBC)}, {L"Input0", L"MPEG2 Transport"}},
        {"DTV-ATSC Demod Only", {DemodulatorOf(SRC_TYPE_ATSC), KSNODE_BDA_RF_TUNER}, {L"Input0", L"MPEG2 Transport"}},
        {"Foreign Tuner",
         {KSNODE_BDA_RF_TUNER, DemodulatorOf(SRC_TYPE_DVBS), DemodulatorOf(SRC_TYPE_DVBT)},
         {L"Input0", L"MPEG2 Transport"}},
    };
    std::vector<SimTestDevice> tuners = EnumerateDevices(KSCATEGORY_BDA_NETWORK_TUNER);
    ASSERT_EQ(tuners.size(), expected.size());
    for (size_t i = 0; i < tuners.size(); ++i) {
        SCOPED_TRACE(expected[i].pName);
        EXPECT_EQ(tuners[i].sName, expected[i].pName);
        ASSERT_FALSE(tuners[i].Filter.IsNull());
        EXPECT_EQ(NodeFunctions(tuners[i].Filter), expected[i].Functions);
        EXPECT_EQ(PinNames(tuners[i].Filter), expected[i].Pins);
        CLSID clsid = {};
        EXPECT_EQ(tuners[i].Filter->GetClassID(&clsid), S_OK);
        EXPECT_EQ(clsid, CLSID_QLSimTuner);
    }
}

TEST_F(SimEnumeration, VendorAnswersComeFromTheScenario)
{
    Register(kScenario);
    InterfaceHolder<IBaseFilter> tuner = BindTuner("DTV-DVB S2 Test Satellite");
    ASSERT_FALSE(tuner.IsNull());
    EXPECT_EQ(SendVendorRequest(tuner, QLBDA_IOCTL_CHECK_INTERFACE, nullptr, 0, nullptr, 0), S_OK);

    DeviceInfoRecord device;
    std::memset(&device, 0xCC, sizeof(device));
    ASSERT_EQ(SendVendorRequest(tuner, QLBDA_IOCTL_GET_DEVICE_INFO, nullptr, 0, &device, sizeof(device)), S_OK);
    EXPECT_STREQ(device.szDeviceName, "QL-5100 TEST");
    EXPECT_EQ(device.nDeviceType, 1);
    const uint8_t mac[6] = {0x00, 0x1B, 0xC5, 0xAA, 0xBB, 0x01};
    EXPECT_EQ(std::memcmp(device.Mac, mac, 6), 0);

    DriverInfoRecord driver = {};
    ASSERT_EQ(SendVendorRequest(tuner, QLBDA_IOCTL_GET_DRIVER_INFO, nullptr, 0, &driver, sizeof(driver)), S_OK);
    EXPECT_EQ(driver.DriverVersion[0], 0x01);
    EXPECT_EQ(driver.DriverVersion[1], 0x07);
    EXPECT_EQ(driver.FirmwareVersion[1], 0x11);
    EXPECT_STREQ(driver.szText1, "QLBDA");
    EXPECT_STREQ(driver.szText2, "satellite driver text");

    // The other kinds report their own device type; the rejecting driver refuses the check.
    InterfaceHolder<IBaseFilter> cable = BindTuner("dtv-dvb c rejecting");
    ASSERT_FALSE(cable.IsNull());
    EXPECT_TRUE(FAILED(SendVendorRequest(cable, QLBDA_IOCTL_CHECK_INTERFACE, nullptr, 0, nullptr, 0)));
    ASSERT_EQ(SendVendorRequest(cable, QLBDA_IOCTL_GET_DEVICE_INFO, nullptr, 0, &device, sizeof(device)), S_OK);
    EXPECT_EQ(device.nDeviceType, 4);
    InterfaceHolder<IBaseFilter> atsc = BindTuner("DTV-ATSC Demod Only");
    ASSERT_EQ(SendVendorRequest(atsc, QLBDA_IOCTL_GET_DEVICE_INFO, nullptr, 0, &device, sizeof(device)), S_OK);
    EXPECT_EQ(device.nDeviceType, 8);
}

TEST_F(SimEnumeration, ReceiversEnumerateInTheirCategory)
{
    Register(kScenario);
    std::vector<SimTestDevice> receivers = EnumerateDevices(KSCATEGORY_BDA_RECEIVER_COMPONENT);
    ASSERT_EQ(receivers.size(), 2u);
    EXPECT_EQ(receivers[0].sName, "Refusing Receiver");
    EXPECT_EQ(receivers[1].sName, "Quillon Receiver");
    for (SimTestDevice& receiver : receivers) {
        ASSERT_FALSE(receiver.Filter.IsNull());
        EXPECT_EQ(PinNames(receiver.Filter), (std::vector<std::wstring>{L"MPEG2 Transport In", L"MPEG2 Transport Out"}));
    }
}

TEST_F(SimEnumeration, ANewScenarioReplacesTheOldAndUnregisterEmptiesTheCategories)
{
    Register(kScenario);
    Register("[tuner]\nname = Only One\n");
    std::vector<SimTestDevice> tuners = EnumerateDevices(KSCATEGORY_BDA_NETWORK_TUNER);
    ASSERT_EQ(tuners.size(), 1u);
    EXPECT_EQ(tuners[0].sName, "Only One");
    EXPECT_TRUE(EnumerateDevices(KSCATEGORY_BDA_RECEIVER_COMPONENT).empty());

    std::string error;
    EXPECT_EQ(m_Library.RegisterScenario("[tuner]\nname = x\ncolour = red\n", &error), E_INVALIDARG);
    EXPECT_EQ(error, "line 3: unknown key colour");
    EXPECT_EQ(EnumerateDevices(KSCATEGORY_BDA_NETWORK_TUNER).size(), 1u) << "a bad scenario changes nothing";

    auto pUnregister = m_Library.Proc<HRESULT(WINAPI*)()>("DllUnregisterServer");
    ASSERT_NE(pUnregister, nullptr);
    EXPECT_EQ(pUnregister(), S_OK);
    EXPECT_TRUE(EnumerateDevices(KSCATEGORY_BDA_NETWORK_TUNER).empty());
}

TEST_F(SimEnumeration, DefaultSetHasOneMakerTunerOfEachKindAndAForeignOne)
{
    auto pRegister = m_Library.Proc<HRESULT(WINAPI*)()>("DllRegisterServer");
    ASSERT_NE(pRegister, nullptr);
    ASSERT_EQ(pRegister(), S_OK);
    std::vector<SimTestDevice> tuners = EnumerateDevices(KSCATEGORY_BDA_NETWORK_TUNER);
    ASSERT_EQ(tuners.size(), 5u);
    const GUID demodulators[] = {DemodulatorOf(SRC_TYPE_DVBS), DemodulatorOf(SRC_TYPE_DVBT), DemodulatorOf(SRC_TYPE_DVBC),
                                 DemodulatorOf(SRC_TYPE_ATSC)};
    int nMaker = 0;
    for (size_t i = 0; i < tuners.size(); ++i) {
        std::string lower = tuners[i].sName;
        for (char& c : lower)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        const bool bMaker = lower.find("dtv-dvb") != std::string::npos ||
                            lower.find("quillon") != std::string::npos || lower.find("dtv-atsc") != std::string::npos;
        if (i < 4) {
            EXPECT_TRUE(bMaker) << tuners[i].sName;
            EXPECT_EQ(NodeFunctions(tuners[i].Filter).at(1), demodulators[i]) << tuners[i].sName;
        }
        nMaker += bMaker ? 1 : 0;
    }
    EXPECT_EQ(nMaker, 4);
    EXPECT_EQ(EnumerateDevices(KSCATEGORY_BDA_RECEIVER_COMPONENT).size(), 1u);
}
