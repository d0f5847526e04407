// The simulated tuner's streaming thread: while the filter runs and the tuner is locked, it
// cuts the transport stream into samples of the configured size and delivers them at the
// configured bitrate. A refused delivery ends the run; the graph stopping ends it as well.
#pragma once

#include "base/WinHolders.h"
#include "graph/Com.h"
#include "simtuner/SimTsSource.h"

#include <atomic>
#include <memory>

class CSimTunerFilter;
class CSimTsOutputPin;

class CSimStreamer {
public:
    CSimStreamer() = default;
    ~CSimStreamer();
    CSimStreamer(const CSimStreamer&) = delete;
    CSimStreamer& operator=(const CSimStreamer&) = delete;

    // Opens the source and starts the thread, which waits until SetRunning(true).
    HRESULT Start(CSimTunerFilter* pFilter, CSimTsOutputPin* pPin);
    void SetRunning(bool bRunning) { m_bRunning = bRunning; }
    // Tells the thread to end; a delivery failing from now on is part of stopping.
    void BeginStop();
    // Waits for the thread to end (after BeginStop, or on its own).
    void Join();

private:
    static DWORD WINAPI ThreadProc(LPVOID pParam);
    void Loop();
    // Waits up to nMs for the stop signal; true once it is given.
    bool WaitStop(DWORD nMs);

    CSimTunerFilter* m_pFilter = nullptr;
    CSimTsOutputPin* m_pPin = nullptr;
    std::unique_ptr<CSimTsSource> m_pSource;
    HandleHolder m_hThread;
    HandleHolder m_hStop;
    std::atomic<bool> m_bRunning{false};
    std::atomic<bool> m_bStopping{false};
};
