#include "capture/CapturePath.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string TempFolder()
{
    char szTemp[MAX_PATH] = {};
    GetTempPathA(sizeof(szTemp), szTemp);
    return szTemp;
}

void WriteFile(const std::string& path, const char* pszText)
{
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs(pszText, f);
    fclose(f);
}

} // namespace

TEST(CapturePath, TellsWhatIsThereWithoutAskingAnyone)
{
    const std::string folder = TempFolder() + "qlts_capture_path";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string empty = folder + "\\empty.ts", full = folder + "\\full.ts", none = folder + "\\none.ts";
    WriteFile(empty, "");
    WriteFile(full, "data");
    DeleteFileA(none.c_str());

    EXPECT_EQ(CheckCapturePath(none).eState, CapturePathState::Free);
    EXPECT_EQ(CheckCapturePath(empty).eState, CapturePathState::Free);
    const CapturePathCheck hasData = CheckCapturePath(full);
    EXPECT_EQ(hasData.eState, CapturePathState::HasData);
    EXPECT_EQ(hasData.strFullPath, full);
    EXPECT_EQ(ExistingFileBytes(full), 4u);

    const CapturePathCheck folderCheck = CheckCapturePath(folder);
    EXPECT_EQ(folderCheck.eState, CapturePathState::Free) << "a folder holds no data of its own";
    EXPECT_EQ(OpenCaptureFile(folderCheck), nullptr) << "but it cannot be opened as a file";

    FILE* f = OpenCaptureFile(hasData);
    ASSERT_NE(f, nullptr);
    fclose(f);
    EXPECT_EQ(CheckCapturePath(full).eState, CapturePathState::Free) << "opening truncates";

    DeleteFileA(empty.c_str());
    DeleteFileA(full.c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(CapturePath, BareNamesBecomeFullAndTooLongTextsAreRefusedWhole)
{
    char szCurrent[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof(szCurrent), szCurrent);
    const CapturePathCheck bare = CheckCapturePath("bare-name.ts");
    EXPECT_EQ(bare.strFullPath, std::string(szCurrent) + "\\bare-name.ts");

    const std::string root = "C:\\";
    EXPECT_EQ(CheckCapturePath(root + std::string(CAPTURE_PATH_SIZE - 1 - root.size(), 'a')).eState,
              CapturePathState::Free);
    EXPECT_EQ(CheckCapturePath(root + std::string(CAPTURE_PATH_SIZE - root.size(), 'a')).eState,
              CapturePathState::Invalid);
    EXPECT_EQ(CheckCapturePath("").eState, CapturePathState::Invalid);
    EXPECT_EQ(OpenCaptureFile(CapturePathCheck{}), nullptr);
}
