#include "cli/CliValueCheck.h"

#include "tuner/TuneChoices.h"
#include "base/TunerKinds.h"

#include <algorithm>

namespace {

constexpr int64_t UNSET = CliTuneOptions::UNSET;
// What a satellite tuner takes from the LNB, in MHz.
constexpr uint64_t kTunerInputMinMHz = 950, kTunerInputMaxMHz = 2150;

std::string TunerWords(const TunerKind& kind)
{
    const char first = kind.pszEntryName[0];
    const bool bVowel = std::string("aeiouAEIOU").find(first) != std::string::npos;
    return std::string(bVowel ? "an " : "a ") + kind.pszEntryName + " tuner";
}

// The value in the wanted unit when n reads right as thousand or a million times it, or a
// thousandth of it; 0 when none does.
uint64_t OtherUnitHint(uint64_t n, uint64_t nMin, uint64_t nMax)
{
    for (uint64_t nDivisor : {1000ull, 1000000ull}) {
        const uint64_t nScaled = (n + nDivisor / 2) / nDivisor;
        if (n >= nDivisor && nScaled >= nMin && nScaled <= nMax)
            return nScaled;
    }
    return n * 1000 >= nMin && n * 1000 <= nMax ? n * 1000 : 0;
}

// One number option against its range: missing, in another unit, or outside.
bool CheckNumber(int64_t nValue, const char* pszOption, const char* pszUnit, uint64_t nMin, uint64_t nMax,
                 const TunerKind& kind, std::string* pError)
{
    const std::string range = std::to_string(nMin) + " to " + std::to_string(nMax);
    if (nValue == UNSET) {
        *pError = TunerWords(kind) + " needs " + pszOption + " in " + pszUnit + " (" + range + ")";
        return false;
    }
    const uint64_t n = static_cast<uint64_t>(nValue);
    if (n >= nMin && n <= nMax)
        return true;
    if (const uint64_t nHint = OtherUnitHint(n, nMin, nMax))
        *pError = std::string(pszOption) + " is in " + pszUnit + " for " + TunerWords(kind) + " (" + range +
                  "): use " + std::to_string(nHint);
    else
        *pError = std::string(pszOption) + " " + std::to_string(n) + " is outside what " + TunerWords(kind) +
                  " takes: " + range + " " + pszUnit;
    return false;
}

bool CheckBandwidth(int64_t nValue, const TunerKind& kind, std::string* pError)
{
    const std::string words = BandwidthWords(kind);
    if (nValue == UNSET) {
        *pError = TunerWords(kind) + " needs --bw " + words;
        return false;
    }
    const uint64_t n = static_cast<uint64_t>(nValue);
    if (n >= kind.nMinBandwidthMHz && n <= kind.nMaxBandwidthMHz)
        return true;
    const uint64_t nHint = OtherUnitHint(n, kind.nMinBandwidthMHz, kind.nMaxBandwidthMHz);
    if (nHint && n > kind.nMaxBandwidthMHz)
        *pError = "--bw is in MHz for " + TunerWords(kind) + " (" + words + "): use " + std::to_string(nHint);
    else
        *pError = "--bw " + std::to_string(n) + " is not a bandwidth " + TunerWords(kind) + " takes: " + words + " MHz";
    return false;
}

bool CheckQam(int64_t nValue, const TunerKind& kind, std::string* pError)
{
    if (nValue == UNSET) {
        *pError = TunerWords(kind) + " needs --qam " + QamOrderWords();
        return false;
    }
    if (std::find(std::begin(kQamOrders), std::end(kQamOrders), nValue) != std::end(kQamOrders))
        return true;
    *pError = "--qam " + std::to_string(nValue) + " is not a QAM order " + TunerWords(kind) +
              " takes: " + QamOrderWords();
    return false;
}

bool CheckDish(const CliTuneOptions& options, const TunerKind& kind, std::string* pError)
{
    const bool bOscillatorGiven = options.nLof1 != UNSET || options.nLof2 != UNSET;
    if (!kLnbPresets.At(options.nLnbPreset) && !bOscillatorGiven) {
        std::string words;
        for (size_t i = 0; i < kLnbPresets.nCount; ++i) {
            const char* pszSeparator = i == 0 ? "" : i + 1 == kLnbPresets.nCount ? " or " : ", ";
            words += std::string(pszSeparator) + kLnbPresets.pItems[i].pszOption;
        }
        *pError = TunerWords(kind) + " needs --lnb " + words + " (or --lof1 and --lof2 in MHz)";
        return false;
    }
    return CheckLnbOptions(options, pError);
}

// The frequency the tuner gets from the LNB for a transponder: below the switch frequency the
// low-band oscillator, from it on the high-band one; without a switch either oscillator.
bool LnbTakes(const TuneValues& v, uint64_t* pnTunerMHz)
{
    const uint64_t nFrequencyMHz = v.nFrequency;
    uint64_t oscillators[2] = {v.nLof1MHz, v.nLof2MHz};
    if (v.nLofSwitchMHz && v.nLof1MHz && v.nLof2MHz)
        oscillators[0] = oscillators[1] = nFrequencyMHz < v.nLofSwitchMHz ? v.nLof1MHz : v.nLof2MHz;
    bool bFirst = true;
    for (uint64_t nLof : oscillators) {
        if (!nLof)
            continue;
        const uint64_t nTunerMHz = nFrequencyMHz > nLof ? nFrequencyMHz - nLof : nLof - nFrequencyMHz;
        if (bFirst)
            *pnTunerMHz = nTunerMHz;
        bFirst = false;
        if (nTunerMHz >= kTunerInputMinMHz && nTunerMHz <= kTunerInputMaxMHz)
            return true;
    }
    return false;
}

bool CheckLnbFrequency(const TuneValues& v, std::string* pError)
{
    uint64_t nTunerMHz = 0;
    if (LnbTakes(v, &nTunerMHz))
        return true;
    *pError = "--freq " + std::to_string(v.nFrequency) + " MHz is outside what the LNB can take: with its " +
              "oscillators at " + std::to_string(v.nLof1MHz) + " and " + std::to_string(v.nLof2MHz) +
              " MHz (switch " + std::to_string(v.nLofSwitchMHz) + " MHz) the tuner would get " +
              std::to_string(nTunerMHz) + " MHz, and it takes " + std::to_string(kTunerInputMinMHz) + " to " +
              std::to_string(kTunerInputMaxMHz) + " MHz";
    return false;
}

} // namespace

bool CheckLnbOptions(const CliTuneOptions& options, std::string* pError)
{
    const bool bOscillatorGiven = options.nLof1 != UNSET || options.nLof2 != UNSET;
    if (options.nLnbPreset >= 0 && options.nLnbPreset == kLnbPresets.Find("custom") && !bOscillatorGiven) {
        *pError = "--lnb custom needs its oscillators: --lof1 and --lof2 in MHz (and --lof-switch for a two-band LNB)";
        return false;
    }
    return true;
}

bool CheckTuneOptions(const CliTuneOptions& options, const TuneValues& values, const TunerKind& kind,
                      std::string* pError)
{
    const uint32_t nFields = TuneFieldsOfShape(kind.eShape);
    const bool bDish = (nFields & TUNE_FIELD_DISH) != 0;
    // The frequency field is in MHz where the dish's oscillators are, in kHz elsewhere.
    const bool bFrequencyOk = bDish ? CheckNumber(options.nFrequency, "--freq", "MHz", kind.nMinKHz / 1000,
                                                  kind.nMaxKHz / 1000, kind, pError)
                                    : CheckNumber(options.nFrequency, "--freq", "kHz", kind.nMinKHz, kind.nMaxKHz,
                                                  kind, pError);
    if (!bFrequencyOk)
        return false;
    if ((nFields & TUNE_FIELD_SYMBOL_RATE) &&
        !CheckNumber(options.nSymbolRate, "--sr", "ksymbols/s", kind.nMinKsps, kind.nMaxKsps, kind, pError))
        return false;
    if ((nFields & TUNE_FIELD_BANDWIDTH) && !CheckBandwidth(options.nBandwidth, kind, pError))
        return false;
    if ((nFields & TUNE_FIELD_CONSTELLATION) && !CheckQam(options.nQam, kind, pError))
        return false;
    return !bDish || (CheckDish(options, kind, pError) && CheckLnbFrequency(values, pError));
}
