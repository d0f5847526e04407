// The command line's tuning values checked against the tuner's kind before the tuner is
// touched: each value in the unit and range the kind takes (the ranges of the kind table),
// every value the kind needs, and a satellite frequency the LNB can bring to the tuner. A
// value that reads right in another unit (Hz for kHz, symbols/s for ksymbols/s) gets a hint
// with the value to give. Plain C++ without windows.h.
#pragma once

#include "cli/CliArgs.h"

#include <string>

struct TunerKind;

// The tuning options for a tuner of this kind; false with the reason in plain words, naming
// the option. values are the tuning values the options make (with the LNB preset's
// oscillators). A channel or list entry, which gives its own values, is not checked here.
bool CheckTuneOptions(const CliTuneOptions& options, const TuneValues& values, const TunerKind& kind,
                      std::string* pError);

// The dish's options whatever the tuner: --lnb custom needs its oscillators.
bool CheckLnbOptions(const CliTuneOptions& options, std::string* pError);
