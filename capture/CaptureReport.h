// What a capture adds to the stream report: the capture loop samples the tuner and the
// writer once a tick; the samples go into the signal timeline of the HTML report and, once a
// second, into an optional CSV log, one line each, flushed at once so that a crash keeps
// what was logged. Used by the capture loop's thread only; the report is written after the
// streaming thread that feeds the analysis has stopped. Plain C++ without windows.h.
#pragma once

#include "base/Holder.h"
#include "ts/StreamAnalysis.h"
#include "ts/SignalTimeline.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

struct CaptureTick {
    int64_t nNowUs = 0;         // on the clock of the analysis' arrival times
    uint64_t nBytes = 0;        // written to the capture file so far
    bool bLocked = false;
    int32_t nStrength = 0;
    int32_t nQuality = 0;
    StreamProgress Stream;
    uint64_t nDroppedBytes = 0; // the writer's count so far
};

// The CSV log's header row and one line; dBitsPerSecond over the second before the line.
std::string CaptureLogHeader();
std::string FormatCaptureLogLine(const CaptureTick& tick, double dElapsedS, double dBitsPerSecond);

class CCaptureReport {
public:
    explicit CCaptureReport(bool bDropsCounted = false) : m_bDropsCounted(bDropsCounted) {}

    // Creates the CSV log and writes its header row; pError says why it could not.
    bool OpenLog(const std::string& strPath, std::string* pError);
    // Once a tick: a signal sample, and a log line when a second has passed since the last.
    void Tick(const CaptureTick& tick);
    // False once a log line could not be written; logging stops there.
    bool LogFailed() const { return m_bLogFailed; }
    // Ends the stream's timeline and writes the page for strStreamFile to strPath.
    bool WriteHtml(const std::string& strPath, const std::string& strStreamFile, CStreamAnalysis& analysis,
                   std::string* pError);

    const CSignalTimeline& Signal() const { return m_Signal; }

private:

    bool m_bDropsCounted;
    CSignalTimeline m_Signal;
    FileHolder m_pLog;
    bool m_bLogFailed = false;
    bool m_bStarted = false;
    int64_t m_nStartUs = 0;
    int64_t m_nLineUs = 0;       // time of the last log line
    uint64_t m_nBytesAtLine = 0;
};

// Writes a report page for a recorded file (no tuner samples) to strPath.
bool WriteStreamReport(const std::string& strPath, const std::string& strStreamFile, CStreamAnalysis& analysis,
                       const CSignalTimeline* pSignal, bool bDropsCounted, std::string* pError);
