// The codes that name a tuner's kind and a satellite modulation: the driver's and the
// dialog's numbering, shared by the tuner graph, the channel lists, both front ends and the
// simulated driver. Plain C++ without windows.h.
#pragma once

#include <cstdint>

// Tuner kinds: the SourceType codes.
enum SourceType : int32_t {
    SRC_TYPE_NOT_FOUND = -1,
    SRC_TYPE_UNKNOWN = 0,
    SRC_TYPE_DVBS = 1,
    SRC_TYPE_DVBT = 2,
    SRC_TYPE_DVBC = 3,
    SRC_TYPE_ATSC = 4,
    SRC_TYPE_LAST = SRC_TYPE_ATSC,  // the kind table has a row for each code from 1 to this
};

// Satellite modulation codes as the modulation list's positions name them.
enum : int32_t {
    SAT_MOD_UNKNOWN = 0,
    SAT_MOD_QPSK = 20,
    SAT_MOD_8PSK = 23,
    SAT_MOD_16APSK = 24,
    SAT_MOD_32APSK = 22,
};
