// The checks a capture path goes through before a recording starts, apart from how a front
// end asks its user about them: whether the text can be made a full path within the path
// limit, whether a file with data is already there, and opening the file for writing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Capture paths, like the dialog's path field, hold fewer characters than this.
constexpr int CAPTURE_PATH_SIZE = 256;

enum class CapturePathState {
    Invalid,   // cannot be made a full path, or the full path is too long
    Free,      // nothing there, or an empty file: it can be written without asking
    HasData,   // a file with data: writing it destroys that data
};

struct CapturePathCheck {
    CapturePathState eState = CapturePathState::Invalid;
    std::string strFullPath;
};

// The size of the file at path; 0 when there is none, it is empty, or it is a folder. The
// one rule by which the dialog asks before overwriting and qltscap refuses without
// --overwrite: only a file with data is worth protecting.
uint64_t ExistingFileBytes(const std::string& path);
// The same for a wide path (the console program opens its files through the wide functions).
uint64_t ExistingFileBytes(const std::wstring& path);

// A text too long for the path limit is refused whole, never cut.
CapturePathCheck CheckCapturePath(const std::string& path);

// Creates or truncates the checked file for writing; null when that fails (a missing folder,
// no permission, a folder of that name).
FILE* OpenCaptureFile(const CapturePathCheck& check);
