// The report's charts: inline SVG on one time axis. Each chart is drawn from the bins of a
// timeline; element ids name the series and marks so that a reader (or a check) finds them.
#include "ts/HtmlReport.h"

#include "base/TextFormat.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <vector>

namespace {

constexpr double WIDTH = 960, LEFT = 76, RIGHT = 16, PLOT = WIDTH - LEFT - RIGHT;
constexpr double BITRATE_TOP = 12, BITRATE_HEIGHT = 200;
constexpr double ROW = 30;
constexpr double SIGNAL_TOP = 30, SIGNAL_HEIGHT = 160;
constexpr double AXIS_ROOM = 40;  // below a plot: tick labels and the axis title
constexpr double MARK = 5;

// Colours that readers with a colour-vision deficiency can tell apart.
const char* const PALETTE[] = {"#0072B2", "#E69F00", "#009E73", "#CC79A7", "#56B4E9", "#D55E00", "#F0E442"};
constexpr size_t PALETTE_SIZE = sizeof(PALETTE) / sizeof(PALETTE[0]);
const char* const OTHER_COLOUR = "#999999";

enum class Shape { Circle, Square, Triangle, Diamond, Cross };

struct MarkKind {
    const char* pszId;
    const char* pszName;   // words in titles and the legend
    const char* pszRow;    // the row's short label
    const char* pszColour;
    Shape eShape;
};

const MarkKind ERROR_MARKS[STREAM_ERROR_KINDS] = {
    {"marks-cc", "continuity errors", "continuity", "#D55E00", Shape::Circle},
    {"marks-tei", "transport errors", "transport", "#0072B2", Shape::Square},
    {"marks-sync", "sync losses", "sync", "#000000", Shape::Triangle},
    {"marks-crc", "CRC errors", "CRC", "#CC79A7", Shape::Diamond},
};
const MarkKind DROP_MARK = {"marks-drop", "dropped bytes", "dropped", "#E69F00", Shape::Cross};

std::string Clock(uint64_t nUs)
{
    const uint64_t s = nUs / 1000000;
    return FormatText("%" PRIu64 ":%02" PRIu64 ":%02" PRIu64, s / 3600, s / 60 % 60, s % 60);
}

// Where the charts' common time axis starts and how long it is.
struct TimeAxis {
    int64_t nOriginUs = 0;
    uint64_t nSpanUs = 1;

    double X(int64_t nUs) const
    {
        const double f = static_cast<double>(nUs - nOriginUs) / static_cast<double>(nSpanUs);
        return LEFT + PLOT * std::min(1.0, std::max(0.0, f));
    }
};

TimeAxis MakeAxis(const StreamReportInput& in)
{
    bool bAny = false;
    int64_t nStart = 0, nEnd = 0;
    auto take = [&](bool bStarted, int64_t nFrom, uint64_t nSpan) {
        if (!bStarted)
            return;
        const int64_t nTo = nFrom + static_cast<int64_t>(nSpan);
        nStart = bAny ? std::min(nStart, nFrom) : nFrom;
        nEnd = bAny ? std::max(nEnd, nTo) : nTo;
        bAny = true;
    };
    if (in.pTimeline)
        take(in.pTimeline->Started(), in.pTimeline->StartUs(), in.pTimeline->SpanUs());
    if (in.pSignal)
        take(in.pSignal->Started(), in.pSignal->StartUs(), in.pSignal->SpanUs());
    TimeAxis axis;
    axis.nOriginUs = nStart;
    axis.nSpanUs = std::max<uint64_t>(1000000, static_cast<uint64_t>(nEnd - nStart));
    return axis;
}

// The time a bin covers, cut at the end of what was measured.
struct BinTime {
    int64_t nFromUs, nToUs;
};

template <typename Series>
BinTime TimeOfBin(const Series& bins, size_t i, int64_t nStartUs, uint64_t nSpanUs)
{
    const uint64_t nFrom = i * bins.WidthUs();
    const uint64_t nTo = std::min<uint64_t>(nFrom + bins.WidthUs(), std::max(nSpanUs, nFrom + 1));
    return {nStartUs + static_cast<int64_t>(nFrom), nStartUs + static_cast<int64_t>(nTo)};
}

void TimeTicks(std::string& out, const TimeAxis& axis, double top, double height)
{
    static const uint64_t STEPS_S[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600};
    uint64_t nStep = STEPS_S[sizeof(STEPS_S) / sizeof(STEPS_S[0]) - 1] * 1000000;
    for (uint64_t s : STEPS_S) {
        if (axis.nSpanUs / (s * 1000000) <= 8) {
            nStep = s * 1000000;
            break;
        }
    }
    const double bottom = top + height;
    for (uint64_t t = 0; t <= axis.nSpanUs; t += nStep) {
        const double x = axis.X(axis.nOriginUs + static_cast<int64_t>(t));
        AppendText(out, "<line class=\"grid\" x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\"/>", x, top, x, bottom);
        AppendText(out, "<text class=\"tick\" x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%s</text>", x, bottom + 14,
                   Clock(t).c_str());
    }
    AppendText(out,
               "<text class=\"axis\" x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">time since start (h:mm:ss)</text>",
               LEFT + PLOT / 2, bottom + 32);
}

// A round top for a value axis (at most five steps of 1, 2 or 5 times a power of ten).
void NiceScale(double nMax, double* pTop, double* pStep)
{
    static const double FACTORS[] = {1, 2, 5};
    double step = 0.001;
    for (size_t i = 0; nMax / step > 5; ++i)
        step = FACTORS[i % 3] * std::pow(10.0, static_cast<double>(i / 3) - 2);
    *pStep = step;
    *pTop = std::max(step, std::ceil(nMax / step) * step);
}

void ValueTicks(std::string& out, double top, double height, double nMax, double nStep, const char* pszUnit)
{
    for (double v = 0; v <= nMax + nStep / 2; v += nStep) {
        const double y = top + height - height * v / nMax;
        AppendText(out, "<line class=\"grid\" x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\"/>", LEFT, y, LEFT + PLOT,
                   y);
        AppendText(out, "<text class=\"tick\" x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%g</text>", LEFT - 6, y + 4, v);
    }
    AppendText(out,
               "<text class=\"axis\" transform=\"translate(14 %.1f) rotate(-90)\" text-anchor=\"middle\">%s</text>",
               top + height / 2, pszUnit);
}

void ShapeAt(std::string& out, Shape eShape, double x, double y, const char* pszColour)
{
    switch (eShape) {
    case Shape::Circle:
        AppendText(out, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"%g\" fill=\"%s\">", x, y, MARK, pszColour);
        return;
    case Shape::Square:
        AppendText(out, "<rect x=\"%.1f\" y=\"%.1f\" width=\"%g\" height=\"%g\" fill=\"%s\">", x - MARK, y - MARK,
                   2 * MARK, 2 * MARK, pszColour);
        return;
    case Shape::Triangle:
        AppendText(out, "<path d=\"M%.1f %.1fl%g %gh%gz\" fill=\"%s\">", x, y - MARK, MARK, 2 * MARK, -2 * MARK,
                   pszColour);
        return;
    case Shape::Diamond:
        AppendText(out, "<path d=\"M%.1f %.1fl%g %gl%g %gl%g %gz\" fill=\"%s\">", x, y - MARK, MARK, MARK, -MARK, MARK,
                   -MARK, -MARK, pszColour);
        return;
    case Shape::Cross:
        AppendText(out, "<path d=\"M%.1f %.1fl%g %gm0 %gl%g %g\" stroke=\"%s\" stroke-width=\"2.5\">", x - MARK,
                   y - MARK, 2 * MARK, 2 * MARK, -2 * MARK, 2 * MARK, -2 * MARK, pszColour);
        return;
    }
}

// One element closed with its title, which a browser shows on hover.
void Titled(std::string& out, Shape eShape, double x, double y, const char* pszColour, const std::string& title)
{
    ShapeAt(out, eShape, x, y, pszColour);
    const char* pszTag = eShape == Shape::Circle ? "circle" : eShape == Shape::Square ? "rect" : "path";
    AppendText(out, "<title>%s</title></%s>", HtmlEscape(title).c_str(), pszTag);
}

void LegendEntry(std::string& out, Shape eShape, const char* pszColour, const std::string& name)
{
    out += "<span class=\"key\"><svg width=\"14\" height=\"14\" viewBox=\"0 0 14 14\">";
    ShapeAt(out, eShape, 7, 7, pszColour);
    out += eShape == Shape::Circle ? "</circle>" : eShape == Shape::Square ? "</rect>" : "</path>";
    out += "</svg>" + HtmlEscape(name) + "</span>";
}

std::string SeriesName(const StreamHealthSummary& s, size_t i)
{
    if (i == TIMELINE_OTHER || i >= s.Programs.size())
        return "other PIDs (tables, null packets)";
    const uint16_t nNumber = s.Programs[i].nNumber;
    for (const ServiceHealth& v : s.Services) {
        if (v.nServiceId == nNumber && !v.Name.empty())
            return v.Name;
    }
    for (const ChannelHealth& c : s.Channels) {
        if (c.nProgram == nNumber && !c.Name.empty())
            return c.Name;
    }
    return "program " + std::to_string(nNumber);
}

double Mbps(uint64_t nBytes, uint64_t nUs)
{
    return nUs == 0 ? 0 : static_cast<double>(nBytes) * 8 / static_cast<double>(nUs);
}

void BitrateChart(std::string& out, const StreamReportInput& in, const TimeAxis& axis)
{
    const CStreamTimeline& t = *in.pTimeline;
    const auto& bins = t.Bins();
    const size_t n = bins.Count();
    // A last bin less than half as long as the others holds whatever arrived in its runs and
    // would show a false spike: its bytes stay in the totals, not in the areas.
    size_t nDrawn = n;
    if (n > 1 && t.SpanUs() - (n - 1) * bins.WidthUs() < bins.WidthUs() / 2)
        --nDrawn;
    double nMax = 0;
    for (size_t i = 0; i < nDrawn; ++i) {
        const BinTime bt = TimeOfBin(bins, i, t.StartUs(), t.SpanUs());
        nMax = std::max(nMax, Mbps(bins[i].nBytes, static_cast<uint64_t>(bt.nToUs - bt.nFromUs)));
        if (bins[i].nSeconds != 0)
            nMax = std::max(nMax, Mbps(bins[i].nMaxSecondBytes, 1000000));
    }
    double nTop, nStep;
    NiceScale(nMax, &nTop, &nStep);
    const double h = BITRATE_HEIGHT;
    auto y = [&](double v) { return BITRATE_TOP + h - h * v / nTop; };

    out += "<h2>Bitrate</h2>\n";
    AppendText(out, "<svg id=\"chart-bitrate\" class=\"chart\" viewBox=\"0 0 %g %g\" width=\"%g\" height=\"%g\">",
               WIDTH, BITRATE_TOP + h + AXIS_ROOM, WIDTH, BITRATE_TOP + h + AXIS_ROOM);
    ValueTicks(out, BITRATE_TOP, h, nTop, nStep, "Mbit/s");
    TimeTicks(out, axis, BITRATE_TOP, h);

    std::string legend;
    std::vector<double> below(nDrawn, 0.0);
    size_t nColour = 0;
    for (size_t s = 0; s < TIMELINE_SERIES; ++s) {
        uint64_t nTotal = 0;
        for (size_t i = 0; i < n; ++i)
            nTotal += bins[i].nSeriesBytes[s];
        if (nTotal == 0)
            continue;
        const char* pszColour = s == TIMELINE_OTHER ? OTHER_COLOUR : PALETTE[nColour++ % PALETTE_SIZE];
        const std::string name = SeriesName(*in.pSummary, s);
        std::string top, bottom;
        for (size_t i = 0; i < nDrawn; ++i) {
            const BinTime bt = TimeOfBin(bins, i, t.StartUs(), t.SpanUs());
            const double v = Mbps(bins[i].nSeriesBytes[s], static_cast<uint64_t>(bt.nToUs - bt.nFromUs));
            AppendText(top, "%.1f,%.1f %.1f,%.1f ", axis.X(bt.nFromUs), y(below[i] + v), axis.X(bt.nToUs),
                       y(below[i] + v));
        }
        for (size_t i = nDrawn; i-- > 0;) {
            const BinTime bt = TimeOfBin(bins, i, t.StartUs(), t.SpanUs());
            const double v = Mbps(bins[i].nSeriesBytes[s], static_cast<uint64_t>(bt.nToUs - bt.nFromUs));
            AppendText(bottom, "%.1f,%.1f %.1f,%.1f ", axis.X(bt.nToUs), y(below[i]), axis.X(bt.nFromUs), y(below[i]));
            below[i] += v;
        }
        AppendText(out, "<polygon id=\"series-service-%zu\" class=\"series service\" fill=\"%s\" points=\"", s,
                   pszColour);
        out += top + bottom + "\"><title>" + HtmlEscape(name) + "</title></polygon>";
        legend += "<span class=\"key\"><i style=\"background:" + std::string(pszColour) + "\"></i>" +
                  HtmlEscape(name) + "</span>";
    }
    // The busiest and quietest whole second of each bin, so that short spikes stay visible.
    std::string peak, low;
    for (size_t i = 0; i < n; ++i) {
        if (bins[i].nSeconds == 0)
            continue;
        const BinTime bt = TimeOfBin(bins, i, t.StartUs(), t.SpanUs());
        const double x = (axis.X(bt.nFromUs) + axis.X(bt.nToUs)) / 2;
        AppendText(peak, "%.1f,%.1f ", x, y(Mbps(bins[i].nMaxSecondBytes, 1000000)));
        AppendText(low, "%.1f,%.1f ", x, y(Mbps(bins[i].nMinSecondBytes, 1000000)));
    }
    if (!peak.empty()) {
        out += "<polyline id=\"series-peak\" class=\"series line\" stroke=\"#000000\" points=\"" + peak +
               "\"><title>busiest second</title></polyline>";
        out += "<polyline id=\"series-low\" class=\"series line dashed\" stroke=\"#000000\" points=\"" + low +
               "\"><title>quietest second</title></polyline>";
        legend += "<span class=\"key\"><b></b>busiest second</span><span class=\"key\"><b class=\"dashed\"></b>"
                  "quietest second</span>";
    }
    out += "</svg>\n<div class=\"legend\">" + legend + "</div>\n";
}

struct MarkAt {
    BinTime Time;
    uint64_t nCount;
};

void MarkRow(std::string& out, std::string& legend, const MarkKind& kind, size_t nRow, const TimeAxis& axis,
             const std::vector<MarkAt>& at)
{
    const double y = static_cast<double>(nRow) * ROW + ROW / 2;
    uint64_t nTotal = 0;
    std::string marks;
    for (const MarkAt& m : at) {
        if (m.nCount == 0)
            continue;
        nTotal += m.nCount;
        const double x = (axis.X(m.Time.nFromUs) + axis.X(m.Time.nToUs)) / 2;
        Titled(marks, kind.eShape, x, y, kind.pszColour,
               std::to_string(m.nCount) + " " + kind.pszName + " from " +
                   Clock(static_cast<uint64_t>(m.Time.nFromUs - axis.nOriginUs)) + " to " +
                   Clock(static_cast<uint64_t>(m.Time.nToUs - axis.nOriginUs)));
    }
    AppendText(out, "<line class=\"grid\" x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\"/>", LEFT, y, LEFT + PLOT, y);
    AppendText(out, "<text class=\"tick\" x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%s</text>", LEFT - 6, y + 4,
               kind.pszRow);
    AppendText(out, "<g id=\"%s\" class=\"marks\" data-total=\"%" PRIu64 "\">", kind.pszId, nTotal);
    out += marks + "</g>";
    LegendEntry(legend, kind.eShape, kind.pszColour, std::string(kind.pszName) + " (" + std::to_string(nTotal) + ")");
}

void ErrorChart(std::string& out, const StreamReportInput& in, const TimeAxis& axis)
{
    const bool bDrops = in.bDropsCounted && in.pSignal;
    const size_t nRows = STREAM_ERROR_KINDS + (bDrops ? 1 : 0);
    const double h = static_cast<double>(nRows) * ROW;
    out += "<h2>Errors</h2>\n";
    AppendText(out, "<svg id=\"chart-errors\" class=\"chart\" viewBox=\"0 0 %g %g\" width=\"%g\" height=\"%g\">", WIDTH,
               h + AXIS_ROOM, WIDTH, h + AXIS_ROOM);
    TimeTicks(out, axis, 0, h);
    std::string legend;
    const CStreamTimeline& t = *in.pTimeline;
    for (size_t k = 0; k < STREAM_ERROR_KINDS; ++k) {
        std::vector<MarkAt> at;
        for (size_t i = 0; i < t.Bins().Count(); ++i)
            at.push_back({TimeOfBin(t.Bins(), i, t.StartUs(), t.SpanUs()), t.Bins()[i].nErrors[k]});
        MarkRow(out, legend, ERROR_MARKS[k], k, axis, at);
    }
    if (bDrops) {
        const CSignalTimeline& s = *in.pSignal;
        std::vector<MarkAt> at;
        for (size_t i = 0; i < s.Bins().Count(); ++i)
            at.push_back({TimeOfBin(s.Bins(), i, s.StartUs(), s.SpanUs()), s.Bins()[i].nDroppedBytes});
        MarkRow(out, legend, DROP_MARK, STREAM_ERROR_KINDS, axis, at);
    }
    out += "</svg>\n<div class=\"legend\">" + legend + "</div>\n";
}

// Lock as a strip (locked, lost for part of the bin, lost), strength and quality as bands
// from each bin's lowest to its highest sample, with a line along the lowest.
void SignalChart(std::string& out, const StreamReportInput& in, const TimeAxis& axis)
{
    const CSignalTimeline& s = *in.pSignal;
    const auto& bins = s.Bins();
    const size_t n = bins.Count();
    int32_t nMax = 100;
    for (size_t i = 0; i < n; ++i) {
        if (bins[i].nSamples != 0)
            nMax = std::max({nMax, bins[i].nMaxStrength, bins[i].nMaxQuality});
    }
    double nTop, nStep;
    NiceScale(nMax, &nTop, &nStep);
    const double h = SIGNAL_HEIGHT;
    auto y = [&](double v) { return SIGNAL_TOP + h - h * std::max(0.0, v) / nTop; };

    out += "<h2>Signal</h2>\n";
    AppendText(out, "<svg id=\"chart-signal\" class=\"chart\" viewBox=\"0 0 %g %g\" width=\"%g\" height=\"%g\">", WIDTH,
               SIGNAL_TOP + h + AXIS_ROOM, WIDTH, SIGNAL_TOP + h + AXIS_ROOM);
    ValueTicks(out, SIGNAL_TOP, h, nTop, nStep, "level (as the tuner reports it)");
    TimeTicks(out, axis, SIGNAL_TOP, h);

    static const char* const LOCK_CLASS[] = {"locked", "partly", "unlocked"};
    static const char* const LOCK_COLOUR[] = {"#009E73", "#F0E442", "#D55E00"};
    static const char* const LOCK_TITLE[] = {"locked", "lock lost for part of the time", "no lock"};
    out += "<g id=\"series-lock\" class=\"series\">";
    for (size_t i = 0; i < n; ++i) {
        const SignalBin& b = bins[i];
        if (b.nSamples == 0)
            continue;
        const size_t k = b.nLocked == b.nSamples ? 0 : b.nLocked == 0 ? 2 : 1;
        const BinTime bt = TimeOfBin(bins, i, s.StartUs(), s.SpanUs());
        const double x0 = axis.X(bt.nFromUs), x1 = std::max(axis.X(bt.nToUs), x0 + 0.5);
        AppendText(out,
                   "<rect class=\"%s\" x=\"%.1f\" y=\"6\" width=\"%.1f\" height=\"14\" fill=\"%s\"><title>%s from "
                   "%s</title></rect>",
                   LOCK_CLASS[k], x0, x1 - x0, LOCK_COLOUR[k], LOCK_TITLE[k],
                   Clock(static_cast<uint64_t>(bt.nFromUs - axis.nOriginUs)).c_str());
    }
    out += "</g>";
    AppendText(out, "<text class=\"tick\" x=\"%.1f\" y=\"17\" text-anchor=\"end\">lock</text>", LEFT - 6);

    struct Level {
        const char* pszId;
        const char* pszName;
        const char* pszColour;
        int32_t SignalBin::*pMin;
        int32_t SignalBin::*pMax;
    };
    const Level levels[] = {
        {"series-strength", "strength", "#0072B2", &SignalBin::nMinStrength, &SignalBin::nMaxStrength},
        {"series-quality", "quality", "#E69F00", &SignalBin::nMinQuality, &SignalBin::nMaxQuality},
    };
    std::string legend = "<span class=\"key\"><i style=\"background:#009E73\"></i>locked</span>"
                         "<span class=\"key\"><i style=\"background:#F0E442\"></i>lock lost for part of the time</span>"
                         "<span class=\"key\"><i style=\"background:#D55E00\"></i>no lock</span>";
    for (const Level& level : levels) {
        std::string upper, lower, line;
        for (size_t i = 0; i < n; ++i) {
            const SignalBin& b = bins[i];
            if (b.nSamples == 0)
                continue;
            const BinTime bt = TimeOfBin(bins, i, s.StartUs(), s.SpanUs());
            const double x = (axis.X(bt.nFromUs) + axis.X(bt.nToUs)) / 2;
            AppendText(upper, "%.1f,%.1f ", x, y(b.*level.pMax));
            AppendText(line, "%.1f,%.1f ", x, y(b.*level.pMin));
        }
        for (size_t i = n; i-- > 0;) {
            const SignalBin& b = bins[i];
            if (b.nSamples == 0)
                continue;
            const BinTime bt = TimeOfBin(bins, i, s.StartUs(), s.SpanUs());
            AppendText(lower, "%.1f,%.1f ", (axis.X(bt.nFromUs) + axis.X(bt.nToUs)) / 2, y(b.*level.pMin));
        }
        AppendText(out, "<g id=\"%s\" class=\"series\"><polygon fill=\"%s\" fill-opacity=\"0.3\" points=\"",
                   level.pszId, level.pszColour);
        out += upper + lower + "\"/>";
        AppendText(out, "<polyline class=\"line\" stroke=\"%s\" points=\"", level.pszColour);
        out += line + "\"><title>lowest " + level.pszName + "</title></polyline></g>";
        legend += "<span class=\"key\"><i style=\"background:" + std::string(level.pszColour) + "\"></i>" +
                  level.pszName + " (band: lowest to highest, line: lowest)</span>";
    }
    out += "</svg>\n<div class=\"legend\">" + legend + "</div>\n";
}

} // namespace

std::string FormatReportCharts(const StreamReportInput& in)
{
    std::string out = "<section class=\"charts\">\n";
    if (!in.pTimeline || !in.pTimeline->Started() || !in.pSummary) {
        out += "<p>No clock placed the stream in time (no PCR and no arrival times): no charts.</p>\n</section>\n";
        return out;
    }
    const TimeAxis axis = MakeAxis(in);
    BitrateChart(out, in, axis);
    ErrorChart(out, in, axis);
    if (in.pSignal && in.pSignal->Started())
        SignalChart(out, in, axis);
    out += "</section>\n";
    return out;
}
