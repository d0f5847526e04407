// The console program's commands. Each returns the program's exit code (CliExit) and
// prints its results on pOut and its progress and errors on pErr, so that tests can run a
// command in-process against a graph of their own.
#pragma once

#include "cli/CliArgs.h"

#include <cstdio>

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

// Finds, builds and tunes the tuner the arguments name; on EXIT_OK the graph is built,
// running and locked. Every other code has been reported on pErr.
int TuneCliTuner(const CliArgs& args, const CliContext& context);

// Reads a tuning list or channel file named on the command line: EXIT_FILE_OPEN when it
// cannot be opened, EXIT_BAD_ARGUMENT when it is not one, each reported on pErr.
int ReadCliTuningList(const std::string& strPath, const CliContext& context, TuningList* pList);
