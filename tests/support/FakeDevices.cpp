#include "support/FakeDevices.h"

#include "graph/InterfaceHolder.h"
#include "support/UnknownOf.h"

namespace {

class CNameBag : public CUnknownOf<IPropertyBag>
{
public:
    explicit CNameBag(const FakeDevice& device) : m_device(device) {}

    STDMETHODIMP Read(LPCOLESTR pszName, VARIANT* pVar, IErrorLog*) override
    {
        if (!m_device.bHasName || lstrcmpW(pszName, L"FriendlyName") != 0)
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        pVar->vt = VT_BSTR;
        pVar->bstrVal = SysAllocString(m_device.sFriendlyName.c_str());
        return S_OK;
    }
    STDMETHODIMP Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }

private:
    FakeDevice m_device;
};

class CDeviceMoniker : public CUnknownOf<IMoniker>
{
public:
    CDeviceMoniker(CFakeDeviceCatalog* pCatalog, REFGUID category, const FakeDevice& device)
        : m_pCatalog(pCatalog), m_category(category), m_device(device)
    {
    }

    STDMETHODIMP BindToStorage(IBindCtx*, IMoniker*, REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        m_pCatalog->CountBagOpen(m_device.sFriendlyName);
        if (FAILED(m_device.hrBindToStorage))
            return m_device.hrBindToStorage;
        CNameBag* pBag = new CNameBag(m_device);
        const HRESULT hr = pBag->QueryInterface(riid, ppv);
        pBag->Release();
        return hr;
    }
    STDMETHODIMP BindToObject(IBindCtx*, IMoniker*, REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (!m_device.create)
            return REGDB_E_CLASSNOTREG;
        m_pCatalog->CountBind(m_category);
        return m_device.create(riid, ppv);
    }

    STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(IStream*) override { return E_NOTIMPL; }
    STDMETHODIMP Save(IStream*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
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
    STDMETHODIMP ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP IsSystemMoniker(DWORD*) override { return E_NOTIMPL; }

private:
    CFakeDeviceCatalog* m_pCatalog;
    GUID m_category;
    FakeDevice m_device;
};

class CMonikerList : public CUnknownOf<IEnumMoniker>
{
public:
    void Add(IMoniker* pMoniker) { m_monikers.emplace_back(pMoniker); }

    STDMETHODIMP Next(ULONG celt, IMoniker** rgelt, ULONG* pceltFetched) override
    {
        ULONG n = 0;
        for (; n < celt && m_nPos < m_monikers.size(); ++n) {
            rgelt[n] = m_monikers[m_nPos++];
            rgelt[n]->AddRef();
        }
        if (pceltFetched)
            *pceltFetched = n;
        return n == celt ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG celt) override
    {
        m_nPos += celt;
        return m_nPos <= m_monikers.size() ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override
    {
        m_nPos = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumMoniker**) override { return E_NOTIMPL; }

private:
    std::vector<InterfaceHolder<IMoniker>> m_monikers;
    size_t m_nPos = 0;
};

class CDevEnum : public CUnknownOf<ICreateDevEnum>
{
public:
    explicit CDevEnum(CFakeDeviceCatalog* pCatalog) : m_pCatalog(pCatalog) {}

    STDMETHODIMP CreateClassEnumerator(REFCLSID category, IEnumMoniker** ppEnum, DWORD) override
    {
        return m_pCatalog->CreateClassEnumerator(category, ppEnum);
    }

private:
    CFakeDeviceCatalog* m_pCatalog;
};

} // namespace

CFakeDeviceCatalog::CFakeDeviceCatalog()
    : m_registration(CLSID_SystemDeviceEnum,
                     [this](REFIID riid, void** ppv) { return QueryNew(new CDevEnum(this), riid, ppv); })
{
}

CFakeDeviceCatalog::~CFakeDeviceCatalog() = default;

FakeDevice& CFakeDeviceCatalog::Add(REFGUID category, const std::wstring& name, FakeDevice::CreateFn create)
{
    FakeDevice device;
    device.sFriendlyName = name;
    device.create = std::move(create);
    m_devices[category].push_back(device);
    return m_devices[category].back();
}

// Like the real enumerator: a category without devices gives S_FALSE and no enumerator.
// The list is a snapshot of the devices as they are now.
HRESULT CFakeDeviceCatalog::CreateClassEnumerator(REFGUID category, IEnumMoniker** ppEnum)
{
    *ppEnum = nullptr;
    if (m_hrCreateClassEnumerator != S_OK)
        return m_hrCreateClassEnumerator;
    const std::vector<FakeDevice>& devices = m_devices[category];
    if (devices.empty())
        return S_FALSE;
    CMonikerList* pList = new CMonikerList;
    for (const FakeDevice& device : devices) {
        CDeviceMoniker* pMoniker = new CDeviceMoniker(this, category, device);
        pList->Add(pMoniker);
        pMoniker->Release();
    }
    *ppEnum = pList;
    return S_OK;
}
