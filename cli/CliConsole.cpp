#include "cli/CliConsole.h"

namespace {
// The handler runs on a thread of its own and can reach the object only through here.
std::atomic<const CConsoleStop*> g_pConsoleStop{nullptr};
} // namespace

CConsoleStop::CConsoleStop()
    : m_hStop(CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_hFinished(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    g_pConsoleStop = this;
    SetConsoleCtrlHandler(&CConsoleStop::OnConsoleEvent, TRUE);
}

CConsoleStop::~CConsoleStop()
{
    SetConsoleCtrlHandler(&CConsoleStop::OnConsoleEvent, FALSE);
    const CConsoleStop* pThis = this;
    g_pConsoleStop.compare_exchange_strong(pThis, nullptr);
}

bool CConsoleStop::WaitForStop(DWORD nMs) const
{
    if (m_hStop.IsNull()) {
        Sleep(nMs);
        return false;
    }
    return WaitForSingleObject(m_hStop, nMs) == WAIT_OBJECT_0;
}

void CConsoleStop::RequestStop(ConsoleStopCause eCause) const
{
    int nNone = static_cast<int>(ConsoleStopCause::None);
    m_nCause.compare_exchange_strong(nNone, static_cast<int>(eCause));
    if (!m_hStop.IsNull())
        SetEvent(m_hStop);
}

ConsoleStopCause CConsoleStop::Cause() const
{
    return static_cast<ConsoleStopCause>(m_nCause.load());
}

const char* CConsoleStop::CauseText() const
{
    switch (Cause()) {
    case ConsoleStopCause::ConsoleClosed: return "stopped: the console window was closed";
    case ConsoleStopCause::LogOff: return "stopped: the user is logging off";
    case ConsoleStopCause::ShutDown: return "stopped: Windows is shutting down";
    case ConsoleStopCause::CtrlC: case ConsoleStopCause::None: break;
    }
    return "stopped by Ctrl+C";
}

void CConsoleStop::Finished() const
{
    if (!m_hFinished.IsNull())
        SetEvent(m_hFinished);
}

bool CConsoleStop::StopAndWaitForFinish(ConsoleStopCause eCause, DWORD nMs) const
{
    RequestStop(eCause);
    return !m_hFinished.IsNull() && WaitForSingleObject(m_hFinished, nMs) == WAIT_OBJECT_0;
}

BOOL WINAPI CConsoleStop::OnConsoleEvent(DWORD nEvent)
{
    const CConsoleStop* pStop = g_pConsoleStop;
    if (!pStop)
        return FALSE;
    switch (nEvent) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        pStop->RequestStop(ConsoleStopCause::CtrlC);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: {
        const ConsoleStopCause eCause = nEvent == CTRL_CLOSE_EVENT    ? ConsoleStopCause::ConsoleClosed
                                 : nEvent == CTRL_LOGOFF_EVENT ? ConsoleStopCause::LogOff
                                                               : ConsoleStopCause::ShutDown;
        // Once the command has finished, the main thread's exit ends the process with the
        // command's code; returning here first would let Windows end it with its own.
        if (pStop->StopAndWaitForFinish(eCause, CLOSE_GRACE_MS))
            Sleep(CLOSE_GRACE_MS);
        return TRUE;
    }
    default:
        return FALSE;
    }
}
