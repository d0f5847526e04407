// The console program's commands. Each returns the program's exit code (CliExit) and
// prints its results on pOut and its progress and errors on pErr, so that tests can run a
// command in-process against a graph of their own.
#pragma once

#include "cli/CliArgs.h"

#include <cstdio>
#include <string>

struct CliTunerEntry;
struct TuningList;

class CTunerGraph;
class CConsoleStop;

struct CliContext {
    CTunerGraph& Graph;
    const CConsoleStop& Stop;
    FILE* pOut;
    FILE* pErr;
};

// Parses the command line and runs its command.
int RunCli(int argc, const char* const* argv, const CliContext& context);

int RunList(const CliArgs& args, const CliContext& context);
int RunTune(const CliArgs& args, const CliContext& context);
int RunCapture(const CliArgs& args, const CliContext& context);
int RunAnalyze(const CliArgs& args, const CliContext& context);
int RunScan(const CliArgs& args, const CliContext& context);

// What TuneCliTuner tuned, as its "Locking" line names it.
struct CliTuned {
    std::string strTuner;
    std::string strTuning;
    int32_t nChannelServiceId = -1;  // the SERVICE_ID of the channel-file entry tuned, -1 for none
};

// Finds, builds and tunes the tuner the arguments name; on EXIT_OK the graph is built,
// running and locked. Every other code has been reported on pErr. pTuned, when given,
// receives the tuner's name and the tuning values.
int TuneCliTuner(const CliArgs& args, const CliContext& context, CliTuned* pTuned = nullptr);

// EXIT_OK, or EXIT_FILE_OPEN (reported) when the output file cannot be created where it is
// named (no such folder, a path too long), or holds data and --overwrite was not given: a
// scripted tool must not destroy a recording.
int RefuseExistingFile(const CliArgs& args, const CliContext& context);

// Builds and runs the tuner's graph: EXIT_OK, EXIT_TUNER_BUSY when another program uses the
// tuner, EXIT_FAILED otherwise (the graph torn down); each failure reported on pErr with the
// advice given for it.
int BuildCliGraph(const CliContext& context, const CliTunerEntry& tuner, const char* pszBusyAdvice,
                  const char* pszFailedAdvice);

// Reads a tuning list or channel file named on the command line: EXIT_FILE_OPEN when it
// cannot be opened, EXIT_BAD_ARGUMENT when it is not one, each reported on pErr.
int ReadCliTuningList(const std::string& strPath, const CliContext& context, TuningList* pList);
