// The scan command: tunes each entry of a list or each step of a range, reads the services
// of every frequency that locks, prints them and writes them as a channel file.
#include "cli/CliCommands.h"

#include "base/Holder.h"
#include "cli/ChannelChoice.h"
#include "cli/CliConsole.h"
#include "cli/CliTuners.h"
#include "cli/CliUnicode.h"
#include "cli/ScanReport.h"
#include "tuner/TunerGraph.h"
#include "channels/TuningEntry.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr DWORD SERVICE_POLL_MS = 50;

struct ScanStep {
    ScanRow Row;        // filled in as far as known before tuning
    TunePlan Plan;      // eCall None for a skipped step
};

int Refused(const CliContext& context, const std::string& why)
{
    fprintf(context.pErr, "qltscap: %s\n%s", why.c_str(), CliUsageText(CliCommand::Scan).c_str());
    return EXIT_BAD_ARGUMENT;
}

// A plan refused for values the list or range checked already is refused for the command
// line's part (no oscillator, no bandwidth ...), which every step shares.
bool PlanStep(int32_t nSourceType, const TuneValues& values, ScanStep* pStep, std::string* pError)
{
    pStep->Row.strTuning = FormatScanTuning(nSourceType, values);
    pStep->Plan = PlanTune(nSourceType, values);
    if (pStep->Plan.eCall == TuneCall::None) {
        *pError = std::string("cannot tune ") + pStep->Row.strTuning + ": " + pStep->Plan.pszRefusal;
        return false;
    }
    return true;
}

bool ListSteps(const TuningList& list, const CliArgs& args, int32_t nSourceType, std::vector<ScanStep>* pSteps,
               std::string* pError)
{
    for (const TuningListEntry& entry : list.Entries) {
        ScanStep step;
        TuneValues values;
        TuningValues converted;
        if (!MakeEntryTuneValues(entry, args.Tune, nSourceType, &values, &converted, &step.Row.strReason)) {
            const std::string* pSystem = entry.Find("DELIVERY_SYSTEM");
            step.Row.strTuning = "line " + std::to_string(entry.nLine) + (pSystem ? " " + *pSystem : "");
            pSteps->push_back(step);
            continue;
        }
        step.Row.nFrequencyKHz = converted.nFrequencyKHz;
        step.Row.Tuning = entry;
        if (!PlanStep(nSourceType, values, &step, pError))
            return false;
        // Lists repeat transponders, also a few kHz apart that the field rounds together.
        for (const ScanStep& earlier : *pSteps)
            if (earlier.Plan.eCall != TuneCall::None && earlier.Row.strTuning == step.Row.strTuning) {
                step.Row.strReason = "the same tuning as line " + std::to_string(earlier.Row.Tuning.nLine);
                step.Plan = TunePlan();
            }
        pSteps->push_back(step);
    }
    return true;
}

bool RangeSteps(const CliArgs& args, int32_t nSourceType, std::vector<ScanStep>* pSteps, std::string* pError)
{
    std::vector<uint32_t> frequencies;
    if (!MakeScanRange(nSourceType, static_cast<uint32_t>(args.nFromKHz), static_cast<uint32_t>(args.nToKHz),
                       static_cast<uint32_t>(args.nStepKHz), frequencies, *pError))
        return false;
    for (uint32_t nKHz : frequencies) {
        CliTuneOptions options = args.Tune;
        options.nFrequency = nKHz;
        ScanStep step;
        TuneValues values;
        if (!MakeTuneValues(options, nSourceType, &values, pError))
            return false;
        step.Row.nFrequencyKHz = nKHz;
        step.Row.Tuning = MakeRangeTuningKeys(nSourceType, values);
        if (!PlanStep(nSourceType, values, &step, pError))
            return false;
        pSteps->push_back(step);
    }
    return true;
}

// A channel file that could not be written at the end would lose the whole scan: its
// folder is tried before the first tuning, with the name the writer uses on the way.
int CheckChannelFile(const CliArgs& args, const CliContext& context)
{
    const int nExisting = RefuseExistingFile(args, context);
    if (nExisting != EXIT_OK)
        return nExisting;
    const std::wstring probe = WideFromUtf8(args.strFile) + L".tmp";
    FileHolder file(_wfopen(probe.c_str(), L"wb"));
    if (file.IsNull()) {
        fprintf(context.pErr, "qltscap: cannot write in the folder of %s; check its permissions (_wfopen: %s)\n",
                args.strFile.c_str(), strerror(errno));
        return EXIT_FILE_OPEN;
    }
    file.Reset();
    DeleteFileW(probe.c_str());
    return EXIT_OK;
}

// Tunes one step and reads its services. EXIT_OK, or the code that ends the scan.
int ScanOne(const CliContext& context, const CliTunerEntry& tuner, ScanStep& step, bool* pbStopped)
{
    ScanRow& row = step.Row;
    const int nBuilt = BuildCliGraph(context, tuner, "the scan ends here", "the scan ends here");
    if (nBuilt != EXIT_OK)
        return nBuilt;
    // The collector must outlive the graph's streaming: it is released after the teardown.
    std::unique_ptr<CScanServiceCollector> pCollector(new CScanServiceCollector());
    if (context.Graph.AddPacketConsumer(pCollector.get()) != S_OK)
        fprintf(context.pErr, "qltscap: AddPacketConsumer failed: no services can be read on %s\n",
                row.strTuning.c_str());
    const HRESULT hr = context.Graph.Tune(step.Plan);
    if (hr == S_OK) {
        row.eState = ScanState::Locked;
        LONG nStrength = 0, nQuality = 0;
        context.Graph.GetSignalLevels(&nStrength, &nQuality);
        row.nStrength = nStrength;
        row.nQuality = nQuality;
        const uint64_t nEnd = GetTickCount64() + SCAN_SERVICE_WAIT_MS;
        while (!pCollector->IsComplete() && GetTickCount64() < nEnd)
            if (context.Stop.WaitForStop(SERVICE_POLL_MS)) {
                *pbStopped = true;
                break;
            }
    } else if (hr == E_INVALIDARG) {
        row.strReason = "the tuner refused the values (0x80070057)";
    } else {
        row.eState = ScanState::NoLock;
    }
    // Once the graph has stopped, the collector is no longer fed and may be read.
    context.Graph.StopGraph();
    context.Graph.DestroyGraph();
    if (row.eState == ScanState::Locked) {
        row.bTablesComplete = pCollector->IsComplete();
        row.Services = pCollector->Services();
    }
    return EXIT_OK;
}

} // namespace

int RunScan(const CliArgs& args, const CliContext& context)
{
    if (!args.strFile.empty()) {
        const int nExit = CheckChannelFile(args, context);
        if (nExit != EXIT_OK)
            return nExit;
    }
    TuningList list;
    if (!args.strList.empty()) {
        const int nExit = ReadCliTuningList(args.strList, context, &list);
        if (nExit != EXIT_OK)
            return nExit;
    }
    const std::vector<CliTunerEntry> tuners = ListCliTuners(context.Graph);
    const int nFound = FindCliTuner(tuners, args.strTuner);
    if (nFound < 0) {
        fprintf(context.pErr, "qltscap: no tuner '%s' (%d found); 'qltscap list' shows their indexes, names and MACs\n",
                args.strTuner.c_str(), static_cast<int>(tuners.size()));
        return EXIT_NO_TUNER;
    }
    const CliTunerEntry& tuner = tuners[static_cast<size_t>(nFound)];

    // Every step is planned before the tuner is touched, so a bad option ends nothing half-done.
    std::vector<ScanStep> steps;
    std::string error;
    if (!(args.strList.empty() ? RangeSteps(args, tuner.nSourceType, &steps, &error)
                               : ListSteps(list, args, tuner.nSourceType, &steps, &error)))
        return Refused(context, error);
    if (args.nFirst && steps.size() > args.nFirst)
        steps.resize(args.nFirst);

    if (!args.bJson) {
        fputs(FormatScanHeader().c_str(), context.pOut);
        fflush(context.pOut);
    }
    std::vector<ScanRow> rows;
    ScanEnd end;
    end.nSteps = steps.size();
    int nExit = EXIT_OK;
    for (size_t i = 0; i < steps.size() && !end.bStopped && nExit == EXIT_OK; ++i) {
        if (context.Stop.WaitForStop(0)) {
            end.bStopped = true;
            break;
        }
        ScanStep& step = steps[i];
        if (step.Plan.eCall != TuneCall::None) {
            fprintf(context.pErr, "Tuning %s (%u of %u)...\n", step.Row.strTuning.c_str(), static_cast<unsigned>(i + 1),
                    static_cast<unsigned>(steps.size()));
            fflush(context.pErr);
            nExit = ScanOne(context, tuner, step, &end.bStopped);
            if (nExit != EXIT_OK)
                break;
        }
        rows.push_back(step.Row);
        if (!args.bJson) {
            fputs(FormatScanRow(step.Row).c_str(), context.pOut);
            fflush(context.pOut);
        }
    }
    end.nScanned = rows.size();

    if (!args.strFile.empty()) {
        std::vector<TuningListEntry> channels = MakeScanChannels(rows);
        // Two transmitters often carry one service: each entry keeps a name of its own.
        MakeChannelNamesUnique(channels);
        TuningListError formatError;
        std::string text, why;
        if (channels.empty()) {
            fprintf(context.pErr, "qltscap: no service found; %s is left as it was\n", args.strFile.c_str());
        } else if (!FormatChannelFile(channels, text, formatError) || !ReplaceCliFile(args.strFile, text, &why)) {
            fprintf(context.pErr, "qltscap: the channel file could not be written; %s is left as it was (%s)\n",
                    args.strFile.c_str(), why.empty() ? formatError.Describe().c_str() : why.c_str());
            if (nExit == EXIT_OK)
                nExit = EXIT_WRITE_FAILED;
        } else {
            end.strChannelFile = args.strFile;
            end.nChannels = channels.size();
        }
    }
    fputs((args.bJson ? FormatScanJson(tuner.strName, rows, end) : FormatScanEnd(rows, end)).c_str(), context.pOut);
    fflush(context.pOut);

    bool bLocked = false;
    for (const ScanRow& row : rows)
        bLocked = bLocked || row.eState == ScanState::Locked;
    if (nExit == EXIT_OK && !bLocked && !end.bStopped) {
        fprintf(context.pErr, "qltscap: no frequency locked; check the list or range, the antenna and PARAMS\n");
        nExit = EXIT_NO_LOCK;
    }
    return nExit;
}
