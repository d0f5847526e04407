// Fuzzes the stream analysis and its report with any bytes cut into any runs, each run with
// an arrival time. Every byte fed must be accounted for, in the totals and in the timeline,
// and the report must be valid JSON text and an HTML page. In clean mode the simulator's stream, which is whole, must show no error at all.
#include "FuzzInput.h"
#include "ts/HealthReport.h"
#include "ts/StreamAnalysis.h"
#include "simtuner/TsGenerator.h"
#include "ts/HtmlReport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<uint8_t> MakeCleanStream(const uint8_t* p, size_t n, uint64_t& nPackets)
{
    TsGeneratorConfig config;
    config.nPrograms = n > 0 ? p[0] % 8 + 1 : 1;
    config.nPsiInterval = n > 1 ? p[1] % 64 : 10;
    config.nTestPerMille = n > 2 ? p[2] * 4u : 500;
    CTsGenerator generator(config);
    std::vector<uint8_t> stream(188 * std::min<size_t>(n + 1, 400));
    generator.Fill(stream.data(), stream.size());
    nPackets = generator.Stats().nPackets;
    return stream;
}

// No raw control character or invalid quote structure may reach the JSON text.
bool LooksLikeJson(const std::string& json)
{
    bool bInString = false;
    for (size_t i = 0; i < json.size(); ++i) {
        const auto c = static_cast<unsigned char>(json[i]);
        if (bInString && c < 0x20)
            return false;
        if (bInString && c == '\\')
            ++i;
        else if (c == '"')
            bInString = !bInString;
    }
    return !bInString && json.size() > 2 && json.front() == '{' && json[json.size() - 2] == '}';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in;
    if (!ParseFuzzInput(data, size, in))
        return 0;

    uint64_t nCleanPackets = 0;
    const std::vector<uint8_t> stream = in.bCleanStream ? MakeCleanStream(in.pRest, in.nRest, nCleanPackets)
                                                        : std::vector<uint8_t>(in.pRest, in.pRest + in.nRest);
    CStreamAnalysis analysis;
    size_t pos = 0, cut = 0;
    int64_t nTime = 0;
    while (pos < stream.size()) {
        size_t len = stream.size() - pos;
        uint16_t nCut = 0;
        if (cut < in.Cuts.size()) {
            nCut = in.Cuts[cut++];
            len = std::min<size_t>(len, nCut % 1024 + 1);
        }
        // Each run in a heap block of its own length, so that reading past it is caught.
        std::unique_ptr<uint8_t[]> run(new uint8_t[len]);
        std::memcpy(run.get(), stream.data() + pos, len);
        nTime += nCut;  // times may stand still
        analysis.OnBytes(run.get(), len, nTime);
        pos += len;
    }

    const StreamHealthSummary s = analysis.Summarise();
    Require(s.nBytes == stream.size());
    Require(s.nPackets * 188 + s.nSkippedBytes <= stream.size());
    Require(s.nSyncLosses == s.nResyncs || s.nSyncLosses == s.nResyncs + 1);
    Require(analysis.Progress().nPackets == s.nPackets);
    Require(LooksLikeJson(FormatHealthJson(s)));
    Require(!FormatHealthText(s).empty());
    analysis.EndOfStream();
    const CStreamTimeline& t = analysis.Timeline();
    uint64_t nTimelineBytes = 0;
    for (size_t i = 0; i < t.Bins().Count(); ++i)
        nTimelineBytes += t.Bins()[i].nBytes;
    Require(!t.Started() || nTimelineBytes == s.nPackets * 188 + s.nSkippedBytes);
    StreamReportInput report;
    report.pSummary = &s;
    report.pTimeline = &t;
    const std::string page = FormatHtmlReport(report);
    Require(page.find("<html") != std::string::npos && page.find("</html>") != std::string::npos);
    if (in.bCleanStream) {
        Require(s.nPackets == nCleanPackets);
        Require(s.nCcErrors + s.nSyncLosses + s.nSkippedBytes + s.nPsiCrcErrors == 0);
    }
    return 0;
}
