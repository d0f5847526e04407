// The in-process server: module state, class factory and the DLL's exports.
#include "base/Holder.h"
#include "filters/LiveObject.h"
#include "simtuner/SimControlFace.h"
#include "simtuner/SimModule.h"
#include "simtuner/SimReceiverFilter.h"
#include "simtuner/SimRegistration.h"
#include "simtuner/SimTunerFilter.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace {

HMODULE g_hModule = nullptr;
LONG volatile g_cObjects = 0;
LONG volatile g_cLocks = 0;

template <class TFilter>
HRESULT CreateFilter(REFIID riid, void** ppv)
{
    HRESULT hr = S_OK;
    TFilter* pFilter = new (std::nothrow) TFilter(&hr);
    if (!pFilter)
        return E_OUTOFMEMORY;
    // Holding a reference across the query deletes the filter if the query or its
    // construction failed.
    pFilter->NonDelegatingAddRef();
    if (SUCCEEDED(hr))
        hr = pFilter->NonDelegatingQueryInterface(riid, ppv);
    pFilter->NonDelegatingRelease();
    return hr;
}

class CSimClassFactory final : public IClassFactory
{
public:
    explicit CSimClassFactory(REFCLSID clsid) : m_clsid(clsid) { SimModuleObjectCreated(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG n = InterlockedDecrement(&m_cRef);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (pUnkOuter)
            return CLASS_E_NOAGGREGATION;
        return m_clsid == CLSID_QLSimTuner ? CreateFilter<CSimTunerFilter>(riid, ppv)
                                           : CreateFilter<CSimReceiverFilter>(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override
    {
        SimModuleLock(fLock != FALSE);
        return S_OK;
    }

private:
    ~CSimClassFactory() { SimModuleObjectDestroyed(); }

    CLSID m_clsid;
    LONG volatile m_cRef = 1;
};

std::string ReadWholeFile(LPCWSTR pPath, bool* pOk)
{
    std::string text;
    const FileHolder file(_wfopen(pPath, L"rb"));
    *pOk = !file.IsNull();
    if (file.IsNull())
        return text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
        text.append(buffer, n);
    *pOk = !std::ferror(file);
    return text;
}

} // namespace

HMODULE SimModuleHandle()
{
    return g_hModule;
}

void SimModuleObjectCreated()
{
    InterlockedIncrement(&g_cObjects);
}

void SimModuleObjectDestroyed()
{
    InterlockedDecrement(&g_cObjects);
}

void SimModuleLock(bool bLock)
{
    if (bLock)
        InterlockedIncrement(&g_cLocks);
    else
        InterlockedDecrement(&g_cLocks);
}

bool SimModuleCanUnload()
{
    return g_cObjects == 0 && g_cLocks == 0 && CLiveObject::LiveCount() == 0;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH) {
        g_hModule = hInstance;
        DisableThreadLibraryCalls(hInstance);
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (rclsid != CLSID_QLSimTuner && rclsid != CLSID_QLSimReceiver)
        return CLASS_E_CLASSNOTAVAILABLE;
    CSimClassFactory* pFactory = new (std::nothrow) CSimClassFactory(rclsid);
    if (!pFactory)
        return E_OUTOFMEMORY;
    const HRESULT hr = pFactory->QueryInterface(riid, ppv);
    pFactory->Release();
    return hr;
}

extern "C" HRESULT WINAPI DllCanUnloadNow()
{
    return SimModuleCanUnload() ? S_OK : S_FALSE;
}

// The classes and the default set of devices.
extern "C" HRESULT WINAPI DllRegisterServer()
{
    return RegisterSimScenario(kDefaultScenario, nullptr);
}

extern "C" HRESULT WINAPI DllUnregisterServer()
{
    const HRESULT hr = RemoveSimDevices();
    const HRESULT hrClasses = UnregisterSimClasses();
    return FAILED(hr) ? hr : hrClasses;
}

// regsvr32 /i:<scenario file> registers that scenario's devices; /u /i removes them all.
extern "C" HRESULT WINAPI DllInstall(BOOL bInstall, LPCWSTR pszCmdLine)
{
    if (!bInstall)
        return RemoveSimDevices();
    if (!pszCmdLine || !*pszCmdLine)
        return RegisterSimScenario(kDefaultScenario, nullptr);
    bool bRead = false;
    const std::string text = ReadWholeFile(pszCmdLine, &bRead);
    if (!bRead)
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    return RegisterSimScenario(text, nullptr);
}

extern "C" HRESULT WINAPI SimTunerRegisterScenario(LPCSTR pszScenario, LPSTR pszError, UINT cchError)
{
    if (!pszScenario)
        return E_POINTER;
    std::string error;
    const HRESULT hr = RegisterSimScenario(pszScenario, &error);
    if (pszError && cchError > 0)
        std::snprintf(pszError, cchError, "%s", error.c_str());
    CSimDevice::ResetAll();
    return hr;
}

extern "C" HRESULT WINAPI SimTunerOpenControl(LPCWSTR pszFriendlyName, ISimTunerControl** ppControl)
{
    if (!pszFriendlyName || !ppControl)
        return E_POINTER;
    *ppControl = new (std::nothrow) CSimControlHandle(CSimDevice::Find(pszFriendlyName));
    return *ppControl ? S_OK : E_OUTOFMEMORY;
}
