// The console's stop request: Ctrl+C (or Ctrl+Break) sets one
// event, which the running command waits on between its steps; the handler itself does
// nothing else, so a capture is always stopped by the command on its own thread.
#pragma once

#include "base/WinHolders.h"
#include "graph/Com.h"

class CConsoleStop
{
public:
    // Installs the handler for the life of the object.
    CConsoleStop();
    ~CConsoleStop();
    CConsoleStop(const CConsoleStop&) = delete;
    CConsoleStop& operator=(const CConsoleStop&) = delete;

    // Waits up to nMs for the stop request; true once it has come.
    bool WaitForStop(DWORD nMs) const;
    // What Ctrl+C does; also for a caller that stops a command from another thread.
    void RequestStop() const;

private:
    static BOOL WINAPI OnConsoleEvent(DWORD nEvent);
    HandleHolder m_hStop;
};
