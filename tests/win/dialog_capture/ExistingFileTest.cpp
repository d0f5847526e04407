// Start capture on files that exist: empty ones are taken without a question, others only
// when the user agrees, and a read-only one is refused without being touched.
#include "win/dialog_support/CaptureFixture.h"

namespace {

class ExistingFile : public CaptureTest
{
protected:
    // Makes the file read-only. Under Wine a process of the superuser may still write to
    // it, so the file is then also held open without write sharing, which refuses writers
    // the same way; the handle is closed with the test.
    void MakeReadOnly(const std::string& path)
    {
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
        HANDLE hWriter = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
        if (hWriter == INVALID_HANDLE_VALUE)
            return;
        CloseHandle(hWriter);
        HANDLE hReader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(hReader, INVALID_HANDLE_VALUE);
        m_held.push_back(hReader);
    }
    void TearDown() override
    {
        for (HANDLE h : m_held)
            CloseHandle(h);
        CaptureTest::TearDown();
    }

    std::vector<HANDLE> m_held;
    const ControlSet m_tuned = Joined(kAlwaysEnabled, {"START_CAPTURE", "RESET_TUNE", "BROWSE", "CAPTURE_FILE"});
    const SeenBox m_overwrite = {"QL capture tool", "The file is exist, continue to overwrite this file"};
    const SeenBox m_incorrect = {"Path Incorrect", "Please Check Selected Path Is Correct"};
};

} // namespace

TEST_F(ExistingFile, EmptyFileIsWrittenFromItsStartWithoutAQuestion)
{
    const std::string path = InFolder("empty.ts");
    WriteBytes(path, "");
    StartAt(path);
    EXPECT_EQ(Boxes(), std::vector<SeenBox>{});
    ASSERT_TRUE(g_CaptureState.IsRecording());
    ASSERT_TRUE(WaitCaptured(188 * 40));
    StopAndReport();
    EXPECT_EQ(FileSize(path), static_cast<int64_t>(g_CaptureState.CapturedBytes()));
    EXPECT_TRUE(HoldsTransportPackets(path));
}

TEST_F(ExistingFile, FileWithContentIsOverwrittenOnlyOnYes)
{
    const std::string path = InFolder("ten.ts");
    WriteBytes(path, "0123456789");
    Answerer().Plan(IDNO);
    StartAt(path);
    EXPECT_EQ(Boxes(), std::vector<SeenBox>{m_overwrite});
    EXPECT_FALSE(g_CaptureState.IsRecording());
    EXPECT_EQ(Text(IDC_CAPTURE_FILE), "") << "No clears the path";
    EXPECT_EQ(EnabledControls(), m_tuned);
    EXPECT_EQ(FileStart(path, 100), "0123456789");

    WriteBytes(path, std::string(100000, 'x'));
    Answerer().Plan(IDYES);
    StartAt(path);
    EXPECT_EQ(Boxes(), std::vector<SeenBox>{m_overwrite});
    ASSERT_TRUE(g_CaptureState.IsRecording());
    ASSERT_TRUE(WaitCaptured(188 * 40));
    StopAndReport();
    EXPECT_EQ(FileSize(path), static_cast<int64_t>(g_CaptureState.CapturedBytes())) << "truncated first";
    EXPECT_TRUE(HoldsTransportPackets(path));
}

TEST_F(ExistingFile, ReadOnlyFileIsRefusedUntouched)
{
    const std::string path = InFolder("kept.ts");
    WriteBytes(path, "keep");
    MakeReadOnly(path);
    Answerer().Plan(IDYES);
    StartAt(path);
    EXPECT_EQ(Boxes(), (std::vector<SeenBox>{m_overwrite, m_incorrect}));
    EXPECT_FALSE(g_CaptureState.IsRecording());
    EXPECT_EQ(FileStart(path, 100), "keep");
    EXPECT_EQ(Text(IDC_CAPTURE_FILE), path);
    EXPECT_EQ(EnabledControls(), m_tuned);

    const std::string empty = InFolder("empty-kept.ts");
    WriteBytes(empty, "");
    MakeReadOnly(empty);
    StartAt(empty);
    EXPECT_EQ(Boxes(), std::vector<SeenBox>{m_incorrect});
    EXPECT_FALSE(g_CaptureState.IsRecording());
    Tick();
    EXPECT_EQ(Boxes(), std::vector<SeenBox>{}) << "nothing started, nothing ends";
}
