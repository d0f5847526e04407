#include "tuner/TuneChoices.h"

#include "base/TextCompare.h"

namespace {

const TuneChoice kDiseqc[] = {{"None", "none"}, {"A", "a"}, {"B", "b"}, {"C", "c"}, {"D", "d"}};
const TuneChoice kTone22k[] = {{"AUTO", "auto"}, {"OFF", "off"}, {"ON", "on"}};
const TuneChoice kLnbPower[] = {{"OFF", "off"}, {"ON", "on"}};
const LnbPreset kLnb[] = {
    {"Low 5150,High 5750", "low-high", 5150, 5750, 0},
    {"Universal LNB", "universal", 9750, 10600, 11700},
    {"Custom", "custom", 0, 11300, 0},
};
const ModulationChoice kModulation[] = {
    {"SAT_MOD_UNKNOWN(0)", "unknown", 0}, {"SAT_MOD_QPSK(20)", "qpsk", 20},     {"SAT_MOD_8PSK(23)", "8psk", 23},
    {"SAT_MOD_16APSK(24)", "16apsk", 24}, {"SAT_MOD_32APSK(22)", "32apsk", 22},
};

template <class T, size_t N>
constexpr ChoiceTable<T> TableOf(const T (&items)[N])
{
    return {items, N};
}

} // namespace

template <class T>
int ChoiceTable<T>::Find(const char* pszOption) const
{
    for (size_t i = 0; pszOption && i < nCount; ++i)
        if (EqualsIgnoringCase(pItems[i].pszOption, pszOption))
            return static_cast<int>(i);
    return -1;
}

template struct ChoiceTable<TuneChoice>;
template struct ChoiceTable<LnbPreset>;
template struct ChoiceTable<ModulationChoice>;

const SatelliteDefaults kSatelliteDefaults = {true, 1, 0, 0, 0};

const ChoiceTable<TuneChoice> kDiseqcChoices = TableOf(kDiseqc);
const ChoiceTable<TuneChoice> kTone22kChoices = TableOf(kTone22k);
const ChoiceTable<TuneChoice> kLnbPowerChoices = TableOf(kLnbPower);
const ChoiceTable<LnbPreset> kLnbPresets = TableOf(kLnb);
const ChoiceTable<ModulationChoice> kModulationChoices = TableOf(kModulation);

int32_t ModulationCodeForIndex(int nIndex)
{
    const ModulationChoice* pChoice = kModulationChoices.At(nIndex);
    return pChoice ? pChoice->nCode : 0;
}
