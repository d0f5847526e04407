#include "simtuner/SimTunerFilter.h"

#include "simtuner/SimModule.h"
#include "simtuner/SimNodes.h"
#include "simtuner/SimScenario.h"
#include "simtuner/SimText.h"
#include "simtuner/SimTunerPins.h"
#include "simtuner/SimWideText.h"

#include "graph/InterfaceHolder.h"

namespace {

// The settings of a tuner created without a device moniker.
SimTunerSettings UnregisteredTuner()
{
    SimTunerSettings settings;
    TunerFromValues("QL Simulated BDA Tuner", {}, &settings);
    return settings;
}

} // namespace

CSimTunerFilter::CSimTunerFilter(HRESULT* phr)
    : CBaseFilter("simulated BDA tuner", nullptr, &m_FilterLock, CLSID_QLSimTuner)
{
    SimModuleObjectCreated();
    const HRESULT hr = Configure(UnregisteredTuner());
    if (phr)
        *phr = hr;
}

CSimTunerFilter::~CSimTunerFilter()
{
    m_Streamer.BeginStop();
    m_Streamer.Join();
    DeletePinsAndNodes();
    SimModuleObjectDestroyed();
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == __uuidof(IBDA_Topology))  // strmiids carries an outdated IID_IBDA_Topology
        return GetInterface(static_cast<IBDA_Topology*>(this), ppv);
    if (riid == IID_IBDA_DeviceControl)
        return GetInterface(static_cast<IBDA_DeviceControl*>(this), ppv);
    if (riid == IID_IPersistPropertyBag)
        return GetInterface(static_cast<IPersistPropertyBag*>(this), ppv);
    if (riid == IID_ISimTunerControl)
        return GetInterface(static_cast<ISimTunerControl*>(this), ppv);
    return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

void CSimTunerFilter::DeletePinsAndNodes()
{
    for (CSimNode* pNode : m_Nodes)
        delete pNode;
    m_Nodes.clear();
    delete m_pInputPin;
    delete m_pOutputPin;
    m_pInputPin = nullptr;
    m_pOutputPin = nullptr;
    m_Pins[0] = TopologyPin();
    m_Pins[1] = TopologyPin();
    m_Exposed.clear();
    m_nNextPinId = 0;
    m_bTopology = false;
    IncrementPinVersion();
}

HRESULT CSimTunerFilter::Configure(const SimTunerSettings& settings)
{
    CAutoLock lock(&m_FilterLock);
    DeletePinsAndNodes();
    m_Settings = settings;
    {
        CAutoLock tuningLock(&m_TuningLock);
        m_Tuning = CSimTunerState();
        m_Tuning.Configure(settings);
    }
    m_pDevice = CSimDevice::Find(WideFromUtf8(settings.sName));

    HRESULT hr = S_OK;
    const std::wstring inputName = WideFromUtf8(settings.sInputPinName);
    m_pInputPin = new (std::nothrow) CSimAntennaPin(this, &m_FilterLock, &hr, inputName.c_str());
    m_pOutputPin = new (std::nothrow) CSimTsOutputPin(this, &m_FilterLock, &hr);
    if (!m_pInputPin || !m_pOutputPin)
        return E_OUTOFMEMORY;
    m_Pins[0].pPin = m_pInputPin;
    m_Pins[1].pPin = m_pOutputPin;
    for (ULONG type = 0; type < static_cast<ULONG>(settings.nExposedPins) && type < 2; ++type) {
        ULONG id = 0;
        ExposePin(type, &id);
    }

    for (size_t i = 0; i < settings.Nodes.size(); ++i) {
        const LONG index = static_cast<LONG>(i);
        CSimNode* pNode = settings.Nodes[i] == SIM_NODE_RF_TUNER
                              ? static_cast<CSimNode*>(new (std::nothrow) CSimRfNode(this, index, settings.nLnbInfo == 1))
                              : new (std::nothrow) CSimDemodNode(this, index, settings.Nodes[i]);
        if (!pNode)
            return E_OUTOFMEMORY;
        m_Nodes.push_back(pNode);
    }
    return S_OK;
}

HRESULT CSimTunerFilter::ExposePin(ULONG nType, ULONG* pnId)
{
    TopologyPin& pin = m_Pins[nType];
    if (pin.bExposed)
        return E_FAIL;
    pin.bExposed = true;
    pin.nId = m_nNextPinId++;
    m_Exposed.push_back(pin.pPin);
    IncrementPinVersion();
    *pnId = pin.nId;
    return S_OK;
}

CSimTunerFilter::TopologyPin* CSimTunerFilter::FindPinById(ULONG nId)
{
    for (TopologyPin& pin : m_Pins) {
        if (pin.bExposed && pin.nId == nId)
            return &pin;
    }
    return nullptr;
}

int CSimTunerFilter::GetPinCount()
{
    CAutoLock lock(&m_FilterLock);
    return static_cast<int>(m_Exposed.size());
}

CBasePin* CSimTunerFilter::GetPin(int n)
{
    CAutoLock lock(&m_FilterLock);
    return n >= 0 && static_cast<size_t>(n) < m_Exposed.size() ? m_Exposed[static_cast<size_t>(n)] : nullptr;
}

bool CSimTunerFilter::IsLockedNow()
{
    const SimSignal signal = m_pDevice->Signal();
    CAutoLock lock(&m_TuningLock);
    return m_Tuning.IsLocked(GetTickCount64(), signal);
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::Stop()
{
    CAutoLock lock(&m_FilterLock);
    return m_pDevice->Call(SIM_CALL_FILTER_STOP, SIM_NODE_NONE, State_Stopped, 0, 0, [&](SimCallRecord&) {
        m_Streamer.BeginStop();
        const HRESULT hr = CBaseFilter::Stop();
        m_Streamer.Join();
        m_Claim.Release();
        return hr;
    });
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::Pause()
{
    CAutoLock lock(&m_FilterLock);
    return m_pDevice->Call(SIM_CALL_FILTER_PAUSE, SIM_NODE_NONE, State_Paused, 0, 0, [&](SimCallRecord&) {
        m_Streamer.SetRunning(false);
        const bool bWasStopped = m_State == State_Stopped;
        // A device bound from its moniker runs in one filter at a time.
        HRESULT hr = bWasStopped && m_bLoaded ? m_Claim.Take(WideFromUtf8(m_Settings.sName)) : S_OK;
        if (SUCCEEDED(hr))
            hr = CBaseFilter::Pause();
        if (FAILED(hr) || !bWasStopped || !m_Pins[1].bExposed || !m_pOutputPin->IsConnected()) {
            if (FAILED(hr) && bWasStopped)
                m_Claim.Release();
            return hr;
        }
        hr = m_Streamer.Start(this, m_pOutputPin);
        if (FAILED(hr)) {
            CBaseFilter::Stop();
            m_Claim.Release();
        }
        return hr;
    });
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::Run(REFERENCE_TIME tStart)
{
    CAutoLock lock(&m_FilterLock);
    return m_pDevice->Call(SIM_CALL_FILTER_RUN, SIM_NODE_NONE, State_Running, 0, 0, [&](SimCallRecord&) {
        const HRESULT hr = CBaseFilter::Run(tStart);
        if (SUCCEEDED(hr))
            m_Streamer.SetRunning(true);
        return hr;
    });
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::GetState(DWORD dwMSecs, FILTER_STATE* State)
{
    const HRESULT hr = CBaseFilter::GetState(dwMSecs, State);
    // A live source has nothing to cue while paused.
    return SUCCEEDED(hr) && *State == State_Paused ? VFW_S_CANT_CUE : hr;
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::StartChanges()
{
    return m_pDevice->Call(SIM_CALL_START_CHANGES, SIM_NODE_NONE, 0, 0, 0, [&](SimCallRecord&) {
        CAutoLock lock(&m_TuningLock);
        m_Tuning.StartChanges();
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::CheckChanges()
{
    return m_pDevice->Call(SIM_CALL_CHECK_CHANGES, SIM_NODE_NONE, 0, 0, 0, [](SimCallRecord&) { return S_OK; });
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::CommitChanges()
{
    return m_pDevice->Call(SIM_CALL_COMMIT_CHANGES, SIM_NODE_NONE, 0, 0, 0, [&](SimCallRecord& r) {
        CAutoLock lock(&m_TuningLock);
        m_Tuning.CommitChanges(GetTickCount64());
        r.Values[0] = m_Tuning.LockedChannel();
        m_pDevice->SetCommitted(m_Tuning.Committed(), m_Tuning.LockedChannel());
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::GetChangeState(ULONG* pState)
{
    return m_pDevice->Call(SIM_CALL_GET_CHANGE_STATE, SIM_NODE_NONE, 0, 0, 0, [&](SimCallRecord& r) {
        if (!pState)
            return E_POINTER;
        CAutoLock lock(&m_TuningLock);
        *pState = m_Tuning.HasPendingChanges() ? BDA_CHANGES_PENDING : BDA_CHANGES_COMPLETE;
        r.Values[0] = static_cast<LONG>(*pState);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::InitNew()
{
    return m_bLoaded ? E_UNEXPECTED : S_OK;
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog)
{
    if (!pPropBag)
        return E_POINTER;
    CAutoLock lock(&m_FilterLock);
    if (m_bLoaded || !IsStopped() || m_pInputPin->IsConnected() || m_pOutputPin->IsConnected())
        return E_UNEXPECTED;
    SimTunerSettings settings;
    HRESULT hr = ReadSettings(pPropBag, &settings);
    if (SUCCEEDED(hr))
        hr = Configure(settings);
    m_bLoaded = SUCCEEDED(hr);
    return hr;
}

HRESULT CSimTunerFilter::ReadSettings(IPropertyBag* pPropBag, SimTunerSettings* pSettings)
{
    std::string name;
    HRESULT hr = ReadBagText(pPropBag, L"FriendlyName", &name);
    if (FAILED(hr))
        return hr;
    std::vector<std::pair<std::string, std::string>> values;
    for (size_t i = 0; i < kSimTunerKeyCount; ++i) {
        std::string value;
        if (SUCCEEDED(ReadBagText(pPropBag, WideFromUtf8(kSimTunerKeys[i].pszKey).c_str(), &value)))
            values.emplace_back(kSimTunerKeys[i].pszKey, value);
    }
    return TunerFromValues(name, values, pSettings).empty() ? S_OK : HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
}

HRESULT STDMETHODCALLTYPE CSimTunerFilter::Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties)
{
    return E_NOTIMPL;
}
