#include "simtuner/SimControlFace.h"

#include "simtuner/SimModule.h"

CSimControlHandle::CSimControlHandle(CSimDevice* pDevice)
    : m_pDevice(pDevice)
{
    SimModuleObjectCreated();
}

CSimControlHandle::~CSimControlHandle()
{
    SimModuleObjectDestroyed();
}

HRESULT STDMETHODCALLTYPE CSimControlHandle::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ISimTunerControl) {
        *ppv = static_cast<ISimTunerControl*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CSimControlHandle::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

ULONG STDMETHODCALLTYPE CSimControlHandle::Release()
{
    const LONG n = InterlockedDecrement(&m_cRef);
    if (n == 0)
        delete this;
    return static_cast<ULONG>(n);
}
