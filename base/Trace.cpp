#include "base/Trace.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace {

constexpr int PREFIX_LENGTH = 12;

// Prefix at the start of the channel's buffer, the message behind it; vsnprintf cuts the
// line to 2047 characters and keeps the terminator in the last byte.
void WriteTraceLine(char* buffer, const char* prefix, const char* format, va_list args)
{
    std::snprintf(buffer, TRACE_BUFFER_SIZE, "%s", prefix);
    std::vsnprintf(buffer + PREFIX_LENGTH, TRACE_BUFFER_SIZE - PREFIX_LENGTH, format, args);
    OutputDebugStringA(buffer);
}

char g_szQlagetBuffer[TRACE_BUFFER_SIZE];
char g_szQldiseBuffer[TRACE_BUFFER_SIZE];

} // namespace

void QLAGET_DBG(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteTraceLine(g_szQlagetBuffer, "QLAGET_DBG: ", format, args);
    va_end(args);
}

void QLDise_DBG(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteTraceLine(g_szQldiseBuffer, "QLDise_DBG: ", format, args);
    va_end(args);
}
