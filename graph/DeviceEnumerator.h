// Walks the device monikers of one device category of the system device enumerator, one
// moniker held at a time.
#pragma once

#include "graph/Com.h"
#include "graph/InterfaceHolder.h"

class CDeviceEnumerator
{
public:
    // S_OK when the category has devices to walk; S_FALSE when it has none or does not
    // exist; otherwise the failure status of creating either enumerator.
    HRESULT Open(REFCLSID category);

    // Puts the next device moniker into moniker, releasing the one it held; false at the
    // end of the list, on any status other than S_OK, and when nothing was opened.
    bool Next(InterfaceHolder<IMoniker>& moniker);

private:
    InterfaceHolder<IEnumMoniker> m_pEnum;
};
