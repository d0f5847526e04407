#include "ts/HtmlReport.h"

#include "base/TextFormat.h"
#include "ts/StreamTypes.h"

#include <cinttypes>
#include <map>
#include <set>

namespace {

const char* const STYLE =
    "body{font-family:sans-serif;margin:24px;color:#111;max-width:1000px}"
    "h1{font-size:22px;margin:0 0 12px}h2{font-size:17px;margin:22px 0 6px}"
    "table{border-collapse:collapse;font-size:13px}td,th{padding:3px 10px;border-bottom:1px solid #ddd;"
    "text-align:left;vertical-align:top}td.n,th.n{text-align:right;font-variant-numeric:tabular-nums}"
    ".verdict{font-size:16px;font-weight:bold;padding:8px 12px;margin:10px 0;border-left:6px solid}"
    ".clean{border-color:#009E73;background:#e6f5ef}.faulty{border-color:#D55E00;background:#fbeae0}"
    ".chart{display:block;max-width:100%;height:auto;font-size:11px}"
    ".grid{stroke:#ddd;stroke-width:1}.tick{fill:#333}.axis{fill:#111;font-size:12px}"
    ".line{fill:none;stroke-width:1.5}.dashed{stroke-dasharray:4 3}"
    ".legend{font-size:12px;margin:4px 0 0 76px}.key{margin-right:16px;white-space:nowrap}"
    ".key i{display:inline-block;width:12px;height:12px;margin-right:4px;vertical-align:-1px}"
    ".key b{display:inline-block;width:18px;border-top:2px solid #000;margin-right:4px;vertical-align:3px}"
    ".key b.dashed{border-top-style:dashed}.key svg{margin-right:4px;vertical-align:-2px}";

std::string Number(uint64_t n)
{
    return std::to_string(n);
}

std::string Bitrate(uint64_t nBps)
{
    return FormatText("%.3f Mbit/s (%" PRIu64 " bit/s)", static_cast<double>(nBps) / 1e6, nBps);
}

std::string Duration(uint64_t nMs)
{
    const uint64_t s = nMs / 1000;
    return FormatText("%" PRIu64 ":%02" PRIu64 ":%02" PRIu64 ".%03" PRIu64, s / 3600, s / 60 % 60, s % 60, nMs % 1000);
}

// The clock the report's figures are measured against: arrival when there is one.
struct ReportRate {
    const RateHealth* pRate;
    const char* pszClock;
};

ReportRate ChooseRate(const StreamHealthSummary& s)
{
    if (s.Arrival.nMeasuredMs != 0)
        return {&s.Arrival, "by arrival time"};
    return {&s.Pcr, "by PCR"};
}

std::string Row(const std::string& name, const std::string& value)
{
    return "<tr><th>" + HtmlEscape(name) + "</th><td>" + HtmlEscape(value) + "</td></tr>\n";
}

std::string ServiceName(const StreamHealthSummary& s, uint16_t nNumber, std::string* pProvider)
{
    for (const ServiceHealth& v : s.Services) {
        if (v.nServiceId == nNumber) {
            *pProvider = v.Provider;
            return v.Name;
        }
    }
    for (const ChannelHealth& c : s.Channels) {
        if (c.nProgram == nNumber)
            return c.Name + " (" + std::to_string(c.nMajor) + "." + std::to_string(c.nMinor) + ")";
    }
    return "";
}

uint64_t PidPackets(const StreamHealthSummary& s, uint16_t nPid)
{
    for (const PidHealth& p : s.Pids) {
        if (p.nPid == nPid)
            return p.nPackets;
    }
    return 0;
}

uint64_t BitsPerSecond(uint64_t nPackets, uint64_t nMs)
{
    return nMs == 0 ? 0 : nPackets * 188 * 8 * 1000 / nMs;
}

std::string Verdict(const StreamReportInput& in)
{
    const StreamHealthSummary& s = *in.pSummary;
    struct Count {
        uint64_t n;
        const char* pszWords;
    };
    const Count counts[] = {
        {s.nCcErrors, "continuity errors"}, {s.nTeiPackets, "packets with the transport error indicator"},
        {s.nSyncLosses, "sync losses"},     {s.nPsiCrcErrors, "table CRC errors"},
        {s.nSkippedBytes, "bytes outside the packet grid"},
        {in.pSignal && in.bDropsCounted ? in.pSignal->DroppedBytes() : 0, "bytes dropped by the writer"},
    };
    std::string faults;
    for (const Count& c : counts) {
        if (c.n != 0)
            faults += (faults.empty() ? "" : ", ") + Number(c.n) + " " + c.pszWords;
    }
    if (in.pSignal) {
        const auto& bins = in.pSignal->Bins();
        for (size_t i = 0; i < bins.Count(); ++i) {
            if (bins[i].nLocked != bins[i].nSamples) {
                faults += std::string(faults.empty() ? "" : ", ") + "the tuner lost lock at times";
                break;
            }
        }
    }
    if (s.nPackets == 0)
        return "<p class=\"verdict faulty\">No transport packets: this is not a transport stream, or it is empty.</p>\n";
    if (faults.empty())
        return "<p class=\"verdict clean\">Clean: no continuity, transport, sync or CRC errors.</p>\n";
    return "<p class=\"verdict faulty\">Damaged: " + HtmlEscape(faults) + ".</p>\n";
}

std::string Header(const StreamReportInput& in)
{
    const StreamHealthSummary& s = *in.pSummary;
    const ReportRate rate = ChooseRate(s);
    std::string out = "<table class=\"header\">\n";
    out += Row("File", in.strFile);
    out += Row("Duration", rate.pRate->nMeasuredMs ? Duration(rate.pRate->nMeasuredMs) + " (" + rate.pszClock + ")"
                                                   : "not measured");
    out += Row("Size",
               Number(s.nBytes) + " bytes (" + FormatText("%.2f MB", static_cast<double>(s.nBytes) / 1048576) + ")");
    out += Row("Packets", Number(s.nPackets));
    out += Row("Average bitrate", rate.pRate->nMeasuredMs ? Bitrate(rate.pRate->nAverageBps) : "not measured");
    out += Row("Peak bitrate (1 s)", rate.pRate->nPeakBps ? Bitrate(rate.pRate->nPeakBps) : "not measured");
    out += Row("Continuity errors", Number(s.nCcErrors));
    out += Row("Transport errors", Number(s.nTeiPackets));
    out += Row("Sync losses", Number(s.nSyncLosses) + " (resynchronised " + Number(s.nResyncs) + ")");
    out += Row("CRC errors", Number(s.nPsiCrcErrors) + " of " + Number(s.nPsiSections + s.nPsiCrcErrors) + " sections");
    out += Row("Skipped bytes", Number(s.nSkippedBytes));
    out += Row("Scrambled packets", Number(s.nScrambled));
    if (in.pSignal && in.bDropsCounted)
        out += Row("Dropped bytes", Number(in.pSignal->DroppedBytes()));
    out += "</table>\n";
    return out;
}

std::string Services(const StreamHealthSummary& s, uint64_t nMs)
{
    std::string out = "<h2>Services</h2>\n<table id=\"services\">\n<tr><th>Name</th><th>Provider</th>"
                      "<th class=\"n\">Id</th><th class=\"n\">PMT PID</th><th>Streams</th>"
                      "<th class=\"n\">Average bitrate</th></tr>\n";
    for (const ProgramHealth& p : s.Programs) {
        std::string provider;
        const std::string name = ServiceName(s, p.nNumber, &provider);
        std::set<uint16_t> pids{p.nPmtPid};
        std::string streams;
        for (const StreamHealthEntry& e : p.Streams) {
            pids.insert(e.nPid);
            streams += FormatText("0x%04X ", e.nPid) + DescribeStream(e.nType, e.nNamingTag).pszName + "<br>";
        }
        if (!p.bPmtSeen)
            streams = "no PMT read";
        uint64_t nPackets = 0;
        for (uint16_t nPid : pids)
            nPackets += PidPackets(s, nPid);
        out += "<tr><td>" + HtmlEscape(name) + "</td><td>" + HtmlEscape(provider) + "</td><td class=\"n\">" +
               Number(p.nNumber) + "</td><td class=\"n\">" + FormatText("0x%04X", p.nPmtPid) + "</td><td>" + streams +
               "</td><td class=\"n\">" +
               FormatText("%.3f Mbit/s", static_cast<double>(BitsPerSecond(nPackets, nMs)) / 1e6) + "</td></tr>\n";
    }
    return out + "</table>\n";
}

// What each PID carries, in words, from the tables read.
std::map<uint16_t, std::string> PidUses(const StreamHealthSummary& s)
{
    std::map<uint16_t, std::string> uses{{0x0000, "PAT"},         {0x0001, "CAT"},         {0x0010, "NIT"},
                                         {0x0011, "SDT"},         {0x0012, "EIT"},         {0x0014, "TDT/TOT"},
                                         {0x1FFB, "ATSC tables"}, {0x1FFF, "null packets"}};
    auto add = [&](uint16_t nPid, const std::string& use) {
        std::string& text = uses[nPid];
        text += (text.empty() ? "" : ", ") + use;
    };
    for (const ProgramHealth& p : s.Programs) {
        std::string provider;
        std::string name = ServiceName(s, p.nNumber, &provider);
        if (name.empty())
            name = "program " + std::to_string(p.nNumber);
        add(p.nPmtPid, "PMT of " + name);
        for (const StreamHealthEntry& e : p.Streams)
            add(e.nPid, std::string(DescribeStream(e.nType, e.nNamingTag).pszName) + " of " + name);
    }
    return uses;
}

std::string Pids(const StreamHealthSummary& s, uint64_t nMs)
{
    const std::map<uint16_t, std::string> uses = PidUses(s);
    std::string out = "<h2>PIDs</h2>\n<table id=\"pids\">\n<tr><th>PID</th><th class=\"n\">Packets</th>"
                      "<th class=\"n\">Share</th><th class=\"n\">Bitrate</th><th class=\"n\">CC errors</th>"
                      "<th class=\"n\">Scrambled</th><th>Carries</th></tr>\n";
    for (const PidHealth& p : s.Pids) {
        const auto use = uses.find(p.nPid);
        std::string carries = use != uses.end() ? use->second : "unknown";
        if (p.bPcr)
            carries += " (PCR)";
        const double share = s.nPackets ? 100.0 * static_cast<double>(p.nPackets) / static_cast<double>(s.nPackets) : 0;
        out += "<tr><td>" + FormatText("0x%04X", p.nPid) + "</td><td class=\"n\">" + Number(p.nPackets) +
               "</td><td class=\"n\">" + FormatText("%.2f %%", share) + "</td><td class=\"n\">" +
               FormatText("%.3f Mbit/s", static_cast<double>(BitsPerSecond(p.nPackets, nMs)) / 1e6) +
               "</td><td class=\"n\">" + Number(p.nCcErrors) + "</td><td class=\"n\">" + Number(p.nScrambled) +
               "</td><td>" + HtmlEscape(carries) + "</td></tr>\n";
    }
    return out + "</table>\n";
}

} // namespace

std::string HtmlEscape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string FormatHtmlReport(const StreamReportInput& in)
{
    StreamHealthSummary empty;
    StreamReportInput input = in;
    if (!input.pSummary)
        input.pSummary = &empty;
    const StreamHealthSummary& s = *input.pSummary;
    const uint64_t nMs = ChooseRate(s).pRate->nMeasuredMs;
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                      "<meta name=\"viewport\" content=\"width=device-width\"><title>Stream report: " +
                      HtmlEscape(input.strFile) + "</title><style>" + STYLE + "</style></head>\n<body>\n";
    out += "<h1>Stream report</h1>\n" + Verdict(input) + Header(input);
    out += FormatReportCharts(input);
    out += Services(s, nMs) + Pids(s, nMs);
    out += "</body></html>\n";
    return out;
}
