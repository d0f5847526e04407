#include "base/TunerKinds.h"

#include <cstring>
#include <iterator>

namespace {

// Bands in kHz the tuning calls are offered: satellite spans the L band to Ka, the others
// VHF band I to the top of cable.
constexpr uint32_t kSatelliteMinKHz = 950000, kSatelliteMaxKHz = 31000000;
constexpr uint32_t kGroundMinKHz = 42000, kGroundMaxKHz = 1002000;

constexpr TunerKind kTunerKinds[] = {
    {SRC_TYPE_DVBS, TuneShape::Satellite,
     {0x6390C905, 0x27C1, 0x4D67, {0xBD, 0xB7, 0x77, 0xC5, 0x0D, 0x07, 0x93, 0x00}}, 1,
     "Satellite BDA device found", "S", "satellite", "satellite", "DVB-S", "qpsk", true, true,
     "DVBS", "DVBS2", kSatelliteMinKHz, kSatelliteMaxKHz, 100, 72000, 0, 0, false,
     "  satellite    --freq MHz --sr KSPS [--pol H|V] --lnb universal|low-high|custom\n"
     "               [--lof1 MHZ --lof2 MHZ --lof-switch MHZ] [--lnb-power on|off]\n"
     "               [--diseqc none|A|B|C|D] [--tone auto|off|on] [--modulation MOD]\n"},
    {SRC_TYPE_DVBT, TuneShape::FrequencyBandwidth,
     {0x2DAC6E05, 0xEDBE, 0x4B9C, {0xB3, 0x87, 0x1B, 0x6F, 0xAD, 0x7D, 0x64, 0x95}}, 2,
     "Terrestrial BDA device found", "T", "terrestrial", "terrestrial", "DVB-T", "cofdm", false, true,
     "DVBT", "DVBT2", kGroundMinKHz, kGroundMaxKHz, 0, 0, 6, 8, true,
     "  terrestrial  --freq kHz --bw MHZ\n"},
    {SRC_TYPE_DVBC, TuneShape::FrequencySymbolRateQam,
     {0x71985F4D, 0x1CA1, 0x11D3, {0x9C, 0xC8, 0x00, 0xC0, 0x4F, 0x79, 0x71, 0xE0}}, 4,
     "Cable BDA device found", "C", "cable", "cable", "DVB-C", "qam", false, true,
     "DVBC/ANNEX_A", nullptr, kGroundMinKHz, kGroundMaxKHz, 1000, 7200, 0, 0, true,
     "  cable        --freq kHz --sr KSPS --qam N\n"},
    // The ATSC demodulator is not asked for the signal: the RF node gives it.
    {SRC_TYPE_ATSC, TuneShape::FrequencyOnly,
     {0x71985F4F, 0x1CA1, 0x11D3, {0x9C, 0xC8, 0x00, 0xC0, 0x4F, 0x79, 0x71, 0xE0}}, 8,
     "ATSC device found", "ATSC", "atsc", "ATSC", "ATSC", "8vsb", false, false,
     "ATSC", nullptr, kGroundMinKHz, kGroundMaxKHz, 0, 0, 6, 6, true,
     "  atsc         --freq kHz (a whole-MHz channel centre is tuned 1750 kHz lower)\n"},
};

constexpr bool RowsFollowTheCodes()
{
    int32_t nCode = 1;
    for (const TunerKind& kind : kTunerKinds)
        if (kind.eType != nCode++)
            return false;
    return nCode - 1 == SRC_TYPE_LAST;
}
static_assert(RowsFollowTheCodes(), "one row for each SourceType code from 1 to SRC_TYPE_LAST, in order");

// "a, b or c" of a list of numbers.
template <class It>
std::string OrWords(It first, It last)
{
    std::string words;
    for (It it = first; it != last; ++it)
        words += (it == first ? "" : it + 1 == last ? " or " : ", ") + std::to_string(*it);
    return words;
}

} // namespace

std::string BandwidthWords(const TunerKind& kind)
{
    uint32_t bandwidths[16] = {};
    uint32_t* pEnd = bandwidths;
    for (uint32_t n = kind.nMinBandwidthMHz; n && n <= kind.nMaxBandwidthMHz && pEnd < bandwidths + 16; ++n)
        *pEnd++ = n;
    return OrWords(static_cast<const uint32_t*>(bandwidths), static_cast<const uint32_t*>(pEnd));
}

std::string QamOrderWords()
{
    return OrWords(std::begin(kQamOrders), std::end(kQamOrders));
}

uint32_t TuneFieldsOfShape(TuneShape eShape)
{
    switch (eShape) {
    case TuneShape::Satellite:
        return TUNE_FIELD_FREQUENCY | TUNE_FIELD_POLARITY | TUNE_FIELD_SYMBOL_RATE | TUNE_FIELD_MODULATION |
               TUNE_FIELD_DISH;
    case TuneShape::FrequencyBandwidth: return TUNE_FIELD_FREQUENCY | TUNE_FIELD_BANDWIDTH;
    case TuneShape::FrequencySymbolRateQam:
        return TUNE_FIELD_FREQUENCY | TUNE_FIELD_SYMBOL_RATE | TUNE_FIELD_CONSTELLATION;
    case TuneShape::FrequencyOnly: return TUNE_FIELD_FREQUENCY;
    }
    return 0;
}

const TunerKind* TunerKindsBegin()
{
    return kTunerKinds;
}

const TunerKind* TunerKindsEnd()
{
    return kTunerKinds + sizeof(kTunerKinds) / sizeof(kTunerKinds[0]);
}

const TunerKind* FindTunerKind(int32_t nSourceType)
{
    for (const TunerKind& kind : kTunerKinds)
        if (kind.eType == nSourceType)
            return &kind;
    return nullptr;
}

const TunerKind* FindTunerKindByDeviceBit(int32_t nBit)
{
    for (const TunerKind& kind : kTunerKinds)
        if (kind.nDeviceBit == nBit)
            return &kind;
    return nullptr;
}

const TunerKind* FindTunerKindByNode(const void* pGuid)
{
    for (const TunerKind& kind : kTunerKinds)
        if (std::memcmp(&kind.DemodulatorNode, pGuid, sizeof(KindGuid)) == 0)
            return &kind;
    return nullptr;
}

int32_t DeviceTypeBitForSourceType(int32_t nSourceType)
{
    const TunerKind* pKind = FindTunerKind(nSourceType);
    return pKind ? pKind->nDeviceBit : 0;
}

SourceType SourceTypeForDeviceTypeBit(int32_t nBit)
{
    const TunerKind* pKind = FindTunerKindByDeviceBit(nBit);
    return pKind ? pKind->eType : SRC_TYPE_UNKNOWN;
}

uint32_t KindMaskOfFields(uint32_t nFields)
{
    uint32_t nMask = 0;
    for (const TunerKind& kind : kTunerKinds)
        if (TuneFieldsOfShape(kind.eShape) & nFields)
            nMask |= static_cast<uint32_t>(kind.nDeviceBit);
    return nMask;
}

uint32_t AllKindsMask()
{
    return KindMaskOfFields(TUNE_FIELD_FREQUENCY);
}
