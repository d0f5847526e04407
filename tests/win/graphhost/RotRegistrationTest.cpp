#include "HostProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <regex>

namespace {

std::wstring ExpectedName(IGraphBuilder* pGraph)
{
    wchar_t szName[64];
    swprintf(szName, 64, L"!FilterGraph %08x pid %08x",
             static_cast<unsigned>(reinterpret_cast<uintptr_t>(pGraph) & 0xffffffffu),
             static_cast<unsigned>(GetCurrentProcessId()));
    return szName;
}

size_t CountRegistered(const std::wstring& name)
{
    std::vector<std::wstring> names = RotDisplayNames();
    return static_cast<size_t>(std::count(names.begin(), names.end(), name));
}

} // namespace

TEST(RotRegistration, GraphIsRegisteredUnderItsAddressAndProcess)
{
    CHostProbe host;
    const std::wstring name = ExpectedName(host.m_pGraph);
    ASSERT_EQ(CountRegistered(name), 0u);

    ASSERT_EQ(host.AddGraphToRot(), 1);
    EXPECT_NE(host.m_dwRotRegister, 0u);
    EXPECT_EQ(CountRegistered(name), 1u);
    // Both numbers always have eight lower-case digits.
    EXPECT_TRUE(std::regex_match(name, std::wregex(L"!FilterGraph [0-9a-f]{8} pid [0-9a-f]{8}")));

    // The registered object is the graph manager itself.
    InterfaceHolder<IMoniker> pMoniker;
    ASSERT_EQ(CreateItemMoniker(L"!", name.c_str() + 1, pMoniker.OutSlot()), S_OK);
    InterfaceHolder<IUnknown> pObject;
    ASSERT_EQ(host.m_pRot->GetObject(pMoniker, pObject.OutSlot()), S_OK);
    EXPECT_TRUE(IsSameObject(pObject, host.m_pGraph));

    EXPECT_EQ(host.m_pRot->Revoke(host.m_dwRotRegister), S_OK);
    EXPECT_EQ(CountRegistered(name), 0u);
}

// Every call registers once more; the cookie of the latest registration is kept.
TEST(RotRegistration, TwoCallsLeaveTwoRegistrations)
{
    CHostProbe host;
    const std::wstring name = ExpectedName(host.m_pGraph);
    ASSERT_EQ(host.AddGraphToRot(), 1);
    const DWORD dwFirst = host.m_dwRotRegister;
    ASSERT_EQ(host.AddGraphToRot(), 1);
    const DWORD dwSecond = host.m_dwRotRegister;
    EXPECT_NE(dwFirst, dwSecond);
    EXPECT_EQ(CountRegistered(name), 2u);

    EXPECT_EQ(host.m_pRot->Revoke(dwSecond), S_OK);
    EXPECT_EQ(CountRegistered(name), 1u);
    EXPECT_EQ(host.m_pRot->Revoke(dwFirst), S_OK);
    EXPECT_EQ(CountRegistered(name), 0u);
}

// Nothing revokes a registration: it outlives the host, and the table keeps the graph.
TEST(RotRegistration, DestructionLeavesTheRegistration)
{
    DWORD dwCookie = 0;
    IGraphBuilder* pGraph = nullptr;
    InterfaceHolder<IRunningObjectTable> pRot;
    {
        CHostProbe host;
        ASSERT_EQ(host.AddGraphToRot(), 1);
        dwCookie = host.m_dwRotRegister;
        pGraph = host.m_pGraph;
        pRot = host.m_pRot;
    }
    EXPECT_EQ(CountRegistered(ExpectedName(pGraph)), 1u);
    EXPECT_EQ(pRot->Revoke(dwCookie), S_OK);
    EXPECT_EQ(CountRegistered(ExpectedName(pGraph)), 0u);
}
