// A control panel tuned to a terrestrial channel that streams at once, working in a fresh
// folder of its own: the capture suites start, stop and check recordings from here.
#pragma once

#include "capture/KeepAwake.h"
#include "win/dialog_support/DialogHarness.h"

#include <cstdint>

inline const char kStreamingTuner[] = R"(
[tuner]
name = Quillon DVB-T Terrestrial Tuner
kind = terrestrial
lock_delay = 0
bitrate = 80000000
channel = 506000 bw=8 strength=60 quality=75
)";

// The keep-awake requests the dialog made, recorded instead of passed to the system.
inline std::vector<EXECUTION_STATE> g_awakeRequests;
inline EXECUTION_STATE WINAPI RecordAwakeRequest(EXECUTION_STATE state)
{
    g_awakeRequests.push_back(state);
    return ES_CONTINUOUS;
}
inline const std::vector<EXECUTION_STATE> kAwakeHold = {ES_CONTINUOUS | ES_SYSTEM_REQUIRED};
inline const std::vector<EXECUTION_STATE> kAwakeRelease = {ES_CONTINUOUS};

// The figures of the status timer's report text.
struct Report {
    int nStrength = -1, nQuality = -1, nFreeMB = -1, nCapturedMB = -1;
};

inline Report ParseReport(const std::string& text)
{
    Report r;
    EXPECT_EQ(sscanf(text.c_str(), " Strength:%d\n Quality:%d\n Free Disk Space  :%d MBytes\n File Captured :%d  MBytes",
                     &r.nStrength, &r.nQuality, &r.nFreeMB, &r.nCapturedMB),
              4)
        << text;
    return r;
}

inline int64_t FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

inline std::string FileStart(const std::string& path, size_t n)
{
    std::string bytes(n, '\0');
    FILE* pFile = fopen(path.c_str(), "rb");
    if (!pFile)
        return std::string();
    bytes.resize(fread(&bytes[0], 1, n, pFile));
    fclose(pFile);
    return bytes;
}

// Whether the file holds transport packets: the sync byte every 188 bytes from some
// offset (a recording starts wherever the tuner's sample happens to start).
inline bool HoldsTransportPackets(const std::string& path)
{
    const std::string bytes = FileStart(path, 188 * 20);
    if (bytes.size() < 188 * 20)
        return false;
    for (size_t offset = 0; offset < 188; ++offset) {
        bool bAligned = true;
        for (size_t at = offset; at < bytes.size() && bAligned; at += 188)
            bAligned = bytes[at] == '\x47';
        if (bAligned)
            return true;
    }
    return false;
}

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    FILE* pFile = fopen(path.c_str(), "wb");
    ASSERT_TRUE(pFile != nullptr) << path;
    fwrite(bytes.data(), 1, bytes.size(), pFile);
    fclose(pFile);
}

// Free megabytes on the volume of a folder, as the report computes them.
inline int FreeMegabytes(const char* pszFolder)
{
    ULARGE_INTEGER free = {};
    if (!GetDiskFreeSpaceExA(pszFolder, &free, nullptr, nullptr))
        return 0;
    return static_cast<int>(free.QuadPart / 1048576);
}

class CaptureTest : public DialogTest
{
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        g_awakeRequests.clear();
        m_pfnSetAwake = g_KeepAwake.ReplaceSetState(RecordAwakeRequest);
        m_savedFolder = CurrentFolder();
        char temp[MAX_PATH] = {};
        GetTempPathA(sizeof(temp), temp);
        m_folder = std::string(temp) + "qlts-dialog-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_folder.c_str(), nullptr);
        ASSERT_TRUE(SetCurrentDirectoryA(m_folder.c_str()));
        m_folder = CurrentFolder();
        Register(Scenario());
        Create();
        m_control = Control(L"Quillon DVB-T Terrestrial Tuner");
        TuneStreamingChannel();
    }
    void TearDown() override
    {
        DialogTest::TearDown();
        // A test that ended while recording leaves no request held for the next one.
        g_KeepAwake.Release();
        g_KeepAwake.ReplaceSetState(m_pfnSetAwake);
        SetCurrentDirectoryA(m_savedFolder.c_str());
        RemoveTree(m_folder);
    }

    // The devices of the test; the first is the streaming terrestrial tuner.
    virtual std::string Scenario() const { return kStreamingTuner; }

    void TuneStreamingChannel()
    {
        Type(IDC_FREQUENCY, "506000");
        Type(IDC_BW, "8");
        Click(IDC_TUNE);
        ASSERT_EQ(Text(IDC_STATUS), "Locked");
    }
    std::string InFolder(const std::string& name) const { return m_folder + "\\" + name; }

    void StartAt(const std::string& path)
    {
        Type(IDC_CAPTURE_FILE, path);
        Click(IDC_START_CAPTURE);
    }
    // The keep-awake requests since the last call.
    static std::vector<EXECUTION_STATE> AwakeRequests()
    {
        std::vector<EXECUTION_STATE> requests;
        requests.swap(g_awakeRequests);
        return requests;
    }
    // Pumps messages (timer ticks among them) until the capture holds at least n bytes.
    bool WaitCaptured(uint64_t nBytes, DWORD nTimeoutMs = 15000)
    {
        return PumpUntil([&] { return g_CaptureState.CapturedBytes() >= nBytes; }, nTimeoutMs);
    }
    // Stop, then the tick that reports the end.
    void StopAndReport()
    {
        Click(IDC_STOP);
        Tick();
        EXPECT_EQ(Boxes(), (std::vector<SeenBox>{{"QL", "Stream Capture Done!"}}));
    }
    Report CurrentReport()
    {
        Tick();
        return ParseReport(Text(IDC_SIGNAL_TEXT));
    }

    static void RemoveTree(const std::string& folder)
    {
        WIN32_FIND_DATAA found;
        HANDLE hFind = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (hFind != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name == "." || name == "..")
                    continue;
                const std::string path = folder + "\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(path);
                } else {
                    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileA(path.c_str());
                }
            } while (FindNextFileA(hFind, &found));
            FindClose(hFind);
        }
        RemoveDirectoryA(folder.c_str());
    }

    // Enabled while tuned and not recording.
    const ControlSet m_tunedIdle = Joined(kAlwaysEnabled, {"START_CAPTURE", "RESET_TUNE", "BROWSE", "CAPTURE_FILE",
                                                           "LIMIT_MB"});
    // Enabled while recording.
    const ControlSet m_recording = {"DEVICE_LIST", "LOCKED", "STOP", "CAPTURE_FILE"};

    CKeepAwake::SetStateFn m_pfnSetAwake = nullptr;
    std::string m_savedFolder;
    std::string m_folder;
    InterfaceHolder<ISimTunerControl> m_control;
};
