// A network provider filter made by its factory, a fake tuner to set up, and the check
// that every framework object is gone again after each test.
#pragma once

#include "support/FakeAllocator.h"
#include "support/FakeBda.h"

#include "filters/LiveObject.h"
#include "provider/AntennaOutputPin.h"
#include "provider/NetworkProviderFilter.h"

#include <gtest/gtest.h>

class ProviderTest : public ::testing::Test
{
protected:
    using Names = std::vector<std::string>;
    using Topologies = std::vector<std::pair<ULONG, ULONG>>;
    using Types = std::vector<ULONG>;

    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        m_nLiveBefore = CLiveObject::LiveCount();
        ASSERT_EQ(CreateNetworkProviderFilter(m_pProvider), S_OK);
        ASSERT_FALSE(m_pProvider.IsNull());
        m_pFilter = static_cast<CNetworkProviderFilter*>(m_pProvider.Get());
        m_pPin = static_cast<CAntennaOutputPin*>(m_pFilter->GetPin(0));
        ASSERT_NE(m_pPin, nullptr);
        // A tuner whose driver exposes no pin yet: the provider connects to one it does
        // not list.
        m_state->Pins = {{L"Antenna In", PINDIR_INPUT, false, false}};
    }

    void TearDown() override
    {
        m_pPin = nullptr;
        m_pFilter = nullptr;
        m_pProvider.Reset();
        EXPECT_EQ(CLiveObject::LiveCount(), m_nLiveBefore) << "framework objects left alive";
        // The provider kept no reference to the tuner, its pins or its enumerators.
        m_pTuner.Reset();
        EXPECT_EQ(FakeBdaFiltersAlive(), 0);
        CoUninitialize();
    }

    // The tuner, made from the state when first asked for.
    IBaseFilter* Tuner()
    {
        if (m_pTuner.IsNull()) {
            EXPECT_EQ(CreateFakeBdaFilter(m_state, IID_IBaseFilter, m_pTuner.OutVoid()), S_OK);
        }
        return m_pTuner;
    }
    IPin* TunerPin() { return FakeBdaPin(Tuner(), 0); }
    InterfaceHolder<IPin> TunerPeer()
    {
        InterfaceHolder<IPin> peer;
        TunerPin()->ConnectedTo(peer.OutSlot());
        return peer;
    }

    LONG m_nLiveBefore = 0;
    InterfaceHolder<IBaseFilter> m_pProvider;
    CNetworkProviderFilter* m_pFilter = nullptr;
    CAntennaOutputPin* m_pPin = nullptr;
    FakeBdaStatePtr m_state = std::make_shared<FakeBdaState>();
    InterfaceHolder<IBaseFilter> m_pTuner;
};
