// The satellite choices as the dialog's lists show them and a command line names them.
// A choice's position is what tuning sends (the LNB record's bytes); the modulation list
// maps positions to the driver's modulation codes. Plain C++ without windows.h.
#pragma once

#include <cstddef>
#include <cstdint>

struct TuneChoice {
    const char* pszEntry;   // the list entry
    const char* pszOption;  // the command-line word
};

struct LnbPreset {
    const char* pszEntry;
    const char* pszOption;
    uint32_t nLof1MHz, nLof2MHz, nLofSwitchMHz;
};

struct ModulationChoice {
    const char* pszEntry;
    const char* pszOption;
    int32_t nCode;
};

template <class T>
struct ChoiceTable {
    const T* pItems;
    size_t nCount;
    const T* begin() const { return pItems; }
    const T* end() const { return pItems + nCount; }
    // The item at a list position; null for -1 (no selection) and positions past the end.
    const T* At(int nIndex) const { return nIndex >= 0 && static_cast<size_t>(nIndex) < nCount ? &pItems[nIndex] : nullptr; }
    // The position of the item whose command-line word is pszOption (any case); -1 if none.
    int Find(const char* pszOption) const;
};

extern const ChoiceTable<TuneChoice> kDiseqcChoices;
extern const ChoiceTable<TuneChoice> kTone22kChoices;
extern const ChoiceTable<TuneChoice> kLnbPowerChoices;
extern const ChoiceTable<LnbPreset> kLnbPresets;
extern const ChoiceTable<ModulationChoice> kModulationChoices;

// The satellite choices a tuning takes where none is made, as list positions: vertical, LNB
// power on, no DiSEqC, tone auto, modulation unknown. The dialog preselects them, the console
// program fills them in.
struct SatelliteDefaults {
    bool bVertical;
    int nLnbPower, nDiseqc, nTone22k, nModulation;
};
extern const SatelliteDefaults kSatelliteDefaults;

// The modulation code of a list position; 0 (unknown) with no selection.
int32_t ModulationCodeForIndex(int nIndex);
