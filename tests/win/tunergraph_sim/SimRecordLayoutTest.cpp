// The command record layout each simulated driver reads, met by the program's whole road at
// start and at Tune: enumeration, build, the information queries, a second build and
// satellite tuning. The program's records lie above 4 GB, as the dialog's static arrays do.
#include "SimGraphFixture.h"
#include "support/TraceCapture.h"
#include "tuner/IoctlCommand.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr ULONGLONG FOUR_GB = 0x100000000ull;

struct ProgramRecords {
    DeviceInfoRecord Device;
    DriverInfoRecord Driver;
    LnbDataRecord Lnb;
};

// The program's records in memory above 4 GB.
class CHighRecords
{
public:
    CHighRecords()
        : m_p(VirtualAlloc(nullptr, sizeof(ProgramRecords), MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE))
    {
    }
    ~CHighRecords()
    {
        if (m_p)
            VirtualFree(m_p, 0, MEM_RELEASE);
    }
    ProgramRecords* Get() const { return static_cast<ProgramRecords*>(m_p); }

private:
    void* m_p;
};

bool IsVendorCall(SimCallId eCall)
{
    return eCall == SIM_CALL_VENDOR_CHECK_INTERFACE || eCall == SIM_CALL_VENDOR_GET_DEVICE_INFO ||
           eCall == SIM_CALL_VENDOR_GET_DRIVER_INFO || eCall == SIM_CALL_VENDOR_SET_LNB_DATA ||
           eCall == SIM_CALL_VENDOR_OTHER;
}

class SimRecordLayout : public SimGraphTest
{
protected:
    // Runs the road against a device reading pszRecord and counts the vendor records it
    // received by length. The road makes six requests: presence checks at enumeration and at
    // each build, the two queries and the LNB record.
    void RunRoad(const char* pszRecord, const char* pszTrace)
    {
        Register(std::string("[tuner]\nname = DTV-DVB S2 Record\nkind = satellite\ndevice_name = QL-REC\n"
                             "mac = 00-1B-C5-0A-0B-0C\ndriver_version = 01 07\ndriver_text = QLREC\n"
                             "driver_text2 = record driver\nlock_delay = 0\nchannel = 11778000 pol=V sr=27500\n"
                             "record = ") + pszRecord + "\n");
        InterfaceHolder<ISimTunerControl> control = Control(L"DTV-DVB S2 Record");
        ASSERT_FALSE(control.IsNull());
        CHighRecords high;
        ProgramRecords* p = high.Get();
        ASSERT_NE(p, nullptr);
        ASSERT_GE(reinterpret_cast<uintptr_t>(p), FOUR_GB);
        memset(p, 0, sizeof(*p));
        CTraceCapture traces;

        QLDev devs[QLDEV_TABLE_SIZE] = {};
        int ordinals[QLDEV_TABLE_SIZE] = {};
        ASSERT_EQ(m_graph.EnumQLBDADevs(devs, ordinals), 1);
        ASSERT_EQ(Build(ordinals[0]), S_OK);
        m_graph.WaitGraphStopped();
        EXPECT_TRUE(m_graph.QLBDA_IOCTL_GET_DEVICE_INFO_Fun(&p->Device));
        EXPECT_TRUE(m_graph.QLBDA_IOCTL_GET_DRIVER_INFO_Fun(&p->Driver));
        Destroy();
        ASSERT_EQ(Build(ordinals[0]), S_OK);
        p->Lnb = {1, {}, 9750, 10600, 11700, 0, 1, {}};
        const SatTuneParams sat = {11778000, 27500, 9750000, 11700000, 10600000, 0, &p->Lnb, SAT_MOD_QPSK};
        EXPECT_EQ(m_graph.TuneDVBS(&sat), S_OK);

        EXPECT_STREQ(p->Device.szDeviceName, "QL-REC");
        const uint8_t mac[6] = {0x00, 0x1B, 0xC5, 0x0A, 0x0B, 0x0C};
        EXPECT_EQ(memcmp(p->Device.Mac, mac, 6), 0);
        EXPECT_EQ(p->Driver.DriverVersion[1], 0x07);
        EXPECT_STREQ(p->Driver.szText1, "QLREC");
        EXPECT_STREQ(p->Driver.szText2, "record driver");
        LnbDataRecord last = {};
        ASSERT_EQ(control->GetLastLnbData(&last), S_OK);
        EXPECT_EQ(memcmp(&last, &p->Lnb, sizeof(last)), 0);

        // The layout is learned once, at enumeration.
        const std::vector<std::string> lines = traces.Lines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), std::string(pszTrace)), 1);
        for (const SimCallRecord& call : CallsOf(control)) {
            if (!IsVendorCall(call.eCall))
                continue;
            SCOPED_TRACE(call.nCode);
            EXPECT_NE(call.eCall, SIM_CALL_VENDOR_OTHER);
            if (call.nDataLength == IOCTL_COMMAND_SIZE_32) {
                ++m_n40;
                EXPECT_EQ(call.nInAddress != 0, call.nInLength != 0);
                EXPECT_EQ(call.nOutAddress != 0, call.nOutLength != 0);
                EXPECT_LE(call.nInAddress + call.nInLength, FOUR_GB);
                EXPECT_LE(call.nOutAddress + call.nOutLength, FOUR_GB);
            } else {
                EXPECT_EQ(call.nDataLength, IOCTL_COMMAND_SIZE_64);
                ++m_n64;
            }
        }
    }

    size_t m_n40 = 0;
    size_t m_n64 = 0;
};

} // namespace

TEST_F(SimRecordLayout, DocumentedRecordDriverNeverSeesTheOtherLayout)
{
    RunRoad("40", "QLAGET_DBG: QLBDA driver record: 40 bytes \n");
    EXPECT_EQ(m_n40, 6u);
    EXPECT_EQ(m_n64, 0u);
}

TEST_F(SimRecordLayout, NaturalLayoutDriverIsProbedWithOneFortyByteRecord)
{
    RunRoad("64", "QLAGET_DBG: QLBDA driver record: 64 bytes \n");
    EXPECT_EQ(m_n40, 1u);
    EXPECT_EQ(m_n64, 6u);
}

TEST_F(SimRecordLayout, DriverOfBothLayoutsGetsTheDocumentedOne)
{
    RunRoad("both", "QLAGET_DBG: QLBDA driver record: 40 bytes \n");
    EXPECT_EQ(m_n40, 6u);
    EXPECT_EQ(m_n64, 0u);
}
