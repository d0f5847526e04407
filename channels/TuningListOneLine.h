// The older one-line list format, one transponder or channel a line:
//   S 12188000 H 27500000 3/4                        satellite, kHz, polarisation, symbols/s, FEC
//   S2 11362000 H 22000000 2/3 AUTO 8PSK [stream]    + roll-off, modulation
//   T 506000000 8MHz 2/3 NONE QAM16 8k 1/8 NONE      terrestrial (T2 the same, + PLP)
//   C 346000000 6900000 NONE QAM256                  cable
//   A 57028615 8VSB                                  ATSC (QAM64/QAM256: North American cable)
// Each line becomes an entry named "CHANNEL" with the keys of the sectioned format.
#pragma once

#include "channels/TuningList.h"

#include <string>

// True when the line's first word is one of the format's system letters.
bool LooksLikeOneLineEntry(const std::string& strLine);

bool ParseOneLineEntry(const std::string& strLine, int nLine, TuningListEntry& entry, std::string& strReason);
