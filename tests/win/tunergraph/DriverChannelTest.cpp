#include "TunerGraphFixture.h"
#include "support/FakeFilter.h"
#include "support/TraceCapture.h"
#include "tuner/IoctlCommand.h"
#include "tuner/LowMemoryBlock.h"

#include <cstring>

namespace {

bool AllBytesAre(const void* p, size_t n, BYTE value)
{
    for (size_t i = 0; i < n; ++i)
        if (static_cast<const BYTE*>(p)[i] != value)
            return false;
    return true;
}

// What a request's record must say. A driver of the documented record gets it in every
// build: its 32-bit addresses name buffers that exist (below 4 GB) exactly where the request
// has a buffer.
struct ExpectedRecord {
    uint32_t nCode;
    bool bIn;
    uint32_t nInLength;
    bool bOut;
    uint32_t nOutLength;
};

class DriverChannelTest : public TunerGraphTest
{
protected:
    // Opens the channel on a filter made from state, as the build's last step does.
    HRESULT Open(const FakeBdaStatePtr& state)
    {
        m_graph.m_pTuner.Reset();
        EXPECT_EQ(CreateFakeBdaFilter(state, IID_IBaseFilter, m_graph.m_pTuner.OutVoid()), S_OK);
        return m_graph.OpenDriverChannel();
    }

    // The last Set is the maker's property carrying the 40-byte record of this request,
    // with a counter that was 0 when sent.
    void ExpectLastRecord(const FakeBdaState& state, const ExpectedRecord& expected)
    {
        ASSERT_FALSE(state.KsSets.empty());
        const KsSetRecord& set = state.KsSets.back();
        EXPECT_TRUE(IsEqualGUID(set.guidSet, KSPROPSETID_VendorIoctl));
        EXPECT_EQ(set.nId, 0u);
        EXPECT_EQ(set.nInstanceLength, 24u);
        EXPECT_EQ(set.Instance, std::vector<BYTE>(24, 0));
        ASSERT_EQ(set.nDataLength, IOCTL_COMMAND_SIZE_32);
        IoctlCommandFields fields = {};
        ASSERT_TRUE(ParseIoctlCommand(set.Data.data(), set.Data.size(), &fields));
        EXPECT_EQ(memcmp(fields.Guid.b, kIoctlCommandGuidBytes.b, 16), 0);
        EXPECT_EQ(fields.nCode, expected.nCode);
        EXPECT_EQ(fields.nInAddress != 0, expected.bIn);
        EXPECT_EQ(fields.nInLength, expected.nInLength);
        EXPECT_EQ(fields.nOutAddress != 0, expected.bOut);
        EXPECT_EQ(fields.nOutLength, expected.nOutLength);
        EXPECT_NE(fields.nCounterAddress, 0u);
        EXPECT_EQ(set.nCounterAtSet, 0);
    }

    void TearDown() override
    {
        m_graph.DestroyGraph();
        TunerGraphTest::TearDown();
    }

    FakeBdaStatePtr m_tuner = MakeTunerState(SRC_TYPE_DVBS);
};

} // namespace

TEST_F(DriverChannelTest, OpeningSendsThePresenceCheckOnInput0)
{
    CTraceCapture traces;
    ASSERT_EQ(Open(m_tuner), S_OK);
    ASSERT_EQ(m_tuner->KsSets.size(), 1u);
    EXPECT_EQ(m_tuner->KsSets[0].nPin, 0u);
    ExpectLastRecord(*m_tuner, {QLBDA_IOCTL_CHECK_INTERFACE, false, 0, false, 0});
    EXPECT_EQ(traces.Lines(), (std::vector<std::string>{"QLAGET_DBG: QLBDA driver record: 40 bytes \n",
                                                        "QLAGET_DBG: QLBDA_IOCTL_CHECK_INTERFACE success !! \n"}));
}

TEST_F(DriverChannelTest, QueriesNameTheirOutputRecordAndReceiveTheDriversBytes)
{
    for (size_t i = 0; i < sizeof(DeviceInfoRecord); ++i)
        reinterpret_cast<BYTE*>(&m_tuner->DeviceInfo)[i] = static_cast<BYTE>(i * 7 + 1);
    for (size_t i = 0; i < sizeof(DriverInfoRecord); ++i)
        reinterpret_cast<BYTE*>(&m_tuner->DriverInfo)[i] = static_cast<BYTE>(i * 3 + 2);
    ASSERT_EQ(Open(m_tuner), S_OK);

    DeviceInfoRecord device = {};
    EXPECT_TRUE(m_graph.QLBDA_IOCTL_GET_DEVICE_INFO_Fun(&device));
    ExpectLastRecord(*m_tuner, {QLBDA_IOCTL_GET_DEVICE_INFO, false, 0, true, 240});
    EXPECT_EQ(memcmp(&device, &m_tuner->DeviceInfo, sizeof(device)), 0);

    DriverInfoRecord driver = {};
    EXPECT_TRUE(m_graph.QLBDA_IOCTL_GET_DRIVER_INFO_Fun(&driver));
    ExpectLastRecord(*m_tuner, {QLBDA_IOCTL_GET_DRIVER_INFO, false, 0, true, 256});
    EXPECT_EQ(memcmp(&driver, &m_tuner->DriverInfo, sizeof(driver)), 0);
}

TEST_F(DriverChannelTest, LnbRecordTravelsAsInputOnly)
{
    ASSERT_EQ(Open(m_tuner), S_OK);
    LnbDataRecord lnb = {};
    lnb.nLnbPower = 1;
    lnb.nLof1MHz = 9750;
    lnb.nLof2MHz = 10600;
    lnb.nLofSwitchMHz = 11700;
    lnb.nTone22k = 2;
    lnb.nDiseqc = 4;

    EXPECT_TRUE(m_graph.QLBDA_IOCTL_SET_LNB_DATA_Fun(&lnb));
    ExpectLastRecord(*m_tuner, {QLBDA_IOCTL_SET_LNB_DATA, true, 20, false, 0});
    EXPECT_EQ(memcmp(&m_tuner->LastLnb, &lnb, sizeof(lnb)), 0);
}

// Without a channel, or when the driver refuses, a request is FALSE with its trace and the
// record stays as it was; a driver's success code other than S_OK is a success.
TEST_F(DriverChannelTest, RequestsWithoutChannelOrRefusedLeaveTheirRecords)
{
    auto expectAllFail = [this](const char* pszWhen) {
        SCOPED_TRACE(pszWhen);
        CTraceCapture traces;
        const size_t nSets = m_tuner->KsSets.size();
        DeviceInfoRecord device;
        DriverInfoRecord driver;
        LnbDataRecord lnb;
        memset(&device, 0xAB, sizeof(device));
        memset(&driver, 0xAB, sizeof(driver));
        memset(&lnb, 0xAB, sizeof(lnb));
        EXPECT_FALSE(m_graph.QLBDA_IOCTL_GET_DEVICE_INFO_Fun(&device));
        EXPECT_FALSE(m_graph.QLBDA_IOCTL_GET_DRIVER_INFO_Fun(&driver));
        EXPECT_FALSE(m_graph.QLBDA_IOCTL_SET_LNB_DATA_Fun(&lnb));
        EXPECT_EQ(traces.Lines(), (std::vector<std::string>{"IOCTL Error: QLBDA_IOCTL_GET_DEVICE_INFO_Fun failed! \n",
                                                            "IOCTL Error: QLBDA_IOCTL_GET_DRIVER_INFO_Fun failed! \n",
                                                            "IOCTL Error: QLBDA_IOCTL_SET_LNB_DATA_Fun failed! \n"}));
        EXPECT_TRUE(AllBytesAre(&device, sizeof(device), 0xAB));
        EXPECT_TRUE(AllBytesAre(&driver, sizeof(driver), 0xAB));
        return m_tuner->KsSets.size() - nSets;
    };

    EXPECT_EQ(expectAllFail("never opened"), 0u);
    ASSERT_EQ(Open(m_tuner), S_OK);
    for (uint32_t nCode : {QLBDA_IOCTL_GET_DEVICE_INFO, QLBDA_IOCTL_GET_DRIVER_INFO, QLBDA_IOCTL_SET_LNB_DATA})
        m_tuner->VendorResults[nCode] = E_FAIL;
    EXPECT_EQ(expectAllFail("refused"), 3u);
    m_graph.DestroyGraph();
    EXPECT_EQ(expectAllFail("after teardown"), 0u);

    ASSERT_EQ(Open(m_tuner), S_OK);
    m_tuner->VendorResults[QLBDA_IOCTL_GET_DEVICE_INFO] = S_FALSE;
    DeviceInfoRecord device = {};
    EXPECT_TRUE(m_graph.QLBDA_IOCTL_GET_DEVICE_INFO_Fun(&device));
}

TEST_F(DriverChannelTest, RequestNamingALengthWithoutABufferIsNotSent)
{
    ASSERT_EQ(Open(m_tuner), S_OK);
    const size_t nSets = m_tuner->KsSets.size();
    DWORD nReturned = 0;
    BYTE buffer[4] = {};
    EXPECT_FALSE(m_graph.SendDriverIoctl(QLBDA_IOCTL_GET_DEVICE_INFO, nullptr, 0, nullptr, 240, &nReturned));
    EXPECT_FALSE(m_graph.SendDriverIoctl(QLBDA_IOCTL_SET_LNB_DATA, nullptr, 20, nullptr, 0, &nReturned));
    EXPECT_EQ(m_tuner->KsSets.size(), nSets);
    EXPECT_TRUE(m_graph.SendDriverIoctl(QLBDA_IOCTL_SET_LNB_DATA, buffer, sizeof(buffer), nullptr, 0, &nReturned));
}

TEST_F(DriverChannelTest, InputPinIsInput0ElseAntennaInPinTheLastOfEqualNames)
{
    struct Case {
        std::vector<FakePinSetup> Pins;
        size_t nExpectedPin;
    };
    const Case cases[] = {
        {{{L"Antenna In Pin", PINDIR_INPUT, true}, {L"Out", PINDIR_OUTPUT}}, 0},
        {{{L"Antenna In Pin", PINDIR_INPUT, true}, {L"Input0", PINDIR_INPUT, true}, {L"Out", PINDIR_OUTPUT}}, 1},
        {{{L"Input0", PINDIR_INPUT, true}, {L"Input0", PINDIR_INPUT, true}, {L"Out", PINDIR_OUTPUT}}, 1},
        {{{L"Antenna In Pin", PINDIR_INPUT, true}, {L"Antenna In Pin", PINDIR_INPUT, true}}, 1},
    };
    for (const Case& c : cases) {
        FakeBdaStatePtr tuner = MakeTunerState(SRC_TYPE_DVBT);
        tuner->Pins = c.Pins;
        ASSERT_EQ(Open(tuner), S_OK);
        ASSERT_EQ(tuner->KsSets.size(), 1u);
        EXPECT_EQ(tuner->KsSets[0].nPin, c.nExpectedPin);
        m_graph.DestroyGraph();
    }
}

TEST_F(DriverChannelTest, TunerWithoutAUsableInputPinHasNoChannel)
{
    FakeBdaStatePtr wrongCase = MakeTunerState(SRC_TYPE_DVBT);
    wrongCase->Pins[0].sName = L"input0";
    FakeBdaStatePtr noProperty = MakeTunerState(SRC_TYPE_DVBT);
    noProperty->Pins[0].bPropertySet = false;

    CTraceCapture traces;
    EXPECT_EQ(Open(wrongCase), E_FAIL);
    EXPECT_TRUE(m_graph.m_pTunerInputPin.IsNull());
    EXPECT_EQ(Open(noProperty), E_FAIL);
    EXPECT_TRUE(m_graph.m_pTunerInputPin.IsNull());
    EXPECT_TRUE(m_graph.m_pKsPropertySet.IsNull());
    EXPECT_EQ(traces.Lines(), (std::vector<std::string>{"QLAGET_DBG: Cannot find Input0 pin on BDA Tuner/Demod filter!\n",
                                                        "QLAGET_DBG: QI of IKsPropertySet failed\n"}));
    m_graph.m_pTuner.Reset();
    EXPECT_EQ(m_graph.OpenDriverChannel(), E_FAIL);
}

// Names are compared as narrow text in an 80-byte buffer: 79 characters fit, longer names
// never match, not even the empty name or the part that would fit.
TEST_F(DriverChannelTest, PinNamesOf80CharactersOrMoreNeverMatch)
{
    InterfaceHolder<CFakeFilter> holder;
    CFakeFilter* filter = NewFakeFilter(holder);
    const std::string s79(79, 'a'), s80(80, 'b'), s100(100, 'c');
    filter->AddPin(std::wstring(s79.begin(), s79.end()), PINDIR_INPUT);
    filter->AddPin(std::wstring(s80.begin(), s80.end()), PINDIR_INPUT);
    filter->AddPin(std::wstring(s100.begin(), s100.end()), PINDIR_INPUT);

    EXPECT_EQ(CTunerGraph::FindPinByName(filter, s79.c_str()).Get(), static_cast<IPin*>(filter->Pin(0)));
    EXPECT_TRUE(CTunerGraph::FindPinByName(filter, s80.c_str()).IsNull());
    EXPECT_TRUE(CTunerGraph::FindPinByName(filter, s80.substr(0, 79).c_str()).IsNull());
    EXPECT_TRUE(CTunerGraph::FindPinByName(filter, s100.substr(0, 79).c_str()).IsNull());
    EXPECT_TRUE(CTunerGraph::FindPinByName(filter, "").IsNull());
    EXPECT_TRUE(CTunerGraph::FindPinByName(filter, nullptr).IsNull());
    EXPECT_TRUE(CTunerGraph::FindPinByName(nullptr, "Input0").IsNull());
    EXPECT_EQ(filter->RefCount(), 1u);
}

// A filter may hand out a pin enumerator that has moved on already: the search still starts
// at the first pin.
TEST_F(DriverChannelTest, PinSearchStartsAtTheFirstPin)
{
    InterfaceHolder<CFakeFilter> holder;
    CFakeFilter* filter = NewFakeFilter(holder);
    filter->AddPin(L"Input0", PINDIR_INPUT);
    filter->AddPin(L"Out", PINDIR_OUTPUT);
    filter->m_nEnumStart = 1;
    EXPECT_EQ(CTunerGraph::FindPinByName(filter, "Input0").Get(), static_cast<IPin*>(filter->Pin(0)));
}

// The probe of enumeration passes the driver's answer on unchanged and keeps nothing but
// the layout a device answered. A refusal of the record as malformed brings the process's
// own layout; when that is refused too, the last answer goes on and nothing is learned.
TEST_F(DriverChannelTest, PresenceProbePassesTheDriversAnswerOn)
{
    InterfaceHolder<IBaseFilter> filter;
    ASSERT_EQ(CreateFakeBdaFilter(m_tuner, IID_IBaseFilter, filter.OutVoid()), S_OK);
    for (HRESULT hr : {S_OK, S_FALSE, E_ACCESSDENIED}) {
        m_tuner->VendorResults[QLBDA_IOCTL_CHECK_INTERFACE] = hr;
        EXPECT_EQ(m_graph.CheckQLBDAInterface(filter), hr);
        ExpectLastRecord(*m_tuner, {QLBDA_IOCTL_CHECK_INTERFACE, false, 0, false, 0});
    }
    EXPECT_EQ(m_tuner->KsSets.size(), 3u);

    for (HRESULT hr : {E_INVALIDARG, HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)}) {
        m_tuner->VendorResults[QLBDA_IOCTL_CHECK_INTERFACE] = hr;
        m_tuner->KsSets.clear();
        CTraceCapture traces;
        EXPECT_EQ(m_graph.CheckQLBDAInterface(filter, 2), hr);
        ASSERT_EQ(m_tuner->KsSets.size(), 2u);
        EXPECT_EQ(m_tuner->KsSets[0].nDataLength, IOCTL_COMMAND_SIZE_32);
        EXPECT_EQ(m_tuner->KsSets[1].nDataLength, sizeof(IoctlCommand));
        EXPECT_FALSE(traces.Contains("QLAGET_DBG: QLBDA driver record: 40 bytes \n"));
    }

    // A device that answered keeps its layout: no second probe, no second trace.
    m_tuner->VendorResults[QLBDA_IOCTL_CHECK_INTERFACE] = S_OK;
    m_tuner->KsSets.clear();
    CTraceCapture traces;
    EXPECT_EQ(m_graph.CheckQLBDAInterface(filter, 2), S_OK);
    m_tuner->VendorResults[QLBDA_IOCTL_CHECK_INTERFACE] = E_INVALIDARG;
    EXPECT_EQ(m_graph.CheckQLBDAInterface(filter, 2), E_INVALIDARG);
    ASSERT_EQ(m_tuner->KsSets.size(), 2u);
    EXPECT_EQ(m_tuner->KsSets[1].nDataLength, IOCTL_COMMAND_SIZE_32);
    EXPECT_EQ(traces.Lines(), std::vector<std::string>{"QLAGET_DBG: QLBDA driver record: 40 bytes \n"});

    EXPECT_EQ(m_graph.CheckQLBDAInterface(nullptr), E_FAIL);
    EXPECT_TRUE(m_graph.AllHoldersEmpty());

    FakeBdaStatePtr noProperty = MakeTunerState(SRC_TYPE_DVBT);
    noProperty->Pins[0].bPropertySet = false;
    InterfaceHolder<IBaseFilter> other;
    ASSERT_EQ(CreateFakeBdaFilter(noProperty, IID_IBaseFilter, other.OutVoid()), S_OK);
    traces.Clear();
    EXPECT_EQ(m_graph.CheckQLBDAInterface(other), E_FAIL);
    EXPECT_TRUE(traces.Contains("QLAGET_DBG: QI of IKsPropertySet failed\n"));
}

// Systems without VirtualAlloc2 find a free region below 4 GB themselves: blocks of several
// sizes land there, apart and writable, and the records reach the driver through one.
TEST_F(DriverChannelTest, WithoutVirtualAlloc2TheBlockComesFromAFreeRegionBelow4GB)
{
    BYTE* pSmall = static_cast<BYTE*>(AllocateInFreeLowRegion(1));
    BYTE* pLarge = static_cast<BYTE*>(AllocateInFreeLowRegion((1 << 20) + 1));
    ASSERT_TRUE(pSmall && pLarge);
    EXPECT_LE(reinterpret_cast<ULONG64>(pLarge) + (1 << 20) + 1, 0x100000000ull);
    EXPECT_LT(reinterpret_cast<ULONG64>(pSmall), 0x100000000ull);
    EXPECT_TRUE(pSmall + 1 <= pLarge || pLarge + (1 << 20) + 1 <= pSmall);
    memset(pLarge, 0x5A, (1 << 20) + 1);
    VirtualFree(pSmall, 0, MEM_RELEASE);
    VirtualFree(pLarge, 0, MEM_RELEASE);

    const auto pfnFind = g_pfnFindVirtualAlloc2;
    g_pfnFindVirtualAlloc2 = []() -> VirtualAlloc2Fn { return nullptr; };
    memset(&m_tuner->DeviceInfo, 0x3C, sizeof(m_tuner->DeviceInfo));
    const HRESULT hr = Open(m_tuner);
    DeviceInfoRecord device = {};
    const BOOL bQueried = m_graph.QLBDA_IOCTL_GET_DEVICE_INFO_Fun(&device);
    g_pfnFindVirtualAlloc2 = pfnFind;
    ASSERT_EQ(hr, S_OK);
    EXPECT_TRUE(bQueried);
    ExpectLastRecord(*m_tuner, {QLBDA_IOCTL_GET_DEVICE_INFO, false, 0, true, 240});
    EXPECT_EQ(memcmp(&device, &m_tuner->DeviceInfo, sizeof(device)), 0);
}
