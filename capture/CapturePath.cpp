#include "capture/CapturePath.h"

#include <windows.h>

CapturePathCheck CheckCapturePath(const std::string& path)
{
    CapturePathCheck check;
    char szFullPath[CAPTURE_PATH_SIZE] = {};
    const DWORD nLength =
        path.size() < CAPTURE_PATH_SIZE ? GetFullPathNameA(path.c_str(), sizeof(szFullPath), szFullPath, nullptr) : 0;
    if (nLength == 0 || nLength >= CAPTURE_PATH_SIZE)
        return check;
    check.strFullPath = szFullPath;
    check.eState = CapturePathState::Free;

    WIN32_FIND_DATAA found;
    HANDLE hFind = FindFirstFileA(szFullPath, &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return check;
    FindClose(hFind);
    if (found.nFileSizeHigh != 0 || found.nFileSizeLow != 0)
        check.eState = CapturePathState::HasData;
    return check;
}

FILE* OpenCaptureFile(const CapturePathCheck& check)
{
    if (check.eState == CapturePathState::Invalid)
        return nullptr;
    return fopen(check.strFullPath.c_str(), "wb");
}
