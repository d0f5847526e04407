// A stand-in graph manager that answers with the statuses a test sets and logs every
// graph and media-control call made on it, by name. Its media control keeps a scripted
// state: a successful Run makes it running, and it can be made to stop only after some
// Stop calls. Registered in-process under its own class id, a host can be built around it.
#pragma once

#include "graph/Com.h"

#include <string>
#include <vector>

// {5D8E3A52-6C0B-4A7E-9F1D-2B7C4E9A0F11}
extern const CLSID CLSID_ScriptedGraph;

class CScriptedGraph final : public IGraphBuilder, public IMediaControl
{
public:
    // Starts with one reference, owned by the caller.
    explicit CScriptedGraph(bool bMediaControl = true) : m_bMediaControl(bMediaControl) {}

    bool m_bMediaControl;
    HRESULT m_hrRun = S_OK;
    HRESULT m_hrStop = S_OK;
    HRESULT m_hrGetState = S_OK;
    OAFilterState m_state = State_Stopped;   // written by GetState
    bool m_bWriteState = true;               // false: GetState leaves its output alone
    int m_nStopsUntilStopped = -1;           // the state turns to stopped after this many stops; -1 never
    std::vector<std::string> m_calls;        // "Run", "Stop", "GetState 50", ...
    std::vector<DWORD> m_stopTimes;          // timeGetTime of every Stop

    // The logged calls that begin with prefix.
    std::vector<std::string> CallsStarting(const std::string& prefix) const;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_cRef); }
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP AddFilter(IBaseFilter*, LPCWSTR) override { return Called("AddFilter"); }
    STDMETHODIMP RemoveFilter(IBaseFilter*) override { return Called("RemoveFilter"); }
    STDMETHODIMP EnumFilters(IEnumFilters**) override { return Called("EnumFilters"); }
    STDMETHODIMP FindFilterByName(LPCWSTR, IBaseFilter**) override { return Called("FindFilterByName"); }
    STDMETHODIMP ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return Called("ConnectDirect"); }
    STDMETHODIMP Reconnect(IPin*) override { return Called("Reconnect"); }
    STDMETHODIMP Disconnect(IPin*) override { return Called("Disconnect"); }
    STDMETHODIMP SetDefaultSyncSource() override { return Called("SetDefaultSyncSource"); }
    STDMETHODIMP Connect(IPin*, IPin*) override { return Called("Connect"); }
    STDMETHODIMP Render(IPin*) override { return Called("Render"); }
    STDMETHODIMP RenderFile(LPCWSTR, LPCWSTR) override { return Called("RenderFile"); }
    STDMETHODIMP AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter**) override { return Called("AddSourceFilter"); }
    STDMETHODIMP SetLogFile(DWORD_PTR) override { return Called("SetLogFile"); }
    STDMETHODIMP Abort() override { return Called("Abort"); }
    STDMETHODIMP ShouldOperationContinue() override { return Called("ShouldOperationContinue"); }

    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP Run() override;
    STDMETHODIMP Pause() override { return Called("Pause"); }
    STDMETHODIMP Stop() override;
    STDMETHODIMP GetState(LONG msTimeout, OAFilterState* pState) override;
    STDMETHODIMP RenderFile(BSTR) override { return Called("RenderFile"); }
    STDMETHODIMP AddSourceFilter(BSTR, IDispatch**) override { return Called("AddSourceFilter"); }
    STDMETHODIMP get_FilterCollection(IDispatch**) override { return Called("get_FilterCollection"); }
    STDMETHODIMP get_RegFilterCollection(IDispatch**) override { return Called("get_RegFilterCollection"); }
    STDMETHODIMP StopWhenReady() override { return Called("StopWhenReady"); }

private:
    HRESULT Called(const char* pszName, HRESULT hr = E_NOTIMPL)
    {
        m_calls.emplace_back(pszName);
        return hr;
    }
    LONG m_cRef = 1;
};
