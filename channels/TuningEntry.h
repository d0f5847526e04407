// From a tuning-list or channel-file entry to the values the control panel's fields take,
// and the frequency steps of a scan over a range. Plain C++ without windows.h.
#pragma once

#include "channels/TuningList.h"

#include <cstdint>
#include <string>
#include <vector>

// One tuning in the dialog's units. Only the fields of the kind's tuning call are set.
struct TuningValues {
    int32_t nSourceType = 0;     // SRC_TYPE_DVBS ... SRC_TYPE_ATSC
    uint32_t nFrequency = 0;     // as typed into the frequency field: satellite MHz, others kHz
    uint32_t nFrequencyKHz = 0;  // the entry's frequency in kHz, before any rounding
    uint32_t nSymbolRate = 0;    // ksymbols/s (satellite, cable)
    uint32_t nPolarity = 0;      // satellite: 1 horizontal, 0 vertical
    uint32_t nBandwidth = 0;     // MHz (terrestrial 6, 7 or 8; ATSC 6)
    uint32_t nConstellation = 0; // cable QAM order
    int32_t nModulation = 0;     // satellite modulation code (SAT_MOD_*)
    bool bSecondGeneration = false;  // a DVB-S2 or DVB-T2 entry
};

// The tuner kind that receives an entry's delivery system, 0 when none of them does.
int32_t SourceTypeForEntry(const TuningListEntry& entry);

// "satellite", "terrestrial", "cable", "ATSC", or "unknown".
const char* SourceTypeName(int32_t nSourceType);

// Converts an entry for a tuner of kind nSourceType. False, with a reason a user can act on,
// for an entry that tuner cannot take: another kind, a system the maker's tuners do not
// receive, a value its tuning call cannot carry, or one outside the kind's band.
bool ConvertTuningEntry(const TuningListEntry& entry, int32_t nSourceType, TuningValues& values,
                        std::string& strReason);

// Scan steps from nFromKHz to nToKHz inclusive, every nStepKHz, for a terrestrial, cable or
// ATSC tuner; the range must lie within the kind's band and give at most kMaxScanSteps.
constexpr size_t kMaxScanSteps = 2000;
bool MakeScanRange(int32_t nSourceType, uint32_t nFromKHz, uint32_t nToKHz, uint32_t nStepKHz,
                   std::vector<uint32_t>& FrequenciesKHz, std::string& strReason);
