// Recognising the maker's tuners by their friendly names.
#pragma once

// True when the name carries "dtv-dvb", "quillon" or "dtv-atsc", whatever the letter case.
bool HasMakerNamePattern(const char* pszName);
