// The capture and analyze commands.
#include "cli/CliCommands.h"

#include "capture/CaptureAnalysisFeed.h"
#include "capture/CaptureSession.h"
#include "capture/KeepAwake.h"
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

// Tunes, opens the file and records into the session until a stop cause (*peCause) comes;
// on every return the graph is stopped and torn down.
int RecordTunedStream(const CliArgs& args, const CliContext& context, CCaptureSession& session,
                      const CStreamAnalysis& analysis, StopCause* peCause)
{
    CSessionGraph bound(context.Graph, session);
    if (!bound.IsBound()) {
        fprintf(context.pErr, "qltscap: SetCaptureSession failed: a graph is built already\n");
        return EXIT_FAILED;
    }
    const int nExit = TuneCliTuner(args, context);
    if (nExit != EXIT_OK)
        return nExit;
    // The file is created only once the tuner is locked, so a failed tune leaves none.
    FILE* pFile = OpenCliFile(args.strFile, L"wb").Detach();
    if (!pFile) {
        fprintf(context.pErr, "qltscap: cannot write %s; check the folder and its permissions (_wfopen: %s)\n",
                args.strFile.c_str(), strerror(errno));
        return EXIT_FILE_OPEN;
    }
    if (!session.StartCapture(pFile, args.nLimitMB)) {
        fprintf(context.pErr, "qltscap: StartCapture failed: another capture is still on\n");
        return EXIT_FAILED;
    }
    // An overnight capture nobody watches must not end at the sleep timeout.
    CAwakeWhileRecording awake;

    const CCaptureState& capture = session.State();
    const uint64_t nStart = GetTickCount64();
    uint64_t nLastLocked = nStart, nLastProgress = nStart, nBytesAtProgress = 0;
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
            CaptureProgressFigures figures;
            figures.nElapsedMs = nNow - nStart;
            figures.nBytes = capture.CapturedBytes();
            figures.nBytesPerSecond = (figures.nBytes - nBytesAtProgress) * 1000 / (nNow - nLastProgress);
            figures.bLocked = bLocked;
            figures.nStrength = nStrength;
            figures.nQuality = nQuality;
            figures.Stream = analysis.Progress();
            fprintf(context.pErr, "%s\n", FormatProgressLine(figures).c_str());
            fflush(context.pErr);
            nLastProgress = nNow;
            nBytesAtProgress = figures.nBytes;
        }
        if (!capture.IsRecording()) {
            *peCause = StopCause::Capture;
            return EXIT_OK;
        }
        if (bStopRequested) {
            *peCause = StopCause::Stopped;
            return EXIT_OK;
        }
        if (args.nSeconds && nNow - nStart >= uint64_t{args.nSeconds} * 1000) {
            *peCause = StopCause::Time;
            return EXIT_OK;
        }
        // A lost signal may come back: recording goes on until the lock timeout.
        if (nNow - nLastLocked >= uint64_t{args.nLockTimeoutS} * 1000) {
            *peCause = StopCause::NoLock;
            return EXIT_OK;
        }
    }
}

} // namespace

int RunCapture(const CliArgs& args, const CliContext& context)
{
    int nExit = RefuseExistingFile(args, context);
    if (nExit != EXIT_OK)
        return nExit;
    // The session closes its file, consumers and outputs when it goes, after the graph that
    // fed it was torn down on leaving RecordTunedStream.
    CCaptureSession session;
    CStreamAnalysis& analysis = session.Make<CStreamAnalysis>();
    session.MakeConsumer<CCaptureAnalysisFeed>(analysis, &NowUs);
    StopCause eCause = StopCause::Capture;
    nExit = RecordTunedStream(args, context, session, analysis, &eCause);
    if (nExit != EXIT_OK)
        return nExit;

    const StreamHealthSummary summary = analysis.Summarise();
    const uint64_t nBytes = session.State().CapturedBytes();
    const CaptureEnd eEnd = session.State().EndReason();
    session.Close();
    const char* pszWhy = context.Stop.CauseText();
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
    PrintSummary(args, context, summary);
    fprintf(context.pErr, "Capture ended: %s; %llu bytes in %s\n", pszWhy, static_cast<unsigned long long>(nBytes),
            args.strFile.c_str());
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
    PrintSummary(args, context, summary);
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
