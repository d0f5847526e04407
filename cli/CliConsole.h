// The console's stop request. Ctrl+C, Ctrl+Break, closing the console window, logging off
// and shutting down all set one event, which the running command waits on between its
// steps; a capture is therefore always stopped by the command on its own thread, which
// closes the file complete and prints the summary.
//
// Ctrl+C and Ctrl+Break only ask. For the other three Windows ends the process as soon as
// the handler returns (at the latest about 5 s after the event), so the handler waits there
// until the program says it has finished (Finished), for at most CLOSE_GRACE_MS; once it
// has, the main thread's own exit ends the process with the command's exit code.
#pragma once

#include "base/WinHolders.h"
#include "graph/Com.h"

#include <atomic>

// Why the command was asked to stop.
enum class ConsoleStopCause { None, CtrlC, ConsoleClosed, LogOff, ShutDown };

class CConsoleStop
{
public:
    // Leaves a margin for the teardown below the time Windows gives after a close event.
    static constexpr DWORD CLOSE_GRACE_MS = 4500;

    // Installs the handler for the life of the object.
    CConsoleStop();
    ~CConsoleStop();
    CConsoleStop(const CConsoleStop&) = delete;
    CConsoleStop& operator=(const CConsoleStop&) = delete;

    // Waits up to nMs for the stop request; true once it has come.
    bool WaitForStop(DWORD nMs) const;
    // What Ctrl+C does; also for a caller that stops a command from another thread.
    void RequestStop(ConsoleStopCause eCause = ConsoleStopCause::CtrlC) const;
    ConsoleStopCause Cause() const;
    // "stopped by Ctrl+C", "stopped: the console window was closed" ...
    const char* CauseText() const;

    // The command has returned and its output is written out: an ending session may go on.
    void Finished() const;
    // Asks the command to stop and waits up to nMs for Finished; true when it came.
    bool StopAndWaitForFinish(ConsoleStopCause eCause, DWORD nMs) const;

    // The handler Windows calls on its own thread. Public so that a test can deliver the
    // events a console window's close button or a log-off would.
    static BOOL WINAPI OnConsoleEvent(DWORD nEvent);

private:
    HandleHolder m_hStop;
    HandleHolder m_hFinished;
    // The first cause wins: a Ctrl+C followed by the window's close is still a Ctrl+C.
    mutable std::atomic<int> m_nCause{static_cast<int>(ConsoleStopCause::None)};
};
