// CTunerGraph: the maker's private driver channel on the tuner's input pin.
#include "tuner/TunerGraph.h"

#include "app/Trace.h"
#include "graph/BdaGuids.h"
#include "graph/PinEnumerator.h"
#include "tuner/IoctlCommand.h"

namespace {

constexpr DWORD VENDOR_IOCTL_PROPERTY_ID = 0;
constexpr int PIN_NAME_SIZE = 80;

// Every request travels as a Set of the vendor property; the instance data carries nothing.
HRESULT SendIoctlCommand(IKsPropertySet* pPropertySet, DWORD nCode, void* pIn, DWORD nInLength, void* pOut,
                         DWORD nOutLength, DWORD* pnReturned)
{
    BYTE instanceData[24] = {};
    IoctlCommand command = MakeIoctlCommand(nCode, pIn, nInLength, pOut, nOutLength,
                                            reinterpret_cast<uint32_t*>(pnReturned));
    return pPropertySet->Set(KSPROPSETID_VendorIoctl, VENDOR_IOCTL_PROPERTY_ID, instanceData, sizeof(instanceData),
                             &command, sizeof(command));
}

// A failed request leaves its record as it was and says so on the debugger output.
BOOL ReportRequest(BOOL bResult, const char* pszFailure)
{
    if (!bResult)
        OutputDebugStringA(pszFailure);
    return bResult;
}

} // namespace

BOOL CTunerGraph::SendDriverIoctl(DWORD nCode, void* pIn, DWORD nInLength, void* pOut, DWORD nOutLength,
                                  DWORD* pnReturned)
{
    if (m_pKsPropertySet.IsNull())
        return FALSE;
    // The driver would read or write a length's worth of bytes at address 0.
    if ((!pIn && nInLength) || (!pOut && nOutLength))
        return FALSE;
    return SUCCEEDED(SendIoctlCommand(m_pKsPropertySet, nCode, pIn, nInLength, pOut, nOutLength, pnReturned));
}

BOOL CTunerGraph::QLBDA_IOCTL_GET_DEVICE_INFO_Fun(DeviceInfoRecord* pInfo)
{
    DWORD nReturned = 0;
    return ReportRequest(SendDriverIoctl(QLBDA_IOCTL_GET_DEVICE_INFO, nullptr, 0, pInfo, sizeof(*pInfo), &nReturned),
                         "IOCTL Error: QLBDA_IOCTL_GET_DEVICE_INFO_Fun failed! \n");
}

BOOL CTunerGraph::QLBDA_IOCTL_GET_DRIVER_INFO_Fun(DriverInfoRecord* pInfo)
{
    DWORD nReturned = 0;
    return ReportRequest(SendDriverIoctl(QLBDA_IOCTL_GET_DRIVER_INFO, nullptr, 0, pInfo, sizeof(*pInfo), &nReturned),
                         "IOCTL Error: QLBDA_IOCTL_GET_DRIVER_INFO_Fun failed! \n");
}

BOOL CTunerGraph::QLBDA_IOCTL_SET_LNB_DATA_Fun(LnbDataRecord* pLnb)
{
    DWORD nReturned = 0;
    return ReportRequest(SendDriverIoctl(QLBDA_IOCTL_SET_LNB_DATA, pLnb, sizeof(*pLnb), nullptr, 0, &nReturned),
                         "IOCTL Error: QLBDA_IOCTL_SET_LNB_DATA_Fun failed! \n");
}

InterfaceHolder<IPin> CTunerGraph::FindPinByName(IBaseFilter* pFilter, const char* pszName)
{
    InterfaceHolder<IPin> found;
    if (!pszName)
        return found;
    CPinEnumerator pins(pFilter);
    for (InterfaceHolder<IPin> pin; pins.Next(pin);) {
        PIN_INFO info = {};
        if (FAILED(pin->QueryPinInfo(&info)))
            continue;
        if (info.pFilter)
            info.pFilter->Release();
        char szName[PIN_NAME_SIZE] = {};
        // A name that does not fit the buffer is not compared at all, so it never matches,
        // not even an empty wanted name; the buffer may then hold an unterminated part.
        if (!WideCharToMultiByte(CP_ACP, 0, info.achName, -1, szName, sizeof(szName), nullptr, nullptr))
            continue;
        if (strcmp(szName, pszName) == 0)
            found = pin;  // the last pin of that name wins
    }
    return found;
}

InterfaceHolder<IPin> CTunerGraph::FindTunerInputPin(IBaseFilter* pTuner)
{
    InterfaceHolder<IPin> pin = FindPinByName(pTuner, "Input0");
    if (pin.IsNull())
        pin = FindPinByName(pTuner, "Antenna In Pin");
    if (pin.IsNull())
        QLAGET_DBG("Cannot find Input0 pin on BDA Tuner/Demod filter!\n");
    return pin;
}

HRESULT CTunerGraph::OpenDriverChannel()
{
    if (m_pTuner.IsNull())
        return E_FAIL;
    m_pTunerInputPin = FindTunerInputPin(m_pTuner);
    if (m_pTunerInputPin.IsNull())
        return E_FAIL;
    if (FAILED(m_pTunerInputPin.QueryTo(m_pKsPropertySet)) || m_pKsPropertySet.IsNull()) {
        QLAGET_DBG("QI of IKsPropertySet failed\n");
        m_pKsPropertySet.Reset();
        m_pTunerInputPin.Reset();
        return E_FAIL;
    }
    DWORD nReturned = 0;
    if (SendDriverIoctl(QLBDA_IOCTL_CHECK_INTERFACE, nullptr, 0, nullptr, 0, &nReturned))
        QLAGET_DBG("QLBDA_IOCTL_CHECK_INTERFACE success !! \n");
    else
        QLAGET_DBG("QLBDA_IOCTL_CHECK_INTERFACE fail !! \n");
    // A driver that rejects the check still gets its graph.
    return S_OK;
}

HRESULT CTunerGraph::CheckQLBDAInterface(IBaseFilter* pTuner)
{
    if (!pTuner)
        return E_FAIL;
    InterfaceHolder<IPin> pin = FindTunerInputPin(pTuner);
    if (pin.IsNull())
        return E_FAIL;
    InterfaceHolder<IKsPropertySet> propertySet;
    if (FAILED(pin.QueryTo(propertySet))) {
        QLAGET_DBG("QI of IKsPropertySet failed\n");
        return E_FAIL;
    }
    if (propertySet.IsNull())
        return E_FAIL;
    DWORD nReturned = 0;
    return SendIoctlCommand(propertySet, QLBDA_IOCTL_CHECK_INTERFACE, nullptr, 0, nullptr, 0, &nReturned);
}
