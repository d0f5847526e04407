// A device in use: while one filter runs a simulated tuner, no other filter of the same
// device runs it, in this process or another, as with the hardware. The claim is a named
// semaphore of count 1 per device, which any thread may give back (Pause and Stop may come
// on different threads). Only the holder keeps the semaphore open, so when a holder's
// process dies the object goes with its last handle and the device is free again.
#pragma once

#include "base/WinHolders.h"
#include "graph/Com.h"

#include <string>

class CSimDeviceClaim {
public:
    CSimDeviceClaim() = default;
    ~CSimDeviceClaim() { Release(); }
    CSimDeviceClaim(const CSimDeviceClaim&) = delete;
    CSimDeviceClaim& operator=(const CSimDeviceClaim&) = delete;

    // S_OK (also when already held), SIM_E_DEVICE_IN_USE, or why the object failed.
    HRESULT Take(const std::wstring& device);
    void Release();

private:
    HandleHolder m_hSemaphore;
};
