// UTF-8 and UTF-16 text for the Windows calls: the console program works in UTF-8 inside and
// reaches the file system and the console through the wide functions.
#pragma once

#include <string>

// Empty for a null or empty text.
std::string Utf8FromWide(const wchar_t* pszWide);
// Bytes that are not UTF-8 become U+FFFD rather than cutting the text short.
std::wstring WideFromUtf8(const std::string& text);
