// CTunerGraph: finding and classifying the maker's tuners.
#include "tuner/TunerGraph.h"

#include "base/Trace.h"
#include "graph/BdaGuids.h"
#include "provider/NetworkProviderFilter.h"
#include "tuner/MakerName.h"
#include "tuner/TopologyNodes.h"
#include "base/TunerKinds.h"

#include <cstring>

namespace {
// Only the first ten tuner devices are ever examined.
constexpr int MAX_PROBED_ORDINALS = 10;
} // namespace

SourceType CTunerGraph::ProbeTuner(int nOrdinal, char* pszName, InterfaceHolder<IBaseFilter>* pFilter)
{
    InterfaceHolder<IBaseFilter> device;
    if (FAILED(GetDeviceFilter(KSCATEGORY_BDA_NETWORK_TUNER, nOrdinal, device, pszName)))
        return SRC_TYPE_NOT_FOUND;
    QueriedHolder<IBDA_Topology> topology(device);
    if (topology.IsNull())
        return SRC_TYPE_NOT_FOUND;
    NodeDescriptors nodes;
    if (FAILED(ReadNodeDescriptors(topology, &nodes)))
        return SRC_TYPE_NOT_FOUND;
    for (ULONG i = 0; i < nodes.nCount; ++i) {
        const SourceType nKind = SourceTypeOfNode(nodes.Items[i].guidFunction);
        if (nKind != SRC_TYPE_UNKNOWN) {
            if (pFilter)
                device.QueryTo(*pFilter);
            return nKind;
        }
    }
    return SRC_TYPE_UNKNOWN;
}

int CTunerGraph::EnumQLBDADevs(QLDev* pDevs, int* pnOrdinals, int* pnOthers)
{
    if (pnOthers)
        *pnOthers = 0;
    AddGraphToRot();
    int nCount = 0;
    InterfaceHolder<IBaseFilter> provider;
    HRESULT hr = CreateNetworkProviderFilter(provider);
    if (SUCCEEDED(hr))
        hr = AddFilter(provider, L"Network Provider-2");

    for (int nOrdinal = 0; SUCCEEDED(hr) && nOrdinal < MAX_PROBED_ORDINALS; ++nOrdinal) {
        char szName[FRIENDLY_NAME_SIZE];
        memset(szName, 0, 20);
        InterfaceHolder<IBaseFilter> candidate;
        const SourceType nKind = ProbeTuner(nOrdinal, szName, &candidate);
        if (!FindTunerKind(nKind))
            continue;

        bool bPassed = SUCCEEDED(AddFilter(candidate, L"BDA Tuner"));
        if (!bPassed)
            QLAGET_DBG("EnumQLBDADevs(): AddFilter(BDA1) fail!!");
        if (bPassed)
            bPassed = SUCCEEDED(ConnectFilters(provider, 0, candidate, 0));
        if (!bPassed)
            QLAGET_DBG("EnumQLBDADevs(): Connect(NP, BDA1) fail!!");
        if (bPassed)
            bPassed = CheckQLBDAInterface(candidate, nOrdinal) == S_OK;
        if (!bPassed)
            QLAGET_DBG("EnumQLBDADevs(): CheckQLBDAInterface fail!!");

        if (bPassed) {
            QLAGET_DBG("EnumQLBDADevs(): Tuner Name=%s", szName);
            if (HasMakerNamePattern(szName)) {
                QLDev& entry = pDevs[nCount];
                entry.nIndex = nCount;
                memcpy(entry.szName, szName, sizeof(entry.szName));
                entry.szName[sizeof(entry.szName) - 1] = '\0';
                entry.Src_Type = nKind;
                if (pnOrdinals)
                    pnOrdinals[nCount] = nOrdinal;
                ++nCount;
            }
        }
        if (pnOthers && !(bPassed && HasMakerNamePattern(szName)))
            ++*pnOthers;
        RemoveFilter(candidate);
    }

    DestroyGraph();
    return nCount;
}
