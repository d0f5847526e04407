// CTunerGraph: construction, teardown, the bounded stop wait and graph start.
#include "tuner/TunerGraph.h"

namespace {
constexpr int STOP_ATTEMPTS = 10;
constexpr LONG STATE_QUERY_TIMEOUT_MS = 50;
constexpr DWORD STOP_PAUSE_MS = 150;
} // namespace

CTunerGraph::CTunerGraph() = default;

CTunerGraph::CTunerGraph(REFCLSID clsidGraph) : CFilterGraphHost(clsidGraph)
{
}

CTunerGraph::~CTunerGraph()
{
    DestroyGraph();
}

HRESULT CTunerGraph::DestroyGraph()
{
    WaitGraphStopped();
    EmptyGraph();
    RevokeGraphFromRot();
    m_pSignalStatistics.Reset();
    m_pDeviceControl.Reset();
    m_pFrequencyFilter.Reset();
    m_pLNBInfo.Reset();
    m_pDemodulator.Reset();
    m_pNetworkProvider.Reset();
    m_pTuner.Reset();
    m_pReceiver.Reset();
    m_pCaptureFilter.Reset();
    m_pCaptureSink = nullptr;
    for (IPacketConsumer* pConsumer : m_GraphConsumers)
        m_pSession->RemoveConsumer(pConsumer);
    m_GraphConsumers.clear();
    m_pTunerInputPin.Reset();
    m_pKsPropertySet.Reset();
    m_RecordSender.Free();
    m_bBuilt = 0;
    return S_OK;
}

HRESULT CTunerGraph::WaitGraphStopped()
{
    for (int attempt = 0; attempt < STOP_ATTEMPTS; ++attempt) {
        // A query that leaves the state untouched counts as stopped.
        OAFilterState state = State_Stopped;
        GetGraphState(STATE_QUERY_TIMEOUT_MS, &state);
        if (state == State_Stopped)
            return S_OK;
        StopGraph();
        Sleep(STOP_PAUSE_MS);
    }
    return E_FAIL;
}

HRESULT CTunerGraph::StartGraph()
{
    return RunGraph() ? S_OK : E_FAIL;
}
