// Reading a tuner's BDA node descriptors and telling its kind from them.
#pragma once

#include "graph/Com.h"
#include "tuner/DriverRecords.h"

// The program never looks at more than this many nodes of a topology.
constexpr ULONG MAX_NODE_DESCRIPTORS = 20;

struct NodeDescriptors {
    ULONG nCount = 0;
    BDANODE_DESCRIPTOR Items[MAX_NODE_DESCRIPTORS] = {};
};

// GetNodeDescriptors with room for MAX_NODE_DESCRIPTORS; a larger count reported by the
// driver is cut to that room.
HRESULT ReadNodeDescriptors(IBDA_Topology* pTopology, NodeDescriptors* pNodes);

// SourceType code of a demodulator node function, 0 for any other node.
SourceType SourceTypeOfNode(REFGUID guidFunction);

struct TunerKind;
// The demodulator node function of a kind, as the kind table holds it.
const GUID& DemodulatorNodeOf(const TunerKind& kind);
