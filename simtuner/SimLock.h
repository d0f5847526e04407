// Lock decision of a simulated tuner: whether the tuning values committed through the BDA
// control nodes find one of the channels on its antenna. Windows-free.
#pragma once

#include "tuner/DriverRecords.h"

#include <cstddef>
#include <cstdint>
#include <vector>


constexpr uint32_t SIM_NOT_SET = 0xFFFFFFFFu;  // BDA's -1: a value that was not given
constexpr uint32_t SIM_DEFAULT_TOLERANCE_KHZ = 500;
constexpr int32_t SIM_LEVEL_UNSET = INT32_MIN;  // a channel without its own signal level

// BDA polarisation values a satellite channel carries.
constexpr int32_t SIM_POLARITY_H = 1;
constexpr int32_t SIM_POLARITY_V = 2;

// One receivable channel. Frequencies in kHz; a satellite channel is given by its
// transponder frequency, which the antenna's LNB turns into an intermediate frequency.
struct SimChannel {
    uint32_t nFrequencyKHz = 0;
    uint32_t nToleranceKHz = SIM_DEFAULT_TOLERANCE_KHZ;
    int32_t nPolarity = 0;        // satellite: SIM_POLARITY_H or SIM_POLARITY_V
    uint32_t nSymbolRate = 0;     // satellite and cable, ksymbols/s
    uint32_t nBandwidthMHz = 0;   // terrestrial
    int32_t nModulation = 0;      // cable: BDA modulation type (1, 2, 3, 7, 11)
    int32_t nStrength = SIM_LEVEL_UNSET;
    int32_t nQuality = SIM_LEVEL_UNSET;
};

// The LNB that really sits on the simulated dish, in kHz.
struct SimLnb {
    uint32_t nLofLowKHz = 9750000;
    uint32_t nLofHighKHz = 10600000;
    uint32_t nSwitchKHz = 11700000;
};

// Values received through IBDA_FrequencyFilter, IBDA_LNBInfo and IBDA_DigitalDemodulator.
struct SimTuning {
    uint32_t nFrequency = SIM_NOT_SET;
    uint32_t nFrequencyMultiplier = SIM_NOT_SET;
    int32_t nPolarity = -1;
    uint32_t nRange = SIM_NOT_SET;
    uint32_t nBandwidth = SIM_NOT_SET;
    uint32_t nLofLow = SIM_NOT_SET;     // kHz
    uint32_t nLofHigh = SIM_NOT_SET;    // kHz
    uint32_t nLofSwitch = SIM_NOT_SET;  // MHz, as the maker's program sends it
    int32_t nModulation = -1;
    int32_t nInnerFecMethod = -1;
    int32_t nInnerFecRate = -1;
    int32_t nOuterFecMethod = -1;
    int32_t nOuterFecRate = -1;
    int32_t nSpectralInversion = -1;
    uint32_t nSymbolRate = SIM_NOT_SET;
};

// The tuned frequency in kHz (the multiplier counts Hz per unit; unset means 1000), or
// SIM_NOT_SET when no frequency was given.
uint64_t TunedFrequencyKHz(const SimTuning& tuning);

// The intermediate frequency (kHz) that an LNB with these oscillators gives for a
// transponder: the low oscillator below the switch frequency, the high one from it on.
// SIM_NOT_SET when the oscillator of that band is unset.
uint64_t IntermediateFrequencyKHz(uint64_t nFrequencyKHz, uint64_t nLofLowKHz, uint64_t nLofHighKHz,
                                  uint64_t nSwitchKHz);

// Index of the first channel the tuning of a tuner of this kind locks, or -1 when it finds
// none.
int FindLockedChannel(SourceType eKind, const SimLnb& lnb, const std::vector<SimChannel>& channels,
                      const SimTuning& tuning);
