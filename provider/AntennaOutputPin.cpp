#include "provider/AntennaOutputPin.h"

#include "provider/NetworkProviderFilter.h"

namespace {

// Room for the pin types a tuner reports; a BDA tuner has two (antenna in, stream out).
constexpr ULONG MAX_PIN_TYPES = 20;

// Input pin id and output pin id a tuner that already exposes its pins uses.
constexpr ULONG DEFAULT_INPUT_PIN_ID = 0;
constexpr ULONG DEFAULT_OUTPUT_PIN_ID = 1;

// True when the enumerator hands out one more pin; the pin itself is not kept.
bool NextPinExists(IEnumPins* pEnum)
{
    InterfaceHolder<IPin> pPin;
    ULONG cFetched = 0;
    return pEnum->Next(1, pPin.OutSlot(), &cFetched) == S_OK && cFetched == 1 && !pPin.IsNull();
}

// Creates a pin of the tuner's nIndex-th pin type. A tuner that reported fewer types has
// none to offer for this pin, so nothing is created and the set-up fails.
HRESULT CreateTunerPin(IBDA_Topology* pTopology, const ULONG* rgPinTypes, ULONG cPinTypes, ULONG nIndex,
                       ULONG& ulPinId)
{
    if (nIndex >= cPinTypes)
        return E_FAIL;
    ULONG ulNewId = ulPinId;
    HRESULT hr = pTopology->CreatePin(rgPinTypes[nIndex], &ulNewId);
    if (SUCCEEDED(hr))
        ulPinId = ulNewId;
    return hr;
}

// Creates the input pin when the tuner exposes none, then the output pin when the same
// enumerator hands out no second one. The first failure ends it; joining the pins
// afterwards decides the result.
void CreateMissingPins(IBaseFilter* pTuner, IBDA_Topology* pTopology, const ULONG* rgPinTypes,
                       ULONG cPinTypes, ULONG& ulInputPinId, ULONG& ulOutputPinId)
{
    InterfaceHolder<IEnumPins> pEnum;
    if (pTuner->EnumPins(pEnum.OutSlot()) != S_OK || pEnum.IsNull())
        return;
    HRESULT hr = S_OK;
    if (!NextPinExists(pEnum))
        hr = CreateTunerPin(pTopology, rgPinTypes, cPinTypes, 0, ulInputPinId);
    // After a pin was created the enumerator may report the changed set as a failure,
    // which creates the output pin as well.
    if (hr == S_OK && !NextPinExists(pEnum))
        CreateTunerPin(pTopology, rgPinTypes, cPinTypes, 1, ulOutputPinId);
}

}  // namespace

CAntennaOutputPin::CAntennaOutputPin(CNetworkProviderFilter* pFilter, HRESULT* phr, LPCWSTR pPinName)
    : CBaseOutputPin("Input", pFilter, &m_PinLock, phr, pPinName)
{
}

CAntennaOutputPin::~CAntennaOutputPin() = default;

HRESULT CAntennaOutputPin::CheckMediaType(const CMediaType* pmt)
{
    // Before a connection attempt (a media-type query on an idle pin) there is no tuner
    // whose topology could be set up.
    if (!m_pInputPin)
        return VFW_E_NOT_CONNECTED;
    QueriedHolder<IPin> pPeer(m_pInputPin);
    if (pPeer.IsNull())
        return E_NOINTERFACE;
    return ConfigureTunerTopology(pPeer);
}

HRESULT CAntennaOutputPin::GetMediaType(int iPosition, CMediaType* pMediaType)
{
    if (iPosition != 0)
        return VFW_S_NO_MORE_ITEMS;
    if (!pMediaType)
        return E_POINTER;
    pMediaType->SetType(&KSDATAFORMAT_TYPE_BDA_ANTENNA);
    pMediaType->SetSubtype(&MEDIASUBTYPE_None);
    pMediaType->SetFormatType(&FORMAT_None);
    return S_OK;
}

HRESULT CAntennaOutputPin::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pprop)
{
    if (!pAlloc || !pprop)
        return E_POINTER;
    CAutoLock lock(&m_PinLock);
    // No sample is ever delivered, so the smallest allocator will do.
    pprop->cBuffers = 1;
    pprop->cbBuffer = 1;
    ALLOCATOR_PROPERTIES actual = {};
    HRESULT hr = pAlloc->SetProperties(pprop, &actual);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CAntennaOutputPin::ConfigureTunerTopology(IPin* pPeerPin)
{
    if (!pPeerPin)
        return VFW_E_NOT_CONNECTED;

    PIN_INFO info = {};
    HRESULT hr = pPeerPin->QueryPinInfo(&info);
    InterfaceHolder<IBaseFilter> pOwner;
    if (SUCCEEDED(hr))
        pOwner.Attach(info.pFilter);
    if (hr != S_OK)
        return hr;
    if (pOwner.IsNull())
        return E_FAIL;

    // The holder asks by __uuidof: the IID_IBDA_Topology of mingw's strmiids is outdated.
    QueriedHolder<IBDA_Topology> pTopology(pOwner);
    QueriedHolder<IBaseFilter> pTuner(pOwner);
    pOwner.Reset();
    // Without either interface there is nothing to set up, and nothing must be called on
    // the one that is missing.
    if (pTopology.IsNull() || pTuner.IsNull())
        return E_NOINTERFACE;

    ULONG ulInputPinId = DEFAULT_INPUT_PIN_ID;
    ULONG ulOutputPinId = DEFAULT_OUTPUT_PIN_ID;
    ULONG rgPinTypes[MAX_PIN_TYPES] = {};
    ULONG cPinTypes = 0;
    hr = pTopology->GetPinTypes(&cPinTypes, MAX_PIN_TYPES, rgPinTypes);
    if (cPinTypes > MAX_PIN_TYPES)
        cPinTypes = MAX_PIN_TYPES;
    if (hr == S_OK)
        CreateMissingPins(pTuner, pTopology, rgPinTypes, cPinTypes, ulInputPinId, ulOutputPinId);
    return pTopology->CreateTopology(ulInputPinId, ulOutputPinId);
}
