#include "graph/FilterGraphHost.h"

// Publishes the graph as "!FilterGraph <address> pid <process>" so graph-inspection tools
// can attach. The table keeps the graph alive while registered, so the entry is revoked
// when the graph is torn down; a new registration replaces the earlier one.
BOOL CFilterGraphHost::AddGraphToRot()
{
    if (!m_bReady)
        return 0;
    RevokeGraphFromRot();
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
    if (FAILED(hr))
        m_dwRotRegister = 0;
    return SUCCEEDED(hr) ? 1 : 0;
}

void CFilterGraphHost::RevokeGraphFromRot()
{
    if (m_dwRotRegister == 0 || m_pRot.IsNull())
        return;
    m_pRot->Revoke(m_dwRotRegister);
    m_dwRotRegister = 0;
}
