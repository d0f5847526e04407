// CTunerGraph: building the capture graph around one tuner.
#include "tuner/TunerGraph.h"

#include "capture/CaptureFilter.h"
#include "graph/BdaGuids.h"
#include "provider/NetworkProviderFilter.h"
#include "tuner/TopologyNodes.h"
#include "base/TunerKinds.h"

namespace {
// Control nodes sit between the tuner's input pin (id 0) and its output pin (id 1).
constexpr ULONG INPUT_PIN_ID = 0;
constexpr ULONG OUTPUT_PIN_ID = 1;
} // namespace

HRESULT CTunerGraph::BuildGraph(int nOrdinal, char* pszName)
{
    if (m_bBuilt)
        return S_FALSE;
    AddGraphToRot();

    HRESULT hr = CreateCaptureFilter(m_pCaptureFilter, *m_pSession, &m_pCaptureSink);
    if (hr == S_OK)
        hr = AddFilter(m_pCaptureFilter, L"Parser");
    if (hr == S_OK)
        hr = CreateNetworkProviderFilter(m_pNetworkProvider);
    if (hr == S_OK)
        hr = AddFilter(m_pNetworkProvider, L"Network Provider");
    if (hr == S_OK) {
        m_pTuner.Reset();
        m_nSourceType = ProbeTuner(nOrdinal, pszName, &m_pTuner);
        if (m_nSourceType <= SRC_TYPE_UNKNOWN) {
            m_pTuner.Reset();
            hr = E_FAIL;
        }
    }
    if (hr == S_OK)
        hr = AddFilter(m_pTuner, L"BDA Source");
    if (hr == S_OK)
        hr = ConnectFilters(m_pNetworkProvider, 0, m_pTuner, 0);
    if (hr == S_OK) {
        char szReceiverName[FRIENDLY_NAME_SIZE] = {};
        IBaseFilter* pSource = AttachReceiver(m_pTuner, m_pReceiver, szReceiverName) ? m_pReceiver.Get() : m_pTuner.Get();
        hr = ConnectFilters(pSource, 0, m_pCaptureFilter, 0);
    }
    if (hr == S_OK && !FindControlInterfaces(m_pTuner))
        hr = E_FAIL;
    if (hr == S_OK)
        hr = OpenDriverChannel(nOrdinal);
    if (hr == S_OK) {
        // A tuner in use by another program says so when it is paused; that status is kept
        // so that a caller can tell "busy" from "broken".
        const HRESULT hrRun = RunGraphStatus();
        hr = SUCCEEDED(hrRun) ? S_OK : (hrRun == HRESULT_FROM_WIN32(ERROR_BUSY) ? hrRun : E_FAIL);
    }

    if (hr != S_OK) {
        DestroyGraph();
        return hr;
    }
    m_bBuilt = 1;
    return S_OK;
}

HRESULT CTunerGraph::AddPacketConsumer(IPacketConsumer* pConsumer)
{
    if (m_pCaptureFilter.IsNull() || !m_pCaptureSink || !m_pSession->AddConsumer(pConsumer))
        return E_FAIL;
    m_GraphConsumers.push_back(pConsumer);
    return S_OK;
}

HRESULT CTunerGraph::SetCaptureSession(CCaptureSession* pSession)
{
    if (!m_pCaptureFilter.IsNull())
        return E_FAIL;
    m_pSession = pSession ? pSession : &ProgramCaptureSession();
    return S_OK;
}

BOOL CTunerGraph::AttachReceiver(IBaseFilter* pTuner, InterfaceHolder<IBaseFilter>& receiver, char* pszName)
{
    for (int n = 0;; ++n) {
        InterfaceHolder<IBaseFilter> candidate;
        if (FAILED(GetDeviceFilter(KSCATEGORY_BDA_RECEIVER_COMPONENT, n, candidate, pszName)))
            return FALSE;
        if (AddFilter(candidate, L"bda") == S_OK && SUCCEEDED(ConnectFilters(pTuner, 0, candidate, 0)) &&
            SUCCEEDED(candidate.QueryTo(receiver)))
            return TRUE;
        RemoveFilter(candidate);
    }
}

void CTunerGraph::TakeSignalStatistics(IUnknown* pNode)
{
    if (!m_pSignalStatistics.IsNull())
        return;
    pNode->QueryInterface(__uuidof(IBDA_SignalStatistics), m_pSignalStatistics.OutVoid());
    if (m_pSignalStatistics.IsNull())
        return;
    // A node whose lock cannot be read leaves the place to a later node.
    BOOLEAN bLocked = 0;
    if (FAILED(m_pSignalStatistics->get_SignalLocked(&bLocked)))
        m_pSignalStatistics.Reset();
}

BOOL CTunerGraph::FindControlInterfaces(IBaseFilter* pTuner)
{
    m_pSignalStatistics.Reset();
    m_pDeviceControl.Reset();
    m_pFrequencyFilter.Reset();
    m_pLNBInfo.Reset();
    m_pDemodulator.Reset();
    bool bSatellite = false;

    pTuner->QueryInterface(__uuidof(IBDA_DeviceControl), m_pDeviceControl.OutVoid());
    InterfaceHolder<IBDA_Topology> topology;
    NodeDescriptors nodes;
    if (pTuner->QueryInterface(__uuidof(IBDA_Topology), topology.OutVoid()) == S_OK &&
        SUCCEEDED(ReadNodeDescriptors(topology, &nodes))) {
        for (ULONG i = 0; i < nodes.nCount; ++i) {
            const BDANODE_DESCRIPTOR& descriptor = nodes.Items[i];
            // The node is asked for by its type as the driver numbers it.
            InterfaceHolder<IUnknown> node;
            if (topology->GetControlNode(INPUT_PIN_ID, OUTPUT_PIN_ID, descriptor.ulBdaNodeType, node.OutSlot()) != S_OK ||
                node.IsNull())
                continue;
            if (IsEqualGUID(descriptor.guidFunction, KSNODE_BDA_RF_TUNER)) {
                if (m_pDeviceControl.IsNull())
                    node.QueryTo(m_pDeviceControl);
                if (m_pFrequencyFilter.IsNull())
                    node.QueryTo(m_pFrequencyFilter);
                if (m_pLNBInfo.IsNull())
                    node.QueryTo(m_pLNBInfo);
                TakeSignalStatistics(node);
            } else if (const TunerKind* pKind = FindTunerKindByNode(&descriptor.guidFunction);
                       pKind && pKind->bDemodulatorStatistics) {
                bSatellite = pKind->bNeedsLnb;
                if (m_pDemodulator.IsNull())
                    node.QueryTo(m_pDemodulator);
                TakeSignalStatistics(node);
            }
        }
    }

    const bool bFound = !m_pFrequencyFilter.IsNull() && !m_pSignalStatistics.IsNull() && !m_pDeviceControl.IsNull() &&
                        (!bSatellite || !m_pLNBInfo.IsNull());
    if (!bFound) {
        m_pSignalStatistics.Reset();
        m_pDeviceControl.Reset();
        m_pFrequencyFilter.Reset();
        m_pLNBInfo.Reset();
        m_pDemodulator.Reset();
    }
    return bFound;
}
