// CTunerGraph: reading a found tuner's driver records without running its graph, so that a
// listing does not disturb a tuner that another program is recording from.
#include "tuner/TunerGraph.h"

#include "provider/NetworkProviderFilter.h"
#include "base/TunerKinds.h"

HRESULT CTunerGraph::ReadRecordsWithoutRunning(int nOrdinal, char* pszName, DeviceInfoRecord* pDevice,
                                               DriverInfoRecord* pDriver, SourceType* pnKind)
{
    if (m_bBuilt)
        return E_FAIL;
    // The provider sets up the tuner's topology when it connects; nothing is paused or run.
    HRESULT hr = CreateNetworkProviderFilter(m_pNetworkProvider);
    if (hr == S_OK)
        hr = AddFilter(m_pNetworkProvider, L"Network Provider");
    SourceType nKind = SRC_TYPE_NOT_FOUND;
    if (hr == S_OK) {
        nKind = ProbeTuner(nOrdinal, pszName, &m_pTuner);
        if (nKind <= SRC_TYPE_UNKNOWN)
            hr = E_FAIL;
    }
    if (hr == S_OK)
        hr = AddFilter(m_pTuner, L"BDA Source");
    if (hr == S_OK)
        hr = ConnectFilters(m_pNetworkProvider, 0, m_pTuner, 0);
    if (hr == S_OK)
        hr = OpenDriverChannel();
    if (hr == S_OK && !(QLBDA_IOCTL_GET_DEVICE_INFO_Fun(pDevice) && QLBDA_IOCTL_GET_DRIVER_INFO_Fun(pDriver)))
        hr = E_FAIL;
    if (hr == S_OK && DeviceTypeBitForSourceType(nKind))
        pDevice->nDeviceType = DeviceTypeBitForSourceType(nKind);
    if (pnKind)
        *pnKind = nKind;
    DestroyGraph();
    return hr;
}
