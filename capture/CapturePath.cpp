#include "capture/CapturePath.h"

#include <windows.h>

namespace {

uint64_t FileBytes(BOOL bFound, const WIN32_FILE_ATTRIBUTE_DATA& data)
{
    return bFound ? static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow : 0;
}

} // namespace

uint64_t ExistingFileBytes(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    return FileBytes(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data), data);
}

uint64_t ExistingFileBytes(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    return FileBytes(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data), data);
}

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

    if (ExistingFileBytes(check.strFullPath) != 0)
        check.eState = CapturePathState::HasData;
    return check;
}

FILE* OpenCaptureFile(const CapturePathCheck& check)
{
    if (check.eState == CapturePathState::Invalid)
        return nullptr;
    return fopen(check.strFullPath.c_str(), "wb");
}
