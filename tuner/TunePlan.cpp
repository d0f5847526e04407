#include "tuner/TunePlan.h"

#include "base/TunerKinds.h"

namespace {

// ATSC channels typed as whole MHz (in kHz) are tuned this much lower.
constexpr uint32_t ATSC_PILOT_OFFSET_KHZ = 1750;

// MHz to kHz; false when the result does not fit 32 bits, so a huge entry is refused
// instead of reaching the tuner wrapped.
bool MegaToKilo(uint32_t nMHz, uint32_t* pnKHz)
{
    const uint64_t nKHz = static_cast<uint64_t>(nMHz) * 1000;
    if (nKHz > UINT32_MAX)
        return false;
    *pnKHz = static_cast<uint32_t>(nKHz);
    return true;
}

void Refuse(TunePlan& plan, const char* pszWhy)
{
    plan.eCall = TuneCall::None;
    plan.pszRefusal = pszWhy;
}

void PlanSatellite(const TuneValues& v, TunePlan& plan)
{
    plan.Lnb.nLnbPower = static_cast<uint8_t>(v.nLnbPower);
    plan.Lnb.nLof1MHz = v.nLof1MHz;
    plan.Lnb.nLof2MHz = v.nLof2MHz;
    plan.Lnb.nLofSwitchMHz = v.nLofSwitchMHz;
    plan.Lnb.nTone22k = static_cast<uint8_t>(v.nTone22k);
    plan.Lnb.nDiseqc = static_cast<uint8_t>(v.nDiseqc);
    plan.strTuneParam = std::to_string(v.nSymbolRate);

    SatTuneParams& sat = plan.Sat;
    if (v.nFrequency == 0)
        return Refuse(plan, "the frequency is missing or 0");
    if (v.nLof1MHz == 0 && v.nLof2MHz == 0)
        return Refuse(plan, "both LNB oscillators are missing or 0");
    if (v.nSymbolRate == 0)
        return Refuse(plan, "the symbol rate is missing or 0");
    if (!MegaToKilo(v.nFrequency, &sat.nFrequencyKHz) || !MegaToKilo(v.nLof1MHz, &sat.nLof1KHz) ||
        !MegaToKilo(v.nLofSwitchMHz, &sat.nLofSwitchKHz) || !MegaToKilo(v.nLof2MHz, &sat.nLof2KHz))
        return Refuse(plan, "a frequency in MHz is too large to tune");
    sat.nSymbolRate = v.nSymbolRate;
    sat.nPolarity = v.bVertical ? 0 : 1;
    sat.nModulation = v.nModulation;
    plan.eCall = TuneCall::DVBS;
}

void PlanTerrestrial(const TuneValues& v, TunePlan& plan)
{
    plan.strTuneParam = std::to_string(v.nBandwidth);
    if (v.nFrequency == 0)
        return Refuse(plan, "the frequency is missing or 0");
    if (v.nBandwidth == 0)
        return Refuse(plan, "the bandwidth is missing or 0");
    plan.nFrequencyKHz = v.nFrequency;
    plan.nBandwidthMHz = v.nBandwidth;
    plan.eCall = TuneCall::DVBT;
}

void PlanCable(const TuneValues& v, TunePlan& plan)
{
    plan.strTuneParam = std::to_string(v.nSymbolRate);
    if (v.nFrequency == 0)
        return Refuse(plan, "the frequency is missing or 0");
    if (v.nSymbolRate == 0)
        return Refuse(plan, "the symbol rate is missing or 0");
    if (v.nConstellation == 0)
        return Refuse(plan, "the constellation is missing or 0");
    plan.nFrequencyKHz = v.nFrequency;
    plan.nSymbolRate = v.nSymbolRate;
    plan.nConstellation = v.nConstellation;
    plan.eCall = TuneCall::DVBC;
}

// A frequency ending in 250 kHz is a channel's pilot already and is taken as it is.
void PlanAtsc(const TuneValues& v, uint32_t nBandwidthMHz, TunePlan& plan)
{
    plan.strTuneParam = std::to_string(nBandwidthMHz);
    plan.nBandwidthMHz = nBandwidthMHz;
    if (v.nFrequency % 1000 == 250)
        plan.nFrequencyKHz = v.nFrequency;
    else if (v.nFrequency > ATSC_PILOT_OFFSET_KHZ)
        plan.nFrequencyKHz = v.nFrequency - ATSC_PILOT_OFFSET_KHZ;
    else
        return Refuse(plan, "the frequency is missing or too low");
    plan.eCall = TuneCall::ATSC;
}

} // namespace

TunePlan PlanTune(int32_t nSourceType, const TuneValues& values)
{
    TunePlan plan;
    const TunerKind* pKind = FindTunerKind(nSourceType);
    if (!pKind) {
        Refuse(plan, "the tuner's kind is not known");
        return plan;
    }
    plan.bHasNameTexts = true;
    plan.strTuneFreq = std::to_string(values.nFrequency);
    plan.strTuneSystem = pKind->pszSystem;
    switch (pKind->eShape) {
    case TuneShape::Satellite: PlanSatellite(values, plan); break;
    case TuneShape::FrequencyBandwidth: PlanTerrestrial(values, plan); break;
    case TuneShape::FrequencySymbolRateQam: PlanCable(values, plan); break;
    case TuneShape::FrequencyOnly: PlanAtsc(values, pKind->nMinBandwidthMHz, plan); break;
    }
    return plan;
}
