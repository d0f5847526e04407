// The simulated BDA tuner filter: an antenna input pin with the maker's private property,
// a transport stream output pin, the BDA topology with its control nodes, device control,
// and the device's settings loaded from its moniker's property bag.
#pragma once

#include "filters/BaseFilter.h"
#include "simtuner/SimControlFace.h"
#include "simtuner/SimDeviceClaim.h"
#include "simtuner/SimSettings.h"
#include "simtuner/SimStreamer.h"
#include "simtuner/SimTunerState.h"

#include <vector>

class CSimAntennaPin;
class CSimTsOutputPin;
class CSimNode;

class CSimTunerFilter : public CBaseFilter,
                        public IBDA_Topology,
                        public IBDA_DeviceControl,
                        public IPersistPropertyBag,
                        public CSimControlFace
{
public:
    explicit CSimTunerFilter(HRESULT* phr);
    ~CSimTunerFilter() override;

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    // IPersist (shared by IBaseFilter and IPersistPropertyBag)
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClsID) override { return CBaseFilter::GetClassID(pClsID); }

    // IMediaFilter: a live source, streaming only while running.
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME tStart) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD dwMSecs, FILTER_STATE* State) override;

    int GetPinCount() override;
    CBasePin* GetPin(int n) override;

    // IBDA_Topology
    HRESULT STDMETHODCALLTYPE GetNodeTypes(ULONG* pulcNodeTypes, ULONG ulcNodeTypesMax, ULONG rgulNodeTypes[]) override;
    HRESULT STDMETHODCALLTYPE GetNodeDescriptors(ULONG* ulcNodeDescriptors, ULONG ulcNodeDescriptorsMax,
                                                 BDANODE_DESCRIPTOR rgNodeDescriptors[]) override;
    HRESULT STDMETHODCALLTYPE GetNodeInterfaces(ULONG ulNodeType, ULONG* pulcInterfaces, ULONG ulcInterfacesMax,
                                                GUID rgguidInterfaces[]) override;
    HRESULT STDMETHODCALLTYPE GetPinTypes(ULONG* pulcPinTypes, ULONG ulcPinTypesMax, ULONG rgulPinTypes[]) override;
    HRESULT STDMETHODCALLTYPE GetTemplateConnections(ULONG* pulcConnections, ULONG ulcConnectionsMax,
                                                     BDA_TEMPLATE_CONNECTION rgConnections[]) override;
    HRESULT STDMETHODCALLTYPE CreatePin(ULONG ulPinType, ULONG* pulPinId) override;
    HRESULT STDMETHODCALLTYPE DeletePin(ULONG ulPinId) override;
    HRESULT STDMETHODCALLTYPE SetMediaType(ULONG ulPinId, AM_MEDIA_TYPE* pMediaType) override;
    HRESULT STDMETHODCALLTYPE SetMedium(ULONG ulPinId, REGPINMEDIUM* pMedium) override;
    HRESULT STDMETHODCALLTYPE CreateTopology(ULONG ulInputPinId, ULONG ulOutputPinId) override;
    HRESULT STDMETHODCALLTYPE GetControlNode(ULONG ulInputPinId, ULONG ulOutputPinId, ULONG ulNodeType,
                                             IUnknown** ppControlNode) override;

    // IBDA_DeviceControl
    HRESULT STDMETHODCALLTYPE StartChanges() override;
    HRESULT STDMETHODCALLTYPE CheckChanges() override;
    HRESULT STDMETHODCALLTYPE CommitChanges() override;
    HRESULT STDMETHODCALLTYPE GetChangeState(ULONG* pState) override;

    // IPersistPropertyBag
    HRESULT STDMETHODCALLTYPE InitNew() override;
    HRESULT STDMETHODCALLTYPE Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) override;
    HRESULT STDMETHODCALLTYPE Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) override;

    // For the pins, the nodes and the streaming thread.
    CSimDevice* Device() const { return m_pDevice; }
    const SimTunerSettings& Settings() const { return m_Settings; }
    // The tuning state is shared by the nodes and the streaming thread under this lock.
    CCritSec* TuningLock() { return &m_TuningLock; }
    CSimTunerState& Tuning() { return m_Tuning; }
    bool IsLockedNow();

protected:
    CSimDevice* ControlDevice() override { return m_pDevice; }

private:
    // A pin of the topology: the object, and whether and under which id it is exposed.
    struct TopologyPin {
        CBasePin* pPin = nullptr;
        bool bExposed = false;
        ULONG nId = 0;
    };

    HRESULT Configure(const SimTunerSettings& settings);
    void DeletePinsAndNodes();
    HRESULT ExposePin(ULONG nType, ULONG* pnId);
    TopologyPin* FindPinById(ULONG nId);
    HRESULT ReadSettings(IPropertyBag* pPropBag, SimTunerSettings* pSettings);

    CCritSec m_FilterLock;
    CCritSec m_TuningLock;
    SimTunerSettings m_Settings;
    bool m_bLoaded = false;
    CSimDevice* m_pDevice = nullptr;
    CSimAntennaPin* m_pInputPin = nullptr;
    CSimTsOutputPin* m_pOutputPin = nullptr;
    TopologyPin m_Pins[2];           // by pin type: 0 antenna input, 1 transport output
    std::vector<CBasePin*> m_Exposed;  // in the order they were exposed
    ULONG m_nNextPinId = 0;
    bool m_bTopology = false;
    ULONG m_nTopologyIn = 0;
    ULONG m_nTopologyOut = 0;
    std::vector<CSimNode*> m_Nodes;
    CSimTunerState m_Tuning;
    CSimStreamer m_Streamer;
    CSimDeviceClaim m_Claim;  // held from leaving Stopped until Stop, for a bound device
};
