#include "channels/TuningEntry.h"

#include "base/TunerKinds.h"
#include "base/TuningCodes.h"

namespace {

struct DeliverySystem {
    const char* pszName;
    const TunerKind* pKind;
    bool bSecondGeneration;
};

// A stream id of all ones is the lists' "no stream chosen".
constexpr uint32_t kNoStreamId = 0xFFFFFFFF;

bool FindSystem(const TuningListEntry& entry, DeliverySystem* pSystem)
{
    const std::string* pName = entry.Find("DELIVERY_SYSTEM");
    for (const TunerKind& kind : kAllTunerKinds) {
        if (pName && *pName == kind.pszDeliverySystem) {
            *pSystem = {kind.pszDeliverySystem, &kind, false};
            return true;
        }
        if (pName && kind.pszSecondGeneration && *pName == kind.pszSecondGeneration) {
            *pSystem = {kind.pszSecondGeneration, &kind, true};
            return true;
        }
    }
    return false;
}

// "DVBS, DVBS2, ... and ATSC": every delivery system the kinds receive.
std::string ReceivedSystems()
{
    std::string list, last;
    auto add = [&](const char* pszName) {
        if (!last.empty())
            list += (list.empty() ? "" : ", ") + last;
        last = pszName;
    };
    for (const TunerKind& kind : kAllTunerKinds) {
        add(kind.pszDeliverySystem);
        if (kind.pszSecondGeneration)
            add(kind.pszSecondGeneration);
    }
    return list.empty() ? last : list + " and " + last;
}

uint32_t Round1000(uint32_t n)
{
    return static_cast<uint32_t>((static_cast<uint64_t>(n) + 500) / 1000);
}

bool InRange(uint32_t n, uint32_t nMin, uint32_t nMax, const char* pszWhat, const char* pszUnit,
             std::string& strReason)
{
    if (n >= nMin && n <= nMax)
        return true;
    strReason = std::string(pszWhat) + " " + std::to_string(n) + " " + pszUnit + " is outside " +
                std::to_string(nMin) + " to " + std::to_string(nMax) + " " + pszUnit;
    return false;
}

bool SymbolRate(const TuningListEntry& entry, uint32_t nMin, uint32_t nMax, uint32_t& nKsps, std::string& strReason)
{
    uint32_t nSps = 0;
    if (!entry.GetNumber("SYMBOL_RATE", nSps)) {
        strReason = "no SYMBOL_RATE given";
        return false;
    }
    nKsps = Round1000(nSps);
    return InRange(nKsps, nMin, nMax, "symbol rate", "ksymbols/s", strReason);
}

// Circular polarisations are switched by the same LNB voltage as the linear ones: left as
// horizontal, right as vertical.
bool Polarity(const TuningListEntry& entry, uint32_t& nPolarity, std::string& strReason)
{
    const std::string* pValue = entry.Find("POLARIZATION");
    if (pValue && (*pValue == "HORIZONTAL" || *pValue == "LEFT"))
        nPolarity = 1;
    else if (pValue && (*pValue == "VERTICAL" || *pValue == "RIGHT"))
        nPolarity = 0;
    else {
        strReason = pValue ? "polarisation " + *pValue + " is not HORIZONTAL, VERTICAL, LEFT or RIGHT"
                           : "no POLARIZATION given";
        return false;
    }
    return true;
}

// The dialog's satellite modulation codes. Without a MODULATION key, DVB-S is QPSK by
// definition; for DVB-S2 the tuner is left to find it.
bool SatelliteModulation(const TuningListEntry& entry, bool bSecondGeneration, int32_t& nCode,
                         std::string& strReason)
{
    const std::string* pValue = entry.Find("MODULATION");
    if (!pValue) {
        nCode = bSecondGeneration ? SAT_MOD_UNKNOWN : SAT_MOD_QPSK;
        return true;
    }
    const std::pair<const char*, int32_t> kCodes[] = {
        {"QPSK", SAT_MOD_QPSK}, {"PSK/8", SAT_MOD_8PSK}, {"APSK/16", SAT_MOD_16APSK}, {"APSK/32", SAT_MOD_32APSK}};
    for (const auto& code : kCodes)
        if (*pValue == code.first) {
            nCode = code.second;
            return true;
        }
    if (pValue->find("AUTO") != std::string::npos) {
        nCode = SAT_MOD_UNKNOWN;
        return true;
    }
    strReason = "satellite modulation " + *pValue + " is not QPSK, PSK/8, APSK/16 or APSK/32";
    return false;
}

bool Bandwidth(const TuningListEntry& entry, const TunerKind& kind, uint32_t& nMHz, std::string& strReason)
{
    uint32_t nHz = 0;
    if (!entry.GetNumber("BANDWIDTH_HZ", nHz) || nHz == 0) {
        strReason = "no bandwidth given (BANDWIDTH_HZ); the tuner needs " + BandwidthWords(kind) + " MHz";
        return false;
    }
    if (nHz % 1000000 != 0 || nHz / 1000000 < kind.nMinBandwidthMHz || nHz / 1000000 > kind.nMaxBandwidthMHz) {
        strReason = "bandwidth " + std::to_string(nHz) + " Hz: the tuner takes " + BandwidthWords(kind) + " MHz";
        return false;
    }
    nMHz = nHz / 1000000;
    return true;
}

bool Constellation(const TuningListEntry& entry, uint32_t& nOrder, std::string& strReason)
{
    const std::string* pValue = entry.Find("MODULATION");
    for (uint32_t n : kQamOrders)
        if (pValue && *pValue == "QAM/" + std::to_string(n)) {
            nOrder = n;
            return true;
        }
    strReason = pValue ? "modulation " + *pValue + ": the tuner needs QAM/" + QamOrderWords()
                       : "no MODULATION given; the tuner needs the QAM order";
    return false;
}

// The tuning call sends no modulation: the tuner receives 8VSB only.
bool AtscModulation(const TuningListEntry& entry, std::string& strReason)
{
    const std::string* pValue = entry.Find("MODULATION");
    if (!pValue || *pValue == "VSB/8")
        return true;
    strReason = "ATSC modulation " + *pValue + ": the tuner receives VSB/8 only";
    return false;
}

// The value a user types for an ATSC channel: its centre in whole MHz, as kHz, which the
// tuning step moves to the channel's carrier. Lists give centres a few kHz off the whole
// MHz; a frequency ending in 250 kHz is a carrier already and is kept.
uint32_t AtscFieldKHz(uint32_t nKHz)
{
    return nKHz % 1000 == 250 ? nKHz : Round1000(nKHz) * 1000;
}

} // namespace

int32_t SourceTypeForEntry(const TuningListEntry& entry)
{
    DeliverySystem system = {};
    return FindSystem(entry, &system) ? system.pKind->eType : SRC_TYPE_UNKNOWN;
}

const char* SourceTypeName(int32_t nSourceType)
{
    const TunerKind* pKind = FindTunerKind(nSourceType);
    return pKind ? pKind->pszEntryName : "unknown";
}

bool ConvertTuningEntry(const TuningListEntry& entry, int32_t nSourceType, TuningValues& values,
                        std::string& strReason)
{
    values = TuningValues();
    DeliverySystem system = {};
    const std::string* pSystemName = entry.Find("DELIVERY_SYSTEM");
    if (!FindSystem(entry, &system)) {
        strReason = pSystemName ? "delivery system " + *pSystemName + " is not received by these tuners (" +
                                      ReceivedSystems() + " are)"
                                : "no DELIVERY_SYSTEM given";
        return false;
    }
    const TunerKind& kind = *system.pKind;
    if (kind.eType != nSourceType) {
        strReason = std::string("a ") + kind.pszEntryName + " entry (" + system.pszName + ") needs a " +
                    kind.pszEntryName + " tuner; this tuner is " + SourceTypeName(nSourceType);
        return false;
    }
    uint32_t nStream = 0;
    if (entry.GetNumber("STREAM_ID", nStream) && nStream != 0 && nStream != kNoStreamId) {
        strReason = "stream " + std::to_string(nStream) +
                    " of a multi-stream signal cannot be chosen: the tuning call carries no stream selection";
        return false;
    }

    uint32_t nFrequency = 0;
    entry.GetNumber("FREQUENCY", nFrequency);
    values.nSourceType = nSourceType;
    values.bSecondGeneration = system.bSecondGeneration;
    switch (kind.eShape) {
    case TuneShape::Satellite:
        values.nFrequencyKHz = nFrequency;
        values.nFrequency = Round1000(nFrequency);
        return InRange(nFrequency, kind.nMinKHz, kind.nMaxKHz, "frequency", "kHz", strReason) &&
               SymbolRate(entry, kind.nMinKsps, kind.nMaxKsps, values.nSymbolRate, strReason) &&
               Polarity(entry, values.nPolarity, strReason) &&
               SatelliteModulation(entry, system.bSecondGeneration, values.nModulation, strReason);
    case TuneShape::FrequencyBandwidth:
        values.nFrequencyKHz = values.nFrequency = Round1000(nFrequency);
        return InRange(values.nFrequencyKHz, kind.nMinKHz, kind.nMaxKHz, "frequency", "kHz", strReason) &&
               Bandwidth(entry, kind, values.nBandwidth, strReason);
    case TuneShape::FrequencySymbolRateQam:
        values.nFrequencyKHz = values.nFrequency = Round1000(nFrequency);
        return InRange(values.nFrequencyKHz, kind.nMinKHz, kind.nMaxKHz, "frequency", "kHz", strReason) &&
               SymbolRate(entry, kind.nMinKsps, kind.nMaxKsps, values.nSymbolRate, strReason) &&
               Constellation(entry, values.nConstellation, strReason);
    case TuneShape::FrequencyOnly:
        values.nFrequencyKHz = Round1000(nFrequency);
        values.nFrequency = AtscFieldKHz(values.nFrequencyKHz);
        values.nBandwidth = kind.nMinBandwidthMHz;
        return InRange(values.nFrequencyKHz, kind.nMinKHz, kind.nMaxKHz, "frequency", "kHz", strReason) &&
               AtscModulation(entry, strReason);
    }
    return false;
}

bool MakeScanRange(int32_t nSourceType, uint32_t nFromKHz, uint32_t nToKHz, uint32_t nStepKHz,
                   std::vector<uint32_t>& FrequenciesKHz, std::string& strReason)
{
    FrequenciesKHz.clear();
    const TunerKind* pKind = FindTunerKind(nSourceType);
    if (!pKind) {
        strReason = "unknown tuner kind";
        return false;
    }
    if (!pKind->bRangeScan) {
        strReason = std::string("a ") + pKind->pszName +
                    " scan needs a list: transponders differ in polarisation and symbol rate";
        return false;
    }
    if (nStepKHz == 0) {
        strReason = "the step must be above 0 kHz";
        return false;
    }
    if (nFromKHz > nToKHz) {
        strReason = "the range starts above its end";
        return false;
    }
    if (!InRange(nFromKHz, pKind->nMinKHz, pKind->nMaxKHz, "start", "kHz", strReason) ||
        !InRange(nToKHz, pKind->nMinKHz, pKind->nMaxKHz, "end", "kHz", strReason))
        return false;
    const size_t nSteps = (nToKHz - nFromKHz) / nStepKHz + 1;
    if (nSteps > kMaxScanSteps) {
        strReason = "the range gives " + std::to_string(nSteps) + " steps, more than " + std::to_string(kMaxScanSteps);
        return false;
    }
    for (size_t i = 0; i < nSteps; ++i)
        FrequenciesKHz.push_back(nFromKHz + static_cast<uint32_t>(i) * nStepKHz);
    return true;
}
