// The capture and analyze commands.
#include "cli/CliCommands.h"

#include "base/PerformanceClock.h"
#include "capture/CaptureReport.h"
#include "capture/CaptureSession.h"
#include "capture/KeepAwake.h"
#include "capture/RecordOutput.h"
#include "capture/StreamRecorder.h"
#include "cli/CaptureOutputs.h"
#include "ts/HealthReport.h"
#include "cli/CliConsole.h"
#include "cli/CliText.h"
#include "cli/CliUnicode.h"
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

enum class StopCause { Stopped, Time, NoLock, Recorder, NoService };

void PrintSummary(const CliArgs& args, FILE* pReport, const StreamHealthSummary& summary)
{
    fputs((args.bJson ? FormatHealthJson(summary) + "\n" : FormatHealthText(summary)).c_str(), pReport);
    fflush(pReport);
}

// How a capture ended: the JSON's word, the last line's words and the exit code.
struct CaptureEnding {
    const char* pszEnd;
    const char* pszWhy;
    int nExit;
};

CaptureEnding Ending(StopCause eCause, RecordEnd eRecord, const char* pszStopped)
{
    switch (eRecord) {
    case RecordEnd::LimitReached: return {"size", "size limit reached", EXIT_OK};
    case RecordEnd::WriteFailed:
        return {"write failure", "a write failed (disk full or removed?); the output holds what was written before",
                EXIT_WRITE_FAILED};
    case RecordEnd::OutputClosed: return {"output closed", "the output was closed by its reader", EXIT_WRITE_FAILED};
    case RecordEnd::PartTooBig:
        return {"file too big", "the file reached 4 GiB, the most a FAT32 volume holds in one file; give --split-mb "
                "(for example --split-mb 4000) to record into parts", EXIT_WRITE_FAILED};
    case RecordEnd::None: break;
    }
    if (eCause == StopCause::Time)
        return {"time", "time reached", EXIT_OK};
    if (eCause == StopCause::NoLock)
        return {"lock timeout", "no lock for the lock timeout; check the antenna and the signal", EXIT_NO_LOCK};
    return {"ctrl+c", pszStopped, EXIT_OK};
}

// A capture that ends before recording: with --json, its code as a JSON object too.
int NotRecorded(const CliArgs& args, FILE* pReport, int nExit)
{
    if (args.bJson) {
        fprintf(pReport, "%s\n", FormatErrorJson(nExit, std::string()).c_str());
        fflush(pReport);
    }
    return nExit;
}

std::string LimitsText(const CliArgs& args)
{
    std::string text;
    if (args.nSeconds)
        text += "for " + std::to_string(args.nSeconds) + " s";
    if (args.nLimitMB)
        text += (text.empty() ? "" : " or ") + std::string("up to ") + std::to_string(args.nLimitMB) + " MB";
    return text.empty() ? "no limit: recording until Ctrl+C" : text + ", or until Ctrl+C";
}

// Keeps the system awake from the start of the recording to the end of this scope.
class CAwakeWhileRecording {
public:
    CAwakeWhileRecording() { g_KeepAwake.Hold(); }
    ~CAwakeWhileRecording() { g_KeepAwake.Release(); }
    CAwakeWhileRecording(const CAwakeWhileRecording&) = delete;
    CAwakeWhileRecording& operator=(const CAwakeWhileRecording&) = delete;
};

// Binds the command's session to the graph for the graph's whole life. Leaving the scope
// ends the recording, stops and tears down the graph and gives the graph its program-wide
// session back, so no run reaches the session any more once it is closed.
class CSessionGraph {
public:
    CSessionGraph(CTunerGraph& graph, CCaptureSession& session)
        : m_Graph(graph), m_Session(session), m_bBound(graph.SetCaptureSession(&session) == S_OK)
    {
    }
    ~CSessionGraph()
    {
        if (!m_bBound)
            return;
        m_Session.State().StopCapture();
        m_Graph.StopGraph();
        m_Graph.DestroyGraph();
        m_Graph.SetCaptureSession(nullptr);
    }
    CSessionGraph(const CSessionGraph&) = delete;
    CSessionGraph& operator=(const CSessionGraph&) = delete;

    bool IsBound() const { return m_bBound; }

private:
    CTunerGraph& m_Graph;
    CCaptureSession& m_Session;
    const bool m_bBound;
};

// What one recording ended with, for the summary and the last line.
struct RecordedRun {
    StopCause eCause = StopCause::Recorder;
    uint64_t nDurationMs = 0;
    CliTuned Tuned;
    std::string strMissing;  // why the service asked for was not found
    std::string strWhere;    // the output's name for the start line
};

// Tunes, starts the recorder (when there is a file) and the selection and network outputs,
// and records until a stop cause comes; on every return the graph is stopped and torn down,
// so the streaming thread no longer delivers.
int RecordTunedStream(const CliArgs& args, const CliContext& context, CCaptureSession& session,
                      CStreamRecorder* pRecorder, CCaptureOutputs& outputs, CStreamAnalysis& analysis,
                      CCaptureReport& report, RecordedRun* pRun)
{
    CSessionGraph bound(context.Graph, session);
    if (!bound.IsBound()) {
        fprintf(context.pErr, "qltscap: SetCaptureSession failed: a graph is built already\n");
        return EXIT_FAILED;
    }
    const int nExit = TuneCliTuner(args, context, &pRun->Tuned);
    if (nExit != EXIT_OK)
        return nExit;
    outputs.UseChannelService(args, pRun->Tuned.nChannelServiceId);
    std::string error;
    if (!args.strLog.empty() && !report.OpenLog(args.strLog, &error)) {
        fprintf(context.pErr, "qltscap: %s\n", error.c_str());
        return EXIT_FILE_OPEN;
    }
    // The output is created only once the tuner is locked, so a failed tune leaves none.
    if (pRecorder && !pRecorder->Start()) {
        if (!pRecorder->RingAllocated()) {
            fprintf(context.pErr, "qltscap: %u MB of memory for the buffer cannot be had; give a smaller --buffer-mb\n",
                    args.nBufferMB);
            return EXIT_FAILED;
        }
        return EXIT_FILE_OPEN;
    }
    // The selection is attached once the file records, so that its first packets, the PAT
    // and the PMT, reach the file.
    if (!outputs.Attach(session, pRecorder, &analysis))
        session.AddConsumer(pRecorder);
    fprintf(context.pErr, "Recording to %s; %s\n", pRun->strWhere.c_str(),
            LimitsText(args).c_str());
    // An overnight capture nobody watches must not end at the sleep timeout.
    CAwakeWhileRecording awake;

    const uint64_t nStart = GetTickCount64();
    uint64_t nLastLocked = nStart, nLastProgress = nStart, nBytesAtProgress = 0;
    for (;;) {
        const bool bStopRequested = context.Stop.WaitForStop(CAPTURE_TICK_MS);
        const uint64_t nNow = GetTickCount64();
        pRun->nDurationMs = nNow - nStart;
        LONG nStrength = 0, nQuality = 0;
        const bool bLocked = context.Graph.WaitForLock(0) == 0;
        if (bLocked) {
            nLastLocked = nNow;
            context.Graph.GetSignalLevels(&nStrength, &nQuality);
        }
        const RecordFigures sampled = pRecorder ? pRecorder->Figures() : RecordFigures();
        CaptureTick tick;
        tick.nNowUs = PerformanceNowUs();
        tick.nBytes = pRecorder ? sampled.nBytesWritten : outputs.PassedBytes();
        tick.bLocked = bLocked;
        tick.nStrength = nStrength;
        tick.nQuality = nQuality;
        tick.Stream = analysis.Progress();
        tick.nDroppedBytes = sampled.nBytesDropped;
        report.Tick(tick);
        if (nNow - nLastProgress >= PROGRESS_PERIOD_MS) {
            const RecordFigures written = pRecorder ? pRecorder->Figures() : RecordFigures();
            CaptureProgressFigures figures;
            figures.nElapsedMs = nNow - nStart;
            figures.nBytes = pRecorder ? written.nBytesWritten : outputs.PassedBytes();
            figures.nBytesPerSecond = (figures.nBytes - nBytesAtProgress) * 1000 / (nNow - nLastProgress);
            figures.bLocked = bLocked;
            figures.nStrength = nStrength;
            figures.nQuality = nQuality;
            figures.Stream = analysis.Progress();
            figures.nDroppedBytes = written.nBytesDropped;
            figures.nBufferHighestPercent = written.nRingBytes ? written.nRingHighest * 100 / written.nRingBytes : 0;
            fprintf(context.pErr, "%s\n", FormatProgressLine(figures).c_str());
            outputs.ReportDrops(context.pErr);
            fflush(context.pErr);
            nLastProgress = nNow;
            nBytesAtProgress = figures.nBytes;
        }
        if (pRecorder && pRecorder->HasEnded()) {
            pRun->eCause = StopCause::Recorder;
            return EXIT_OK;
        }
        if (bStopRequested) {
            pRun->eCause = StopCause::Stopped;
            return EXIT_OK;
        }
        if (args.nSeconds && nNow - nStart >= uint64_t{args.nSeconds} * 1000) {
            pRun->eCause = StopCause::Time;
            return EXIT_OK;
        }
        // A lost signal may come back: recording goes on until the lock timeout (0: for ever).
        if (args.nLockTimeoutS && nNow - nLastLocked >= uint64_t{args.nLockTimeoutS} * 1000) {
            pRun->eCause = StopCause::NoLock;
            return EXIT_OK;
        }
        pRun->strMissing = outputs.MissingService(nNow - nStart);
        if (!pRun->strMissing.empty()) {
            pRun->eCause = StopCause::NoService;
            return EXIT_OK;
        }
    }
}

} // namespace

int RunCapture(const CliArgs& args, const CliContext& context)
{
    const bool bFile = !args.strFile.empty();
    const bool bSplit = args.nSplitMB || args.nSplitSeconds;
    CRecordOutput output(args.strFile, bSplit, args.bOverwrite);
    // Nothing but the stream goes where the stream goes.
    FILE* pReport = output.IsStandardOutput() ? context.pErr : context.pOut;
    if (bFile && !output.IsStandardOutput()) {
        CliArgs first = args;
        first.strFile = output.PartPath(1);
        const int nRefused = RefuseExistingFile(first, context);
        if (nRefused != EXIT_OK)
            return NotRecorded(args, pReport, nRefused);
    }
    CCaptureOutputs outputs;
    int nExit = outputs.Prepare(args, context);
    if (nExit != EXIT_OK)
        return NotRecorded(args, pReport, nExit);

    RecordSettings settings;
    settings.bRaw = args.bRaw;
    settings.nRingBytes = uint64_t{args.nBufferMB} * CAPTURE_BYTES_PER_MB;
    settings.nLimitBytes = uint64_t{args.nLimitMB} * CAPTURE_BYTES_PER_MB;
    settings.nSplitBytes = uint64_t{args.nSplitMB} * CAPTURE_BYTES_PER_MB;
    settings.nSplitSeconds = args.nSplitSeconds;
    // The session owns the analysis and the recorder; it goes before the outputs, after the
    // graph that fed it was torn down on leaving RecordTunedStream.
    CCaptureSession session;
    CStreamAnalysis& analysis = session.Make<CStreamAnalysis>();
    CStreamRecorder* pRecorder = bFile ? &session.Make<CStreamRecorder>(output, settings, &analysis, &PerformanceNowUs) : nullptr;
    CCaptureReport report(pRecorder != nullptr);
    RecordedRun run;
    run.strWhere = bFile ? output.PartPath(1) : "";
    for (const std::string& strUrl : args.NetworkOutputs)
        run.strWhere += (run.strWhere.empty() ? "" : " and ") + strUrl;
    nExit = RecordTunedStream(args, context, session, pRecorder, outputs, analysis, report, &run);
    // Everything the streaming thread handed over reaches the outputs before they are closed
    // and the analysis is read.
    if (pRecorder)
        pRecorder->Finish();
    outputs.Finish(context.pErr);
    if (nExit != EXIT_OK) {
        if (nExit == EXIT_FILE_OPEN)
            fprintf(context.pErr, "qltscap: %s\n", output.Error().c_str());
        return NotRecorded(args, pReport, nExit);
    }

    const RecordFigures written = pRecorder ? pRecorder->Figures() : RecordFigures();
    const RecordEnd eRecordEnd = pRecorder ? pRecorder->EndReason() : RecordEnd::None;
    CaptureEnding ending = Ending(run.eCause, eRecordEnd, context.Stop.CauseText());
    if (run.eCause == StopCause::NoService && eRecordEnd == RecordEnd::None)
        ending = {"service not found", run.strMissing.c_str(), EXIT_NO_SERVICE};
    nExit = ending.nExit;
    if (nExit == EXIT_OK && written.nBytesDropped)
        nExit = EXIT_DATA_DROPPED;
    // A service that never came leaves no empty file behind.
    if (nExit == EXIT_NO_SERVICE && bFile && !output.IsStandardOutput() && written.nBytesWritten == 0)
        DeleteFileW(WideFromUtf8(output.PartPath(1)).c_str());

    StreamHealthSummary summary = analysis.Summarise();
    RecordingHealth& recording = summary.Recording;
    recording.bPresent = true;
    recording.Tuner = run.Tuned.strTuner;
    recording.Tuning = run.Tuned.strTuning;
    recording.Output = run.strWhere;
    recording.nParts = written.nParts;
    recording.nDurationMs = run.nDurationMs;
    recording.End = ending.pszEnd;
    recording.nExitCode = nExit;
    recording.nBytesWritten = bFile ? written.nBytesWritten : outputs.PassedBytes();
    recording.nBytesDropped = written.nBytesDropped;
    recording.nSamplesDropped = written.nSamplesDropped;
    recording.nDropEvents = written.nDropEvents;
    recording.nSkippedBytes = written.nSkippedBytes;
    recording.nRingBytes = written.nRingBytes;
    recording.nRingHighest = written.nRingHighest;
    recording.nLongestBlockMs = written.nLongestBlockUs / 1000;
    PrintSummary(args, pReport, summary);
    if (report.LogFailed())
        fprintf(context.pErr, "qltscap: writing the log %s failed (disk full?); it ends early\n", args.strLog.c_str());
    std::string error;
    if (!args.strHtml.empty() && !report.WriteHtml(args.strHtml, run.strWhere, analysis, &error)) {
        fprintf(context.pErr, "qltscap: %s\n", error.c_str());
        if (nExit == EXIT_OK)
            nExit = EXIT_FILE_OPEN;
    }
    session.Close();

    if (written.nBytesDropped)
        fprintf(context.pErr, "qltscap: %llu bytes (%llu samples, %llu times) were left out because the output could "
                "not keep up; give a larger --buffer-mb or a faster output\n",
                static_cast<unsigned long long>(written.nBytesDropped),
                static_cast<unsigned long long>(written.nSamplesDropped),
                static_cast<unsigned long long>(written.nDropEvents));
    if (!output.Error().empty() && eRecordEnd == RecordEnd::WriteFailed)
        fprintf(context.pErr, "qltscap: %s\n", output.Error().c_str());
    std::string where = run.strWhere;
    if (written.nParts > 1)
        where = output.PartPath(1) + " ... " + output.PartPath(written.nParts) + " (" +
                std::to_string(written.nParts) + " parts)";
    fprintf(context.pErr, "Capture ended: %s; %llu bytes in %s\n", ending.pszWhy,
            static_cast<unsigned long long>(recording.nBytesWritten), where.c_str());
    return nExit;
}

int RunAnalyze(const CliArgs& args, const CliContext& context)
{
    FileHolder file = OpenCliFile(args.strFile, L"rb");
    if (file.IsNull()) {
        fprintf(context.pErr, "qltscap: cannot read %s (_wfopen: %s)\n", args.strFile.c_str(), strerror(errno));
        return EXIT_FILE_OPEN;
    }
    std::unique_ptr<CStreamAnalysis> pAnalysis(new CStreamAnalysis());
    std::vector<uint8_t> buffer(ANALYZE_CHUNK);
    size_t nRead;
    bool bStopped = false;
    // Ctrl+C is looked at between chunks: a large file ends within one chunk's work.
    while (!(bStopped = context.Stop.WaitForStop(0)) && (nRead = fread(buffer.data(), 1, buffer.size(), file.Get())) > 0)
        pAnalysis->OnBytes(buffer.data(), nRead);
    if (!bStopped && ferror(file.Get())) {
        fprintf(context.pErr, "qltscap: fread failed: %s could not be read to its end\n", args.strFile.c_str());
        return EXIT_FILE_OPEN;
    }
    const StreamHealthSummary summary = pAnalysis->Summarise();
    PrintSummary(args, context.pOut, summary);
    std::string error;
    if (!args.strHtml.empty() && !WriteStreamReport(args.strHtml, args.strFile, *pAnalysis, nullptr, false, &error)) {
        fprintf(context.pErr, "qltscap: %s\n", error.c_str());
        return EXIT_FILE_OPEN;
    }
    if (bStopped) {
        fprintf(context.pErr, "qltscap: analysis %s; the summary covers the part read before\n",
                context.Stop.CauseText());
        return EXIT_OK;
    }
    if (summary.nPackets == 0) {
        fprintf(context.pErr, "qltscap: %s holds no transport-stream packets (no run of 0x47 sync bytes 188 bytes "
                "apart)\n", args.strFile.c_str());
        return EXIT_BAD_ARGUMENT;
    }
    return EXIT_OK;
}
