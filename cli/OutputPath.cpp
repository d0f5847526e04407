#include "cli/OutputPath.h"

#include "cli/CliUnicode.h"

bool CheckOutputPath(const std::string& strPath, std::string* pWhy)
{
    const std::wstring path = WideFromUtf8(strPath);
    wchar_t* pszFilePart = nullptr;
    const DWORD nChars = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(nChars ? nChars : 1, L'\0');
    const DWORD nFull = GetFullPathNameW(path.c_str(), nChars, &full[0], &pszFilePart);
    if (!nChars || !nFull || nFull >= nChars) {
        *pWhy = "the name is not a valid path (GetFullPathNameW: " + SystemErrorText(GetLastError()) + ")";
        return false;
    }
    full.resize(nFull);
    // NUL, CON and the other devices have no folder: writing to them discards or shows.
    if (full.compare(0, 4, L"\\\\.\\") == 0)
        return true;
    // Without a long-path manifest the file functions refuse anything longer.
    if (full.size() >= MAX_PATH) {
        *pWhy = "the full path is " + std::to_string(full.size()) + " characters long; at most " +
                std::to_string(MAX_PATH - 1) + " are possible (MAX_PATH)";
        return false;
    }
    const DWORD nAttributes = GetFileAttributesW(full.c_str());
    if (nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *pWhy = "it is a folder; give a file name in it";
        return false;
    }
    if (!pszFilePart) {
        *pWhy = "it names a folder, not a file; give a file name in it";
        return false;
    }
    const std::wstring folder = full.substr(0, static_cast<size_t>(pszFilePart - full.c_str()));
    const DWORD nFolder = GetFileAttributesW(folder.c_str());
    if (nFolder == INVALID_FILE_ATTRIBUTES) {
        *pWhy = "the folder " + Utf8FromWide(folder.c_str()) + " does not exist (GetFileAttributesW: " +
                SystemErrorText(GetLastError()) + ")";
        return false;
    }
    if (!(nFolder & FILE_ATTRIBUTE_DIRECTORY)) {
        *pWhy = Utf8FromWide(folder.c_str()) + " is not a folder";
        return false;
    }
    return true;
}
