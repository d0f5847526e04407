#include "tuner/TopologyNodes.h"

#include "graph/BdaGuids.h"
#include "tuner/DriverRecords.h"

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

int SourceTypeOfNode(REFGUID guidFunction)
{
    if (IsEqualGUID(guidFunction, KSNODE_BDA_QPSK_DEMODULATOR))
        return SRC_TYPE_DVBS;
    if (IsEqualGUID(guidFunction, KSNODE_BDA_COFDM_DEMODULATOR))
        return SRC_TYPE_DVBT;
    if (IsEqualGUID(guidFunction, KSNODE_BDA_QAM_DEMODULATOR))
        return SRC_TYPE_DVBC;
    if (IsEqualGUID(guidFunction, KSNODE_BDA_8VSB_DEMODULATOR))
        return SRC_TYPE_ATSC;
    return SRC_TYPE_UNKNOWN;
}
