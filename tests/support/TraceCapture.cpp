#include "support/TraceCapture.h"

#include <windows.h>

#include <algorithm>

namespace {

std::mutex g_mutex;
std::vector<std::string> g_lines;

// OutputDebugStringA raises DBG_PRINTEXCEPTION_C with the text in ExceptionInformation[1].
LONG CALLBACK OnException(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
        const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        std::lock_guard<std::mutex> lock(g_mutex);
        g_lines.emplace_back(text ? text : "");
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

CTraceCapture::CTraceCapture()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_lines.clear();
    m_hHandler = AddVectoredExceptionHandler(1, OnException);
}

CTraceCapture::~CTraceCapture()
{
    RemoveVectoredExceptionHandler(m_hHandler);
    std::lock_guard<std::mutex> lock(g_mutex);
}

std::vector<std::string> CTraceCapture::Lines() const
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_lines;
}

bool CTraceCapture::Contains(const std::string& line) const
{
    return IndexOf(line) >= 0;
}

int CTraceCapture::IndexOf(const std::string& line, int start) const
{
    std::lock_guard<std::mutex> lock(g_mutex);
    for (size_t i = start < 0 ? 0 : static_cast<size_t>(start); i < g_lines.size(); ++i)
        if (g_lines[i] == line)
            return static_cast<int>(i);
    return -1;
}

void CTraceCapture::Clear()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_lines.clear();
}
