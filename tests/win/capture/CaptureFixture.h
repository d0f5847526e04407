// Shared set-up of the capture sink tests: COM, a sink made by its factory, an idle capture
// state and fresh checker counters, a temporary capture file, and transport packets.
#pragma once

#include "capture/CaptureFilter.h"
#include "capture/CaptureInputPin.h"
#include "capture/CaptureState.h"
#include "capture/TsPacketChecker.h"
#include "filters/LiveObject.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A class id no server is registered for, so that creating the sink's clock fails.
inline const CLSID CLSID_NoClock = {0x5bd1c8e2, 0x1c47, 0x4c1e, {0x9a, 0x17, 0x6e, 0x2c, 0x0f, 0x73, 0xd4, 0x41}};

inline void PutLe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A packet on pid whose payload bytes depend on seed, so that misplaced bytes show.
inline Bytes TsPacket(uint16_t pid, uint32_t seed)
{
    Bytes p(TS_PACKET_SIZE);
    p[0] = TS_SYNC_BYTE;
    p[1] = static_cast<uint8_t>(pid >> 8);
    p[2] = static_cast<uint8_t>(pid);
    p[3] = 0x10;
    for (int i = 4; i < TS_PACKET_SIZE; ++i)
        p[i] = static_cast<uint8_t>(seed * 31 + i);
    return p;
}

// A test-stream packet: sequence number at 4 and CRC-32/MPEG-2 of bytes 0..183 at 184.
inline Bytes TestPacket(uint32_t seq)
{
    Bytes p = TsPacket(static_cast<uint16_t>(TS_TEST_PID), seq);
    PutLe32(&p[TS_TEST_SEQ_OFFSET], seq);
    PutLe32(&p[TS_TEST_CRC_OFFSET], Crc32Mpeg2(p.data(), TS_TEST_CRC_OFFSET));
    return p;
}

// n test packets with the sequence numbers first, first + 1, ...
inline Bytes TestStream(uint32_t first, int n)
{
    Bytes out;
    for (int i = 0; i < n; ++i) {
        Bytes p = TestPacket(first + static_cast<uint32_t>(i));
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

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
        ASSERT_EQ(CreateCaptureFilter(m_pSink), S_OK);
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
