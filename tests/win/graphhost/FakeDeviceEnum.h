// A stand-in for the system device enumerator: a list of device monikers whose property
// bags and filters behave as a test sets them up. Registered in-process under
// CLSID_SystemDeviceEnum, it takes the real one's place for the life of a test.
#pragma once

#include "graph/Com.h"
#include "graph/InterfaceHolder.h"

#include <string>
#include <vector>

class CFakeDeviceMoniker;

struct FakeDeviceList
{
    HRESULT hrCreateClassEnumerator = S_OK;
    std::vector<CFakeDeviceMoniker*> devices;   // owned, one reference each
    ~FakeDeviceList();
    CFakeDeviceMoniker* Add(const std::wstring& friendlyName, REFCLSID clsidFilter);
    // Creates a device enumerator over the list, as riid.
    HRESULT CreateEnumerator(REFIID riid, void** ppv);
};

class CFakeDeviceMoniker final : public IMoniker
{
public:
    CFakeDeviceMoniker(const std::wstring& friendlyName, REFCLSID clsidFilter);

    HRESULT m_hrBindToStorage = S_OK;
    int m_nBindToStorageCalls = 0;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(IStream*) override { return E_NOTIMPL; }
    STDMETHODIMP Save(IStream*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP BindToObject(IBindCtx*, IMoniker*, REFIID riid, void** ppv) override;
    STDMETHODIMP BindToStorage(IBindCtx*, IMoniker*, REFIID riid, void** ppv) override;
    STDMETHODIMP Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP ComposeWith(IMoniker*, BOOL, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP Enum(BOOL, IEnumMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP IsEqual(IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP Hash(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP IsRunning(IBindCtx*, IMoniker*, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override { return E_NOTIMPL; }
    STDMETHODIMP Inverse(IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP CommonPrefixWith(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP RelativePathTo(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*, IMoniker**) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP IsSystemMoniker(DWORD*) override { return E_NOTIMPL; }

private:
    LONG m_cRef = 1;
    std::wstring m_friendlyName;
    CLSID m_clsidFilter;
};
