// A hand-made BDA tuner filter for the network provider's topology set-up: IBaseFilter and
// IBDA_Topology on one object (either can be hidden), a pin the provider connects to, and a
// pin enumerator over the pins the driver exposes so far. Answers are public fields, calls
// are recorded, and every pin shares the tuner's reference count.
#pragma once

#include "graph/Com.h"
#include "graph/InterfaceHolder.h"

#include <utility>
#include <vector>

class CFakeTuner;

class CFakeTunerPin : public IPin, public IMemInputPin
{
public:
    CFakeTunerPin(CFakeTuner* pTuner, PIN_DIRECTION direction);
    virtual ~CFakeTunerPin() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPin
    STDMETHODIMP Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** ppPin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* pInfo) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* pDirection) override;
    STDMETHODIMP QueryId(LPWSTR* ppId) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
    STDMETHODIMP QueryInternalConnections(IPin** apPin, ULONG* nPin) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

    // IMemInputPin
    STDMETHODIMP GetAllocator(IMemAllocator** ppAllocator) override;
    STDMETHODIMP NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;
    STDMETHODIMP Receive(IMediaSample* pSample) override;
    STDMETHODIMP ReceiveMultiple(IMediaSample** pSamples, long nSamples, long* nProcessed) override;
    STDMETHODIMP ReceiveCanBlock() override;

    IPin* Peer() const { return m_pPeer.Get(); }

    HRESULT m_hrQueryPinInfo = S_OK;
    bool m_bNoOwner = false;               // pin information names no filter
    bool m_bOfferAntennaType = false;      // EnumMediaTypes offers the antenna type
    int m_nRefuseConnections = 0;          // ReceiveConnection calls still to refuse
    InterfaceHolder<IMemAllocator> m_pOfferedAllocator;  // else GetAllocator fails
    InterfaceHolder<IMemAllocator> m_pNotifiedAllocator;
    int m_nReceiveConnectionCalls = 0;

private:
    CFakeTuner* m_pTuner;
    PIN_DIRECTION m_direction;
    InterfaceHolder<IPin> m_pPeer;
};

class CFakeTuner : public IBaseFilter, public IBDA_Topology
{
public:
    // Starts with one reference, owned by the caller.
    CFakeTuner();
    virtual ~CFakeTuner();

    // Adds a pin the enumerator hands out, as if the driver exposed it.
    CFakeTunerPin* ExposePin(PIN_DIRECTION direction);
    // The pin the provider connects to; it is not among the exposed pins.
    CFakeTunerPin* ConnectPin() { return &m_connectPin; }
    ULONG RefCount() const { return static_cast<ULONG>(m_cRef); }
    size_t ExposedPins() const { return m_exposed.size(); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IBaseFilter
    STDMETHODIMP GetClassID(CLSID* pClsid) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME tStart) override;
    STDMETHODIMP GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* pState) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** ppClock) override;
    STDMETHODIMP EnumPins(IEnumPins** ppEnum) override;
    STDMETHODIMP FindPin(LPCWSTR Id, IPin** ppPin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* pVendorInfo) override;

    // IBDA_Topology
    STDMETHODIMP GetNodeTypes(ULONG* pulcNodeTypes, ULONG ulcNodeTypesMax, ULONG rgulNodeTypes[]) override;
    STDMETHODIMP GetNodeDescriptors(ULONG* ulcNodeDescriptors, ULONG ulcNodeDescriptorsMax,
                                    BDANODE_DESCRIPTOR rgNodeDescriptors[]) override;
    STDMETHODIMP GetNodeInterfaces(ULONG ulNodeType, ULONG* pulcInterfaces, ULONG ulcInterfacesMax,
                                   GUID rgguidInterfaces[]) override;
    STDMETHODIMP GetPinTypes(ULONG* pulcPinTypes, ULONG ulcPinTypesMax, ULONG rgulPinTypes[]) override;
    STDMETHODIMP GetTemplateConnections(ULONG* pulcConnections, ULONG ulcConnectionsMax,
                                        BDA_TEMPLATE_CONNECTION rgConnections[]) override;
    STDMETHODIMP CreatePin(ULONG ulPinType, ULONG* pulPinId) override;
    STDMETHODIMP DeletePin(ULONG ulPinId) override;
    STDMETHODIMP SetMediaType(ULONG ulPinId, AM_MEDIA_TYPE* pMediaType) override;
    STDMETHODIMP SetMedium(ULONG ulPinId, REGPINMEDIUM* pMedium) override;
    STDMETHODIMP CreateTopology(ULONG ulInputPinId, ULONG ulOutputPinId) override;
    STDMETHODIMP GetControlNode(ULONG ulInputPinId, ULONG ulOutputPinId, ULONG ulNodeType,
                                IUnknown** ppControlNode) override;

    bool m_bExposeTopology = true;
    bool m_bExposeBaseFilter = true;
    bool m_bEnumFailsWhenChanged = true;  // Next gives VFW_E_ENUM_OUT_OF_SYNC after CreatePin
    HRESULT m_hrEnumPins = S_OK;
    HRESULT m_hrGetPinTypes = S_OK;
    HRESULT m_hrCreatePin = S_OK;
    HRESULT m_hrCreateTopology = S_OK;
    std::vector<ULONG> m_pinTypes{2, 3};  // the antenna input type, then the stream output type
    ULONG m_nNextPinId = 7;

    std::vector<ULONG> m_createdTypes;                    // CreatePin calls, in order
    std::vector<std::pair<ULONG, ULONG>> m_topologies;    // CreateTopology calls, in order
    int m_nTopologyCalls = 0;  // every IBDA_Topology method
    int m_nFilterCalls = 0;    // every IBaseFilter method
    LONG m_nPinVersion = 1;
    IFilterGraph* m_pGraph = nullptr;
    FILTER_STATE m_state = State_Stopped;

private:
    LONG m_cRef = 1;
    CFakeTunerPin m_connectPin;
    std::vector<CFakeTunerPin*> m_exposed;
};
