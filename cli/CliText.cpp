#include "cli/CliText.h"

#include "base/JsonWriter.h"
#include "base/TextCompare.h"
#include "capture/CaptureState.h"
#include "base/TunerKinds.h"

#include <cctype>
#include <cstdio>

namespace {

std::string KindName(int32_t nSourceType)
{
    const TunerKind* pKind = FindTunerKind(nSourceType);
    return pKind ? pKind->pszName : "unknown";
}

// "00-1b-c5-01-02-03" and "00:1B:C5:01:02:03" name the same device.
std::string NormalisedMac(const std::string& text)
{
    std::string mac;
    for (char c : text)
        mac += c == ':' ? '-' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return mac;
}

} // namespace

int FindCliTuner(const std::vector<CliTunerEntry>& entries, const std::string& strTuner)
{
    if (!strTuner.empty() && strTuner.size() <= 2 && strTuner.find_first_not_of("0123456789") == std::string::npos) {
        const int nIndex = std::stoi(strTuner);
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].nIndex == nIndex)
                return static_cast<int>(i);
        return -1;
    }
    const std::string mac = NormalisedMac(strTuner);
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].bRecordsRead && entries[i].strMac == mac)
            return static_cast<int>(i);
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].strName == strTuner)
            return static_cast<int>(i);
    for (size_t i = 0; i < entries.size(); ++i)
        if (EqualsIgnoringCase(entries[i].strName, strTuner))
            return static_cast<int>(i);
    return -1;
}

std::string FormatTunerListText(const std::vector<CliTunerEntry>& entries, int nOthers)
{
    const std::string others =
        nOthers <= 0 ? std::string()
                     : std::to_string(nOthers) + (nOthers == 1 ? " other tuner was" : " other tuners were") +
                           " left out: not the maker's.\n";
    if (entries.empty())
        return "No tuner of the maker found.\n" + others;
    std::string text;
    for (const CliTunerEntry& entry : entries) {
        text += std::to_string(entry.nIndex) + "  " + entry.strName + "  " + KindName(entry.nSourceType) + "  " +
                (entry.bRecordsRead ? entry.strMac : "MAC unknown") + "\n";
        if (entry.bRecordsRead) {
            text += "   driver: " + entry.strDriverLine + "\n";
            text += "   device: " + entry.strDeviceLine + "\n";
        } else {
            text += "   the driver did not answer the device and driver requests\n";
        }
    }
    return text + others;
}

std::string FormatTunerListJson(const std::vector<CliTunerEntry>& entries, int nOthers)
{
    CJsonWriter json;
    json.BeginObject();
    json.Key("tuners");
    json.BeginArray();
    for (const CliTunerEntry& entry : entries) {
        json.BeginObject();
        json.Key("index");
        json.Number(static_cast<int64_t>(entry.nIndex));
        json.Key("name");
        json.String(entry.strName);
        json.Key("kind");
        json.String(KindName(entry.nSourceType));
        json.Key("records");
        json.Bool(entry.bRecordsRead);
        json.Key("mac");
        json.String(entry.bRecordsRead ? entry.strMac : "");
        json.Key("driver");
        json.String(entry.bRecordsRead ? entry.strDriverLine : "");
        json.Key("device");
        json.String(entry.bRecordsRead ? entry.strDeviceLine : "");
        json.EndObject();
    }
    json.EndArray();
    json.Key("others_left_out");
    json.Number(static_cast<int64_t>(nOthers));
    json.EndObject();
    return json.Text() + "\n";
}

std::string FormatSignalLine(bool bLocked, long nStrength, long nQuality)
{
    return std::string(bLocked ? "locked" : "no lock") + "  strength " + std::to_string(nStrength) + "  quality " +
           std::to_string(nQuality);
}

std::string FormatSignalJson(const std::string& strTime, bool bLocked, long nStrength, long nQuality)
{
    CJsonWriter json;
    json.BeginObject();
    json.Key("time");
    json.String(strTime);
    json.Key("locked");
    json.Bool(bLocked);
    json.Key("strength");
    json.Number(static_cast<int64_t>(nStrength));
    json.Key("quality");
    json.Number(static_cast<int64_t>(nQuality));
    json.EndObject();
    return json.Text();
}

std::string FormatProgressLine(const CaptureProgressFigures& f)
{
    const uint64_t nSeconds = f.nElapsedMs / 1000;
    const StreamProgress& s = f.Stream;
    const uint64_t nErrors = s.nCcErrors + s.nSyncLosses + s.nTeiPackets + s.nPsiCrcErrors;
    char szLine[320];
    snprintf(szLine, sizeof(szLine),
             "%02llu:%02llu:%02llu  %.2f MB  %.2f Mbit/s  %s  errors %llu (cc %llu, sync %llu, tei %llu, crc %llu)"
             "  buffer peak %llu%%  dropped %.2f MB",
             static_cast<unsigned long long>(nSeconds / 3600), static_cast<unsigned long long>(nSeconds / 60 % 60),
             static_cast<unsigned long long>(nSeconds % 60), static_cast<double>(f.nBytes) / CAPTURE_BYTES_PER_MB,
             static_cast<double>(f.nBytesPerSecond) * 8.0 / 1e6,
             FormatSignalLine(f.bLocked, f.nStrength, f.nQuality).c_str(), static_cast<unsigned long long>(nErrors),
             static_cast<unsigned long long>(s.nCcErrors), static_cast<unsigned long long>(s.nSyncLosses),
             static_cast<unsigned long long>(s.nTeiPackets), static_cast<unsigned long long>(s.nPsiCrcErrors),
             static_cast<unsigned long long>(f.nBufferHighestPercent), static_cast<double>(f.nDroppedBytes) / 1048576.0);
    return szLine;
}

std::string FormatErrorJson(int nExit, const std::string& strReason)
{
    static const char* const kWhat[] = {"",        "the system refused an operation", "bad argument",
                                        "no such tuner", "no lock", "the output cannot be opened",
                                        "a write failed", "the tuner is in use"};
    const bool bKnown = nExit > 0 && nExit < static_cast<int>(sizeof(kWhat) / sizeof(kWhat[0]));
    CJsonWriter json;
    json.BeginObject();
    json.Key("error");
    json.String(bKnown ? kWhat[nExit] : "failed");
    if (!strReason.empty()) {
        json.Key("reason");
        json.String(strReason);
    }
    json.Key("exit_code");
    json.Number(int64_t{nExit});
    json.EndObject();
    return json.Text();
}
