#include "tuner/TunerKinds.h"

#include <cstring>

namespace {

const TunerKind kTunerKinds[] = {
    {SRC_TYPE_DVBS, {0x6390C905, 0x27C1, 0x4D67, {0xBD, 0xB7, 0x77, 0xC5, 0x0D, 0x07, 0x93, 0x00}}, 1,
     "Satellite BDA device found", "S", "satellite", true},
    {SRC_TYPE_DVBT, {0x2DAC6E05, 0xEDBE, 0x4B9C, {0xB3, 0x87, 0x1B, 0x6F, 0xAD, 0x7D, 0x64, 0x95}}, 2,
     "Terrestrial BDA device found", "T", "terrestrial", false},
    {SRC_TYPE_DVBC, {0x71985F4D, 0x1CA1, 0x11D3, {0x9C, 0xC8, 0x00, 0xC0, 0x4F, 0x79, 0x71, 0xE0}}, 4,
     "Cable BDA device found", "C", "cable", false},
    {SRC_TYPE_ATSC, {0x71985F4F, 0x1CA1, 0x11D3, {0x9C, 0xC8, 0x00, 0xC0, 0x4F, 0x79, 0x71, 0xE0}}, 8,
     "ATSC device found", "ATSC", "atsc", false},
};

} // namespace

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
