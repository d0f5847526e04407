#include "cli/CliConsole.h"

namespace {
// The handler runs on a thread of its own and can reach the object only through here.
HANDLE g_hConsoleStop = nullptr;
} // namespace

CConsoleStop::CConsoleStop() : m_hStop(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    g_hConsoleStop = m_hStop;
    SetConsoleCtrlHandler(&CConsoleStop::OnConsoleEvent, TRUE);
}

CConsoleStop::~CConsoleStop()
{
    SetConsoleCtrlHandler(&CConsoleStop::OnConsoleEvent, FALSE);
    g_hConsoleStop = nullptr;
}

bool CConsoleStop::WaitForStop(DWORD nMs) const
{
    if (!m_hStop) {
        Sleep(nMs);
        return false;
    }
    return WaitForSingleObject(m_hStop, nMs) == WAIT_OBJECT_0;
}

void CConsoleStop::RequestStop() const
{
    if (m_hStop)
        SetEvent(m_hStop);
}

BOOL WINAPI CConsoleStop::OnConsoleEvent(DWORD nEvent)
{
    switch (nEvent) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        if (g_hConsoleStop)
            SetEvent(g_hConsoleStop);
        return TRUE;
    default:
        return FALSE;
    }
}
