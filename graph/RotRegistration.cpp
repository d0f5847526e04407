#include "graph/FilterGraphHost.h"

// Publishes the graph as "!FilterGraph <address> pid <process>" so graph-inspection tools
// can attach. The table keeps the graph alive until the process ends; every call adds a
// registration and m_dwRotRegister keeps the latest cookie.
BOOL CFilterGraphHost::AddGraphToRot()
{
    if (!m_bReady)
        return 0;
    // The name carries the low 32 bits of the address, eight digits as on 32-bit Windows.
    WCHAR szName[128];
    wsprintfW(szName, L"FilterGraph %08x pid %08x",
              static_cast<DWORD>(reinterpret_cast<DWORD_PTR>(m_pGraph.Get())),
              GetCurrentProcessId());

    InterfaceHolder<IMoniker> pMoniker;
    if (FAILED(CreateItemMoniker(L"!", szName, pMoniker.OutSlot())))
        return 0;
    HRESULT hr = m_pRot->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, m_pGraph, pMoniker,
                                  &m_dwRotRegister);
    return SUCCEEDED(hr) ? 1 : 0;
}
