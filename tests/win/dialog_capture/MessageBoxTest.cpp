// The buttons and the icon of every message box the capture commands and the status timer
// show.
#include "win/dialog_support/CaptureFixture.h"

namespace {

class MessageBoxLook : public CaptureTest
{
protected:
    // The one box met since the last look: its text, caption, buttons and icon.
    void ExpectBox(const SeenBox& box, const std::vector<int>& buttons, const std::string& icon)
    {
        const std::vector<SeenBox> seen = Boxes();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0], box);
        EXPECT_EQ(seen[0].buttons, buttons) << seen[0];
        EXPECT_EQ(seen[0].icon, icon) << seen[0];
    }
};

} // namespace

TEST_F(MessageBoxLook, EachBoxHasItsButtonsAndIcon)
{
    StartAt("");
    ExpectBox({"QL", "The path is not correct"}, {IDOK}, "");

    StartAt(InFolder("missing\\x.ts"));
    ExpectBox({"Path Incorrect", "Please Check Selected Path Is Correct"}, {IDOK}, "warning");

    const std::string path = InFolder("ten.ts");
    WriteBytes(path, "0123456789");
    Answerer().Plan(IDNO);
    StartAt(path);
    ExpectBox({"QL capture tool", "The file is exist, continue to overwrite this file"}, {IDYES, IDNO}, "");

    StartAt(InFolder("done.ts"));
    ASSERT_TRUE(g_CaptureState.IsRecording());
    Click(IDC_STOP);
    Tick();
    ExpectBox({"QL", "Stream Capture Done!"}, {IDOK}, "");

    // A device file that takes no data fails the first write.
    WIN32_FIND_DATAA found;
    HANDLE hFind = FindFirstFileA("Z:\\dev\\full", &found);
    if (hFind == INVALID_HANDLE_VALUE)
        GTEST_SKIP() << "no /dev/full";
    FindClose(hFind);
    StartAt("Z:\\dev\\full");
    ASSERT_TRUE(PumpUntil([&] { return Enabled(IDC_START_CAPTURE); }, 15000));
    ExpectBox({"QL", "Stream Capture FAILED: the file could not be written!\n"
                     "The file holds only the data before the failure."},
              {IDOK}, "error");
}
