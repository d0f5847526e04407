#include "capture/KeepAwake.h"

CKeepAwake g_KeepAwake;

void CKeepAwake::Hold()
{
    if (m_bHeld)
        return;
    // Continuous: the state stays until this thread changes it again, not one idle timeout.
    m_bHeld = m_pfnSetState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0;
}

void CKeepAwake::Release()
{
    if (!m_bHeld)
        return;
    m_pfnSetState(ES_CONTINUOUS);
    m_bHeld = false;
}

CKeepAwake::SetStateFn CKeepAwake::ReplaceSetState(SetStateFn pfnSetState)
{
    const SetStateFn pfnPrevious = m_pfnSetState;
    m_pfnSetState = pfnSetState;
    return pfnPrevious;
}
