// A stand-in graph manager whose media control reports the state a test scripts and counts
// the calls made on it, registered in-process under its own class id so that a tuner graph
// manager can be built around it.
#pragma once

#include "tuner/TunerGraph.h"

#include <gtest/gtest.h>

#include <vector>

// {3E7B0C61-92D4-4F1A-8B35-C6A0D2F97E04}
inline const CLSID CLSID_ScriptedTunerGraph = {0x3e7b0c61, 0x92d4, 0x4f1a, {0x8b, 0x35, 0xc6, 0xa0, 0xd2, 0xf9, 0x7e, 0x04}};

class CScriptedGraph final : public IGraphBuilder, public IMediaControl
{
public:
    OAFilterState eState = State_Running;  // what GetState reports
    HRESULT hrGetState = S_OK;
    HRESULT hrRun = S_OK;
    bool bWriteState = true;               // false: GetState leaves its output alone
    int nStopsUntilStopped = -1;           // the state turns to stopped after this many stops; -1 never
    std::vector<LONG> GetStateTimeouts;
    std::vector<DWORD> StopTimes;          // timeGetTime of every Stop
    int nEnumFilters = 0;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IFilterGraph || riid == IID_IGraphBuilder)
            *ppv = static_cast<IGraphBuilder*>(this);
        else if (riid == IID_IMediaControl)
            *ppv = static_cast<IMediaControl*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_cRef); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG n = InterlockedDecrement(&m_cRef);
        if (n == 0)
            delete this;
        return n;
    }

    // IMediaControl
    STDMETHODIMP Run() override
    {
        if (SUCCEEDED(hrRun))
            eState = State_Running;
        return hrRun;
    }
    STDMETHODIMP Pause() override { return S_OK; }
    STDMETHODIMP Stop() override
    {
        StopTimes.push_back(timeGetTime());
        if (nStopsUntilStopped >= 0 && static_cast<int>(StopTimes.size()) >= nStopsUntilStopped)
            eState = State_Stopped;
        return S_OK;
    }
    STDMETHODIMP GetState(LONG msTimeout, OAFilterState* pState) override
    {
        GetStateTimeouts.push_back(msTimeout);
        if (bWriteState)
            *pState = eState;
        return hrGetState;
    }
    STDMETHODIMP RenderFile(BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP AddSourceFilter(BSTR, IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_FilterCollection(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP get_RegFilterCollection(IDispatch**) override { return E_NOTIMPL; }
    STDMETHODIMP StopWhenReady() override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // IFilterGraph and IGraphBuilder: an empty graph that takes nothing.
    STDMETHODIMP AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFilters(IEnumFilters** ppEnum) override
    {
        ++nEnumFilters;
        *ppEnum = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
    STDMETHODIMP ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    STDMETHODIMP Reconnect(IPin*) override { return E_NOTIMPL; }
    STDMETHODIMP Disconnect(IPin*) override { return E_NOTIMPL; }
    STDMETHODIMP SetDefaultSyncSource() override { return E_NOTIMPL; }
    STDMETHODIMP Connect(IPin*, IPin*) override { return E_NOTIMPL; }
    STDMETHODIMP Render(IPin*) override { return E_NOTIMPL; }
    STDMETHODIMP RenderFile(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
    STDMETHODIMP SetLogFile(DWORD_PTR) override { return E_NOTIMPL; }
    STDMETHODIMP Abort() override { return E_NOTIMPL; }
    STDMETHODIMP ShouldOperationContinue() override { return E_NOTIMPL; }

private:
    LONG m_cRef = 1;
};

// Offers one scripted graph under CLSID_ScriptedTunerGraph for the life of the object.
class CScriptedGraphClass final : public IClassFactory
{
public:
    CScriptedGraphClass()
    {
        m_bCom = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        m_hr = CoRegisterClassObject(CLSID_ScriptedTunerGraph, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                     &m_dwCookie);
    }
    ~CScriptedGraphClass()
    {
        if (SUCCEEDED(m_hr))
            CoRevokeClassObject(m_dwCookie);
        if (m_pGraph)
            m_pGraph->Release();
        if (m_bCom)
            CoUninitialize();
    }

    HRESULT Status() const { return m_hr; }
    CScriptedGraph* Graph() const { return m_pGraph; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the test's stack: the count is not kept.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (pOuter)
            return CLASS_E_NOAGGREGATION;
        if (!m_pGraph)
            m_pGraph = new CScriptedGraph;
        return m_pGraph->QueryInterface(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    bool m_bCom;
    HRESULT m_hr;
    DWORD m_dwCookie = 0;
    CScriptedGraph* m_pGraph = nullptr;
};

class CScriptedTunerGraph : public CTunerGraph
{
public:
    CScriptedTunerGraph() : CTunerGraph(CLSID_ScriptedTunerGraph) {}
    using CFilterGraphHost::m_bReady;
};
