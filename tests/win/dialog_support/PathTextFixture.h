// Start capture on path texts that must be refused: the box each gets and the proof that
// nothing started.
#pragma once

#include "win/dialog_support/CaptureFixture.h"

class PathText : public CaptureTest
{
protected:
    // Start capture on a text that must be refused before any file is touched.
    void ExpectNotCorrect(const std::string& text)
    {
        CTraceCapture trace;
        StartAt(text);
        EXPECT_EQ(Boxes(), (std::vector<SeenBox>{{"QL", "The path is not correct"}}));
        EXPECT_TRUE(trace.Contains("the path is too long or file not exist"));
        ExpectNothingStarted();
    }
    void ExpectIncorrect(const std::string& text)
    {
        StartAt(text);
        EXPECT_EQ(Boxes(), (std::vector<SeenBox>{{"Path Incorrect", "Please Check Selected Path Is Correct"}}));
        ExpectNothingStarted();
    }
    void ExpectNothingStarted()
    {
        EXPECT_FALSE(g_CaptureState.IsRecording());
        EXPECT_EQ(EnabledControls(), m_tuned);
        Tick();
        EXPECT_EQ(Boxes(), std::vector<SeenBox>{});
    }
    int FilesInFolder(const std::string& folder)
    {
        int n = 0;
        WIN32_FIND_DATAA found;
        HANDLE hFind = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (hFind == INVALID_HANDLE_VALUE)
            return 0;
        do {
            n += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
        } while (FindNextFileA(hFind, &found));
        FindClose(hFind);
        return n;
    }

    const ControlSet m_tuned = Joined(kAlwaysEnabled, {"START_CAPTURE", "RESET_TUNE", "BROWSE", "CAPTURE_FILE"});
};
