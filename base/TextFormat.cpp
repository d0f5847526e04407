#include "base/TextFormat.h"

#include <cstdio>

void AppendTextV(std::string& out, const char* pszFormat, va_list args)
{
    // Most texts fit the stack buffer; a longer one is formatted again at its full length.
    char text[512];
    va_list again;
    va_copy(again, args);
    const int nLength = std::vsnprintf(text, sizeof(text), pszFormat, args);
    if (nLength >= 0 && static_cast<size_t>(nLength) < sizeof(text)) {
        out.append(text, static_cast<size_t>(nLength));
    } else if (nLength > 0) {
        const size_t nAt = out.size();
        out.resize(nAt + static_cast<size_t>(nLength) + 1);
        std::vsnprintf(&out[nAt], static_cast<size_t>(nLength) + 1, pszFormat, again);
        out.resize(nAt + static_cast<size_t>(nLength));
    }
    va_end(again);
}

void AppendText(std::string& out, const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    AppendTextV(out, pszFormat, args);
    va_end(args);
}

std::string FormatText(const char* pszFormat, ...)
{
    std::string text;
    va_list args;
    va_start(args, pszFormat);
    AppendTextV(text, pszFormat, args);
    va_end(args);
    return text;
}
