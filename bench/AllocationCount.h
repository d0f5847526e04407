// Counts the allocations of a benchmark's process: the executable that links
// AllocationCount.cpp has its global operator new replaced by a counting one.
#pragma once

#include <cstdint>

// Allocations made so far by any thread.
uint64_t AllocationsSoFar();
