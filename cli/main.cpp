// qltscap: the console front end of the tuner, capture and analysis code.
#include "cli/CliCommands.h"
#include "cli/CliConsole.h"
#include "cli/CliUnicode.h"
#include "cli/ConsoleOut.h"
#include "cli/EndSessionWindow.h"
#include "graph/FriendlyName.h"
#include "tuner/TunerGraph.h"

// The command line arrives as UTF-16 (linked with -municode): an ANSI argv would have
// turned every character outside the ANSI code page into a best fit or '?'.
int wmain(int argc, wchar_t** argv)
{
    // An empty card reader or optical drive fails the call instead of raising the
    // critical-error box, which would hold a script until someone clicks.
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS);
    UseUtf8FriendlyNames();

    const std::vector<std::string> args = Utf8Arguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& arg : args)
        pointers.push_back(arg.c_str());

    CConsoleStop stop;
    CEndSessionWindow endSession(stop);
    CConsoleOutput output;
    const CliContext context{g_TunerGraph, stop, output.Out(), output.Err()};
    const int nExit = RunCli(static_cast<int>(pointers.size()), pointers.data(), context);
    output.Finish();
    // A console close or a session's end waits for this before it lets the process go.
    stop.Finished();
    return nExit;
}
