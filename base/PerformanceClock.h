// The performance counter in microseconds: the arrival clock of a capture's samples and
// what the network outputs' timestamps count from.
#pragma once

#include <cstdint>

int64_t PerformanceNowUs();
