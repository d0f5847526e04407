// The DirectShow filter graph manager and its graph-wide objects, with the graph, device,
// pin and connection operations that the tuner graph manager builds on.
#pragma once

#include "graph/Com.h"
#include "graph/FriendlyName.h"
#include "graph/InterfaceHolder.h"

class CFilterGraphHost
{
public:
    // Joins the calling thread to the multithreaded apartment and creates the graph objects;
    // a failing step leaves the host not ready, and every operation then fails.
    CFilterGraphHost();
    ~CFilterGraphHost();
    CFilterGraphHost(const CFilterGraphHost&) = delete;
    CFilterGraphHost& operator=(const CFilterGraphHost&) = delete;

    BOOL RunGraph();
    // RunGraph with the graph manager's status; a failed run is stopped again.
    HRESULT RunGraphStatus();
    BOOL StopGraph();
    BOOL GetGraphState(LONG msTimeout, OAFilterState* pState);
    HRESULT AddFilter(IBaseFilter* pFilter, LPCWSTR pszName);
    HRESULT RemoveFilter(IBaseFilter* pFilter);
    BOOL RemoveAllFilters();
    // Publishes the graph in the running object table, in place of any earlier entry.
    BOOL AddGraphToRot();
    void RevokeGraphFromRot();
    // Removes every filter even from a graph left between states; 0 when not ready.
    BOOL EmptyGraph();
    // Gives up the graph manager, with whatever filters it still holds, for a fresh one.
    BOOL ReplaceGraph();

    // The index-th device of the category that has a friendly name and creates a filter.
    // pszName receives the name, cut to fit FRIENDLY_NAME_SIZE bytes.
    HRESULT GetDeviceFilter(REFCLSID category, int nIndex, InterfaceHolder<IBaseFilter>& filter,
                            char* pszName);
    BOOL FindPinByDirection(IBaseFilter* pFilter, PIN_DIRECTION direction, int nIndex,
                            InterfaceHolder<IPin>& pin);
    HRESULT ConnectFilters(IBaseFilter* pUpstream, int nOutputIndex, IBaseFilter* pDownstream,
                           int nInputIndex);

protected:
    // Builds the host around the graph manager class clsidGraph; lets a host be made whose
    // graph manager cannot be created.
    explicit CFilterGraphHost(REFCLSID clsidGraph);

    // The graph manager, its media control and the capture builder attached to it.
    BOOL CreateGraphObjects();

    BOOL m_bReady = 0;
    DWORD m_dwRotRegister = 0;
    InterfaceHolder<IRunningObjectTable> m_pRot;
    InterfaceHolder<IGraphBuilder> m_pGraph;
    InterfaceHolder<IMediaControl> m_pMediaControl;
    InterfaceHolder<ICaptureGraphBuilder2> m_pCaptureBuilder;
    CLSID m_clsidGraph;
};
