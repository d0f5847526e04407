// The capture and analyze commands.
#include "cli/CliCommands.h"

#include "capture/CaptureAnalysisFeed.h"
#include "capture/CaptureReport.h"
#include "capture/HealthReport.h"
#include "cli/CliConsole.h"
#include "cli/CliText.h"
#include "tuner/TunerGraph.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr DWORD CAPTURE_TICK_MS = 200;
constexpr uint64_t PROGRESS_PERIOD_MS = 1000;
constexpr size_t ANALYZE_CHUNK = 1 << 20;

int64_t NowUs()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<int64_t>(static_cast<double>(count.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart));
}

enum class StopCause { Stopped, Time, NoLock, Capture };

void PrintSummary(const CliArgs& args, const CliContext& context, const StreamHealthSummary& summary)
{
    fputs((args.bJson ? FormatHealthJson(summary) + "\n" : FormatHealthText(summary)).c_str(), context.pOut);
    fflush(context.pOut);
}

} // namespace

int RunCapture(const CliArgs& args, const CliContext& context)
{
    int nExit = RefuseExistingFile(args, context);
    if (nExit != EXIT_OK)
        return nExit;
    nExit = TuneCliTuner(args, context);
    if (nExit != EXIT_OK)
        return nExit;

    CCaptureReport report;
    std::string error;
    if (!args.strLog.empty() && !report.OpenLog(args.strLog, &error)) {
        fprintf(context.pErr, "qltscap: %s\n", error.c_str());
        context.Graph.DestroyGraph();
        return EXIT_FILE_OPEN;
    }
    // The file is created only once the tuner is locked, so a failed tune leaves none.
    FILE* pFile = fopen(args.strFile.c_str(), "wb");
    if (!pFile) {
        fprintf(context.pErr, "qltscap: fopen failed (%s): cannot write %s; check the folder and its permissions\n",
                strerror(errno), args.strFile.c_str());
        context.Graph.DestroyGraph();
        return EXIT_FILE_OPEN;
    }
    std::unique_ptr<CStreamAnalysis> pAnalysis(new CStreamAnalysis());
    CCaptureAnalysisFeed feed(*pAnalysis, g_CaptureState, &NowUs);
    g_CaptureState.ClearCapturedBytes();
    if (context.Graph.AddPacketConsumer(&feed) != S_OK)
        fprintf(context.pErr, "qltscap: AddPacketConsumer failed: the capture runs without stream analysis\n");
    if (!g_CaptureState.StartCapture(pFile, args.nLimitMB)) {
        fclose(pFile);
        fprintf(context.pErr, "qltscap: StartCapture failed: another capture is still on\n");
        context.Graph.DestroyGraph();
        return EXIT_FAILED;
    }

    const uint64_t nStart = GetTickCount64();
    uint64_t nLastLocked = nStart, nLastProgress = nStart, nBytesAtProgress = 0;
    StopCause eCause = StopCause::Capture;
    for (;;) {
        const bool bStopRequested = context.Stop.WaitForStop(CAPTURE_TICK_MS);
        const uint64_t nNow = GetTickCount64();
        LONG nStrength = 0, nQuality = 0;
        const bool bLocked = context.Graph.WaitForLock(0) == 0;
        if (bLocked) {
            nLastLocked = nNow;
            context.Graph.GetSignalLevels(&nStrength, &nQuality);
        }
        CaptureTick tick;
        tick.nNowUs = NowUs();
        tick.nBytes = g_CaptureState.CapturedBytes();
        tick.bLocked = bLocked;
        tick.nStrength = nStrength;
        tick.nQuality = nQuality;
        tick.Stream = pAnalysis->Progress();
        report.Tick(tick);
        if (nNow - nLastProgress >= PROGRESS_PERIOD_MS) {
            CaptureProgressFigures figures;
            figures.nElapsedMs = nNow - nStart;
            figures.nBytes = g_CaptureState.CapturedBytes();
            figures.nBytesPerSecond = (figures.nBytes - nBytesAtProgress) * 1000 / (nNow - nLastProgress);
            figures.bLocked = bLocked;
            figures.nStrength = nStrength;
            figures.nQuality = nQuality;
            figures.Stream = pAnalysis->Progress();
            fprintf(context.pErr, "%s\n", FormatProgressLine(figures).c_str());
            fflush(context.pErr);
            nLastProgress = nNow;
            nBytesAtProgress = figures.nBytes;
        }
        if (!g_CaptureState.IsRecording()) {
            eCause = StopCause::Capture;
            break;
        }
        if (bStopRequested) {
            eCause = StopCause::Stopped;
            break;
        }
        if (args.nSeconds && nNow - nStart >= uint64_t{args.nSeconds} * 1000) {
            eCause = StopCause::Time;
            break;
        }
        // A lost signal may come back: recording goes on until the lock timeout.
        if (nNow - nLastLocked >= uint64_t{args.nLockTimeoutS} * 1000) {
            eCause = StopCause::NoLock;
            break;
        }
    }
    g_CaptureState.StopCapture();
    // The analysis is read once the streaming thread that feeds it has stopped.
    context.Graph.StopGraph();
    context.Graph.DestroyGraph();

    const uint64_t nBytes = g_CaptureState.CapturedBytes();
    const CaptureEnd eEnd = g_CaptureState.EndReason();
    const char* pszWhy = "stopped by Ctrl+C";
    nExit = EXIT_OK;
    if (eEnd == CaptureEnd::WriteFailed) {
        pszWhy = "a write failed (disk full or removed?); the file holds what was written before";
        nExit = EXIT_WRITE_FAILED;
    } else if (eEnd == CaptureEnd::LimitReached) {
        pszWhy = "size limit reached";
    } else if (eCause == StopCause::Time) {
        pszWhy = "time reached";
    } else if (eCause == StopCause::NoLock) {
        pszWhy = "no lock for the lock timeout; check the antenna and the signal";
        nExit = EXIT_NO_LOCK;
    }
    PrintSummary(args, context, pAnalysis->Summarise());
    if (report.LogFailed())
        fprintf(context.pErr, "qltscap: writing the log %s failed (disk full?); it ends early\n", args.strLog.c_str());
    if (!args.strHtml.empty() && !report.WriteHtml(args.strHtml, args.strFile, *pAnalysis, &error)) {
        fprintf(context.pErr, "qltscap: %s\n", error.c_str());
        if (nExit == EXIT_OK)
            nExit = EXIT_FILE_OPEN;
    }
    fprintf(context.pErr, "Capture ended: %s; %llu bytes in %s\n", pszWhy, static_cast<unsigned long long>(nBytes),
            args.strFile.c_str());
    return nExit;
}

int RunAnalyze(const CliArgs& args, const CliContext& context)
{
    FILE* pFile = fopen(args.strFile.c_str(), "rb");
    if (!pFile) {
        fprintf(context.pErr, "qltscap: fopen failed (%s): cannot read %s\n", strerror(errno), args.strFile.c_str());
        return EXIT_FILE_OPEN;
    }
    std::unique_ptr<CStreamAnalysis> pAnalysis(new CStreamAnalysis());
    std::vector<uint8_t> buffer(ANALYZE_CHUNK);
    size_t nRead;
    while ((nRead = fread(buffer.data(), 1, buffer.size(), pFile)) > 0)
        pAnalysis->OnBytes(buffer.data(), nRead);
    const bool bFailed = ferror(pFile) != 0;
    fclose(pFile);
    if (bFailed) {
        fprintf(context.pErr, "qltscap: fread failed: %s could not be read to its end\n", args.strFile.c_str());
        return EXIT_FILE_OPEN;
    }
    PrintSummary(args, context, pAnalysis->Summarise());
    std::string error;
    if (!args.strHtml.empty() && !WriteStreamReport(args.strHtml, args.strFile, *pAnalysis, nullptr, false, &error)) {
        fprintf(context.pErr, "qltscap: %s\n", error.c_str());
        return EXIT_FILE_OPEN;
    }
    return EXIT_OK;
}
