#include "cli/CliCommands.h"

#include "QltsVersion.h"
#include "base/Holder.h"
#include "capture/CapturePath.h"
#include "cli/ChannelChoice.h"
#include "cli/CliConsole.h"
#include "cli/CliText.h"
#include "cli/CliTuners.h"
#include "cli/CliUnicode.h"
#include "cli/OutputPath.h"
#include "tuner/TunerGraph.h"
#include "channels/TuningList.h"

#include <cstring>
#include <string>

namespace {

constexpr DWORD WATCH_PERIOD_MS = 200;

int BadArgument(const CliContext& context, CliCommand eCommand, const std::string& why)
{
    fprintf(context.pErr, "qltscap: %s\n%s", why.c_str(), CliUsageText(eCommand).c_str());
    return EXIT_BAD_ARGUMENT;
}

const char* TuneCallName(TuneCall eCall)
{
    switch (eCall) {
    case TuneCall::DVBS: return "TuneDVBS";
    case TuneCall::DVBT: return "TuneDVBT";
    case TuneCall::DVBC: return "TuneDVBC";
    case TuneCall::ATSC: return "TuneATSC";
    case TuneCall::None: break;
    }
    return "Tune";
}

// One reading; a watched one carries its local time, so that a log of aiming an antenna
// shows when the signal came and went.
void PrintSignal(const CliArgs& args, const CliContext& context)
{
    LONG nStrength = 0, nQuality = 0;
    const bool bLocked = context.Graph.WaitForLock(0) == 0;
    if (bLocked)
        context.Graph.GetSignalLevels(&nStrength, &nQuality);
    SYSTEMTIME now;
    GetLocalTime(&now);
    char szTime[32];
    snprintf(szTime, sizeof(szTime), "%04u-%02u-%02uT%02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond);
    if (args.bJson)
        fprintf(context.pOut, "%s\n", FormatSignalJson(szTime, bLocked, nStrength, nQuality).c_str());
    else if (args.bWatch)
        fprintf(context.pOut, "%s  %s\n", szTime + 11, FormatSignalLine(bLocked, nStrength, nQuality).c_str());
    else
        fprintf(context.pOut, "%s\n", FormatSignalLine(bLocked, nStrength, nQuality).c_str());
    fflush(context.pOut);
}

} // namespace

int RunCli(int argc, const char* const* argv, const CliContext& context)
{
    CliArgs args;
    std::string error;
    if (!ParseCliArgs(argc, argv, &args, &error)) {
        // A script that asked for JSON gets its answer as JSON also when the line is refused;
        // the stream's own place (-o -) stays free of it.
        bool bJson = false, bStreamOut = false;
        for (int i = 1; i < argc; ++i) {
            bJson = bJson || !strcmp(argv[i], "--json");
            bStreamOut = bStreamOut || (i > 1 && !strcmp(argv[i], "-") &&
                                        (!strcmp(argv[i - 1], "-o") || !strcmp(argv[i - 1], "--output")));
        }
        if (bJson) {
            FILE* pReport = bStreamOut ? context.pErr : context.pOut;
            fprintf(pReport, "%s\n", FormatErrorJson(EXIT_BAD_ARGUMENT, error).c_str());
            fflush(pReport);
        }
        return BadArgument(context, args.eCommand, error);
    }
    if (args.bHelp) {
        fputs(CliHelpText(args.eCommand).c_str(), context.pOut);
        return EXIT_OK;
    }
    if (args.bVersion) {
        fputs("qltscap " QLTS_VERSION_TEXT " (" QLTS_PRODUCT_NAME ", command line)\n", context.pOut);
        return EXIT_OK;
    }
    switch (args.eCommand) {
    case CliCommand::List: return RunList(args, context);
    case CliCommand::Tune: return RunTune(args, context);
    case CliCommand::Capture: return RunCapture(args, context);
    case CliCommand::Analyze: return RunAnalyze(args, context);
    case CliCommand::Scan: return RunScan(args, context);
    case CliCommand::None: break;
    }
    return BadArgument(context, args.eCommand, "no command given");
}

int RunList(const CliArgs& args, const CliContext& context)
{
    bool bStopped = false;
    int nOthers = 0;
    const std::vector<CliTunerEntry> entries = ListCliTuners(context.Graph, &context.Stop, &bStopped, &nOthers);
    fputs((args.bJson ? FormatTunerListJson(entries, nOthers) : FormatTunerListText(entries, nOthers)).c_str(),
          context.pOut);
    if (bStopped)
        fprintf(context.pErr, "qltscap: list %s after %d tuners\n", context.Stop.CauseText(),
                static_cast<int>(entries.size()));
    return EXIT_OK;
}

int TuneCliTuner(const CliArgs& args, const CliContext& context, CliTuned* pTuned)
{
    TuningList channels;
    const TuningListEntry* pChannel = nullptr;
    if (!args.strChannel.empty()) {
        const int nExit = ReadCliTuningList(args.strChannels, context, &channels);
        if (nExit != EXIT_OK)
            return nExit;
        size_t nMatches = 0;
        pChannel = FindCliChannel(channels, args.strChannel, &nMatches);
        if (!pChannel) {
            std::string names;
            for (const std::string& name : ClosestChannelNames(channels, args.strChannel, 3))
                names += (names.empty() ? "; the closest names: '" : "', '") + name;
            return BadArgument(context, args.eCommand, "no channel '" + args.strChannel + "' in " + args.strChannels +
                                                           (names.empty() ? "" : names + "'"));
        }
        // Channel files repeat names (one service on two transmitters): say which is tuned
        // and how to name another.
        if (nMatches > 1)
            fprintf(context.pErr, "qltscap: %u channels in %s are named '%s'; taking the first, [%s] at line %d; "
                    "choose one with NAME@FREQUENCY: %s\n",
                    static_cast<unsigned>(nMatches), args.strChannels.c_str(), args.strChannel.c_str(),
                    pChannel->strName.c_str(), pChannel->nLine, ChannelChoices(channels, pChannel->strName).c_str());
    }
    const std::vector<CliTunerEntry> entries = ListCliTuners(context.Graph);
    const int nFound = FindCliTuner(entries, args.strTuner);
    if (nFound < 0) {
        fprintf(context.pErr, "qltscap: no tuner '%s' (%d found); 'qltscap list' shows their indexes, names and MACs\n",
                args.strTuner.c_str(), static_cast<int>(entries.size()));
        return EXIT_NO_TUNER;
    }
    const CliTunerEntry& entry = entries[static_cast<size_t>(nFound)];

    // Every value is checked before the tuner is touched, exactly as the dialog checks it.
    TuneValues values;
    std::string error;
    if (pChannel ? !MakeEntryTuneValues(*pChannel, args.Tune, entry.nSourceType, &values, nullptr, &error)
                 : !MakeTuneValues(args.Tune, entry.nSourceType, &values, &error))
        return BadArgument(context, args.eCommand,
                           pChannel ? "channel '" + pChannel->strName + "' cannot be tuned: " + error : error);
    const TunePlan plan = PlanTune(entry.nSourceType, values);
    if (plan.eCall == TuneCall::None)
        return BadArgument(context, args.eCommand, std::string("cannot tune: ") + plan.pszRefusal);

    const int nBuilt = BuildCliGraph(context, entry, "wait for it to finish or choose another tuner",
                                     "check its driver with 'qltscap list'");
    if (nBuilt != EXIT_OK)
        return nBuilt;
    fprintf(context.pErr, "Locking %s (%s %s)...\n", entry.strName.c_str(), plan.strTuneFreq.c_str(),
            plan.strTuneSystem.c_str());
    if (pTuned) {
        *pTuned = CliTuned{entry.strName, plan.strTuneFreq + " " + plan.strTuneSystem};
        uint32_t nServiceId = 0;
        if (pChannel && pChannel->GetNumber("SERVICE_ID", nServiceId) && nServiceId <= 0xFFFF)
            pTuned->nChannelServiceId = static_cast<int32_t>(nServiceId);
    }
    const HRESULT hr = context.Graph.Tune(plan);
    if (hr == E_INVALIDARG) {
        context.Graph.DestroyGraph();
        return BadArgument(context, args.eCommand,
                           std::string(TuneCallName(plan.eCall)) + " refused the values (0x80070057)");
    }
    if (hr != S_OK) {
        fprintf(context.pErr, "qltscap: the tuner did not lock at %s %s within %ld s (%s 0x%08lX); %s\n",
                plan.strTuneFreq.c_str(), plan.eCall == TuneCall::DVBS ? "MHz" : "kHz",
                static_cast<long>(CTunerGraph::TUNE_LOCK_BUDGET_MS / 1000), TuneCallName(plan.eCall),
                static_cast<unsigned long>(hr),
                args.bWatch ? "watching the signal until Ctrl+C" : "check the frequency, the other PARAMS and the antenna");
        fflush(context.pErr);
        // A watch is how people aim an antenna: it goes on without lock.
        if (args.bWatch)
            return EXIT_OK;
        context.Graph.DestroyGraph();
        return EXIT_NO_LOCK;
    }
    return EXIT_OK;
}

int RunTune(const CliArgs& args, const CliContext& context)
{
    const int nExit = TuneCliTuner(args, context);
    if (nExit != EXIT_OK)
        return nExit;
    PrintSignal(args, context);
    while (args.bWatch && !context.Stop.WaitForStop(WATCH_PERIOD_MS))
        PrintSignal(args, context);
    context.Graph.DestroyGraph();
    return EXIT_OK;
}

int RefuseExistingFile(const CliArgs& args, const CliContext& context)
{
    std::string why;
    if (!CheckOutputPath(args.strFile, &why)) {
        fprintf(context.pErr, "qltscap: cannot write %s: %s\n", args.strFile.c_str(), why.c_str());
        return EXIT_FILE_OPEN;
    }
    const uint64_t nExisting = ExistingFileBytes(WideFromUtf8(args.strFile));
    if (nExisting == 0 || args.bOverwrite)
        return EXIT_OK;
    fprintf(context.pErr, "qltscap: %s exists and holds %lld bytes; give --overwrite to replace it, or another "
            "file name\n", args.strFile.c_str(), static_cast<long long>(nExisting));
    return EXIT_FILE_OPEN;
}

int BuildCliGraph(const CliContext& context, const CliTunerEntry& tuner, const char* pszBusyAdvice,
                  const char* pszFailedAdvice)
{
    char szName[FRIENDLY_NAME_SIZE] = {};
    const HRESULT hr = context.Graph.BuildGraph(tuner.nOrdinal, szName);
    if (hr == HRESULT_FROM_WIN32(ERROR_BUSY)) {
        fprintf(context.pErr, "qltscap: BuildGraph failed (0x%08lX): '%s' is in use by another program; %s\n",
                static_cast<unsigned long>(hr), tuner.strName.c_str(), pszBusyAdvice);
        return EXIT_TUNER_BUSY;
    }
    if (hr != S_OK) {
        fprintf(context.pErr, "qltscap: BuildGraph failed (0x%08lX): the graph of '%s' could not be built or run; %s\n",
                static_cast<unsigned long>(hr), tuner.strName.c_str(), pszFailedAdvice);
        context.Graph.DestroyGraph();
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

int ReadCliTuningList(const std::string& strPath, const CliContext& context, TuningList* pList)
{
    // A file that does not open is told apart from one that is not a list.
    std::string text, why;
    if (!ReadCliFile(strPath, kMaxTuningListBytes, &text, &why)) {
        fprintf(context.pErr, "qltscap: cannot read %s (%s)\n", strPath.c_str(), why.c_str());
        return EXIT_FILE_OPEN;
    }
    if (text.size() > kMaxTuningListBytes) {
        fprintf(context.pErr, "qltscap: %s is larger than %u MB: not a tuning list\n", strPath.c_str(),
                static_cast<unsigned>(kMaxTuningListBytes >> 20));
        return EXIT_BAD_ARGUMENT;
    }
    TuningListError error;
    if (!ParseTuningList(text, *pList, error)) {
        fprintf(context.pErr, "qltscap: %s: %s\n", strPath.c_str(), error.Describe().c_str());
        return EXIT_BAD_ARGUMENT;
    }
    return EXIT_OK;
}
