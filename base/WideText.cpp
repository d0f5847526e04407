#include "base/WideText.h"

#include <windows.h>

std::string Utf8FromWide(const wchar_t* pszWide)
{
    if (!pszWide || !*pszWide)
        return std::string();
    const int cb = WideCharToMultiByte(CP_UTF8, 0, pszWide, -1, nullptr, 0, nullptr, nullptr);
    if (cb <= 1)
        return std::string();
    std::string text(static_cast<size_t>(cb), '\0');
    WideCharToMultiByte(CP_UTF8, 0, pszWide, -1, &text[0], cb, nullptr, nullptr);
    text.resize(static_cast<size_t>(cb - 1));
    return text;
}

std::wstring WideFromUtf8(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int nChars = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(nChars), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], nChars);
    return wide;
}
