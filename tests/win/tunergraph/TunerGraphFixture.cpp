#include "TunerGraphFixture.h"

std::vector<std::wstring> CTunerGraphProbe::FilterNames()
{
    std::vector<std::wstring> names;
    InterfaceHolder<IEnumFilters> filters;
    if (m_pGraph.IsNull() || FAILED(m_pGraph->EnumFilters(filters.OutSlot())))
        return names;
    InterfaceHolder<IBaseFilter> filter;
    while (filters->Next(1, filter.OutSlot(), nullptr) == S_OK)
        names.push_back(FilterName(filter));
    return names;
}

bool CTunerGraphProbe::AllHoldersEmpty() const
{
    return m_pSignalStatistics.IsNull() && m_pDeviceControl.IsNull() && m_pFrequencyFilter.IsNull() &&
           m_pLNBInfo.IsNull() && m_pDemodulator.IsNull() && m_pNetworkProvider.IsNull() && m_pTuner.IsNull() &&
           m_pReceiver.IsNull() && m_pCaptureFilter.IsNull() && m_pTunerInputPin.IsNull() &&
           m_pKsPropertySet.IsNull();
}

std::wstring FilterName(IBaseFilter* pFilter)
{
    FILTER_INFO info = {};
    if (!pFilter || FAILED(pFilter->QueryFilterInfo(&info)))
        return L"";
    if (info.pGraph)
        info.pGraph->Release();
    return info.pGraph ? info.achName : L"";
}

InterfaceHolder<IBaseFilter> PeerFilter(IBaseFilter* pFilter, PIN_DIRECTION direction)
{
    InterfaceHolder<IBaseFilter> peerFilter;
    InterfaceHolder<IEnumPins> pins;
    if (!pFilter || FAILED(pFilter->EnumPins(pins.OutSlot())))
        return peerFilter;
    InterfaceHolder<IPin> pin;
    while (pins->Next(1, pin.OutSlot(), nullptr) == S_OK) {
        PIN_DIRECTION actual;
        if (FAILED(pin->QueryDirection(&actual)) || actual != direction)
            continue;
        InterfaceHolder<IPin> peer;
        PIN_INFO info = {};
        if (SUCCEEDED(pin->ConnectedTo(peer.OutSlot())) && SUCCEEDED(peer->QueryPinInfo(&info)))
            peerFilter.Attach(info.pFilter);
        break;
    }
    return peerFilter;
}

bool IsSameObject(IUnknown* pA, IUnknown* pB)
{
    if (!pA || !pB)
        return pA == pB;
    InterfaceHolder<IUnknown> a, b;
    pA->QueryInterface(IID_IUnknown, a.OutVoid());
    pB->QueryInterface(IID_IUnknown, b.OutVoid());
    return a.Get() == b.Get();
}

FakeDevice& TunerGraphTest::AddTuner(const std::wstring& name, const FakeBdaStatePtr& state)
{
    return m_devices.Add(KSCATEGORY_BDA_NETWORK_TUNER, name,
                         [state](REFIID riid, void** ppv) { return CreateFakeBdaFilter(state, riid, ppv); });
}

FakeDevice& TunerGraphTest::AddReceiver(const std::wstring& name, const FakeBdaStatePtr& state)
{
    return m_devices.Add(KSCATEGORY_BDA_RECEIVER_COMPONENT, name,
                         [state](REFIID riid, void** ppv) { return CreateFakeBdaFilter(state, riid, ppv); });
}

// Whatever a test built is torn down, and no fake object may outlive it. The graph is
// stopped first, so that the teardown does not pause to wait for it.
void TunerGraphTest::TearDown()
{
    m_graph.StopGraph();
    m_graph.DestroyGraph();
    EXPECT_EQ(FakeBdaFiltersAlive(), 0);
    EXPECT_EQ(FakeBdaNodesAlive(), 0);
}
