#include "simtuner/SimLock.h"

#include "base/TunerKinds.h"

namespace {

bool WithinTolerance(uint64_t a, uint64_t b, uint32_t tolerance)
{
    return (a > b ? a - b : b - a) <= tolerance;
}

bool MatchesSatellite(const SimLnb& lnb, const SimChannel& channel, const SimTuning& tuning)
{
    const uint64_t tuned = TunedFrequencyKHz(tuning);
    if (tuned == SIM_NOT_SET || tuning.nLofSwitch == SIM_NOT_SET)
        return false;
    const uint64_t tunedIf = IntermediateFrequencyKHz(tuned, tuning.nLofLow, tuning.nLofHigh,
                                                      static_cast<uint64_t>(tuning.nLofSwitch) * 1000);
    const uint64_t channelIf = IntermediateFrequencyKHz(channel.nFrequencyKHz, lnb.nLofLowKHz, lnb.nLofHighKHz,
                                                        lnb.nSwitchKHz);
    return tunedIf != SIM_NOT_SET && channelIf != SIM_NOT_SET &&
           WithinTolerance(tunedIf, channelIf, channel.nToleranceKHz) && tuning.nPolarity == channel.nPolarity &&
           tuning.nSymbolRate == channel.nSymbolRate;
}

bool MatchesFrequency(const SimChannel& channel, const SimTuning& tuning)
{
    const uint64_t tuned = TunedFrequencyKHz(tuning);
    return tuned != SIM_NOT_SET && WithinTolerance(tuned, channel.nFrequencyKHz, channel.nToleranceKHz);
}

bool Matches(TuneShape eShape, const SimLnb& lnb, const SimChannel& channel, const SimTuning& tuning)
{
    switch (eShape) {
    case TuneShape::Satellite:
        return MatchesSatellite(lnb, channel, tuning);
    case TuneShape::FrequencyBandwidth:
        return MatchesFrequency(channel, tuning) && tuning.nBandwidth == channel.nBandwidthMHz;
    case TuneShape::FrequencySymbolRateQam:
        return MatchesFrequency(channel, tuning) && tuning.nSymbolRate == channel.nSymbolRate &&
               tuning.nModulation == channel.nModulation;
    case TuneShape::FrequencyOnly:
        return MatchesFrequency(channel, tuning);
    }
    return false;
}

} // namespace

uint64_t TunedFrequencyKHz(const SimTuning& tuning)
{
    if (tuning.nFrequency == SIM_NOT_SET)
        return SIM_NOT_SET;
    const uint64_t multiplier =
        tuning.nFrequencyMultiplier == SIM_NOT_SET || tuning.nFrequencyMultiplier == 0 ? 1000
                                                                                      : tuning.nFrequencyMultiplier;
    return static_cast<uint64_t>(tuning.nFrequency) * multiplier / 1000;
}

uint64_t IntermediateFrequencyKHz(uint64_t nFrequencyKHz, uint64_t nLofLowKHz, uint64_t nLofHighKHz,
                                  uint64_t nSwitchKHz)
{
    const uint64_t lof = nFrequencyKHz < nSwitchKHz ? nLofLowKHz : nLofHighKHz;
    if (lof == SIM_NOT_SET || lof == 0)
        return SIM_NOT_SET;
    return nFrequencyKHz > lof ? nFrequencyKHz - lof : lof - nFrequencyKHz;
}

int FindLockedChannel(SourceType eKind, const SimLnb& lnb, const std::vector<SimChannel>& channels,
                      const SimTuning& tuning)
{
    const TunerKind* pKind = FindTunerKind(eKind);
    for (size_t i = 0; pKind && i < channels.size(); ++i) {
        if (Matches(pKind->eShape, lnb, channels[i], tuning))
            return static_cast<int>(i);
    }
    return -1;
}
