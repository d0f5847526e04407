// Settings of one simulated device, as a scenario gives them and as the device instance
// keeps them in its registry values (one value per key). Windows-free.
#pragma once

#include "simtuner/SimLock.h"
#include "simtuner/SimVendorRequest.h"
#include "simtuner/TsGenerator.h"

#include <string>
#include <vector>

// A node of a tuner's BDA topology: the RF tuner, or the demodulator of a tuner kind.
using SimNode = SourceType;
constexpr SimNode SIM_NODE_RF_TUNER = SRC_TYPE_UNKNOWN;

struct SimTunerSettings {
    std::string sName;                  // the device's "FriendlyName"
    SourceType eKind = SRC_TYPE_DVBS;
    bool bKindGiven = false;
    std::vector<SimNode> Nodes;         // topology nodes in descriptor order
    int nLnbInfo = -1;                  // IBDA_LNBInfo on the RF tuner node: 1, 0, -1 by kind
    std::string sInputPinName = "Input0";
    int nExposedPins = 2;               // 2 both, 1 the input, 0 none; the rest come from CreatePin
    SimVendorDevice Vendor;
    bool bDeviceTypeGiven = false;
    bool bMacGiven = false;
    SimLnb Lnb;
    std::vector<SimChannel> Channels;
    int32_t nStrength = 80;
    int32_t nQuality = 90;
    uint32_t nLockDelayMs = 100;
    uint64_t nBitrate = 20000000;       // bits per second
    uint32_t nSampleSize = 50000;       // bytes per media sample
    bool bPropertySet = true;           // the input pin offers IKsPropertySet
    std::string sTsFile;                // empty: the synthetic stream
    TsGeneratorConfig Stream;
    uint32_t nBufferMs = 5000;          // stream the driver holds while a delivery blocks
};

struct SimReceiverSettings {
    std::string sName;
    bool bRefuse = false;  // its input pin refuses every connection
};

// Which part of the settings a key sets.
enum class SimKeyGroup { Device, Vendor, Stream };

struct SimTunerKey {
    const char* pszKey;
    SimKeyGroup eGroup;
    const char* pszExample;  // a value it takes; the simulator guide's key table has its row
};

// Every key a tuner section may carry besides its name, in the order they are written to
// the registry. The scenario reader applies only these and the filter reads exactly these
// back, so a key cannot be taken by one and missed by the other.
extern const SimTunerKey kSimTunerKeys[];
extern const size_t kSimTunerKeyCount;
extern const char* const kSimReceiverKeys[];
extern const size_t kSimReceiverKeyCount;

// A tuner with every setting at its default for the kind (no channels, no name).
SimTunerSettings DefaultTunerSettings();

// Applies one key (lower case) and its value; returns an empty text or what is wrong.
// "channel" adds channels: one, or several separated by ';'.
std::string ApplyTunerSetting(SimTunerSettings& s, const std::string& key, const std::string& value);
// Fills what depends on other settings (nodes, LNB interface, device type, demodulator
// codes) and checks the whole; returns an empty text or what is wrong.
std::string FinishTunerSettings(SimTunerSettings& s);

std::string ApplyReceiverSetting(SimReceiverSettings& s, const std::string& key, const std::string& value);
std::string FinishReceiverSettings(SimReceiverSettings& s);

// The demodulator kind of a topology: the first demodulator node decides; false without one.
bool KindOfNodes(const std::vector<SimNode>& nodes, SourceType* pKind);
