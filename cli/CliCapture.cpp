// The capture and analyze commands.
#include "cli/CliCommands.h"

#include "capture/CaptureState.h"
#include "capture/HealthReport.h"
#include "capture/JsonWriter.h"
#include "capture/RecordOutput.h"
#include "capture/StreamRecorder.h"
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

enum class StopCause { Stopped, Time, NoLock, Recorder };

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

CaptureEnding Ending(StopCause eCause, RecordEnd eRecord)
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
    return {"ctrl+c", "stopped by Ctrl+C", EXIT_OK};
}

// A capture that ends before recording: with --json, its code as a JSON object too.
int NotRecorded(const CliArgs& args, FILE* pReport, int nExit)
{
    static const char* const kWhy[] = {"", "the system refused an operation", "bad argument", "no such tuner",
                                       "no lock", "the output cannot be opened", "a write failed", "the tuner is in use"};
    if (args.bJson && nExit > 0 && nExit < static_cast<int>(sizeof(kWhy) / sizeof(kWhy[0]))) {
        CJsonWriter json;
        json.BeginObject();
        json.Key("error");
        json.String(kWhy[nExit]);
        json.Key("exit_code");
        json.Number(int64_t{nExit});
        json.EndObject();
        fprintf(pReport, "%s\n", json.Text().c_str());
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

} // namespace

int RunCapture(const CliArgs& args, const CliContext& context)
{
    const bool bSplit = args.nSplitMB || args.nSplitSeconds;
    CRecordOutput output(args.strFile, bSplit, args.bOverwrite);
    // Nothing but the stream goes where the stream goes.
    FILE* pReport = output.IsStandardOutput() ? context.pErr : context.pOut;
    int nExit = EXIT_OK;
    if (!output.IsStandardOutput()) {
        CliArgs first = args;
        first.strFile = output.PartPath(1);
        nExit = RefuseExistingFile(first, context);
    }
    CliTuned tuned;
    if (nExit == EXIT_OK)
        nExit = TuneCliTuner(args, context, &tuned);
    if (nExit != EXIT_OK)
        return NotRecorded(args, pReport, nExit);

    RecordSettings settings;
    settings.bRaw = args.bRaw;
    settings.nRingBytes = uint64_t{args.nBufferMB} * CAPTURE_BYTES_PER_MB;
    settings.nLimitBytes = uint64_t{args.nLimitMB} * CAPTURE_BYTES_PER_MB;
    settings.nSplitBytes = uint64_t{args.nSplitMB} * CAPTURE_BYTES_PER_MB;
    settings.nSplitSeconds = args.nSplitSeconds;
    std::unique_ptr<CStreamAnalysis> pAnalysis(new CStreamAnalysis());
    // The output is created only once the tuner is locked, so a failed tune leaves none.
    CStreamRecorder recorder(output, settings, pAnalysis.get(), &NowUs);
    if (!recorder.Start()) {
        if (!recorder.RingAllocated()) {
            fprintf(context.pErr, "qltscap: %u MB of memory for the buffer cannot be had; give a smaller --buffer-mb\n",
                    args.nBufferMB);
            nExit = EXIT_FAILED;
        } else {
            fprintf(context.pErr, "qltscap: %s\n", output.Error().c_str());
            nExit = EXIT_FILE_OPEN;
        }
        context.Graph.DestroyGraph();
        return NotRecorded(args, pReport, nExit);
    }
    if (context.Graph.AddPacketConsumer(&recorder) != S_OK) {
        fprintf(context.pErr, "qltscap: AddPacketConsumer failed: the stream cannot reach the output\n");
        context.Graph.DestroyGraph();
        recorder.Finish();
        return NotRecorded(args, pReport, EXIT_FAILED);
    }
    fprintf(context.pErr, "Recording to %s; %s\n", output.PartPath(1).c_str(), LimitsText(args).c_str());

    const uint64_t nStart = GetTickCount64();
    uint64_t nLastLocked = nStart, nLastProgress = nStart, nBytesAtProgress = 0;
    StopCause eCause = StopCause::Recorder;
    for (;;) {
        const bool bStopRequested = context.Stop.WaitForStop(CAPTURE_TICK_MS);
        const uint64_t nNow = GetTickCount64();
        LONG nStrength = 0, nQuality = 0;
        const bool bLocked = context.Graph.WaitForLock(0) == 0;
        if (bLocked) {
            nLastLocked = nNow;
            context.Graph.GetSignalLevels(&nStrength, &nQuality);
        }
        if (nNow - nLastProgress >= PROGRESS_PERIOD_MS) {
            const RecordFigures written = recorder.Figures();
            CaptureProgressFigures figures;
            figures.nElapsedMs = nNow - nStart;
            figures.nBytes = written.nBytesWritten;
            figures.nBytesPerSecond = (figures.nBytes - nBytesAtProgress) * 1000 / (nNow - nLastProgress);
            figures.bLocked = bLocked;
            figures.nStrength = nStrength;
            figures.nQuality = nQuality;
            figures.Stream = pAnalysis->Progress();
            figures.nDroppedBytes = written.nBytesDropped;
            figures.nBufferHighestPercent = written.nRingHighest * 100 / written.nRingBytes;
            fprintf(context.pErr, "%s\n", FormatProgressLine(figures).c_str());
            fflush(context.pErr);
            nLastProgress = nNow;
            nBytesAtProgress = figures.nBytes;
        }
        if (recorder.HasEnded()) {
            eCause = StopCause::Recorder;
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
        // A lost signal may come back: recording goes on until the lock timeout (0: for ever).
        if (args.nLockTimeoutS && nNow - nLastLocked >= uint64_t{args.nLockTimeoutS} * 1000) {
            eCause = StopCause::NoLock;
            break;
        }
    }
    const uint64_t nDurationMs = GetTickCount64() - nStart;
    // The streaming thread stops first; then everything it handed over reaches the output
    // before it is closed and the analysis is read.
    context.Graph.StopGraph();
    recorder.Finish();
    context.Graph.DestroyGraph();

    const RecordFigures written = recorder.Figures();
    const CaptureEnding ending = Ending(eCause, recorder.EndReason());
    nExit = ending.nExit;
    if (nExit == EXIT_OK && written.nBytesDropped)
        nExit = EXIT_DATA_DROPPED;

    StreamHealthSummary summary = pAnalysis->Summarise();
    RecordingHealth& recording = summary.Recording;
    recording.bPresent = true;
    recording.Tuner = tuned.strTuner;
    recording.Tuning = tuned.strTuning;
    recording.Output = output.IsStandardOutput() ? "-" : output.PartPath(1);
    recording.nParts = written.nParts;
    recording.nDurationMs = nDurationMs;
    recording.End = ending.pszEnd;
    recording.nExitCode = nExit;
    recording.nBytesWritten = written.nBytesWritten;
    recording.nBytesDropped = written.nBytesDropped;
    recording.nSamplesDropped = written.nSamplesDropped;
    recording.nDropEvents = written.nDropEvents;
    recording.nSkippedBytes = written.nSkippedBytes;
    recording.nRingBytes = written.nRingBytes;
    recording.nRingHighest = written.nRingHighest;
    recording.nLongestBlockMs = written.nLongestBlockUs / 1000;
    PrintSummary(args, pReport, summary);

    if (written.nBytesDropped)
        fprintf(context.pErr, "qltscap: %llu bytes (%llu samples, %llu times) were left out because the output could "
                "not keep up; give a larger --buffer-mb or a faster output\n",
                static_cast<unsigned long long>(written.nBytesDropped),
                static_cast<unsigned long long>(written.nSamplesDropped),
                static_cast<unsigned long long>(written.nDropEvents));
    if (!output.Error().empty() && recorder.EndReason() == RecordEnd::WriteFailed)
        fprintf(context.pErr, "qltscap: %s\n", output.Error().c_str());
    std::string where = output.PartPath(1);
    if (written.nParts > 1)
        where += " ... " + output.PartPath(written.nParts) + " (" + std::to_string(written.nParts) + " parts)";
    fprintf(context.pErr, "Capture ended: %s; %llu bytes in %s\n", ending.pszWhy,
            static_cast<unsigned long long>(written.nBytesWritten), where.c_str());
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
    PrintSummary(args, context.pOut, pAnalysis->Summarise());
    return EXIT_OK;
}
