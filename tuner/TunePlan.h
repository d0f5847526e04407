// One Tune from the values a front end read, in the dialog's units (satellite frequency and
// oscillators in MHz, other frequencies in kHz, symbol rates in ksymbols/s, bandwidth in
// MHz): the tuning call to make or why it is refused, and the texts the capture name is made
// of. Every front end goes through here, so a value one refuses, all refuse for the same
// reason. Plain C++ without windows.h.
#pragma once

#include "tuner/DriverRecords.h"
#include "tuner/TuneParams.h"

#include <cstdint>
#include <string>

struct TuneValues {
    uint32_t nFrequency = 0;      // MHz for satellite, kHz for the other kinds
    uint32_t nSymbolRate = 0;     // satellite and cable
    uint32_t nBandwidth = 0;      // terrestrial
    uint32_t nConstellation = 0;  // cable QAM order
    uint32_t nLof1MHz = 0;
    uint32_t nLof2MHz = 0;
    uint32_t nLofSwitchMHz = 0;
    bool bVertical = false;       // polarity vertical; anything else tunes horizontal
    int32_t nLnbPower = -1;       // list positions, -1 when nothing is chosen
    int32_t nTone22k = -1;
    int32_t nDiseqc = -1;
    int32_t nModulation = 0;      // satellite modulation code
};

enum class TuneCall { None, DVBS, DVBT, DVBC, ATSC };

struct TunePlan {
    TuneCall eCall = TuneCall::None;  // None: refused, the tuner is not called
    const char* pszRefusal = "";      // why it was refused, in plain words
    SatTuneParams Sat = {};           // DVBS; pLnbData is left for the caller to point at Lnb
    LnbDataRecord Lnb = {};
    uint32_t nFrequencyKHz = 0;       // DVBT, DVBC, ATSC
    uint32_t nBandwidthMHz = 0;       // DVBT; ATSC its fixed bandwidth
    uint32_t nSymbolRate = 0;         // DVBC
    uint32_t nConstellation = 0;      // DVBC
    bool bHasNameTexts = false;       // false for an unknown kind: the last texts stay
    std::string strTuneFreq, strTuneParam, strTuneSystem;
};

TunePlan PlanTune(int32_t nSourceType, const TuneValues& values);
