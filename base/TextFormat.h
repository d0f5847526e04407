// printf-style formatting into std::string, for the writers of text, pages and charts.
// Plain C++.
#pragma once

#include <cstdarg>
#include <string>

// The formatted text, whatever its length.
std::string FormatText(const char* pszFormat, ...);
// Appends the formatted text to out.
void AppendText(std::string& out, const char* pszFormat, ...);
void AppendTextV(std::string& out, const char* pszFormat, va_list args);
