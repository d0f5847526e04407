// The kinds of the maker's tuners and everything the program ties to each, in one table:
// the demodulator node that tells the kind, the bit of the device-information record, the
// texts shown for it, how it is tuned (its tuning shape), the delivery systems of lists and
// channel files, its frequency band and symbol rates, whether a range scan applies, and the
// console help line of its tuning options. Code that depends on the kind asks this table or
// switches over the tuning shape. Plain C++ without windows.h.
#pragma once

#include "base/TuningCodes.h"

#include <cstdint>
#include <string>

// A GUID in its memory layout, comparable without windows.h.
struct KindGuid {
    uint32_t Data1;
    uint16_t Data2, Data3;
    uint8_t Data4[8];
};
static_assert(sizeof(KindGuid) == 16, "KindGuid has the memory layout of a GUID");

// What a tuning of a kind is made of.
enum class TuneShape {
    Satellite,                     // frequency (MHz), polarity, symbol rate, modulation, the dish
    FrequencyBandwidth,            // frequency (kHz) and channel bandwidth
    FrequencySymbolRateQam,        // frequency (kHz), symbol rate and QAM order
    FrequencyOnly,                 // frequency (kHz); the channel bandwidth is fixed
};

// The values a tuning of a shape takes, as bits: the dialog enables the fields of these,
// the console program accepts the options of these.
enum TuneField : uint32_t {
    TUNE_FIELD_FREQUENCY = 1,
    TUNE_FIELD_POLARITY = 2,
    TUNE_FIELD_SYMBOL_RATE = 4,
    TUNE_FIELD_MODULATION = 8,
    TUNE_FIELD_DISH = 16,          // LNB oscillators and preset, LNB power, DiSEqC, tone
    TUNE_FIELD_BANDWIDTH = 32,
    TUNE_FIELD_CONSTELLATION = 64,
};
uint32_t TuneFieldsOfShape(TuneShape eShape);

struct TunerKind {
    SourceType eType;
    TuneShape eShape;
    KindGuid DemodulatorNode;  // the node function that classifies a topology
    int32_t nDeviceBit;        // the kind as the device-information record carries it
    const char* pszFound;      // status text when the kind is set up
    const char* pszSystem;     // the capture name's system part
    const char* pszName;       // the kind in plain words
    const char* pszEntryName;  // the kind in the words of a list entry's messages
    const char* pszStandard;   // the broadcast standard's short name
    const char* pszNodeWord;   // the demodulator as a topology's description names it
    bool bNeedsLnb;            // tuning needs IBDA_LNBInfo and the driver's LNB record
    bool bDemodulatorStatistics;  // the demodulator node reports the signal
    const char* pszDeliverySystem;        // lists' and channel files' DELIVERY_SYSTEM word
    const char* pszSecondGeneration;      // the word of its second generation; null if none
    uint32_t nMinKHz, nMaxKHz;            // the band the tuning call is offered
    uint32_t nMinKsps, nMaxKsps;          // symbol rates; 0 for a shape without one
    uint32_t nMinBandwidthMHz, nMaxBandwidthMHz;  // channel bandwidths; one for a fixed one
    bool bRangeScan;                      // a scan over a frequency range applies
    const char* pszOptionsHelp;           // the console help's lines of its tuning options
};

// The QAM orders a frequency, symbol rate and QAM tuning takes.
constexpr uint32_t kQamOrders[] = {16, 32, 64, 128, 256};

// Every kind, in SourceType order.
const TunerKind* TunerKindsBegin();
const TunerKind* TunerKindsEnd();
struct TunerKindList {
    const TunerKind* begin() const { return TunerKindsBegin(); }
    const TunerKind* end() const { return TunerKindsEnd(); }
};
constexpr TunerKindList kAllTunerKinds = {};

// The entry of a SourceType code; null for codes of no kind.
const TunerKind* FindTunerKind(int32_t nSourceType);
// The entry of a device-information kind bit; null for any other value.
const TunerKind* FindTunerKindByDeviceBit(int32_t nBit);
// The entry whose demodulator node is this function; null for any other node.
const TunerKind* FindTunerKindByNode(const void* pGuid);

// The device-information kind bit of a SourceType code, 0 for codes of no kind.
int32_t DeviceTypeBitForSourceType(int32_t nSourceType);
// The SourceType code of a kind bit, SRC_TYPE_UNKNOWN for any other value.
SourceType SourceTypeForDeviceTypeBit(int32_t nBit);

// "6, 7 or 8": the kind's channel bandwidths in MHz.
std::string BandwidthWords(const TunerKind& kind);
// "16, 32, 64, 128 or 256".
std::string QamOrderWords();

// The device bits of every kind whose tuning takes one of these fields.
uint32_t KindMaskOfFields(uint32_t nFields);
// The device bits of every kind.
uint32_t AllKindsMask();
