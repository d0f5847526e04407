// Teardown of graphs over the simulated driver: a tuner that refuses to pause leaves the
// graph manager half-way through starting, and the teardown must still drop every filter,
// every interface and the graph's running-object-table entry.
#include "SimGraphFixture.h"

#include <algorithm>
#include <cwchar>

namespace {

const char kCableScenario[] = R"(
[tuner]
name = DTV-DVB C Cable Tuner
kind = cable
lock_delay = 0
channel = 346000 sr=6900 qam=256

[tuner]
name = DTV-DVB C Stuck Tuner
kind = cable
lock_delay = 0
channel = 346000 sr=6900 qam=256
)";
constexpr int CABLE_TUNER = 0;
constexpr int STUCK_TUNER = 1;

// The graph manager's own objects, read from outside.
class CProbedTunerGraph : public CTunerGraph
{
public:
    size_t FilterCount()
    {
        size_t nCount = 0;
        InterfaceHolder<IEnumFilters> pEnum;
        if (FAILED(m_pGraph->EnumFilters(pEnum.OutSlot())))
            return SIZE_MAX;
        InterfaceHolder<IBaseFilter> pFilter;
        while (pEnum->Next(1, pFilter.OutSlot(), nullptr) == S_OK)
            ++nCount;
        return nCount;
    }
    bool HoldsAnyInterface() const
    {
        return !m_pSignalStatistics.IsNull() || !m_pDeviceControl.IsNull() || !m_pFrequencyFilter.IsNull() ||
               !m_pLNBInfo.IsNull() || !m_pDemodulator.IsNull() || !m_pNetworkProvider.IsNull() ||
               !m_pTuner.IsNull() || !m_pReceiver.IsNull() || !m_pCaptureFilter.IsNull() ||
               !m_pTunerInputPin.IsNull() || !m_pKsPropertySet.IsNull();
    }
    // "!FilterGraph <address> pid <process>" entries of this process in the table.
    size_t RotEntriesOfThisProcess()
    {
        wchar_t szPid[32];
        swprintf(szPid, 32, L" pid %08x", static_cast<unsigned>(GetCurrentProcessId()));
        InterfaceHolder<IEnumMoniker> pEnum;
        InterfaceHolder<IBindCtx> pContext;
        if (FAILED(m_pRot->EnumRunning(pEnum.OutSlot())) || FAILED(CreateBindCtx(0, pContext.OutSlot())))
            return SIZE_MAX;
        size_t nCount = 0;
        InterfaceHolder<IMoniker> pMoniker;
        while (pEnum->Next(1, pMoniker.OutSlot(), nullptr) == S_OK) {
            LPOLESTR pszName = nullptr;
            if (SUCCEEDED(pMoniker->GetDisplayName(pContext, nullptr, &pszName)) && pszName) {
                const std::wstring name(pszName);
                nCount += name.rfind(L"!FilterGraph ", 0) == 0 && name.find(szPid) != std::wstring::npos;
            }
            CoTaskMemFree(pszName);
        }
        return nCount;
    }
};

class SimTeardown : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_library.IsLoaded());
        std::string error;
        ASSERT_EQ(m_library.RegisterScenario(kCableScenario, &error), S_OK) << error;
    }
    void TearDown() override
    {
        m_graph.DestroyGraph();
        auto pRemove = m_library.Proc<HRESULT(WINAPI*)()>("DllUnregisterServer");
        if (pRemove)
            pRemove();
    }
    void FailTuner(SimCallId eCall, LONG nTimes, const wchar_t* pszTuner = L"DTV-DVB C Cable Tuner")
    {
        InterfaceHolder<ISimTunerControl> control;
        ASSERT_EQ(m_library.OpenControl(pszTuner, control), S_OK);
        ASSERT_EQ(control->FailCall(eCall, SIM_NODE_NONE, E_FAIL, nTimes), S_OK);
    }
    // No simulated filter (nor control) object is alive in the driver.
    bool DriverHasNoObject()
    {
        auto pCanUnload = m_library.Proc<HRESULT(WINAPI*)()>("DllCanUnloadNow");
        return pCanUnload && pCanUnload() == S_OK;
    }

    CProbedTunerGraph m_graph;
    CSimTunerLibrary m_library;
    char m_szName[FRIENDLY_NAME_SIZE] = {};
};

} // namespace

TEST_F(SimTeardown, TunerThatFailsToPauseLeavesNothingBehind)
{
    FailTuner(SIM_CALL_FILTER_PAUSE, -1);
    EXPECT_EQ(m_graph.BuildGraph(CABLE_TUNER, m_szName), E_FAIL);
    EXPECT_EQ(m_graph.m_bBuilt, 0);
    EXPECT_EQ(m_graph.FilterCount(), 0u);
    EXPECT_FALSE(m_graph.HoldsAnyInterface());
    EXPECT_EQ(m_graph.RotEntriesOfThisProcess(), 0u);
    EXPECT_TRUE(DriverHasNoObject());

    // The next build over the same manager works once the tuner behaves.
    FailTuner(SIM_CALL_FILTER_PAUSE, 0);
    ASSERT_EQ(m_graph.BuildGraph(CABLE_TUNER, m_szName), S_OK);
    EXPECT_EQ(m_graph.FilterCount(), 3u);
    EXPECT_FALSE(DriverHasNoObject());
    EXPECT_EQ(m_graph.TuneDVBC(346000, 6900, 256), S_OK);
    EXPECT_EQ(m_graph.DestroyGraph(), S_OK);
    EXPECT_EQ(m_graph.FilterCount(), 0u);
    EXPECT_TRUE(DriverHasNoObject());
}

// A tuner that cannot stop can never leave its graph: the manager gives that graph up and
// goes on with a fresh, empty one. The given-up tuner still runs, so its device stays in use
// for the rest of the process, as a stuck device would; another device builds as usual.
TEST_F(SimTeardown, TunerThatNeverStopsLeavesAFreshGraph)
{
    ASSERT_EQ(m_graph.BuildGraph(STUCK_TUNER, m_szName), S_OK);
    FailTuner(SIM_CALL_FILTER_STOP, -1, L"DTV-DVB C Stuck Tuner");
    EXPECT_EQ(m_graph.DestroyGraph(), S_OK);
    EXPECT_EQ(m_graph.FilterCount(), 0u);
    EXPECT_FALSE(m_graph.HoldsAnyInterface());
    EXPECT_EQ(m_graph.RotEntriesOfThisProcess(), 0u);
    EXPECT_EQ(m_graph.BuildGraph(STUCK_TUNER, m_szName), HRESULT_FROM_WIN32(ERROR_BUSY));
    ASSERT_EQ(m_graph.BuildGraph(CABLE_TUNER, m_szName), S_OK);
    EXPECT_EQ(m_graph.FilterCount(), 3u);
}

// Each built graph shows in the table once while it exists, and never after its teardown.
TEST_F(SimTeardown, RunningObjectTableHoldsOnlyTheBuiltGraph)
{
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(m_graph.BuildGraph(CABLE_TUNER, m_szName), S_OK);
        EXPECT_EQ(m_graph.RotEntriesOfThisProcess(), 1u);
        m_graph.DestroyGraph();
        EXPECT_EQ(m_graph.RotEntriesOfThisProcess(), 0u);
    }
    QLDev devs[QLDEV_TABLE_SIZE] = {};
    EXPECT_EQ(m_graph.EnumQLBDADevs(devs), 2) << "a device in use is still listed";
    EXPECT_EQ(m_graph.RotEntriesOfThisProcess(), 0u);
}
