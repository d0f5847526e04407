// qltscap: the console front end of the tuner, capture and analysis code.
#include "cli/CliCommands.h"
#include "cli/CliConsole.h"
#include "tuner/TunerGraph.h"

int main(int argc, char** argv)
{
    CConsoleStop stop;
    const CliContext context{g_TunerGraph, stop, stdout, stderr};
    return RunCli(argc, argv, context);
}
