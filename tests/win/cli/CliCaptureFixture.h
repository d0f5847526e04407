// The console capture over the simulated driver, in-process so that a test can act on the
// device or deliver the console's events while the command runs on its own thread, as the
// program's main would run it.
#pragma once

#include "cli/CliCommands.h"
#include "cli/CliConsole.h"
#include "win/tunergraph_sim/SimGraphFixture.h"

#include "capture/CaptureSession.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

inline std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Polls until the condition holds; false after a generous limit.
inline bool WaitUntil(const std::function<bool()>& condition)
{
    for (DWORD nWaited = 0; nWaited < 60000; nWaited += 50) {
        if (condition())
            return true;
        Sleep(50);
    }
    return condition();
}

class CliCaptureTest : public SimGraphTest
{
protected:
    void SetUp() override
    {
        SimGraphTest::SetUp();
        Register(kQuickDefaultScenario);
        // The device's state and the captured count outlive a test in this process.
        Control(L"Quillon DVB-T Terrestrial Tuner")->Reset();
        const std::string dir = testing::TempDir();
        m_strCapture = dir + "cli_capture.ts";
        m_strOut = dir + "cli_capture_out.txt";
        m_strErr = dir + "cli_capture_err.txt";
        std::remove(m_strCapture.c_str());
    }
    void TearDown() override
    {
        if (m_thread.joinable())
            m_thread.join();
        std::remove(m_strCapture.c_str());
        std::remove(m_strOut.c_str());
        std::remove(m_strErr.c_str());
        SimGraphTest::TearDown();
    }

    // Runs qltscap with these words on this thread; its outputs land in m_strOut, m_strErr.
    int Run(std::vector<std::string> words)
    {
        words.insert(words.begin(), "qltscap");
        std::vector<const char*> argv;
        for (const std::string& word : words)
            argv.push_back(word.c_str());
        FILE* pOut = std::fopen(m_strOut.c_str(), "w");
        FILE* pErr = std::fopen(m_strErr.c_str(), "w");
        const CliContext context{m_graph, m_stop, pOut, pErr};
        const int nExit = RunCli(static_cast<int>(argv.size()), argv.data(), context);
        std::fclose(pOut);
        std::fclose(pErr);
        return nExit;
    }

    // Starts a terrestrial capture on its own thread and waits for its first bytes; the
    // thread says Finished when the command has returned, as main does.
    void StartCapture(const char* pszLockTimeout)
    {
        m_thread = std::thread([this, pszLockTimeout] {
            m_nExit = Run({"capture", "1", "--freq", "506000", "--bw", "8", "-o", m_strCapture, "--lock-timeout",
                           pszLockTimeout});
            m_bDone = true;
            m_stop.Finished();
        });
        ASSERT_TRUE(WaitUntil([this] { return m_bDone || ReadAll(m_strCapture).size() > 0; }));
        ASSERT_FALSE(m_bDone) << ReadAll(m_strErr);
    }

    // The file holds every byte the capture counted, and the summary was printed.
    void ExpectCompleteFileAndSummary()
    {
        const std::string err = ReadAll(m_strErr);
        const size_t nEnded = err.find("Capture ended: ");
        ASSERT_NE(nEnded, std::string::npos) << err;
        const size_t nCount = err.rfind("; ");
        ASSERT_NE(nCount, std::string::npos);
        const uint64_t nCounted = std::stoull(err.substr(nCount + 2));
        EXPECT_GT(nCounted, 0u);
        EXPECT_EQ(ReadAll(m_strCapture).size(), nCounted);
        EXPECT_EQ(nCounted % 188, 0u);
        const std::string out = ReadAll(m_strOut);
        EXPECT_NE(out.find("Stream health"), std::string::npos);
        const std::string written = "  Bytes written        " + std::to_string(nCounted);
        const size_t nWritten = out.find(written);
        ASSERT_NE(nWritten, std::string::npos) << out;
        EXPECT_FALSE(isdigit(static_cast<unsigned char>(out[nWritten + written.size()])));
    }

    CConsoleStop m_stop;
    std::thread m_thread;
    std::atomic<bool> m_bDone{false};
    int m_nExit = -1;
    std::string m_strCapture, m_strOut, m_strErr;
};
