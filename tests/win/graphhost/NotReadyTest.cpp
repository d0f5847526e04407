#include "HostProbe.h"
#include "support/ClassRegistration.h"
#include "support/FakeFilter.h"
#include "support/ScriptedGraph.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// {5D8E3A51-6C0B-4A7E-9F1D-2B7C4E9A0F11}: a graph manager class that nothing provides.
const CLSID CLSID_MissingGraph = {0x5d8e3a51, 0x6c0b, 0x4a7e, {0x9f, 0x1d, 0x2b, 0x7c, 0x4e, 0x9a, 0x0f, 0x11}};
// {5D8E3A53-6C0B-4A7E-9F1D-2B7C4E9A0F11}
const GUID CATEGORY_Unused = {0x5d8e3a53, 0x6c0b, 0x4a7e, {0x9f, 0x1d, 0x2b, 0x7c, 0x4e, 0x9a, 0x0f, 0x11}};

// Every operation fails the same way and leaves its arguments alone.
void ExpectEveryOperationFails(CHostProbe& host)
{
    InterfaceHolder<CFakeFilter> pUp, pDown;
    CFakeFilter* up = NewFakeFilter(pUp);
    CFakeFilter* down = NewFakeFilter(pDown);
    up->AddPin(L"Out", PINDIR_OUTPUT);
    down->AddPin(L"In", PINDIR_INPUT);

    EXPECT_EQ(host.RunGraph(), 0);
    EXPECT_EQ(host.StopGraph(), 0);
    OAFilterState state = 77;
    EXPECT_EQ(host.GetGraphState(0, &state), 0);
    EXPECT_EQ(state, 77);
    EXPECT_EQ(host.AddFilter(up, L"Up"), E_FAIL);
    EXPECT_EQ(host.RemoveFilter(up), E_FAIL);
    EXPECT_EQ(host.RemoveAllFilters(), 0);

    const size_t nRegistered = RotDisplayNames().size();
    EXPECT_EQ(host.AddGraphToRot(), 0);
    EXPECT_EQ(host.m_dwRotRegister, 0u);
    EXPECT_EQ(RotDisplayNames().size(), nRegistered);

    InterfaceHolder<IBaseFilter> pDevice;
    char szName[FRIENDLY_NAME_SIZE];
    memset(szName, 'x', sizeof(szName));
    EXPECT_EQ(host.GetDeviceFilter(CATEGORY_Unused, 0, pDevice, szName), E_FAIL);
    EXPECT_TRUE(pDevice.IsNull());
    EXPECT_EQ(szName[0], 'x');

    InterfaceHolder<IPin> pPin;
    EXPECT_EQ(host.FindPinByDirection(up, PINDIR_OUTPUT, 0, pPin), 0);
    EXPECT_TRUE(pPin.IsNull());
    EXPECT_EQ(host.ConnectFilters(up, 0, down, 0), E_FAIL);

    for (CFakeFilter* fake : {up, down}) {
        EXPECT_EQ(fake->m_nJoinCalls, 0);
        EXPECT_EQ(fake->m_nEnumPinsCalls, 0);
        EXPECT_EQ(fake->RefCount(), 1u);
    }
}

} // namespace

TEST(NotReadyHost, WithoutAGraphManagerOnlyTheRunningObjectTableIsHeld)
{
    CHostProbe host(CLSID_MissingGraph);
    EXPECT_EQ(host.m_bReady, 0);
    EXPECT_FALSE(host.m_pRot.IsNull());
    EXPECT_TRUE(host.m_pGraph.IsNull());
    EXPECT_TRUE(host.m_pMediaControl.IsNull());
    EXPECT_TRUE(host.m_pCaptureBuilder.IsNull());
    ExpectEveryOperationFails(host);
}

// A graph manager that exists but offers no media control leaves the host not ready: the
// operations fail without calling the graph, and destruction does not enumerate filters.
TEST(NotReadyHost, WithAGraphButNoMediaControlNoGraphCallIsMade)
{
    CScriptedGraph* pGraph = nullptr;
    CClassRegistration graphClass(CLSID_ScriptedGraph, [&pGraph](REFIID riid, void** ppv) {
        pGraph = new CScriptedGraph(false);
        pGraph->AddRef();
        return QueryNew(pGraph, riid, ppv);
    });
    ASSERT_EQ(graphClass.Status(), S_OK);
    {
        CHostProbe host(CLSID_ScriptedGraph);
        ASSERT_EQ(graphClass.Created(), 1);
        EXPECT_EQ(host.m_bReady, 0);
        EXPECT_FALSE(host.m_pGraph.IsNull());
        EXPECT_FALSE(host.m_pCaptureBuilder.IsNull());
        EXPECT_TRUE(host.m_pMediaControl.IsNull());
        ExpectEveryOperationFails(host);
    }
    EXPECT_TRUE(pGraph->m_calls.empty());
    pGraph->Release();
}
