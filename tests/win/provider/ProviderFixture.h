// A network provider filter made by its factory, a fake tuner to set up, and the check
// that every framework object is gone again after each test.
#pragma once

#include "FakeTuner.h"
#include "support/FakeAllocator.h"

#include "filters/LiveObject.h"
#include "provider/AntennaOutputPin.h"
#include "provider/NetworkProviderFilter.h"

#include <gtest/gtest.h>

class ProviderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        m_nLiveBefore = CLiveObject::LiveCount();
        ASSERT_EQ(CreateNetworkProviderFilter(m_pProvider), S_OK);
        ASSERT_FALSE(m_pProvider.IsNull());
        m_pFilter = static_cast<CNetworkProviderFilter*>(m_pProvider.Get());
        m_pPin = static_cast<CAntennaOutputPin*>(m_pFilter->GetPin(0));
        ASSERT_NE(m_pPin, nullptr);
        m_pTuner.Attach(new CFakeTuner);
        m_tuner = m_pTuner.Get();
    }

    void TearDown() override
    {
        m_pPin = nullptr;
        m_pFilter = nullptr;
        m_pProvider.Reset();
        EXPECT_EQ(CLiveObject::LiveCount(), m_nLiveBefore) << "framework objects left alive";
        // The provider kept no reference to the tuner, its pins or its enumerators.
        EXPECT_EQ(m_tuner->RefCount(), 1u);
        m_tuner = nullptr;
        m_pTuner.Reset();
        CoUninitialize();
    }

    IPin* TunerPin() { return m_tuner->ConnectPin(); }

    LONG m_nLiveBefore = 0;
    InterfaceHolder<IBaseFilter> m_pProvider;
    CNetworkProviderFilter* m_pFilter = nullptr;
    CAntennaOutputPin* m_pPin = nullptr;
    InterfaceHolder<CFakeTuner> m_pTuner;
    CFakeTuner* m_tuner = nullptr;
};
