#include "HostProbe.h"
#include "support/FakeFilter.h"

#include <gtest/gtest.h>

TEST(FindPinByDirection, CountsOnlyPinsOfTheAskedDirectionInEnumerationOrder)
{
    CHostProbe host;
    InterfaceHolder<CFakeFilter> pFake;
    CFakeFilter* fake = NewFakeFilter(pFake);
    CFakePin* in0 = fake->AddPin(L"In0", PINDIR_INPUT);
    CFakePin* out0 = fake->AddPin(L"Out0", PINDIR_OUTPUT);
    CFakePin* in1 = fake->AddPin(L"In1", PINDIR_INPUT);

    InterfaceHolder<IPin> pPin;
    EXPECT_EQ(host.FindPinByDirection(fake, PINDIR_INPUT, 0, pPin), 1);
    EXPECT_EQ(pPin.Get(), static_cast<IPin*>(in0));
    pPin.Reset();
    EXPECT_EQ(host.FindPinByDirection(fake, PINDIR_INPUT, 1, pPin), 1);
    EXPECT_EQ(pPin.Get(), static_cast<IPin*>(in1));
    pPin.Reset();
    EXPECT_EQ(host.FindPinByDirection(fake, PINDIR_OUTPUT, 0, pPin), 1);
    EXPECT_EQ(pPin.Get(), static_cast<IPin*>(out0));
    // The holder owns exactly one reference to the pin (pins share the filter's count).
    EXPECT_EQ(fake->RefCount(), 2u);
    pPin.Reset();

    EXPECT_EQ(host.FindPinByDirection(fake, PINDIR_OUTPUT, 1, pPin), 0);
    EXPECT_TRUE(pPin.IsNull());
    EXPECT_EQ(host.FindPinByDirection(fake, PINDIR_INPUT, 2, pPin), 0);
    EXPECT_EQ(host.FindPinByDirection(fake, PINDIR_INPUT, -1, pPin), 0);
    EXPECT_TRUE(pPin.IsNull());
    // Every pin visited by a search was released again.
    EXPECT_EQ(fake->RefCount(), 1u);
}

TEST(FindPinByDirection, PinsThatCannotTellTheirDirectionAreNotCounted)
{
    CHostProbe host;
    InterfaceHolder<CFakeFilter> pFake;
    CFakeFilter* fake = NewFakeFilter(pFake);
    fake->AddPin(L"Mute", PINDIR_INPUT)->m_hrQueryDirection = E_UNEXPECTED;
    CFakePin* in = fake->AddPin(L"In", PINDIR_INPUT);

    InterfaceHolder<IPin> pPin;
    EXPECT_EQ(host.FindPinByDirection(fake, PINDIR_INPUT, 0, pPin), 1);
    EXPECT_EQ(pPin.Get(), static_cast<IPin*>(in));
    pPin.Reset();
    EXPECT_EQ(host.FindPinByDirection(fake, PINDIR_INPUT, 1, pPin), 0);
    EXPECT_EQ(fake->RefCount(), 1u);
}

TEST(FindPinByDirection, FilterWithoutPinEnumeratorHasNoPins)
{
    CHostProbe host;
    InterfaceHolder<CFakeFilter> pFake;
    CFakeFilter* fake = NewFakeFilter(pFake);
    fake->AddPin(L"In", PINDIR_INPUT);
    fake->m_hrEnumPins = E_OUTOFMEMORY;

    InterfaceHolder<IPin> pPin;
    EXPECT_EQ(host.FindPinByDirection(fake, PINDIR_INPUT, 0, pPin), 0);
    EXPECT_EQ(fake->m_nEnumPinsCalls, 1);
    EXPECT_TRUE(pPin.IsNull());
    EXPECT_EQ(host.FindPinByDirection(nullptr, PINDIR_INPUT, 0, pPin), 0);
}

class ConnectFiltersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_up = NewFakeFilter(m_pUp);
        m_down = NewFakeFilter(m_pDown);
        ASSERT_EQ(m_host.AddFilter(m_up, L"Up"), S_OK);
        ASSERT_EQ(m_host.AddFilter(m_down, L"Down"), S_OK);
    }

    InterfaceHolder<CFakeFilter> m_pUp, m_pDown;
    CFakeFilter* m_up = nullptr;
    CFakeFilter* m_down = nullptr;
    CHostProbe m_host;
};

TEST_F(ConnectFiltersTest, ConnectsTheChosenOutputToTheChosenInputDirectly)
{
    m_up->AddPin(L"In", PINDIR_INPUT);
    CFakePin* out0 = m_up->AddPin(L"Out0", PINDIR_OUTPUT);
    CFakePin* out1 = m_up->AddPin(L"Out1", PINDIR_OUTPUT);
    m_down->AddPin(L"Out", PINDIR_OUTPUT);
    CFakePin* in0 = m_down->AddPin(L"In0", PINDIR_INPUT);

    EXPECT_EQ(m_host.ConnectFilters(m_up, 0, m_down, 0), S_OK);
    EXPECT_EQ(out0->Peer(), static_cast<IPin*>(in0));
    EXPECT_EQ(in0->Peer(), static_cast<IPin*>(out0));
    EXPECT_EQ(out1->Peer(), nullptr);
    EXPECT_EQ(GraphFilters(m_host.m_pGraph).size(), 2u);

    // The removal disconnects both ends; no reference stays behind.
    ASSERT_EQ(m_host.RemoveAllFilters(), 1);
    EXPECT_EQ(in0->Peer(), nullptr);
    EXPECT_EQ(m_up->RefCount(), 1u);
    EXPECT_EQ(m_down->RefCount(), 1u);
}

TEST_F(ConnectFiltersTest, SecondOutputPinCanBeChosen)
{
    m_up->AddPin(L"Out0", PINDIR_OUTPUT);
    CFakePin* out1 = m_up->AddPin(L"Out1", PINDIR_OUTPUT);
    CFakePin* in0 = m_down->AddPin(L"In0", PINDIR_INPUT);
    EXPECT_EQ(m_host.ConnectFilters(m_up, 1, m_down, 0), S_OK);
    EXPECT_EQ(out1->Peer(), static_cast<IPin*>(in0));
}

TEST_F(ConnectFiltersTest, UpstreamWithoutOutputFailsWithoutLookingDownstream)
{
    CFakePin* upIn = m_up->AddPin(L"In", PINDIR_INPUT);
    CFakePin* in0 = m_down->AddPin(L"In0", PINDIR_INPUT);
    EXPECT_EQ(m_host.ConnectFilters(m_up, 0, m_down, 0), E_FAIL);
    EXPECT_EQ(m_down->m_nEnumPinsCalls, 0);
    EXPECT_EQ(upIn->Peer(), nullptr);
    EXPECT_EQ(in0->Peer(), nullptr);
    EXPECT_EQ(GraphFilters(m_host.m_pGraph).size(), 2u);
    EXPECT_EQ(m_up->RefCount(), 2u);   // the caller's and the graph's
}

TEST_F(ConnectFiltersTest, DownstreamWithoutInputFailsBeforeConnecting)
{
    CFakePin* out0 = m_up->AddPin(L"Out0", PINDIR_OUTPUT);
    m_down->AddPin(L"Out", PINDIR_OUTPUT);
    EXPECT_EQ(m_host.ConnectFilters(m_up, 0, m_down, 0), E_FAIL);
    EXPECT_EQ(m_host.ConnectFilters(m_up, 1, m_down, 0), E_FAIL);
    EXPECT_EQ(out0->m_nConnectCalls, 0);
    EXPECT_EQ(m_up->RefCount(), 2u);
    EXPECT_EQ(m_down->RefCount(), 2u);
}

TEST_F(ConnectFiltersTest, RefusedConnectionStatusIsReturnedUnchanged)
{
    CFakePin* out0 = m_up->AddPin(L"Out0", PINDIR_OUTPUT);
    CFakePin* in0 = m_down->AddPin(L"In0", PINDIR_INPUT);
    in0->m_hrReceiveConnection = VFW_E_TYPE_NOT_ACCEPTED;
    EXPECT_EQ(m_host.ConnectFilters(m_up, 0, m_down, 0), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(out0->m_nConnectCalls, 1);
    EXPECT_EQ(out0->Peer(), nullptr);
    EXPECT_EQ(GraphFilters(m_host.m_pGraph).size(), 2u);
}
