// Collects the debugger output lines of this process while alive (tests only).
#pragma once

#include <mutex>
#include <string>
#include <vector>

class CTraceCapture
{
public:
    CTraceCapture();
    ~CTraceCapture();
    CTraceCapture(const CTraceCapture&) = delete;
    CTraceCapture& operator=(const CTraceCapture&) = delete;

    std::vector<std::string> Lines() const;
    bool Contains(const std::string& line) const;
    // Index of the first line equal to text at or after start, or -1.
    int IndexOf(const std::string& line, int start = 0) const;
    void Clear();

private:
    void* m_hHandler;
};
