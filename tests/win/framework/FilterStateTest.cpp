// The filter state machine, the reference clock and graph membership.
#include "FrameworkPeers.h"

#include <string>

namespace {

const GUID kFormat = {0x33333333, 0x3333, 0x3333, {3, 3, 3, 3, 3, 3, 3, 3}};

// A filter with one connected input pin (through a peer output pin) and one unconnected one.
class FilterState : public FrameworkTest
{
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        m_pFilter = new CTestFilter;
        m_filter = m_pFilter->Face();
        m_pUnconnected = m_pFilter->AddInput(L"Spare");
        m_pIn = m_pFilter->AddInput(L"In");
        const CMediaType mt = MakeType(kFormat, kFormat, kFormat);
        ASSERT_EQ(m_pIn->ReceiveConnection(&m_peer, &mt), S_OK);
        InterfaceHolder<IMemInputPin> mem(static_cast<IMemInputPin*>(m_pIn));
        ASSERT_EQ(mem->NotifyAllocator(&m_allocator, FALSE), S_OK);
    }
    void TearDown() override
    {
        if (m_pFilter->IsActive())
            m_filter->Stop();
        EXPECT_EQ(m_pIn->Disconnect(), S_OK);
        m_filter.Reset();
        FrameworkTest::TearDown();
    }

    CFakeAllocator m_allocator;
    CPeerPin m_peer{PINDIR_OUTPUT};
    CTestFilter* m_pFilter = nullptr;
    InterfaceHolder<IBaseFilter> m_filter;
    CTestInputPin* m_pUnconnected = nullptr;
    CTestInputPin* m_pIn = nullptr;
};

FILTER_STATE StateOf(IBaseFilter* pFilter)
{
    FILTER_STATE state = static_cast<FILTER_STATE>(-1);
    EXPECT_EQ(pFilter->GetState(INFINITE, &state), S_OK);
    return state;
}

using FilterIdentity = FrameworkTest;

}

TEST_F(FilterState, RunFromStoppedActivatesOnceThenRunsConnectedPins)
{
    EXPECT_EQ(m_filter->Run(1234), S_OK);
    EXPECT_EQ(StateOf(m_filter), State_Running);
    EXPECT_EQ(m_pIn->m_nActive, 1);
    EXPECT_EQ(m_pIn->m_nRun, 1);
    EXPECT_EQ(m_pIn->m_tRun, 1234);
    EXPECT_EQ(m_pFilter->StartTime(), 1234);
    EXPECT_EQ(m_pUnconnected->m_nActive + m_pUnconnected->m_nRun, 0) << "unconnected pins are skipped";

    EXPECT_EQ(m_filter->Run(99), S_OK);
    EXPECT_EQ(m_pIn->m_nRun, 1) << "already running: pins are not run again";
    EXPECT_EQ(m_pFilter->StartTime(), 99);

    EXPECT_EQ(m_filter->Pause(), S_OK);
    EXPECT_EQ(StateOf(m_filter), State_Paused);
    EXPECT_EQ(m_pIn->m_nActive, 1) << "pausing a running filter only changes the state";
    EXPECT_EQ(m_pIn->m_nInactive, 0);
}

TEST_F(FilterState, StopDecommitsOnlyWhenActive)
{
    EXPECT_EQ(m_filter->Stop(), S_OK);
    EXPECT_EQ(m_pIn->m_nInactive, 0) << "stop on a stopped filter calls no pin";

    EXPECT_EQ(m_filter->Pause(), S_OK);
    EXPECT_EQ(m_filter->Stop(), S_OK);
    EXPECT_EQ(StateOf(m_filter), State_Stopped);
    EXPECT_EQ(m_pIn->m_nInactive, 1);
    EXPECT_EQ(m_allocator.m_nDecommit, 1);
    EXPECT_EQ(m_pUnconnected->m_nInactive, 0);
}

TEST_F(FilterState, PinFailureInPauseOrRunLeavesTheStateWhereItWas)
{
    m_pIn->m_hrActive = E_OUTOFMEMORY;
    EXPECT_EQ(m_filter->Pause(), E_OUTOFMEMORY);
    EXPECT_EQ(StateOf(m_filter), State_Stopped);
    EXPECT_EQ(m_filter->Run(5), E_OUTOFMEMORY);
    EXPECT_EQ(StateOf(m_filter), State_Stopped);
    EXPECT_EQ(m_pFilter->StartTime(), 5) << "the start time is stored before the transition";

    m_pIn->m_hrActive = S_OK;
    m_pIn->m_hrRun = VFW_E_RUNTIME_ERROR;
    EXPECT_EQ(m_filter->Run(6), VFW_E_RUNTIME_ERROR);
    EXPECT_EQ(StateOf(m_filter), State_Paused);
    m_pIn->m_hrRun = S_OK;
    EXPECT_EQ(m_filter->Run(7), S_OK);
    EXPECT_EQ(m_pIn->m_nActive, 3) << "the failed run still paused through Active";
}

TEST_F(FilterState, PinFailureInStopIsReportedButTheFilterStops)
{
    ASSERT_EQ(m_filter->Pause(), S_OK);
    m_allocator.m_hrDecommit = E_FAIL;
    EXPECT_EQ(m_filter->Stop(), E_FAIL);
    EXPECT_EQ(StateOf(m_filter), State_Stopped);
    m_allocator.m_hrDecommit = S_OK;
}

TEST_F(FilterState, StateChangesHoldTheFilterLock)
{
    struct CLockProbe : CTestInputPin {
        using CTestInputPin::CTestInputPin;
        HRESULT Active() override
        {
            m_bHeld = IsLockHeld(m_pLock);
            return S_OK;
        }
        bool m_bHeld = false;
    };
    auto* pProbe = new CLockProbe(m_pFilter, &m_pFilter->m_Lock, L"Probe");
    m_pFilter->m_Pins.push_back(pProbe);
    const CMediaType mt = MakeType(kFormat, kFormat, kFormat);
    CPeerPin peer(PINDIR_OUTPUT);
    ASSERT_EQ(pProbe->ReceiveConnection(&peer, &mt), S_OK);
    EXPECT_TRUE(m_pIn->m_bLockHeldInCheck) << "ReceiveConnection checks the type under the pin lock";
    ASSERT_EQ(m_filter->Pause(), S_OK);
    EXPECT_TRUE(pProbe->m_bHeld);
    EXPECT_FALSE(IsLockHeld(&m_pFilter->m_Lock));
    m_filter->Stop();
    EXPECT_EQ(pProbe->Disconnect(), S_OK);
}

TEST_F(FilterIdentity, ClockIsCountedAndStreamTimeIsRelativeToRun)
{
    CFakeClock clock;
    {
        auto* pFilter = new CTestFilter;
        InterfaceHolder<IBaseFilter> filter(pFilter->Face());
        REFERENCE_TIME rt = 0;
        EXPECT_EQ(pFilter->StreamTime(rt), VFW_E_NO_CLOCK);

        EXPECT_EQ(filter->SetSyncSource(&clock), S_OK);
        EXPECT_EQ(clock.m_cRef, 2);
        InterfaceHolder<IReferenceClock> got;
        EXPECT_EQ(filter->GetSyncSource(got.OutSlot()), S_OK);
        EXPECT_EQ(got.Get(), &clock);
        got.Reset();
        EXPECT_EQ(filter->GetSyncSource(nullptr), E_POINTER);

        ASSERT_EQ(filter->Run(1000), S_OK);
        clock.m_tNow = 4500;
        EXPECT_EQ(pFilter->StreamTime(rt), S_OK);
        EXPECT_EQ(rt, 3500);
        clock.m_hrGetTime = E_UNEXPECTED;
        EXPECT_EQ(pFilter->StreamTime(rt), E_UNEXPECTED);
        filter->Stop();

        EXPECT_EQ(filter->SetSyncSource(nullptr), S_OK);
        EXPECT_EQ(clock.m_cRef, 1);
        EXPECT_EQ(filter->GetSyncSource(got.OutSlot()), S_OK);
        EXPECT_TRUE(got.IsNull());
        EXPECT_EQ(filter->SetSyncSource(&clock), S_OK);
    }
    EXPECT_EQ(clock.m_cRef, 1) << "destruction releases the clock";
}

TEST_F(FilterIdentity, GraphAndSinkAreHeldUncounted)
{
    CFakeGraph graph;
    auto* pFilter = new CTestFilter;
    InterfaceHolder<IBaseFilter> filter(pFilter->Face());
    EXPECT_EQ(filter->JoinFilterGraph(&graph, L"Capture"), S_OK);
    EXPECT_EQ(graph.m_cRef, 1);
    EXPECT_EQ(pFilter->Sink(), static_cast<IMediaEventSink*>(&graph));
    EXPECT_EQ(pFilter->GetFilterGraph(), static_cast<IFilterGraph*>(&graph));

    FILTER_INFO info;
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Capture");
    EXPECT_EQ(info.pGraph, static_cast<IFilterGraph*>(&graph));
    EXPECT_EQ(graph.m_cRef, 2);
    info.pGraph->Release();

    CFakeGraph noSink(false);
    EXPECT_EQ(filter->JoinFilterGraph(&noSink, nullptr), S_OK);
    EXPECT_EQ(pFilter->Sink(), nullptr);
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"");
    info.pGraph->Release();

    EXPECT_EQ(filter->JoinFilterGraph(nullptr, nullptr), S_OK);
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.pGraph, nullptr);
    EXPECT_EQ(filter->QueryFilterInfo(nullptr), E_POINTER);
}

TEST_F(FilterIdentity, LongNamesAreCutTo127Characters)
{
    auto* pFilter = new CTestFilter;
    InterfaceHolder<IBaseFilter> filter(pFilter->Face());
    std::wstring name(200, L'n');
    name[126] = L'x';
    name[127] = L'y';
    ASSERT_EQ(filter->JoinFilterGraph(nullptr, name.c_str()), S_OK);
    FILTER_INFO info;
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(std::wstring(info.achName), name.substr(0, 127));
    EXPECT_EQ(info.achName[126], L'x');
}

TEST_F(FilterIdentity, ClassIdSetupAndVendorInfo)
{
    const CLSID clsid = {0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8}};
    auto* pFilter = new CTestFilter(nullptr, clsid);
    InterfaceHolder<IBaseFilter> filter(pFilter->Face());
    CLSID got = GUID_NULL;
    EXPECT_EQ(filter->GetClassID(&got), S_OK);
    EXPECT_EQ(got, clsid);
    EXPECT_EQ(filter->GetClassID(nullptr), E_POINTER);
    EXPECT_EQ(filter->GetState(0, nullptr), E_POINTER);
    LPWSTR pVendor = nullptr;
    EXPECT_EQ(filter->QueryVendorInfo(&pVendor), E_NOTIMPL);
    QueriedHolder<IAMovieSetup> setup(filter);
    ASSERT_FALSE(setup.IsNull());
    EXPECT_EQ(setup->Register(), S_FALSE);
    EXPECT_EQ(setup->Unregister(), S_FALSE);
    EXPECT_EQ(pFilter->GetPinVersion(), 1);
}

TEST_F(FilterIdentity, FindPinComparesWholeNamesCaseSensitively)
{
    auto* pFilter = new CTestFilter;
    InterfaceHolder<IBaseFilter> filter(pFilter->Face());
    pFilter->AddOutput(L"Output");
    CTestInputPin* pIn = pFilter->AddInput(L"Input");
    InterfaceHolder<IPin> pin;
    EXPECT_EQ(filter->FindPin(L"Input", pin.OutSlot()), S_OK);
    EXPECT_EQ(pin.Get(), static_cast<IPin*>(pIn));
    for (LPCWSTR id : {L"input", L"Inpu", L"Input ", L"1", L""}) {
        IPin* pRaw = reinterpret_cast<IPin*>(1);
        EXPECT_EQ(filter->FindPin(id, &pRaw), VFW_E_NOT_FOUND);
        EXPECT_EQ(pRaw, nullptr);
    }
    EXPECT_EQ(filter->FindPin(L"Input", nullptr), E_POINTER);
    IPin* pRaw = nullptr;
    EXPECT_EQ(filter->FindPin(nullptr, &pRaw), E_POINTER);
}

TEST_F(FilterIdentity, SourceFindsPinsByOneBasedIndexOnly)
{
    auto* pSource = new CTestSource;
    InterfaceHolder<IBaseFilter> filter(pSource->Face());
    auto* pPin = new CTestOutputPin(pSource, pSource->Lock(), L"Antenna Output");
    pSource->m_Pins.push_back(pPin);

    InterfaceHolder<IPin> pin;
    EXPECT_EQ(filter->FindPin(L"1", pin.OutSlot()), S_OK);
    EXPECT_EQ(pin.Get(), static_cast<IPin*>(pPin));
    for (LPCWSTR id : {L"0", L"2", L"Antenna Output", L"abc", L"-1", L"-2147483648", L"99999999999"}) {
        IPin* pRaw = reinterpret_cast<IPin*>(1);
        EXPECT_EQ(filter->FindPin(id, &pRaw), VFW_E_NOT_FOUND) << static_cast<const void*>(id);
        EXPECT_EQ(pRaw, nullptr);
    }
    EXPECT_EQ(filter->FindPin(L"1", nullptr), E_POINTER);
    LPWSTR pId = nullptr;
    ASSERT_EQ(pin->QueryId(&pId), S_OK);
    EXPECT_STREQ(pId, L"Antenna Output") << "the pin's own id is still its name";
    CoTaskMemFree(pId);
}
