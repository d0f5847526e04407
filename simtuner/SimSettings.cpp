#include "simtuner/SimSettings.h"

#include "base/TextCompare.h"
#include "simtuner/SimStreamSettings.h"
#include "simtuner/SimText.h"
#include "base/TunerKinds.h"

#include <cstring>

const SimTunerKey kSimTunerKeys[] = {
    {"kind", SimKeyGroup::Device, "cable"},
    {"nodes", SimKeyGroup::Device, "rf qam"},
    {"lnb_info", SimKeyGroup::Device, "no"},
    {"input_pin", SimKeyGroup::Device, "Antenna In Pin"},
    {"pins", SimKeyGroup::Device, "input"},
    {"property_set", SimKeyGroup::Device, "no"},
    {"device_name", SimKeyGroup::Vendor, "QLSIM X"},
    {"device_type", SimKeyGroup::Vendor, "4"},
    {"mac", SimKeyGroup::Vendor, "00-1B-C5-01-02-03"},
    {"driver_version", SimKeyGroup::Vendor, "01 06"},
    {"firmware_version", SimKeyGroup::Vendor, "02 03"},
    {"driver_text", SimKeyGroup::Vendor, "QLBDA"},
    {"driver_text2", SimKeyGroup::Vendor, "simulated"},
    {"vendor_check", SimKeyGroup::Vendor, "reject"},
    {"record", SimKeyGroup::Vendor, "both"},
    {"lnb", SimKeyGroup::Device, "9750000 10600000 11700000"},
    {"channel", SimKeyGroup::Device, "346000 sr=6900 qam=256"},
    {"strength", SimKeyGroup::Device, "70"},
    {"quality", SimKeyGroup::Device, "60"},
    {"lock_delay", SimKeyGroup::Device, "50"},
    {"bitrate", SimKeyGroup::Device, "1000000"},
    {"sample_size", SimKeyGroup::Device, "1000"},
    {"source", SimKeyGroup::Device, "synthetic"},
    {"programs", SimKeyGroup::Device, "2"},
    {"psi_interval", SimKeyGroup::Device, "100"},
    {"test_share", SimKeyGroup::Device, "400"},
    {"first_seq", SimKeyGroup::Device, "5"},
    {"drop_every", SimKeyGroup::Device, "10"},
    {"bad_crc_every", SimKeyGroup::Device, "10"},
    {"garbage_every", SimKeyGroup::Device, "10"},
    {"garbage_bytes", SimKeyGroup::Device, "5"},
    {"tsid", SimKeyGroup::Stream, "7"},
    {"onid", SimKeyGroup::Stream, "8"},
    {"provider", SimKeyGroup::Stream, "QLSim"},
    {"service", SimKeyGroup::Stream, "1 News"},
    {"buffer_ms", SimKeyGroup::Stream, "200"},
};
const size_t kSimTunerKeyCount = sizeof(kSimTunerKeys) / sizeof(kSimTunerKeys[0]);
const char* const kSimReceiverKeys[] = {"refuse"};
const size_t kSimReceiverKeyCount = sizeof(kSimReceiverKeys) / sizeof(kSimReceiverKeys[0]);

namespace {

constexpr uint32_t MAX_SAMPLE_SIZE = 4 * 1024 * 1024;
constexpr uint64_t MAX_BITRATE = 2000000000ull;
constexpr size_t MAX_NODES = 64;

std::string Bad(const std::string& key, const std::string& value)
{
    return "bad value for " + key + ": '" + value + "'";
}

// A kind by its plain name or its standard's short name, in any case.
bool ParseKind(const std::string& text, SourceType* pKind)
{
    const std::string t = TrimText(text);
    for (const TunerKind& kind : kAllTunerKinds)
        if (EqualsIgnoringCase(t, kind.pszName) || EqualsIgnoringCase(t, kind.pszStandard)) {
            *pKind = kind.eType;
            return true;
        }
    return false;
}

bool ParseNode(const std::string& text, SimNode* pNode)
{
    if (text == "rf") {
        *pNode = SIM_NODE_RF_TUNER;
        return true;
    }
    for (const TunerKind& kind : kAllTunerKinds)
        if (text == kind.pszNodeWord) {
            *pNode = kind.eType;
            return true;
        }
    return false;
}

// "rf qpsk", "rf*21 qpsk"; "none" gives an empty topology.
bool ParseNodes(const std::string& text, std::vector<SimNode>* pNodes)
{
    std::vector<SimNode> nodes;
    for (const std::string& item : SplitText(LowerText(text), " \t,")) {
        if (item == "none")
            continue;
        const size_t star = item.find('*');
        uint64_t count = 1;
        if (star != std::string::npos && !ParseUnsigned(item.substr(star + 1), MAX_NODES, &count))
            return false;
        SimNode node;
        if (!ParseNode(item.substr(0, star), &node))
            return false;
        nodes.insert(nodes.end(), static_cast<size_t>(count), node);
        if (nodes.size() > MAX_NODES)
            return false;
    }
    *pNodes = nodes;
    return true;
}

bool ParseHexBytes(const std::string& text, uint8_t* pBytes, size_t nCount)
{
    const std::vector<std::string> parts = SplitText(text, " \t.:-");
    if (parts.size() != nCount)
        return false;
    for (size_t i = 0; i < nCount; ++i) {
        uint64_t value;
        if (parts[i].size() > 2 || !ParseUnsigned("0x" + parts[i], 0xFF, &value))
            return false;
        pBytes[i] = static_cast<uint8_t>(value);
    }
    return true;
}

bool CopyText(const std::string& text, char* pTarget, size_t nSize)
{
    if (text.size() >= nSize)
        return false;
    std::memset(pTarget, 0, nSize);
    std::memcpy(pTarget, text.data(), text.size());
    return true;
}

// The BDA modulation type of a QAM order, 0 for an order the maker's cards do not know.
int32_t QamModulation(uint32_t order)
{
    switch (order) {
    case 16: return 1;
    case 32: return 2;
    case 64: return 3;
    case 128: return 7;
    case 256: return 11;
    default: return 0;
    }
}

// "11778000 pol=V sr=27500 tol=500 strength=70 quality=85"
bool ParseChannel(const std::string& text, SimChannel* pChannel)
{
    const std::vector<std::string> parts = SplitText(LowerText(text), " \t");
    uint64_t value;
    if (parts.empty() || !ParseUnsigned(parts[0], 0xFFFFFFFE, &value))
        return false;
    SimChannel channel;
    channel.nFrequencyKHz = static_cast<uint32_t>(value);
    for (size_t i = 1; i < parts.size(); ++i) {
        const size_t eq = parts[i].find('=');
        if (eq == std::string::npos)
            return false;
        const std::string name = parts[i].substr(0, eq);
        const std::string v = parts[i].substr(eq + 1);
        if (name == "pol") {
            if (v != "h" && v != "v")
                return false;
            channel.nPolarity = v == "h" ? SIM_POLARITY_H : SIM_POLARITY_V;
        } else if (name == "strength" || name == "quality") {
            if (!ParseSigned32(v, name == "strength" ? &channel.nStrength : &channel.nQuality))
                return false;
        } else {
            if (!ParseUnsigned(v, 0xFFFFFFFE, &value))
                return false;
            const uint32_t n = static_cast<uint32_t>(value);
            if (name == "sr")
                channel.nSymbolRate = n;
            else if (name == "bw")
                channel.nBandwidthMHz = n;
            else if (name == "qam" && QamModulation(n) != 0)
                channel.nModulation = QamModulation(n);
            else if (name == "tol")
                channel.nToleranceKHz = n;
            else
                return false;
        }
    }
    *pChannel = channel;
    return true;
}

bool SetUnsigned(const std::string& value, uint64_t nMax, uint32_t* pTarget)
{
    uint64_t v;
    if (!ParseUnsigned(value, nMax, &v))
        return false;
    *pTarget = static_cast<uint32_t>(v);
    return true;
}

// Keys of the synthetic stream.
uint32_t* StreamField(TsGeneratorConfig& c, const std::string& key)
{
    if (key == "programs") return &c.nPrograms;
    if (key == "psi_interval") return &c.nPsiInterval;
    if (key == "test_share") return &c.nTestPerMille;
    if (key == "first_seq") return &c.nFirstSeq;
    if (key == "drop_every") return &c.nDropEvery;
    if (key == "bad_crc_every") return &c.nBadCrcEvery;
    if (key == "garbage_every") return &c.nGarbageEvery;
    if (key == "garbage_bytes") return &c.nGarbageBytes;
    return nullptr;
}

uint32_t NameHash(const std::string& name)
{
    uint32_t hash = 2166136261u;
    for (char c : name)
        hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
    return hash;
}

std::string ApplyVendorSetting(SimTunerSettings& s, const std::string& key, const std::string& value, bool* pKnown)
{
    *pKnown = true;
    DeviceInfoRecord& dev = s.Vendor.DeviceInfo;
    DriverInfoRecord& drv = s.Vendor.DriverInfo;
    bool ok = true;
    if (key == "device_name") {
        ok = CopyText(value, dev.szDeviceName, sizeof(dev.szDeviceName));
    } else if (key == "device_type") {
        ok = ParseSigned32(value, &dev.nDeviceType);
        s.bDeviceTypeGiven = ok;
    } else if (key == "mac") {
        ok = ParseHexBytes(value, dev.Mac, sizeof(dev.Mac));
        s.bMacGiven = s.bMacGiven || ok;
    } else if (key == "driver_version") {
        ok = ParseHexBytes(value, drv.DriverVersion, 2);
    } else if (key == "firmware_version") {
        ok = ParseHexBytes(value, drv.FirmwareVersion, 2);
    } else if (key == "driver_text") {
        ok = CopyText(value, drv.szText1, sizeof(drv.szText1));
    } else if (key == "driver_text2") {
        ok = CopyText(value, drv.szText2, sizeof(drv.szText2));
    } else if (key == "vendor_check") {
        const std::string v = LowerText(value);
        uint64_t status;
        if (v == "accept")
            s.Vendor.hrCheckInterface = SIM_S_OK;
        else if (v == "reject")
            s.Vendor.hrCheckInterface = SIM_E_NOT_SUPPORTED;
        else if ((ok = ParseUnsigned(v, 0xFFFFFFFF, &status)))
            s.Vendor.hrCheckInterface = static_cast<int32_t>(static_cast<uint32_t>(status));
    } else if (key == "record") {
        const std::string v = LowerText(value);
        if (v == "40")
            s.Vendor.nRecordLayouts = SIM_RECORD_40;
        else if (v == "64")
            s.Vendor.nRecordLayouts = SIM_RECORD_64;
        else if (v == "both")
            s.Vendor.nRecordLayouts = SIM_RECORD_40 | SIM_RECORD_64;
        else
            ok = false;
    } else {
        *pKnown = false;
    }
    return ok ? std::string() : Bad(key, value);
}

std::string ApplyDeviceSetting(SimTunerSettings& s, const std::string& key, const std::string& value, bool* pKnown);

} // namespace

SimTunerSettings DefaultTunerSettings()
{
    SimTunerSettings s;
    s.Vendor.DriverInfo.DriverVersion[0] = 0x01;
    s.Vendor.DriverInfo.DriverVersion[1] = 0x06;
    s.Vendor.DriverInfo.FirmwareVersion[0] = 0x02;
    s.Vendor.DriverInfo.FirmwareVersion[1] = 0x03;
    CopyText("QLBDA", s.Vendor.DriverInfo.szText1, sizeof(s.Vendor.DriverInfo.szText1));
    // The program writes " driver ver." after this text: the default says "driver" once.
    CopyText("Quillon BDA simulated", s.Vendor.DriverInfo.szText2, sizeof(s.Vendor.DriverInfo.szText2));
    return s;
}

std::string ApplyTunerSetting(SimTunerSettings& s, const std::string& key, const std::string& rawValue)
{
    const std::string value = TrimText(rawValue);
    if (key == "name") {
        s.sName = value;
        return value.empty() ? Bad(key, value) : std::string();
    }
    const SimTunerKey* pKey = nullptr;
    for (size_t i = 0; !pKey && i < kSimTunerKeyCount; ++i)
        if (key == kSimTunerKeys[i].pszKey)
            pKey = &kSimTunerKeys[i];
    if (!pKey)
        return "unknown key " + key;
    bool bKnown = false;
    std::string error;
    switch (pKey->eGroup) {
    case SimKeyGroup::Vendor: error = ApplyVendorSetting(s, key, value, &bKnown); break;
    case SimKeyGroup::Stream: error = ApplyStreamSetting(s, key, value, &bKnown); break;
    case SimKeyGroup::Device: error = ApplyDeviceSetting(s, key, value, &bKnown); break;
    }
    // A listed key that its group does not take is a fault of the table, not of the value.
    return bKnown ? error : "key " + key + " is listed but not applied";
}

namespace {

std::string ApplyDeviceSetting(SimTunerSettings& s, const std::string& key, const std::string& value, bool* pKnown)
{
    *pKnown = true;
    bool ok = true;
    bool bYes = false;
    if (key == "kind") {
        ok = ParseKind(value, &s.eKind);
        s.bKindGiven = ok;
    } else if (key == "nodes") {
        ok = ParseNodes(value, &s.Nodes);
    } else if (key == "lnb_info") {
        ok = ParseYesNo(value, &bYes);
        s.nLnbInfo = bYes ? 1 : 0;
    } else if (key == "input_pin") {
        ok = !value.empty();
        s.sInputPinName = value;
    } else if (key == "pins") {
        const std::string v = LowerText(value);
        if (v == "both" || v == "exposed")
            s.nExposedPins = 2;
        else if (v == "input")
            s.nExposedPins = 1;
        else if (v == "none" || v == "on-demand")
            s.nExposedPins = 0;
        else
            ok = false;
    } else if (key == "property_set") {
        ok = ParseYesNo(value, &s.bPropertySet);
    } else if (key == "lnb") {
        const std::vector<std::string> parts = SplitText(value, " \t");
        ok = parts.size() == 3 && SetUnsigned(parts[0], 0xFFFFFFFE, &s.Lnb.nLofLowKHz) &&
             SetUnsigned(parts[1], 0xFFFFFFFE, &s.Lnb.nLofHighKHz) &&
             SetUnsigned(parts[2], 0xFFFFFFFE, &s.Lnb.nSwitchKHz);
    } else if (key == "channel") {
        for (const std::string& item : SplitText(value, ";")) {
            SimChannel channel;
            if (TrimText(item).empty())
                continue;
            if (!ParseChannel(TrimText(item), &channel))
                return Bad(key, item);
            s.Channels.push_back(channel);
        }
    } else if (key == "strength") {
        ok = ParseSigned32(value, &s.nStrength);
    } else if (key == "quality") {
        ok = ParseSigned32(value, &s.nQuality);
    } else if (key == "lock_delay") {
        ok = SetUnsigned(value, 600000, &s.nLockDelayMs);
    } else if (key == "bitrate") {
        uint64_t v;
        ok = ParseUnsigned(value, MAX_BITRATE, &v) && v > 0;
        s.nBitrate = ok ? v : s.nBitrate;
    } else if (key == "sample_size") {
        ok = SetUnsigned(value, MAX_SAMPLE_SIZE, &s.nSampleSize) && s.nSampleSize > 0;
    } else if (key == "source") {
        if (LowerText(value) == "synthetic")
            s.sTsFile.clear();
        else if ((ok = LowerText(value.substr(0, 5)) == "file:" && value.size() > 5))
            s.sTsFile = TrimText(value.substr(5));
    } else if (uint32_t* pField = StreamField(s.Stream, key)) {
        ok = SetUnsigned(value, 0xFFFFFFFF, pField);
    } else {
        *pKnown = false;
    }
    return ok ? std::string() : Bad(key, value);
}

} // namespace

bool KindOfNodes(const std::vector<SimNode>& nodes, SourceType* pKind)
{
    for (SimNode node : nodes)
        if (FindTunerKind(node)) {
            *pKind = node;
            return true;
        }
    return false;
}

std::string FinishTunerSettings(SimTunerSettings& s)
{
    if (s.sName.empty())
        return "a tuner needs a name";
    if (!s.bKindGiven && !KindOfNodes(s.Nodes, &s.eKind))
        s.eKind = SRC_TYPE_DVBS;
    const TunerKind* pKind = FindTunerKind(s.eKind);
    if (!pKind)
        return "a tuner needs a kind";
    if (s.Nodes.empty())
        s.Nodes = {SIM_NODE_RF_TUNER, pKind->eType};
    if (s.nLnbInfo < 0)
        s.nLnbInfo = pKind->bNeedsLnb ? 1 : 0;
    DeviceInfoRecord& dev = s.Vendor.DeviceInfo;
    if (!s.bDeviceTypeGiven)
        dev.nDeviceType = pKind->nDeviceBit;
    if (dev.szDeviceName[0] == '\0')
        CopyText(std::string("QLSIM ") + pKind->pszStandard, dev.szDeviceName, sizeof(dev.szDeviceName));
    if (!s.bMacGiven) {
        // A MAC of the maker's range that stays the same for the same name.
        const uint32_t hash = NameHash(s.sName);
        const uint8_t mac[6] = {0x00, 0x1B, 0xC5, static_cast<uint8_t>(hash >> 16), static_cast<uint8_t>(hash >> 8),
                                static_cast<uint8_t>(hash)};
        std::memcpy(dev.Mac, mac, sizeof(mac));
    }

    for (SimChannel& c : s.Channels) {
        const std::string where = "channel " + std::to_string(c.nFrequencyKHz) + ": ";
        switch (pKind->eShape) {
        case TuneShape::Satellite:
            if (c.nPolarity == 0 || c.nSymbolRate == 0)
                return where + "a satellite channel needs pol= and sr=";
            break;
        case TuneShape::FrequencyBandwidth:
            if (c.nBandwidthMHz == 0)
                return where + "a terrestrial channel needs bw=";
            break;
        case TuneShape::FrequencySymbolRateQam:
            if (c.nSymbolRate == 0 || c.nModulation == 0)
                return where + "a cable channel needs sr= and qam=";
            break;
        case TuneShape::FrequencyOnly:
            break;
        }
    }
    return FinishStreamSettings(s);
}

std::string ApplyReceiverSetting(SimReceiverSettings& s, const std::string& key, const std::string& rawValue)
{
    const std::string value = TrimText(rawValue);
    if (key == "name") {
        s.sName = value;
        return value.empty() ? Bad(key, value) : std::string();
    }
    if (key == "refuse")
        return ParseYesNo(value, &s.bRefuse) ? std::string() : Bad(key, value);
    return "unknown key " + key;
}

std::string FinishReceiverSettings(SimReceiverSettings& s)
{
    return s.sName.empty() ? "a receiver needs a name" : std::string();
}
