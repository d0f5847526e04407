// Test access to the host's members, and looks into the graph and the running object table.
#pragma once

#include "graph/FilterGraphHost.h"

#include <string>
#include <vector>

class CHostProbe : public CFilterGraphHost
{
public:
    CHostProbe() = default;
    explicit CHostProbe(REFCLSID clsidGraph) : CFilterGraphHost(clsidGraph) {}

    using CFilterGraphHost::m_bReady;
    using CFilterGraphHost::m_dwRotRegister;
    using CFilterGraphHost::m_pCaptureBuilder;
    using CFilterGraphHost::m_pGraph;
    using CFilterGraphHost::m_pMediaControl;
    using CFilterGraphHost::m_pRot;
};

// The filters of the graph in its enumeration order.
std::vector<IBaseFilter*> GraphFilters(IFilterGraph* pGraph);
bool IsSameObject(IUnknown* pA, IUnknown* pB);

// Display names of this process's entries in the running object table.
std::vector<std::wstring> RotDisplayNames();
