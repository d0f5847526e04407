#include "capture/CaptureReport.h"

#include "ts/HtmlReport.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>

namespace {

constexpr int64_t LOG_PERIOD_US = 1000000;

std::string OpenFailure(const char* pszWhat, const std::string& strPath)
{
    return std::string("cannot write ") + pszWhat + " " + strPath + "; check the folder and its permissions (fopen: " +
           std::strerror(errno) + ")";
}

} // namespace

std::string CaptureLogHeader()
{
    return "time_s,bytes,mbit_s,locked,strength,quality,cc_errors,tei_packets,sync_losses,crc_errors,dropped_bytes\n";
}

std::string FormatCaptureLogLine(const CaptureTick& t, double dElapsedS, double dBitsPerSecond)
{
    char line[256];
    std::snprintf(line, sizeof(line),
                  "%.1f,%" PRIu64 ",%.3f,%d,%d,%d,%" PRIu64 ",%" PRIu64 ",%" PRIu64 ",%" PRIu64 ",%" PRIu64 "\n",
                  dElapsedS, t.nBytes, dBitsPerSecond / 1e6, t.bLocked ? 1 : 0, t.nStrength, t.nQuality,
                  t.Stream.nCcErrors, t.Stream.nTeiPackets, t.Stream.nSyncLosses, t.Stream.nPsiCrcErrors,
                  t.nDroppedBytes);
    return line;
}

bool CCaptureReport::OpenLog(const std::string& strPath, std::string* pError)
{
    m_pLog.Reset(fopen(strPath.c_str(), "wb"));
    if (m_pLog.IsNull()) {
        *pError = OpenFailure("the log", strPath);
        return false;
    }
    const std::string header = CaptureLogHeader();
    if (fputs(header.c_str(), m_pLog.Get()) < 0 || fflush(m_pLog.Get()) != 0) {
        *pError = "cannot write the log " + strPath + " (fputs failed)";
        m_pLog.Reset();
        return false;
    }
    return true;
}

void CCaptureReport::Tick(const CaptureTick& tick)
{
    m_Signal.Sample(tick.nNowUs, tick.bLocked, tick.nStrength, tick.nQuality, tick.nDroppedBytes);
    if (!m_bStarted) {
        m_bStarted = true;
        m_nStartUs = m_nLineUs = tick.nNowUs;
        m_nBytesAtLine = tick.nBytes;
        return;
    }
    if (m_pLog.IsNull() || m_bLogFailed || tick.nNowUs - m_nLineUs < LOG_PERIOD_US)
        return;
    const double dSpanS = static_cast<double>(tick.nNowUs - m_nLineUs) / 1e6;
    const double dBps = static_cast<double>(tick.nBytes - m_nBytesAtLine) * 8 / dSpanS;
    const std::string line =
        FormatCaptureLogLine(tick, static_cast<double>(tick.nNowUs - m_nStartUs) / 1e6, dBps);
    // Flushed line by line: what was logged survives a crash of the program.
    if (fputs(line.c_str(), m_pLog.Get()) < 0 || fflush(m_pLog.Get()) != 0)
        m_bLogFailed = true;
    m_nLineUs = tick.nNowUs;
    m_nBytesAtLine = tick.nBytes;
}

bool CCaptureReport::WriteHtml(const std::string& strPath, const std::string& strStreamFile,
                               CStreamAnalysis& analysis, std::string* pError)
{
    return WriteStreamReport(strPath, strStreamFile, analysis, &m_Signal, m_bDropsCounted, pError);
}

bool WriteStreamReport(const std::string& strPath, const std::string& strStreamFile, CStreamAnalysis& analysis,
                       const CSignalTimeline* pSignal, bool bDropsCounted, std::string* pError)
{
    analysis.EndOfStream();
    const StreamHealthSummary summary = analysis.Summarise();
    StreamReportInput input;
    input.strFile = strStreamFile;
    input.pSummary = &summary;
    input.pTimeline = &analysis.Timeline();
    input.pSignal = pSignal && pSignal->Started() ? pSignal : nullptr;
    input.bDropsCounted = bDropsCounted;
    const std::string page = FormatHtmlReport(input);

    FILE* pFile = fopen(strPath.c_str(), "wb");
    if (!pFile) {
        *pError = OpenFailure("the report", strPath);
        return false;
    }
    const bool bWritten = fwrite(page.data(), 1, page.size(), pFile) == page.size();
    const bool bClosed = fclose(pFile) == 0;
    if (!bWritten || !bClosed) {
        *pError = "cannot write the report " + strPath + " to its end (disk full?)";
        return false;
    }
    return true;
}
