#include "tuner/TopologyNodes.h"

#include "base/TunerKinds.h"

HRESULT ReadNodeDescriptors(IBDA_Topology* pTopology, NodeDescriptors* pNodes)
{
    pNodes->nCount = 0;
    HRESULT hr = pTopology->GetNodeDescriptors(&pNodes->nCount, MAX_NODE_DESCRIPTORS, pNodes->Items);
    if (FAILED(hr))
        pNodes->nCount = 0;
    if (pNodes->nCount > MAX_NODE_DESCRIPTORS)
        pNodes->nCount = MAX_NODE_DESCRIPTORS;
    return hr;
}

static_assert(sizeof(KindGuid) == sizeof(GUID), "the kind table holds GUIDs in their layout");

const GUID& DemodulatorNodeOf(const TunerKind& kind)
{
    return reinterpret_cast<const GUID&>(kind.DemodulatorNode);
}

SourceType SourceTypeOfNode(REFGUID guidFunction)
{
    const TunerKind* pKind = FindTunerKindByNode(&guidFunction);
    return pKind ? pKind->eType : SRC_TYPE_UNKNOWN;
}
