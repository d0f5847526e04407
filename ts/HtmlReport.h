// The stream report as one self-contained HTML page: a header with the totals and a plain
// verdict, the services with their streams, the PIDs, and charts on one time axis (the
// bitrate with each service stacked, the errors as marks, for a live capture also lock,
// strength, quality and dropped bytes). Inline CSS and SVG only: it opens offline and can be
// mailed. Every figure of the header and the tables comes from the same summary the text
// and JSON reports print. Plain C++ without windows.h.
#pragma once

#include "ts/HealthSummary.h"
#include "ts/SignalTimeline.h"
#include "ts/StreamTimeline.h"

#include <cstdint>
#include <string>

struct StreamReportInput {
    std::string strFile;                          // the stream's file, as the user named it
    const StreamHealthSummary* pSummary = nullptr;
    const CStreamTimeline* pTimeline = nullptr;
    const CSignalTimeline* pSignal = nullptr;     // a live capture's tuner samples, or none
    bool bDropsCounted = false;                   // the writer counts the bytes it drops
};

std::string FormatHtmlReport(const StreamReportInput& input);

// The charts alone (one <section> of inline SVG), as the page embeds them.
std::string FormatReportCharts(const StreamReportInput& input);

// Text made safe inside HTML elements and attribute values.
std::string HtmlEscape(const std::string& text);
