#include "ts/HealthReport.h"

#include "base/JsonWriter.h"
#include "ts/StreamTypes.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>

namespace {

void Line(std::string& out, const char* pszFormat, ...)
{
    char line[512];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(line, sizeof(line), pszFormat, args);
    va_end(args);
    out += line;
    out += '\n';
}

std::string Rate(const RateHealth& rate)
{
    if (rate.nMeasuredMs == 0)
        return "not measured";
    char text[160];
    std::snprintf(text, sizeof(text), "average %" PRIu64 " bit/s, peak %s over %" PRIu64 " ms", rate.nAverageBps,
                  rate.nPeakBps != 0 ? (std::to_string(rate.nPeakBps) + " bit/s").c_str() : "-", rate.nMeasuredMs);
    return text;
}

void RateJson(CJsonWriter& json, const RateHealth& rate)
{
    json.Key("average_bps");
    json.Number(rate.nAverageBps);
    json.Key("peak_bps");
    json.Number(rate.nPeakBps);
    json.Key("measured_ms");
    json.Number(rate.nMeasuredMs);
}

void Field(CJsonWriter& json, const char* pszKey, uint64_t value)
{
    json.Key(pszKey);
    json.Number(value);
}

void Field(CJsonWriter& json, const char* pszKey, int64_t value)
{
    json.Key(pszKey);
    json.Number(value);
}

void Field(CJsonWriter& json, const char* pszKey, const std::string& value)
{
    json.Key(pszKey);
    json.String(value);
}

void RecordingText(std::string& out, const RecordingHealth& r)
{
    Line(out, "Recording");
    Line(out, "  Tuner                %s (%s)", r.Tuner.c_str(), r.Tuning.c_str());
    Line(out, "  Output               %s (%u part%s)", r.Output.c_str(), r.nParts, r.nParts == 1 ? "" : "s");
    Line(out, "  Duration             %" PRIu64 " ms, ended by %s, exit code %d", r.nDurationMs, r.End.c_str(),
         r.nExitCode);
    Line(out, "  Bytes written        %" PRIu64, r.nBytesWritten);
    Line(out, "  Dropped, slow output %" PRIu64 " bytes, %" PRIu64 " samples, %" PRIu64 " times", r.nBytesDropped,
         r.nSamplesDropped, r.nDropEvents);
    Line(out, "  Skipped, not written %" PRIu64 " bytes", r.nSkippedBytes);
    Line(out, "  Buffer highest fill  %" PRIu64 " of %" PRIu64 " bytes", r.nRingHighest, r.nRingBytes);
    Line(out, "  Output blocked       %" PRIu64 " ms at most", r.nLongestBlockMs);
}

void RecordingJson(CJsonWriter& json, const RecordingHealth& r)
{
    json.Key("recording");
    json.BeginObject();
    Field(json, "tuner", r.Tuner);
    Field(json, "tuning", r.Tuning);
    Field(json, "output", r.Output);
    Field(json, "parts", uint64_t{r.nParts});
    Field(json, "duration_ms", r.nDurationMs);
    Field(json, "end", r.End);
    Field(json, "exit_code", int64_t{r.nExitCode});
    Field(json, "bytes_written", r.nBytesWritten);
    Field(json, "bytes_dropped", r.nBytesDropped);
    Field(json, "samples_dropped", r.nSamplesDropped);
    Field(json, "drop_events", r.nDropEvents);
    Field(json, "skipped_not_written", r.nSkippedBytes);
    Field(json, "buffer_bytes", r.nRingBytes);
    Field(json, "buffer_highest", r.nRingHighest);
    Field(json, "longest_block_ms", r.nLongestBlockMs);
    json.EndObject();
}

} // namespace

std::string FormatHealthText(const StreamHealthSummary& s)
{
    std::string out;
    Line(out, "Stream health");
    Line(out, "  Bytes                %" PRIu64, s.nBytes);
    Line(out, "  Packets              %" PRIu64, s.nPackets);
    Line(out, "  Skipped bytes        %" PRIu64, s.nSkippedBytes);
    Line(out, "  Sync losses          %" PRIu64 " (resynchronised %" PRIu64 ")", s.nSyncLosses, s.nResyncs);
    Line(out, "  Transport errors     %" PRIu64, s.nTeiPackets);
    Line(out, "  Scrambled packets    %" PRIu64, s.nScrambled);
    Line(out, "  Continuity errors    %" PRIu64, s.nCcErrors);
    Line(out, "  PSI sections         %" PRIu64 " (CRC errors %" PRIu64 ")", s.nPsiSections, s.nPsiCrcErrors);
    Line(out, "  Bitrate by arrival   %s", Rate(s.Arrival).c_str());
    if (s.nPcrPid >= 0)
        Line(out, "  Bitrate by PCR       %s (PCR PID 0x%04X)", Rate(s.Pcr).c_str(), static_cast<unsigned>(s.nPcrPid));
    else
        Line(out, "  Bitrate by PCR       no PCR");
    if (s.nTransportStreamId >= 0)
        Line(out, "  Transport stream id  %d", s.nTransportStreamId);
    else
        Line(out, "  Transport stream id  no PAT");

    Line(out, "Programs");
    for (const ProgramHealth& p : s.Programs) {
        if (!p.bPmtSeen) {
            Line(out, "  %5u  PMT 0x%04X  no PMT", p.nNumber, p.nPmtPid);
            continue;
        }
        std::string streams;
        for (const StreamHealthEntry& e : p.Streams) {
            char text[64];
            std::snprintf(text, sizeof(text), " 0x%04X/type 0x%02X (%s)", e.nPid, e.nType,
                          DescribeStream(e.nType, e.nNamingTag).pszName);
            streams += text;
        }
        Line(out, "  %5u  PMT 0x%04X  PCR 0x%04X  streams%s", p.nNumber, p.nPmtPid, p.nPcrPid,
             streams.empty() ? " none" : streams.c_str());
    }
    Line(out, "Services");
    for (const ServiceHealth& v : s.Services) {
        Line(out, "  %5u  type 0x%02X  \"%s\" (%s)  provider \"%s\" (%s)", v.nServiceId, v.nType, v.Name.c_str(),
             v.NameCharset.c_str(), v.Provider.c_str(), v.ProviderCharset.c_str());
    }
    Line(out, "Channels");
    for (const ChannelHealth& c : s.Channels) {
        Line(out, "  %u.%u  %s  program %u  \"%s\"", c.nMajor, c.nMinor, c.bCable ? "cable" : "terrestrial",
             c.nProgram, c.Name.c_str());
    }
    Line(out, "PIDs     packets  CC errors  scrambled  PCR");
    for (const PidHealth& p : s.Pids) {
        Line(out, "  0x%04X  %" PRIu64 "  %" PRIu64 "  %" PRIu64 "  %s", p.nPid, p.nPackets, p.nCcErrors, p.nScrambled,
             p.bPcr ? "yes" : "no");
    }
    if (s.Recording.bPresent)
        RecordingText(out, s.Recording);
    return out;
}

std::string FormatHealthJson(const StreamHealthSummary& s)
{
    CJsonWriter json;
    json.BeginObject();
    Field(json, "bytes", s.nBytes);
    Field(json, "packets", s.nPackets);
    Field(json, "skipped_bytes", s.nSkippedBytes);
    Field(json, "sync_losses", s.nSyncLosses);
    Field(json, "resyncs", s.nResyncs);
    Field(json, "tei_packets", s.nTeiPackets);
    Field(json, "scrambled_packets", s.nScrambled);
    Field(json, "cc_errors", s.nCcErrors);
    Field(json, "psi_sections", s.nPsiSections);
    Field(json, "psi_crc_errors", s.nPsiCrcErrors);
    json.Key("bitrate_arrival");
    json.BeginObject();
    RateJson(json, s.Arrival);
    json.EndObject();
    json.Key("bitrate_pcr");
    json.BeginObject();
    Field(json, "pid", int64_t{s.nPcrPid});
    RateJson(json, s.Pcr);
    json.EndObject();
    Field(json, "transport_stream_id", int64_t{s.nTransportStreamId});

    json.Key("programs");
    json.BeginArray();
    for (const ProgramHealth& p : s.Programs) {
        json.BeginObject();
        Field(json, "program_number", uint64_t{p.nNumber});
        Field(json, "pmt_pid", uint64_t{p.nPmtPid});
        json.Key("pmt_seen");
        json.Bool(p.bPmtSeen);
        Field(json, "pcr_pid", uint64_t{p.nPcrPid});
        json.Key("streams");
        json.BeginArray();
        for (const StreamHealthEntry& e : p.Streams) {
            json.BeginObject();
            Field(json, "pid", uint64_t{e.nPid});
            Field(json, "type", uint64_t{e.nType});
            const StreamTypeInfo info = DescribeStream(e.nType, e.nNamingTag);
            Field(json, "type_name", std::string(info.pszName));
            Field(json, "kind", std::string(StreamKindName(info.eKind)));
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();

    json.Key("services");
    json.BeginArray();
    for (const ServiceHealth& v : s.Services) {
        json.BeginObject();
        Field(json, "service_id", uint64_t{v.nServiceId});
        Field(json, "service_type", uint64_t{v.nType});
        Field(json, "name", v.Name);
        Field(json, "name_charset", v.NameCharset);
        Field(json, "provider", v.Provider);
        Field(json, "provider_charset", v.ProviderCharset);
        json.EndObject();
    }
    json.EndArray();

    json.Key("channels");
    json.BeginArray();
    for (const ChannelHealth& c : s.Channels) {
        json.BeginObject();
        Field(json, "table", std::string(c.bCable ? "cable" : "terrestrial"));
        Field(json, "major", uint64_t{c.nMajor});
        Field(json, "minor", uint64_t{c.nMinor});
        Field(json, "program_number", uint64_t{c.nProgram});
        Field(json, "name", c.Name);
        json.EndObject();
    }
    json.EndArray();

    json.Key("pids");
    json.BeginArray();
    for (const PidHealth& p : s.Pids) {
        json.BeginObject();
        Field(json, "pid", uint64_t{p.nPid});
        Field(json, "packets", p.nPackets);
        Field(json, "cc_errors", p.nCcErrors);
        Field(json, "scrambled", p.nScrambled);
        json.Key("pcr");
        json.Bool(p.bPcr);
        json.EndObject();
    }
    json.EndArray();
    if (s.Recording.bPresent)
        RecordingJson(json, s.Recording);
    json.EndObject();
    return json.Text() + "\n";
}
