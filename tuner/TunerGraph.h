// The tuner graph manager: the filter graph around one BDA tuner, its control nodes and
// the maker's driver channel. The dialog holds the single instance, g_TunerGraph.
#pragma once

#include "capture/CaptureSession.h"
#include "graph/FilterGraphHost.h"
#include "tuner/DriverRecordLayout.h"
#include "tuner/DriverRecordSender.h"
#include "tuner/DriverRecords.h"
#include "tuner/TuneParams.h"
#include "tuner/TunePlan.h"

#include <vector>

class CCaptureFilter;

class CTunerGraph : public CFilterGraphHost
{
public:
    CTunerGraph();
    ~CTunerGraph();

    // Fills up to QLDEV_TABLE_SIZE entries with the maker's tuners; returns the count.
    // pnOrdinals, when given, receives each entry's ordinal among all tuner devices, the
    // number BuildGraph takes.
    // pnOthers, when given, receives how many tuners of a known kind were left out because
    // they are not the maker's (another driver, or a name without the maker's patterns).
    int EnumQLBDADevs(QLDev* pDevs, int* pnOrdinals = nullptr, int* pnOthers = nullptr);

    // S_OK once built and running; S_FALSE when a graph is built already; the run's own
    // HRESULT_FROM_WIN32(ERROR_BUSY) when another program has the tuner; E_FAIL otherwise.
    HRESULT BuildGraph(int nOrdinal, char* pszName);
    HRESULT DestroyGraph();
    HRESULT WaitGraphStopped();
    HRESULT StartGraph();

    BOOL QLBDA_IOCTL_GET_DEVICE_INFO_Fun(DeviceInfoRecord* pInfo);
    BOOL QLBDA_IOCTL_GET_DRIVER_INFO_Fun(DriverInfoRecord* pInfo);
    BOOL QLBDA_IOCTL_SET_LNB_DATA_Fun(LnbDataRecord* pLnb);

    // Builds the graph of a found tuner once to read its records and learn its kind: the
    // device record's kind field then holds the kind's bit. The graph is torn down again.
    SourceType ReadDeviceRecords(int nOrdinal, char* pszName, DeviceInfoRecord* pDevice, DriverInfoRecord* pDriver);

    // The same records without pausing or running the tuner, which another program may be
    // streaming from; *pnKind receives the kind found. E_FAIL when the tuner cannot be
    // opened or its driver does not answer both requests.
    HRESULT ReadRecordsWithoutRunning(int nOrdinal, char* pszName, DeviceInfoRecord* pDevice, DriverInfoRecord* pDriver,
                                      SourceType* pnKind);

    // How long a tuning call waits for lock before it fails with E_FAIL.
    static constexpr LONG TUNE_LOCK_BUDGET_MS = 2000;

    // Makes the tuning call a plan names; E_INVALIDARG for a refused plan.
    HRESULT Tune(const TunePlan& plan);
    HRESULT TuneDVBS(const SatTuneParams* pParams);
    HRESULT TuneDVBT(ULONG nFrequencyKHz, ULONG nBandwidthMHz);
    HRESULT TuneDVBC(ULONG nFrequencyKHz, ULONG nSymbolRate, ULONG nConstellation);
    HRESULT TuneATSC(ULONG nFrequencyKHz, ULONG nBandwidthMHz);
    HRESULT WaitForLock(LONG nBudgetMs);
    // Hands the built graph's stream to one more consumer of its capture session, until the
    // graph is torn down; E_FAIL without a graph or for a consumer fed already.
    HRESULT AddPacketConsumer(IPacketConsumer* pConsumer);
    // The session the sink of the next BuildGraph records into, which must outlive that
    // graph; null gives back the program-wide session (the dialog's, around g_CaptureState).
    // E_FAIL while a sink is made: it keeps the session it was made with.
    HRESULT SetCaptureSession(CCaptureSession* pSession);
    CCaptureSession& CaptureSession() const { return *m_pSession; }
    HRESULT GetSignalLevels(LONG* pnStrength, LONG* pnQuality);

    // Classifies the tuner at nOrdinal; hands out its filter when the kind is known.
    SourceType ProbeTuner(int nOrdinal, char* pszName, InterfaceHolder<IBaseFilter>* pFilter);
    BOOL AttachReceiver(IBaseFilter* pTuner, InterfaceHolder<IBaseFilter>& receiver, char* pszName);
    BOOL FindControlInterfaces(IBaseFilter* pTuner);
    // nOrdinal names the device among all tuner devices, so that the record layout its
    // driver answered is kept for it; -1 for a device without one (nothing is kept).
    HRESULT OpenDriverChannel(int nOrdinal = -1);
    HRESULT CheckQLBDAInterface(IBaseFilter* pTuner, int nOrdinal = -1);
    BOOL SendDriverIoctl(DWORD nCode, void* pIn, DWORD nInLength, void* pOut, DWORD nOutLength, DWORD* pnReturned);
    static InterfaceHolder<IPin> FindPinByName(IBaseFilter* pFilter, const char* pszName);

    // 1 while a complete graph is built and running.
    BOOL m_bBuilt = 0;
    // The kind of the current or last tuner (SourceType code); kept by DestroyGraph.
    SourceType m_nSourceType = SRC_TYPE_UNKNOWN;
    InterfaceHolder<IBDA_SignalStatistics> m_pSignalStatistics;
    InterfaceHolder<IBDA_DeviceControl> m_pDeviceControl;
    InterfaceHolder<IBDA_FrequencyFilter> m_pFrequencyFilter;
    InterfaceHolder<IBDA_LNBInfo> m_pLNBInfo;
    InterfaceHolder<IBDA_DigitalDemodulator> m_pDemodulator;
    InterfaceHolder<IBaseFilter> m_pNetworkProvider;
    InterfaceHolder<IBaseFilter> m_pTuner;
    InterfaceHolder<IBaseFilter> m_pReceiver;
    InterfaceHolder<IBaseFilter> m_pCaptureFilter;
    CCaptureFilter* m_pCaptureSink = nullptr;  // the object m_pCaptureFilter holds
    InterfaceHolder<IPin> m_pTunerInputPin;
    InterfaceHolder<IKsPropertySet> m_pKsPropertySet;

protected:
    // Builds the manager around the graph manager class clsidGraph, so that one can be made
    // whose graph never stops or cannot be created.
    explicit CTunerGraph(REFCLSID clsidGraph);

private:
    // The tuner's input pin: "Input0", else "Antenna In Pin"; traces when neither exists.
    static InterfaceHolder<IPin> FindTunerInputPin(IBaseFilter* pTuner);
    // Takes the statistics of a control node when none is held yet and its lock reads.
    void TakeSignalStatistics(IUnknown* pNode);
    // The common end of every tuning: commit was accepted, now wait up to 2 s for lock.
    HRESULT FinishTuning();
    // The presence check in the record layout the device reads; *pnRecordLength receives
    // the layout for its later requests.
    HRESULT CheckDriverRecord(IKsPropertySet* pPropertySet, int nOrdinal, size_t* pnRecordLength);

    // The record layout of the open channel, and of every device that answered one.
    size_t m_nRecordLength = 0;
    CDriverRecordLayouts m_RecordLayouts;
    CDriverRecordSender m_RecordSender;
    CCaptureSession* m_pSession = &ProgramCaptureSession();
    // What AddPacketConsumer added to the session; they leave it with the graph.
    std::vector<IPacketConsumer*> m_GraphConsumers;
};

extern CTunerGraph g_TunerGraph;
