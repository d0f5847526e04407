#include "simtuner/SimLock.h"

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

bool Matches(SimKind kind, const SimLnb& lnb, const SimChannel& channel, const SimTuning& tuning)
{
    switch (kind) {
    case SimKind::Satellite:
        return MatchesSatellite(lnb, channel, tuning);
    case SimKind::Terrestrial:
        return MatchesFrequency(channel, tuning) && tuning.nBandwidth == channel.nBandwidthMHz;
    case SimKind::Cable:
        return MatchesFrequency(channel, tuning) && tuning.nSymbolRate == channel.nSymbolRate &&
               tuning.nModulation == channel.nModulation;
    case SimKind::Atsc:
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

int FindLockedChannel(SimKind kind, const SimLnb& lnb, const std::vector<SimChannel>& channels,
                      const SimTuning& tuning)
{
    for (size_t i = 0; i < channels.size(); ++i) {
        if (Matches(kind, lnb, channels[i], tuning))
            return static_cast<int>(i);
    }
    return -1;
}
