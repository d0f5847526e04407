#include "ts/HealthReport.h"

#include "base/JsonWriter.h"
#include "base/TextFormat.h"
#include "ts/StreamTypes.h"

#include <cinttypes>

namespace {

std::string Rate(const RateHealth& rate)
{
    if (rate.nMeasuredMs == 0)
        return "not measured";
    return FormatText("average %" PRIu64 " bit/s, peak %s over %" PRIu64 " ms", rate.nAverageBps,
                      rate.nPeakBps != 0 ? (std::to_string(rate.nPeakBps) + " bit/s").c_str() : "-", rate.nMeasuredMs);
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
    AppendText(out, "Recording\n");
    AppendText(out, "  Tuner                %s (%s)\n", r.Tuner.c_str(), r.Tuning.c_str());
    AppendText(out, "  Output               %s (%u part%s)\n", r.Output.c_str(), r.nParts, r.nParts == 1 ? "" : "s");
    AppendText(out, "  Duration             %" PRIu64 " ms, ended by %s, exit code %d\n", r.nDurationMs, r.End.c_str(),
               r.nExitCode);
    AppendText(out, "  Bytes written        %" PRIu64 "\n", r.nBytesWritten);
    AppendText(out, "  Dropped, slow output %" PRIu64 " bytes, %" PRIu64 " samples, %" PRIu64 " times\n",
               r.nBytesDropped, r.nSamplesDropped, r.nDropEvents);
    AppendText(out, "  Skipped, not written %" PRIu64 " bytes\n", r.nSkippedBytes);
    AppendText(out, "  Buffer highest fill  %" PRIu64 " of %" PRIu64 " bytes\n", r.nRingHighest, r.nRingBytes);
    AppendText(out, "  Output blocked       %" PRIu64 " ms at most\n", r.nLongestBlockMs);
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
    AppendText(out, "Stream health\n");
    AppendText(out, "  Bytes                %" PRIu64 "\n", s.nBytes);
    AppendText(out, "  Packets              %" PRIu64 "\n", s.nPackets);
    AppendText(out, "  Skipped bytes        %" PRIu64 "\n", s.nSkippedBytes);
    AppendText(out, "  Sync losses          %" PRIu64 " (resynchronised %" PRIu64 ")\n", s.nSyncLosses, s.nResyncs);
    AppendText(out, "  Transport errors     %" PRIu64 "\n", s.nTeiPackets);
    AppendText(out, "  Scrambled packets    %" PRIu64 "\n", s.nScrambled);
    AppendText(out, "  Continuity errors    %" PRIu64 "\n", s.nCcErrors);
    AppendText(out, "  PSI sections         %" PRIu64 " (CRC errors %" PRIu64 ")\n", s.nPsiSections, s.nPsiCrcErrors);
    AppendText(out, "  Bitrate by arrival   %s\n", Rate(s.Arrival).c_str());
    if (s.nPcrPid >= 0)
        AppendText(out, "  Bitrate by PCR       %s (PCR PID 0x%04X)\n", Rate(s.Pcr).c_str(),
                   static_cast<unsigned>(s.nPcrPid));
    else
        AppendText(out, "  Bitrate by PCR       no PCR\n");
    if (s.nTransportStreamId >= 0)
        AppendText(out, "  Transport stream id  %d\n", s.nTransportStreamId);
    else
        AppendText(out, "  Transport stream id  no PAT\n");

    AppendText(out, "Programs\n");
    for (const ProgramHealth& p : s.Programs) {
        if (!p.bPmtSeen) {
            AppendText(out, "  %5u  PMT 0x%04X  no PMT\n", p.nNumber, p.nPmtPid);
            continue;
        }
        std::string streams;
        for (const StreamHealthEntry &e : p.Streams)
            AppendText(streams, " 0x%04X/type 0x%02X (%s)", e.nPid, e.nType,
                       DescribeStream(e.nType, e.nNamingTag).pszName);
        AppendText(out, "  %5u  PMT 0x%04X  PCR 0x%04X  streams%s\n", p.nNumber, p.nPmtPid, p.nPcrPid,
                   streams.empty() ? " none" : streams.c_str());
    }
    AppendText(out, "Services\n");
    for (const ServiceHealth& v : s.Services) {
        AppendText(out, "  %5u  type 0x%02X  \"%s\" (%s)  provider \"%s\" (%s)\n", v.nServiceId, v.nType,
                   v.Name.c_str(), v.NameCharset.c_str(), v.Provider.c_str(), v.ProviderCharset.c_str());
    }
    AppendText(out, "Channels\n");
    for (const ChannelHealth& c : s.Channels) {
        AppendText(out, "  %u.%u  %s  program %u  \"%s\"\n", c.nMajor, c.nMinor, c.bCable ? "cable" : "terrestrial",
                   c.nProgram, c.Name.c_str());
    }
    AppendText(out, "PIDs     packets  CC errors  scrambled  PCR\n");
    for (const PidHealth& p : s.Pids) {
        AppendText(out, "  0x%04X  %" PRIu64 "  %" PRIu64 "  %" PRIu64 "  %s\n", p.nPid, p.nPackets, p.nCcErrors,
                   p.nScrambled, p.bPcr ? "yes" : "no");
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
