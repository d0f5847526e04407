// IBDA_Topology of the simulated tuner: pin types 0 (antenna input) and 1 (transport
// output), nodes numbered by their position, and control nodes once the topology joins an
// input to an output pin.
#include "simtuner/SimTunerFilter.h"

#include "filters/BasePin.h"
#include "simtuner/SimNodes.h"

#include <algorithm>

namespace {

constexpr ULONG PIN_TYPE_COUNT = 2;

// A list answer: the full count, and as many entries as the caller has room for.
template <class T, class F>
HRESULT FillList(ULONG nCount, ULONG* pnCount, ULONG nMax, T* pItems, F item)
{
    if (!pnCount || (!pItems && nMax > 0))
        return E_POINTER;
    *pnCount = nCount;
    for (ULONG i = 0; i < std::min(nCount, nMax); ++i)
        pItems[i] = item(i);
    return S_OK;
}

} // namespace

HRESULT STDMETHODCALLTYPE CSimTunerFilter::GetNodeTypes(ULONG* pulcNodeTypes, ULONG ulcNodeTypesMax,
                                                        ULONG rgulNodeTypes[])
{
    return m_pDevice->Call(SIM_CALL_GET_NODE_TYPES, SIM_NODE_NONE, static_cast<LONG>(ulcNodeTypesMax), 0, 0,
                           [&](SimCallRecord&) {
                               return FillList(static_cast<ULONG>(m_Nodes.size()), pulcNodeTypes, ulcNodeTypesMax,
                                               rgulNodeTypes, [](ULONG i) { return i; });
                           });
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::GetNodeDescriptors(ULONG* ulcNodeDescriptors, ULONG ulcNodeDescriptorsMax,
                                                              BDANODE_DESCRIPTOR rgNodeDescriptors[])
{
    return m_pDevice->Call(SIM_CALL_GET_NODE_DESCRIPTORS, SIM_NODE_NONE, static_cast<LONG>(ulcNodeDescriptorsMax), 0,
                           0, [&](SimCallRecord&) {
                               return FillList(static_cast<ULONG>(m_Nodes.size()), ulcNodeDescriptors,
                                               ulcNodeDescriptorsMax, rgNodeDescriptors, [&](ULONG i) {
                                                   BDANODE_DESCRIPTOR d = {};
                                                   d.ulBdaNodeType = i;
                                                   d.guidFunction = NodeFunction(m_Nodes[i]->Type());
                                                   d.guidName = d.guidFunction;
                                                   return d;
                                               });
                           });
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::GetNodeInterfaces(ULONG ulNodeType, ULONG* pulcInterfaces,
                                                             ULONG ulcInterfacesMax, GUID rgguidInterfaces[])
{
    return m_pDevice->Call(SIM_CALL_GET_NODE_INTERFACES, SIM_NODE_NONE, static_cast<LONG>(ulNodeType),
                           static_cast<LONG>(ulcInterfacesMax), 0, [&](SimCallRecord&) {
                               if (ulNodeType >= m_Nodes.size())
                                   return E_INVALIDARG;
                               const std::vector<GUID> interfaces = m_Nodes[ulNodeType]->Interfaces();
                               return FillList(static_cast<ULONG>(interfaces.size()), pulcInterfaces,
                                               ulcInterfacesMax, rgguidInterfaces,
                                               [&](ULONG i) { return interfaces[i]; });
                           });
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::GetPinTypes(ULONG* pulcPinTypes, ULONG ulcPinTypesMax, ULONG rgulPinTypes[])
{
    return m_pDevice->Call(SIM_CALL_GET_PIN_TYPES, SIM_NODE_NONE, static_cast<LONG>(ulcPinTypesMax), 0, 0,
                           [&](SimCallRecord&) {
                               return FillList(PIN_TYPE_COUNT, pulcPinTypes, ulcPinTypesMax, rgulPinTypes,
                                               [](ULONG i) { return i; });
                           });
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::GetTemplateConnections(ULONG* pulcConnections, ULONG ulcConnectionsMax,
                                                                  BDA_TEMPLATE_CONNECTION rgConnections[])
{
    // A chain: antenna pin, every node in order, transport pin. Pin ends carry node type -1.
    return m_pDevice->Call(
        SIM_CALL_GET_TEMPLATE_CONNECTIONS, SIM_NODE_NONE, static_cast<LONG>(ulcConnectionsMax), 0, 0,
        [&](SimCallRecord&) {
            const ULONG nNodes = static_cast<ULONG>(m_Nodes.size());
            return FillList(nNodes + 1, pulcConnections, ulcConnectionsMax, rgConnections, [&](ULONG i) {
                BDA_TEMPLATE_CONNECTION c = {};
                c.FromNodeType = i == 0 ? static_cast<ULONG>(-1) : i - 1;
                c.FromNodePinType = i == 0 ? 0 : 1;
                c.ToNodeType = i == nNodes ? static_cast<ULONG>(-1) : i;
                c.ToNodePinType = i == nNodes ? 1 : 0;
                return c;
            });
        });
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::CreatePin(ULONG ulPinType, ULONG* pulPinId)
{
    CAutoLock lock(&m_FilterLock);
    return m_pDevice->Call(SIM_CALL_CREATE_PIN, SIM_NODE_NONE, static_cast<LONG>(ulPinType), -1, 0,
                           [&](SimCallRecord& r) {
                               if (!pulPinId)
                                   return E_POINTER;
                               if (ulPinType >= PIN_TYPE_COUNT)
                                   return E_INVALIDARG;
                               // One pin of each type: a second one of a type fails.
                               const HRESULT hr = ExposePin(ulPinType, pulPinId);
                               if (SUCCEEDED(hr))
                                   r.Values[1] = static_cast<LONG>(*pulPinId);
                               return hr;
                           });
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::DeletePin(ULONG ulPinId)
{
    CAutoLock lock(&m_FilterLock);
    return m_pDevice->Call(SIM_CALL_DELETE_PIN, SIM_NODE_NONE, static_cast<LONG>(ulPinId), 0, 0, [&](SimCallRecord&) {
        TopologyPin* pPin = FindPinById(ulPinId);
        if (!pPin)
            return E_INVALIDARG;
        if (pPin->pPin->IsConnected())
            return VFW_E_ALREADY_CONNECTED;
        // The pin object stays with the filter (a caller may still hold it); it is only
        // no longer listed, and a later CreatePin lists it again under a new id.
        pPin->bExposed = false;
        m_Exposed.erase(std::find(m_Exposed.begin(), m_Exposed.end(), pPin->pPin));
        if (m_bTopology && (m_nTopologyIn == ulPinId || m_nTopologyOut == ulPinId))
            m_bTopology = false;
        IncrementPinVersion();
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::SetMediaType(ULONG ulPinId, AM_MEDIA_TYPE* pMediaType)
{
    return m_pDevice->Call(SIM_CALL_SET_MEDIA_TYPE, SIM_NODE_NONE, static_cast<LONG>(ulPinId), 0, 0,
                           [](SimCallRecord&) { return E_NOTIMPL; });
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::SetMedium(ULONG ulPinId, REGPINMEDIUM* pMedium)
{
    return m_pDevice->Call(SIM_CALL_SET_MEDIUM, SIM_NODE_NONE, static_cast<LONG>(ulPinId), 0, 0,
                           [](SimCallRecord&) { return E_NOTIMPL; });
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::CreateTopology(ULONG ulInputPinId, ULONG ulOutputPinId)
{
    CAutoLock lock(&m_FilterLock);
    return m_pDevice->Call(SIM_CALL_CREATE_TOPOLOGY, SIM_NODE_NONE, static_cast<LONG>(ulInputPinId),
                           static_cast<LONG>(ulOutputPinId), 0, [&](SimCallRecord&) {
                               const TopologyPin* pIn = FindPinById(ulInputPinId);
                               const TopologyPin* pOut = FindPinById(ulOutputPinId);
                               if (pIn != &m_Pins[0] || pOut != &m_Pins[1])
                                   return E_INVALIDARG;
                               m_bTopology = true;
                               m_nTopologyIn = ulInputPinId;
                               m_nTopologyOut = ulOutputPinId;
                               return S_OK;
                           });
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::GetControlNode(ULONG ulInputPinId, ULONG ulOutputPinId, ULONG ulNodeType,
                                                          IUnknown** ppControlNode)
{
    CAutoLock lock(&m_FilterLock);
    return m_pDevice->Call(SIM_CALL_GET_CONTROL_NODE, SIM_NODE_NONE, static_cast<LONG>(ulInputPinId),
                           static_cast<LONG>(ulOutputPinId), static_cast<LONG>(ulNodeType), [&](SimCallRecord&) {
                               if (!ppControlNode)
                                   return E_POINTER;
                               *ppControlNode = nullptr;
                               if (FindPinById(ulInputPinId) != &m_Pins[0] ||
                                   FindPinById(ulOutputPinId) != &m_Pins[1] || ulNodeType >= m_Nodes.size())
                                   return E_INVALIDARG;
                               // Nodes are reachable only along a topology the tuner was asked to build.
                               if (!m_bTopology || m_nTopologyIn != ulInputPinId || m_nTopologyOut != ulOutputPinId)
                                   return E_FAIL;
                               *ppControlNode = m_Nodes[ulNodeType]->Identity();
                               (*ppControlNode)->AddRef();
                               return S_OK;
                           });
}
