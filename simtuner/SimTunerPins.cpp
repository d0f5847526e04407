#include "simtuner/SimTunerPins.h"

#include "graph/BdaGuids.h"
#include "simtuner/SimTunerFilter.h"
#include "simtuner/SimVendorRequest.h"

#include <algorithm>

namespace {

constexpr long TS_OUTPUT_BUFFERS = 8;

SimCallId VendorCallOf(const SimVendorResult& result)
{
    if (!result.bParsed)
        return SIM_CALL_VENDOR_OTHER;
    switch (result.Fields.nCode) {
    case QLBDA_IOCTL_CHECK_INTERFACE: return SIM_CALL_VENDOR_CHECK_INTERFACE;
    case QLBDA_IOCTL_GET_DEVICE_INFO: return SIM_CALL_VENDOR_GET_DEVICE_INFO;
    case QLBDA_IOCTL_GET_DRIVER_INFO: return SIM_CALL_VENDOR_GET_DRIVER_INFO;
    case QLBDA_IOCTL_SET_LNB_DATA: return SIM_CALL_VENDOR_SET_LNB_DATA;
    default: return SIM_CALL_VENDOR_OTHER;
    }
}

} // namespace

bool GetTransportStreamType(int iPosition, CMediaType* pMediaType)
{
    if (iPosition < 0 || iPosition > 1)
        return false;
    pMediaType->InitMediaType();
    pMediaType->SetType(&MEDIATYPE_Stream);
    pMediaType->SetSubtype(iPosition == 0 ? &KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT : &MEDIASUBTYPE_MPEG2_TRANSPORT);
    pMediaType->SetFormatType(&FORMAT_None);
    pMediaType->bFixedSizeSamples = FALSE;
    pMediaType->lSampleSize = 0;
    return true;
}

bool IsTransportStreamType(const CMediaType* pmt)
{
    return pmt && pmt->majortype == MEDIATYPE_Stream &&
           (pmt->subtype == KSDATAFORMAT_SUBTYPE_BDA_MPEG2_TRANSPORT || pmt->subtype == MEDIASUBTYPE_MPEG2_TRANSPORT);
}

CSimAntennaPin::CSimAntennaPin(CSimTunerFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName)
    : CBaseInputPin("simulated antenna input", pFilter, pLock, phr, pName)
    , m_pTuner(pFilter)
{
}

HRESULT STDMETHODCALLTYPE CSimAntennaPin::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IKsPropertySet && m_pTuner->Settings().bPropertySet)
        return GetInterface(static_cast<IKsPropertySet*>(this), ppv);
    return CBaseInputPin::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CSimAntennaPin::CheckMediaType(const CMediaType* pmt)
{
    return pmt && pmt->majortype == KSDATAFORMAT_TYPE_BDA_ANTENNA ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CSimAntennaPin::GetMediaType(int iPosition, CMediaType* pMediaType)
{
    if (iPosition != 0)
        return VFW_S_NO_MORE_ITEMS;
    pMediaType->InitMediaType();
    pMediaType->SetType(&KSDATAFORMAT_TYPE_BDA_ANTENNA);
    pMediaType->SetSubtype(&MEDIASUBTYPE_None);
    pMediaType->SetFormatType(&FORMAT_None);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSimAntennaPin::Receive(IMediaSample* pSample)
{
    return pSample ? CheckStreaming() : E_POINTER;
}

HRESULT STDMETHODCALLTYPE CSimAntennaPin::Set(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData,
                                              DWORD cbInstanceData, LPVOID pPropData, DWORD cbPropData)
{
    if (guidPropSet == KSPROPSETID_VendorIoctl && dwPropID == 0)
        return SetVendorIoctl(cbInstanceData, pPropData, cbPropData);
    const HRESULT hr = guidPropSet == KSPROPSETID_VendorIoctl ? E_PROP_ID_UNSUPPORTED : E_PROP_SET_UNSUPPORTED;
    return m_pTuner->Device()->Call(SIM_CALL_KS_SET, SIM_NODE_NONE, static_cast<LONG>(dwPropID), 0, 0,
                                    [&](SimCallRecord& r) {
                                        r.nInstanceLength = cbInstanceData;
                                        r.nDataLength = cbPropData;
                                        return hr;
                                    });
}

HRESULT CSimAntennaPin::SetVendorIoctl(DWORD cbInstanceData, const void* pPropData, DWORD cbPropData)
{
    // The record is read once to log the request, then answered unless a failure rule
    // stands in for the driver.
    SimVendorResult probe;
    probe.bParsed = pPropData && ParseIoctlCommand(static_cast<const uint8_t*>(pPropData), cbPropData, &probe.Fields);
    SimCallRecord record = CSimDevice::MakeRecord(VendorCallOf(probe), SIM_NODE_NONE);
    record.nInstanceLength = cbInstanceData;
    record.nDataLength = cbPropData;
    if (probe.bParsed) {
        record.nCode = probe.Fields.nCode;
        record.nInLength = probe.Fields.nInLength;
        record.nOutLength = probe.Fields.nOutLength;
        record.nInAddress = probe.Fields.nInAddress;
        record.nOutAddress = probe.Fields.nOutAddress;
    }
    CSimDevice* pDevice = m_pTuner->Device();
    return pDevice->Call(record, [&](SimCallRecord&) {
        const SimVendorResult result =
            HandleVendorRequest(static_cast<const uint8_t*>(pPropData), cbPropData, m_pTuner->Settings().Vendor);
        if (result.bLnbReceived)
            pDevice->SetLnbData(result.Lnb);
        return static_cast<HRESULT>(result.hr);
    });
}

HRESULT STDMETHODCALLTYPE CSimAntennaPin::Get(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData,
                                              DWORD cbInstanceData, LPVOID pPropData, DWORD cbPropData,
                                              DWORD* pcbReturned)
{
    // The maker's property is written only; the driver answers through the buffers it names.
    const HRESULT hr = guidPropSet == KSPROPSETID_VendorIoctl ? E_PROP_ID_UNSUPPORTED : E_PROP_SET_UNSUPPORTED;
    return m_pTuner->Device()->Call(SIM_CALL_KS_GET, SIM_NODE_NONE, static_cast<LONG>(dwPropID), 0, 0,
                                    [&](SimCallRecord& r) {
                                        r.nInstanceLength = cbInstanceData;
                                        r.nDataLength = cbPropData;
                                        return hr;
                                    });
}

HRESULT STDMETHODCALLTYPE CSimAntennaPin::QuerySupported(REFGUID guidPropSet, DWORD dwPropID, DWORD* pTypeSupport)
{
    return m_pTuner->Device()->Call(SIM_CALL_KS_QUERY_SUPPORTED, SIM_NODE_NONE, static_cast<LONG>(dwPropID), 0, 0,
                                    [&](SimCallRecord&) -> HRESULT {
                                        if (guidPropSet != KSPROPSETID_VendorIoctl)
                                            return E_PROP_SET_UNSUPPORTED;
                                        if (dwPropID != 0)
                                            return E_PROP_ID_UNSUPPORTED;
                                        if (pTypeSupport)
                                            *pTypeSupport = KSPROPERTY_SUPPORT_SET;
                                        return S_OK;
                                    });
}

CSimTsOutputPin::CSimTsOutputPin(CSimTunerFilter* pFilter, CCritSec* pLock, HRESULT* phr)
    : CBaseOutputPin("simulated transport stream output", pFilter, pLock, phr, L"MPEG2 Transport")
    , m_pTuner(pFilter)
{
}

HRESULT CSimTsOutputPin::CheckMediaType(const CMediaType* pmt)
{
    return IsTransportStreamType(pmt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CSimTsOutputPin::GetMediaType(int iPosition, CMediaType* pMediaType)
{
    return GetTransportStreamType(iPosition, pMediaType) ? S_OK : VFW_S_NO_MORE_ITEMS;
}

HRESULT CSimTsOutputPin::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pprop)
{
    pprop->cBuffers = std::max<long>(pprop->cBuffers, TS_OUTPUT_BUFFERS);
    pprop->cbBuffer = std::max<long>(pprop->cbBuffer, static_cast<long>(m_pTuner->Settings().nSampleSize));
    ALLOCATOR_PROPERTIES actual = {};
    HRESULT hr = pAlloc->SetProperties(pprop, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer < static_cast<long>(m_pTuner->Settings().nSampleSize) ? E_FAIL : S_OK;
}
