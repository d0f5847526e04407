#include "cli/CliUnicode.h"

#include <cerrno>
#include <cstring>

std::vector<std::string> Utf8Arguments(int argc, const wchar_t* const* argv)
{
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(Utf8FromWide(argv[i]));
    return args;
}

FileHolder OpenCliFile(const std::string& strPath, const wchar_t* pszMode)
{
    return FileHolder(_wfopen(WideFromUtf8(strPath).c_str(), pszMode));
}

bool GetCliFileData(const std::string& strPath, WIN32_FILE_ATTRIBUTE_DATA* pData)
{
    return GetFileAttributesExW(WideFromUtf8(strPath).c_str(), GetFileExInfoStandard, pData) != FALSE;
}

bool ReadCliFile(const std::string& strPath, size_t nMaxBytes, std::string* pText, std::string* pError)
{
    pText->clear();
    FileHolder file = OpenCliFile(strPath, L"rb");
    if (file.IsNull()) {
        *pError = std::string("_wfopen: ") + strerror(errno);
        return false;
    }
    char buffer[65536];
    size_t nRead = 0;
    while ((nRead = fread(buffer, 1, sizeof(buffer), file.Get())) > 0 && pText->size() <= nMaxBytes)
        pText->append(buffer, nRead);
    if (ferror(file.Get())) {
        *pError = "fread failed";
        return false;
    }
    return true;
}

bool ReplaceCliFile(const std::string& strPath, const std::string& strText, std::string* pError)
{
    const std::wstring target = WideFromUtf8(strPath);
    const std::wstring temp = target + L".tmp";
    FileHolder file(_wfopen(temp.c_str(), L"wb"));
    if (file.IsNull()) {
        *pError = std::string("_wfopen: ") + strerror(errno);
        return false;
    }
    const bool bWritten = fwrite(strText.data(), 1, strText.size(), file.Get()) == strText.size();
    const bool bClosed = file.Close() == 0;
    if (!bWritten || !bClosed) {
        DeleteFileW(temp.c_str());
        *pError = "fwrite failed; is the disk full?";
        return false;
    }
    // One step: the target is either the old file or the new one, never missing.
    if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD nError = GetLastError();
        DeleteFileW(temp.c_str());
        *pError = "MoveFileExW: " + SystemErrorText(nError);
        return false;
    }
    return true;
}

std::string SystemErrorText(DWORD nError)
{
    wchar_t* pszText = nullptr;
    const DWORD nChars = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, nError, 0, reinterpret_cast<LPWSTR>(&pszText), 0, nullptr);
    std::string text = nChars ? Utf8FromWide(pszText) : std::string();
    if (pszText)
        LocalFree(pszText);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z' && !(text.size() > 1 && text[1] >= 'A' && text[1] <= 'Z'))
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    char szCode[32];
    snprintf(szCode, sizeof(szCode), "error %lu", static_cast<unsigned long>(nError));
    return text.empty() ? std::string(szCode) : text + ", " + szCode;
}
