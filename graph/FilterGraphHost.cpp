#include "graph/FilterGraphHost.h"

CFilterGraphHost::CFilterGraphHost() : CFilterGraphHost(CLSID_FilterGraph)
{
}

CFilterGraphHost::CFilterGraphHost(REFCLSID clsidGraph) : m_clsidGraph(clsidGraph)
{
    // The apartment may already be joined; construction goes on whatever this returns.
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);

    if (FAILED(GetRunningObjectTable(0, m_pRot.OutSlot())))
        return;
    m_bReady = CreateGraphObjects();
}

BOOL CFilterGraphHost::CreateGraphObjects()
{
    if (FAILED(m_pGraph.CreateInstance(m_clsidGraph)))
        return 0;
    if (FAILED(m_pCaptureBuilder.CreateInstance(CLSID_CaptureGraphBuilder2)))
        return 0;
    if (FAILED(m_pCaptureBuilder->SetFiltergraph(m_pGraph)))
        return 0;
    if (FAILED(m_pGraph.QueryTo(m_pMediaControl)))
        return 0;
    return 1;
}

// The members then release the capture builder, media control, graph and running object
// table in that order. The graph manager stops a running graph in its own teardown.
CFilterGraphHost::~CFilterGraphHost()
{
    if (m_bReady)
        RemoveAllFilters();
    RevokeGraphFromRot();
}

// A start that failed half-way can leave the graph manager reporting stopped while some
// filters are still paused, and those refuse to give up their connections; a pause and a
// stop of the whole graph bring them all to stopped. A filter that cannot stop at all keeps
// its graph manager from ever letting it go, so that graph manager is given up.
BOOL CFilterGraphHost::EmptyGraph()
{
    if (RemoveAllFilters() || !m_bReady)
        return m_bReady;
    m_pMediaControl->Pause();
    m_pMediaControl->Stop();
    if (RemoveAllFilters())
        return 1;
    return ReplaceGraph();
}

// The old graph manager is left unreleased on purpose: releasing a graph with a filter that
// refuses removal never returns, it retries the removal for ever.
BOOL CFilterGraphHost::ReplaceGraph()
{
    if (!m_bReady)
        return 0;
    RevokeGraphFromRot();
    m_pCaptureBuilder.Reset();
    m_pMediaControl.Reset();
    m_pGraph.Detach();
    m_bReady = CreateGraphObjects();
    return m_bReady;
}

BOOL CFilterGraphHost::RunGraph()
{
    return SUCCEEDED(RunGraphStatus()) ? 1 : 0;
}

HRESULT CFilterGraphHost::RunGraphStatus()
{
    if (!m_bReady)
        return E_FAIL;
    const HRESULT hr = m_pMediaControl->Run();
    if (FAILED(hr))
        m_pMediaControl->Stop();
    return hr;
}

BOOL CFilterGraphHost::StopGraph()
{
    if (!m_bReady)
        return 0;
    return SUCCEEDED(m_pMediaControl->Stop()) ? 1 : 0;
}

// Success codes for an unfinished transition or a graph that cannot cue count as success.
BOOL CFilterGraphHost::GetGraphState(LONG msTimeout, OAFilterState* pState)
{
    if (!m_bReady)
        return 0;
    return SUCCEEDED(m_pMediaControl->GetState(msTimeout, pState)) ? 1 : 0;
}

HRESULT CFilterGraphHost::AddFilter(IBaseFilter* pFilter, LPCWSTR pszName)
{
    if (!m_bReady)
        return E_FAIL;
    return m_pGraph->AddFilter(pFilter, pszName);
}

HRESULT CFilterGraphHost::RemoveFilter(IBaseFilter* pFilter)
{
    if (!m_bReady)
        return E_FAIL;
    return m_pGraph->RemoveFilter(pFilter);
}

// Removing a filter invalidates the enumeration, so the walk restarts from the first
// remaining filter after every removal. A filter that refuses removal ends it with 0.
BOOL CFilterGraphHost::RemoveAllFilters()
{
    if (!m_bReady)
        return 0;
    InterfaceHolder<IEnumFilters> pEnum;
    if (FAILED(m_pGraph->EnumFilters(pEnum.OutSlot())) || pEnum.IsNull())
        return 0;
    pEnum->Reset();
    InterfaceHolder<IBaseFilter> pFilter;
    while (pEnum->Next(1, pFilter.OutSlot(), nullptr) == S_OK && !pFilter.IsNull()) {
        if (FAILED(m_pGraph->RemoveFilter(pFilter)))
            return 0;
        pEnum->Reset();
    }
    return 1;
}
