#include "base/PerformanceClock.h"

#include <windows.h>

int64_t PerformanceNowUs()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<int64_t>(static_cast<double>(count.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart));
}
