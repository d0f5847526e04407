// CTunerGraph: reading a found tuner's driver records at start-up.
#include "tuner/TunerGraph.h"

#include "base/TunerKinds.h"

SourceType CTunerGraph::ReadDeviceRecords(int nOrdinal, char* pszName, DeviceInfoRecord* pDevice,
                                          DriverInfoRecord* pDriver)
{
    // The steps' results are not examined: a record the driver does not fill stays as it was,
    // and the kind is the one the build attempt found.
    BuildGraph(nOrdinal, pszName);
    WaitGraphStopped();
    OutputDebugStringA("QLBDAIOCTL start");
    QLBDA_IOCTL_GET_DEVICE_INFO_Fun(pDevice);
    QLBDA_IOCTL_GET_DRIVER_INFO_Fun(pDriver);
    OutputDebugStringA("QLBDAIOCTL end");
    StartGraph();
    const int32_t nBit = DeviceTypeBitForSourceType(m_nSourceType);
    if (nBit)
        pDevice->nDeviceType = nBit;
    DestroyGraph();
    return m_nSourceType;
}
