#include "support/ScriptedGraph.h"

const CLSID CLSID_ScriptedGraph = {0x5d8e3a52, 0x6c0b, 0x4a7e, {0x9f, 0x1d, 0x2b, 0x7c, 0x4e, 0x9a, 0x0f, 0x11}};

STDMETHODIMP CScriptedGraph::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IFilterGraph || riid == IID_IGraphBuilder) {
        *ppv = static_cast<IGraphBuilder*>(this);
    } else if (m_bMediaControl && riid == IID_IMediaControl) {
        *ppv = static_cast<IMediaControl*>(this);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CScriptedGraph::Release()
{
    LONG n = InterlockedDecrement(&m_cRef);
    if (n == 0)
        delete this;
    return n;
}

STDMETHODIMP CScriptedGraph::Run()
{
    if (SUCCEEDED(m_hrRun))
        m_state = State_Running;
    return Called("Run", m_hrRun);
}

STDMETHODIMP CScriptedGraph::Stop()
{
    m_stopTimes.push_back(timeGetTime());
    if (m_nStopsUntilStopped >= 0 && static_cast<int>(m_stopTimes.size()) >= m_nStopsUntilStopped)
        m_state = State_Stopped;
    return Called("Stop", m_hrStop);
}

STDMETHODIMP CScriptedGraph::GetState(LONG msTimeout, OAFilterState* pState)
{
    m_calls.push_back("GetState " + std::to_string(msTimeout));
    if (m_bWriteState)
        *pState = m_state;
    return m_hrGetState;
}

std::vector<std::string> CScriptedGraph::CallsStarting(const std::string& prefix) const
{
    std::vector<std::string> selected;
    for (const std::string& call : m_calls)
        if (call.compare(0, prefix.size(), prefix) == 0)
            selected.push_back(call);
    return selected;
}
