// The console capture over the simulated driver, in-process so that the test can take the
// signal away mid-capture through the device's control.
#include "cli/CliCommands.h"
#include "cli/CliConsole.h"
#include "win/tunergraph_sim/SimGraphFixture.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace {

constexpr DWORD WAIT_LIMIT_MS = 60000;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

uint64_t FileSize(const std::string& path)
{
    return ReadAll(path).size();
}

// Polls until the condition holds; false after a generous limit.
bool WaitUntil(const std::function<bool()>& condition)
{
    for (DWORD nWaited = 0; nWaited < WAIT_LIMIT_MS; nWaited += 50) {
        if (condition())
            return true;
        Sleep(50);
    }
    return condition();
}

class CliLostSignalTest : public SimGraphTest
{
protected:
    void SetUp() override
    {
        SimGraphTest::SetUp();
        Register(kQuickDefaultScenario);
        // The device's state outlives a test in this process.
        Control(L"Quillon DVB-T Terrestrial Tuner")->Reset();
        const std::string dir = testing::TempDir();
        m_strCapture = dir + "cli_lost.ts";
        m_strOut = dir + "cli_lost_out.txt";
        m_strErr = dir + "cli_lost_err.txt";
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

    // Starts a terrestrial capture on its own thread, as the program's main would run it.
    void StartCapture(const char* pszLockTimeout)
    {
        m_thread = std::thread([this, pszLockTimeout] {
            FILE* pOut = std::fopen(m_strOut.c_str(), "w");
            FILE* pErr = std::fopen(m_strErr.c_str(), "w");
            const char* argv[] = {"qltscap", "capture", "1", "--freq", "506000", "--bw", "8", "-o",
                                  m_strCapture.c_str(), "--lock-timeout", pszLockTimeout};
            const CliContext context{m_graph, m_stop, pOut, pErr};
            m_nExit = RunCli(static_cast<int>(sizeof(argv) / sizeof(argv[0])), argv, context);
            std::fclose(pOut);
            std::fclose(pErr);
            m_bDone = true;
        });
        ASSERT_TRUE(WaitUntil([this] { return m_bDone || FileSize(m_strCapture) > 0; }));
        ASSERT_FALSE(m_bDone) << ReadAll(m_strErr);
    }

    // The file holds every byte the capture counted, in whole packets, and the summary
    // with the writer's figures was printed.
    void ExpectCompleteFileAndSummary()
    {
        const std::string err = ReadAll(m_strErr);
        const size_t nEnded = err.find("Capture ended: ");
        ASSERT_NE(nEnded, std::string::npos) << err;
        const size_t nCount = err.rfind("; ");
        ASSERT_NE(nCount, std::string::npos);
        const uint64_t nCounted = std::stoull(err.substr(nCount + 2));
        EXPECT_GT(nCounted, 0u);
        EXPECT_EQ(FileSize(m_strCapture), nCounted);
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

} // namespace

TEST_F(CliLostSignalTest, SignalLostForTheLockTimeoutEndsWithNoLockAndACompleteFile)
{
    StartCapture("1");
    Control(L"Quillon DVB-T Terrestrial Tuner")->SetSignalLost(TRUE);
    m_thread.join();
    EXPECT_EQ(m_nExit, EXIT_NO_LOCK);
    ExpectCompleteFileAndSummary();
    EXPECT_NE(ReadAll(m_strOut).find("ended by lock timeout, exit code 4"), std::string::npos);
    EXPECT_NE(ReadAll(m_strErr).find("no lock for the lock timeout"), std::string::npos);
}

TEST_F(CliLostSignalTest, SignalThatComesBackKeepsTheRecordingGoing)
{
    StartCapture("600");
    InterfaceHolder<ISimTunerControl> control = Control(L"Quillon DVB-T Terrestrial Tuner");
    control->SetSignalLost(TRUE);
    ASSERT_TRUE(WaitUntil([this] { return ReadAll(m_strErr).find("no lock  strength") != std::string::npos; }))
        << ReadAll(m_strErr);
    control->SetSignalLost(FALSE);
    const uint64_t nBefore = FileSize(m_strCapture);
    ASSERT_TRUE(WaitUntil([this, nBefore] { return FileSize(m_strCapture) > nBefore; }));
    EXPECT_FALSE(m_bDone);
    m_stop.RequestStop();
    m_thread.join();
    EXPECT_EQ(m_nExit, EXIT_OK);
    ExpectCompleteFileAndSummary();
    EXPECT_NE(ReadAll(m_strErr).find("stopped by Ctrl+C"), std::string::npos);
}
