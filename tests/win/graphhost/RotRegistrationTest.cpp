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

    host.RevokeGraphFromRot();
    EXPECT_EQ(CountRegistered(name), 0u);
}

// A second call replaces the first registration: the graph shows once.
TEST(RotRegistration, SecondCallReplacesTheFirst)
{
    CHostProbe host;
    const std::wstring name = ExpectedName(host.m_pGraph);
    ASSERT_EQ(host.AddGraphToRot(), 1);
    const DWORD dwFirst = host.m_dwRotRegister;
    ASSERT_EQ(host.AddGraphToRot(), 1);
    EXPECT_NE(host.m_dwRotRegister, 0u);
    EXPECT_EQ(CountRegistered(name), 1u);
    EXPECT_NE(host.m_pRot->Revoke(dwFirst), S_OK);

    host.RevokeGraphFromRot();
    EXPECT_EQ(host.m_dwRotRegister, 0u);
    EXPECT_EQ(CountRegistered(name), 0u);
}

// The table would keep the graph alive: the host's end takes the entry away.
TEST(RotRegistration, DestructionRevokesTheRegistration)
{
    std::wstring name;
    {
        CHostProbe host;
        ASSERT_EQ(host.AddGraphToRot(), 1);
        name = ExpectedName(host.m_pGraph);
        ASSERT_EQ(CountRegistered(name), 1u);
    }
    EXPECT_EQ(CountRegistered(name), 0u);
}
