// Arguments of the satellite tuning operation.
#pragma once

#include "tuner/DriverRecords.h"

#include <cstdint>

struct SatTuneParams {
    uint32_t nFrequencyKHz;
    uint32_t nSymbolRate;        // ksymbols/s
    uint32_t nLof1KHz;           // low-band local oscillator
    uint32_t nLofSwitchKHz;      // high/low switch frequency
    uint32_t nLof2KHz;           // high-band local oscillator
    uint32_t nPolarity;          // non-zero: horizontal
    LnbDataRecord* pLnbData;     // for the driver's LNB request
    int32_t nModulation;         // the driver's own modulation numbering
};
