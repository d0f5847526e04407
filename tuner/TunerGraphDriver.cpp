// CTunerGraph: the maker's private driver channel on the tuner's input pin.
#include "tuner/TunerGraph.h"

#include "base/Trace.h"
#include "graph/BdaGuids.h"
#include "graph/PinEnumerator.h"
#include "tuner/IoctlCommand.h"

namespace {

constexpr int PIN_NAME_SIZE = 80;
// The presence check tries the documented 40-byte record first; a 64-bit process then
// tries its own layout.
constexpr size_t kRecordLengths[] = {IOCTL_COMMAND_SIZE_32, sizeof(IoctlCommand)};
constexpr size_t kRecordLengthCount = sizeof(IoctlCommand) == IOCTL_COMMAND_SIZE_32 ? 1 : 2;

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
    const DriverRequest request = {nCode, pIn, nInLength, pOut, nOutLength, pnReturned};
    return SUCCEEDED(m_RecordSender.Send(m_pKsPropertySet, m_nRecordLength, request));
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

HRESULT CTunerGraph::OpenDriverChannel(int nOrdinal)
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
    if (SUCCEEDED(CheckDriverRecord(m_pKsPropertySet, nOrdinal, &m_nRecordLength)))
        QLAGET_DBG("QLBDA_IOCTL_CHECK_INTERFACE success !! \n");
    else
        QLAGET_DBG("QLBDA_IOCTL_CHECK_INTERFACE fail !! \n");
    // A driver that rejects the check still gets its graph.
    return S_OK;
}

HRESULT CTunerGraph::CheckQLBDAInterface(IBaseFilter* pTuner, int nOrdinal)
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
    size_t nRecordLength = 0;
    return CheckDriverRecord(propertySet, nOrdinal, &nRecordLength);
}

HRESULT CTunerGraph::CheckDriverRecord(IKsPropertySet* pPropertySet, int nOrdinal, size_t* pnRecordLength)
{
    DWORD nReturned = 0;
    const DriverRequest check = {QLBDA_IOCTL_CHECK_INTERFACE, nullptr, 0, nullptr, 0, &nReturned};
    // A device whose layout is known is never sent the other one again.
    *pnRecordLength = m_RecordLayouts.Known(nOrdinal);
    if (*pnRecordLength)
        return m_RecordSender.Send(pPropertySet, *pnRecordLength, check);

    *pnRecordLength = IOCTL_COMMAND_SIZE_32;
    HRESULT hr = E_FAIL;
    for (size_t i = 0; i < kRecordLengthCount; ++i) {
        // A record that cannot go out is no answer of the driver's: nothing is learned.
        if (!m_RecordSender.Ready(kRecordLengths[i]))
            return E_OUTOFMEMORY;
        nReturned = 0;
        hr = m_RecordSender.Send(pPropertySet, kRecordLengths[i], check);
        if (!IsMalformedRecordStatus(hr)) {
            QLAGET_DBG("QLBDA driver record: %u bytes \n", static_cast<unsigned>(kRecordLengths[i]));
            m_RecordLayouts.Remember(nOrdinal, kRecordLengths[i]);
            *pnRecordLength = kRecordLengths[i];
            return hr;
        }
    }
    return hr;
}
