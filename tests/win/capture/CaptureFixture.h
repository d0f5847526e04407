// Shared set-up of the capture sink tests: COM, a sink made by its factory, an idle capture
// state and fresh checker counters, and a temporary capture file.
#pragma once

#include "capture/CaptureFilter.h"
#include "capture/CaptureInputPin.h"
#include "capture/CaptureSession.h"
#include "capture/TsPacketChecker.h"
#include "filters/LiveObject.h"
#include "support/TestPackets.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

// A class id no server is registered for, so that creating the sink's clock fails.
inline const CLSID CLSID_NoClock = {0x5bd1c8e2, 0x1c47, 0x4c1e, {0x9a, 0x17, 0x6e, 0x2c, 0x0f, 0x73, 0xd4, 0x41}};

inline uint64_t PacketsCounted()
{
    return nBitsReceived.load() / TS_BITS_PER_PACKET;
}

class CaptureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        g_CaptureState.StopCapture();
        ResetTestStreamCounters();
        m_nLiveBefore = CLiveObject::LiveCount();
        ASSERT_EQ(CreateCaptureFilter(m_pSink, ProgramCaptureSession()), S_OK);
        m_pFilter = static_cast<CCaptureFilter*>(m_pSink.Get());
        m_pPin = static_cast<CCaptureInputPin*>(m_pFilter->GetPin(0));
        ASSERT_NE(m_pPin, nullptr);

        char szDir[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, szDir), 0u);
        m_path = std::string(szDir) + "qlts_capture_" + std::to_string(GetCurrentProcessId()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ts";
    }

    void TearDown() override
    {
        g_CaptureState.StopCapture();
        m_pPin = nullptr;
        m_pFilter = nullptr;
        m_pSink.Reset();
        EXPECT_EQ(CLiveObject::LiveCount(), m_nLiveBefore) << "framework objects left alive";
        std::remove(m_path.c_str());
        CoUninitialize();
    }

    // Opens the capture file as Start capture does and starts recording.
    void StartCapture(uint32_t nLimitMB, const char* mode = "wb")
    {
        FILE* fp = std::fopen(m_path.c_str(), mode);
        ASSERT_NE(fp, nullptr);
        ASSERT_TRUE(g_CaptureState.StartCapture(fp, nLimitMB));
    }

    Bytes FileContent() const
    {
        Bytes content;
        FILE* fp = std::fopen(m_path.c_str(), "rb");
        if (!fp)
            return content;
        uint8_t chunk[65536];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof(chunk), fp)) > 0)
            content.insert(content.end(), chunk, chunk + n);
        std::fclose(fp);
        return content;
    }

    LONG m_nLiveBefore = 0;
    InterfaceHolder<IBaseFilter> m_pSink;
    CCaptureFilter* m_pFilter = nullptr;
    CCaptureInputPin* m_pPin = nullptr;
    std::string m_path;
};
