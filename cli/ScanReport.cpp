#include "cli/ScanReport.h"

#include "base/JsonWriter.h"
#include "tuner/DriverRecords.h"
#include "base/TunerKinds.h"

namespace {

constexpr size_t COL_TUNING = 29, COL_LOCK = 9, COL_LEVELS = 8, COL_SID = 7, COL_NAME = 25, COL_PROVIDER = 17,
                 COL_VIDEO = 9;

// Pads to a column width in characters (UTF-8 continuation bytes take no place); a text
// as wide as its column or wider keeps one blank after it.
std::string Padded(const std::string& text, size_t nWidth)
{
    size_t nChars = 0;
    for (char c : text)
        nChars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return text + std::string(nChars < nWidth ? nWidth - nChars : 1, ' ');
}

std::string Pids(const std::vector<uint16_t>& pids)
{
    std::string text;
    for (uint16_t nPid : pids)
        text += (text.empty() ? "" : " ") + std::to_string(nPid);
    return text.empty() ? "-" : text;
}

std::string Counted(size_t n, const char* pszWord)
{
    return std::to_string(n) + " " + pszWord + (n == 1 ? "" : "s");
}

const char* StateName(ScanState eState)
{
    switch (eState) {
    case ScanState::Locked: return "locked";
    case ScanState::NoLock: return "no lock";
    case ScanState::Skipped: break;
    }
    return "skipped";
}

void JsonPids(CJsonWriter& json, const char* pszKey, const std::vector<uint16_t>& pids)
{
    json.Key(pszKey);
    json.BeginArray();
    for (uint16_t nPid : pids)
        json.Number(uint64_t{nPid});
    json.EndArray();
}

std::string ChannelName(const ScanService& service, const ScanRow& row)
{
    return CleanChannelName(service.strName, "Service " + std::to_string(service.nServiceId) + " (" +
                                                 std::to_string(row.nFrequencyKHz) + " kHz)");
}

} // namespace

std::string FormatScanTuning(int32_t nSourceType, const TuneValues& v)
{
    const std::string f = std::to_string(v.nFrequency);
    const TunerKind* pKind = FindTunerKind(nSourceType);
    if (!pKind)
        return f + " kHz";
    switch (pKind->eShape) {
    case TuneShape::Satellite:
        return f + " MHz " + (v.bVertical ? "V " : "H ") + std::to_string(v.nSymbolRate) + " ksps";
    case TuneShape::FrequencyBandwidth: return f + " kHz " + std::to_string(v.nBandwidth) + " MHz";
    case TuneShape::FrequencySymbolRateQam:
        return f + " kHz " + std::to_string(v.nSymbolRate) + " ksps QAM" + std::to_string(v.nConstellation);
    case TuneShape::FrequencyOnly: return f + " kHz";
    }
    return f + " kHz";
}

TuningListEntry MakeRangeTuningKeys(int32_t nSourceType, const TuneValues& v)
{
    TuningListEntry entry;
    entry.strName = "CHANNEL";
    const TunerKind* pKind = FindTunerKind(nSourceType);
    if (!pKind)
        return entry;
    entry.Set("DELIVERY_SYSTEM", pKind->pszDeliverySystem);
    entry.SetNumber("FREQUENCY", v.nFrequency * 1000);
    switch (pKind->eShape) {
    case TuneShape::Satellite:
        entry.SetNumber("SYMBOL_RATE", v.nSymbolRate * 1000);
        entry.Set("POLARIZATION", v.bVertical ? "VERTICAL" : "HORIZONTAL");
        break;
    case TuneShape::FrequencyBandwidth: entry.SetNumber("BANDWIDTH_HZ", v.nBandwidth * 1000000); break;
    case TuneShape::FrequencySymbolRateQam:
        entry.SetNumber("SYMBOL_RATE", v.nSymbolRate * 1000);
        entry.Set("MODULATION", "QAM/" + std::to_string(v.nConstellation));
        break;
    case TuneShape::FrequencyOnly: entry.Set("MODULATION", "VSB/8"); break;
    }
    return entry;
}

std::string FormatScanHeader()
{
    return Padded("FREQUENCY", COL_TUNING) + Padded("LOCK", COL_LOCK) + Padded("LEVELS", COL_LEVELS) +
           Padded("SID", COL_SID) + Padded("NAME", COL_NAME) + Padded("PROVIDER", COL_PROVIDER) +
           Padded("VIDEO", COL_VIDEO) + "AUDIO\n";
}

std::string FormatScanRow(const ScanRow& row)
{
    std::string text = Padded(row.strTuning, COL_TUNING) + Padded(StateName(row.eState), COL_LOCK);
    if (row.eState == ScanState::Skipped)
        return text + row.strReason + "\n";
    if (row.eState == ScanState::NoLock)
        return text.substr(0, text.find_last_not_of(' ') + 1) + "\n";
    text += Padded(std::to_string(row.nStrength) + "/" + std::to_string(row.nQuality), COL_LEVELS);
    const std::string indent(COL_TUNING + COL_LOCK + COL_LEVELS, ' ');
    if (row.Services.empty())
        text += "no PAT read\n";
    for (size_t i = 0; i < row.Services.size(); ++i) {
        const ScanService& s = row.Services[i];
        text += (i ? indent : "") + Padded(std::to_string(s.nServiceId), COL_SID) +
                Padded(s.strName.empty() ? "-" : s.strName, COL_NAME) +
                Padded(s.strProvider.empty() ? "-" : s.strProvider, COL_PROVIDER) +
                Padded(s.bPmtSeen ? Pids(s.VideoPids) : "?", COL_VIDEO) + (s.bPmtSeen ? Pids(s.AudioPids) : "?") + "\n";
    }
    if (!row.bTablesComplete && !row.Services.empty())
        text += indent + "(not every PMT and name arrived within " + std::to_string(SCAN_SERVICE_WAIT_MS / 1000) +
                " s)\n";
    return text;
}

std::string FormatScanEnd(const std::vector<ScanRow>& rows, const ScanEnd& end)
{
    size_t nLocked = 0, nSkipped = 0, nServices = 0;
    for (const ScanRow& row : rows) {
        nLocked += row.eState == ScanState::Locked;
        nSkipped += row.eState == ScanState::Skipped;
        nServices += row.Services.size();
    }
    std::string text = Counted(nServices, "service") + " on " + std::to_string(nLocked) + " of " +
                       std::to_string(end.nScanned) + (end.nScanned == 1 ? " frequency (" : " frequencies (") +
                       std::to_string(nSkipped) + " skipped)";
    if (end.bStopped)
        text += "; stopped by Ctrl+C, " + std::to_string(end.nSteps - end.nScanned) + " not scanned";
    if (!end.strChannelFile.empty())
        text += "; " + Counted(end.nChannels, "channel") + " written to " + end.strChannelFile;
    return text + "\n";
}

std::string FormatScanJson(const std::string& strTuner, const std::vector<ScanRow>& rows, const ScanEnd& end)
{
    CJsonWriter json;
    json.BeginObject();
    json.Key("tuner");
    json.String(strTuner);
    json.Key("steps");
    json.Number(uint64_t{end.nSteps});
    json.Key("scanned");
    json.Number(uint64_t{end.nScanned});
    json.Key("stopped");
    json.Bool(end.bStopped);
    json.Key("channel_file");
    json.String(end.strChannelFile);
    json.Key("channels");
    json.Number(uint64_t{end.nChannels});
    json.Key("frequencies");
    json.BeginArray();
    for (const ScanRow& row : rows) {
        json.BeginObject();
        json.Key("tuning");
        json.String(row.strTuning);
        json.Key("frequency_khz");
        json.Number(uint64_t{row.nFrequencyKHz});
        json.Key("state");
        json.String(StateName(row.eState));
        if (row.eState == ScanState::Skipped) {
            json.Key("reason");
            json.String(row.strReason);
        }
        if (row.eState == ScanState::Locked) {
            json.Key("strength");
            json.Number(int64_t{row.nStrength});
            json.Key("quality");
            json.Number(int64_t{row.nQuality});
            json.Key("tables_complete");
            json.Bool(row.bTablesComplete);
            json.Key("services");
            json.BeginArray();
            for (const ScanService& s : row.Services) {
                json.BeginObject();
                json.Key("service_id");
                json.Number(uint64_t{s.nServiceId});
                json.Key("pmt_pid");
                json.Number(uint64_t{s.nPmtPid});
                json.Key("pmt_read");
                json.Bool(s.bPmtSeen);
                json.Key("name");
                json.String(s.strName);
                json.Key("provider");
                json.String(s.strProvider);
                json.Key("virtual_channel");
                json.String(s.strVirtualChannel);
                JsonPids(json, "video_pids", s.VideoPids);
                JsonPids(json, "audio_pids", s.AudioPids);
                json.EndObject();
            }
            json.EndArray();
        }
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Text() + "\n";
}

std::vector<TuningListEntry> MakeScanChannels(const std::vector<ScanRow>& rows)
{
    std::vector<TuningListEntry> channels;
    for (const ScanRow& row : rows) {
        if (row.eState != ScanState::Locked)
            continue;
        for (const ScanService& s : row.Services)
            channels.push_back(MakeChannelEntry(ChannelName(s, row), {s.nServiceId, s.nPmtPid, s.VideoPids, s.AudioPids,
                                                                     s.strVirtualChannel},
                                                row.Tuning));
    }
    return channels;
}
