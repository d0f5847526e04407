#include "FakeDeviceEnum.h"

#include "support/FakeFilter.h"

namespace {

template <class I>
class CUnknownBase : public I
{
public:
    virtual ~CUnknownBase() = default;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == __uuidof(I)) {
            *ppv = static_cast<I*>(this);
            this->AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_cRef); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG n = InterlockedDecrement(&m_cRef);
        if (n == 0)
            delete this;
        return n;
    }

private:
    LONG m_cRef = 1;
};

// A bag that holds at most a friendly name.
class CFakeBag : public CUnknownBase<IPropertyBag>
{
public:
    explicit CFakeBag(const std::wstring& friendlyName) : m_friendlyName(friendlyName) {}

    STDMETHODIMP Read(LPCOLESTR pszName, VARIANT* pVar, IErrorLog*) override
    {
        if (m_friendlyName.empty() || lstrcmpW(pszName, L"FriendlyName") != 0)
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        pVar->vt = VT_BSTR;
        pVar->bstrVal = SysAllocString(m_friendlyName.c_str());
        return S_OK;
    }
    STDMETHODIMP Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }

private:
    std::wstring m_friendlyName;
};

class CFakeEnumMoniker : public CUnknownBase<IEnumMoniker>
{
public:
    explicit CFakeEnumMoniker(const std::vector<CFakeDeviceMoniker*>& devices)
    {
        for (CFakeDeviceMoniker* pDevice : devices)
            m_devices.emplace_back(pDevice);
    }

    STDMETHODIMP Next(ULONG celt, IMoniker** rgelt, ULONG* pceltFetched) override
    {
        ULONG n = 0;
        for (; n < celt && m_nPos < m_devices.size(); ++n) {
            rgelt[n] = m_devices[m_nPos++];
            rgelt[n]->AddRef();
        }
        if (pceltFetched)
            *pceltFetched = n;
        return n == celt ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG celt) override
    {
        m_nPos += celt;
        return m_nPos <= m_devices.size() ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override
    {
        m_nPos = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumMoniker**) override { return E_NOTIMPL; }

private:
    std::vector<InterfaceHolder<IMoniker>> m_devices;
    size_t m_nPos = 0;
};

class CFakeDevEnum : public CUnknownBase<ICreateDevEnum>
{
public:
    explicit CFakeDevEnum(FakeDeviceList* pList) : m_pList(pList) {}

    STDMETHODIMP CreateClassEnumerator(REFCLSID, IEnumMoniker** ppEnum, DWORD) override
    {
        *ppEnum = nullptr;
        if (m_pList->hrCreateClassEnumerator != S_OK)
            return m_pList->hrCreateClassEnumerator;
        *ppEnum = new CFakeEnumMoniker(m_pList->devices);
        return S_OK;
    }

private:
    FakeDeviceList* m_pList;
};

} // namespace

FakeDeviceList::~FakeDeviceList()
{
    for (CFakeDeviceMoniker* pDevice : devices)
        pDevice->Release();
}

CFakeDeviceMoniker* FakeDeviceList::Add(const std::wstring& friendlyName, REFCLSID clsidFilter)
{
    devices.push_back(new CFakeDeviceMoniker(friendlyName, clsidFilter));
    return devices.back();
}

HRESULT FakeDeviceList::CreateEnumerator(REFIID riid, void** ppv)
{
    ICreateDevEnum* pEnum = new CFakeDevEnum(this);
    HRESULT hr = pEnum->QueryInterface(riid, ppv);
    pEnum->Release();
    return hr;
}

CFakeDeviceMoniker::CFakeDeviceMoniker(const std::wstring& friendlyName, REFCLSID clsidFilter)
    : m_friendlyName(friendlyName), m_clsidFilter(clsidFilter)
{
}

STDMETHODIMP CFakeDeviceMoniker::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IPersist || riid == IID_IPersistStream ||
        riid == IID_IMoniker) {
        *ppv = static_cast<IMoniker*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CFakeDeviceMoniker::AddRef() { return InterlockedIncrement(&m_cRef); }

STDMETHODIMP_(ULONG) CFakeDeviceMoniker::Release()
{
    LONG n = InterlockedDecrement(&m_cRef);
    if (n == 0)
        delete this;
    return n;
}

STDMETHODIMP CFakeDeviceMoniker::BindToObject(IBindCtx*, IMoniker*, REFIID riid, void** ppv)
{
    CFakeFilter* pFilter = new CFakeFilter(m_clsidFilter);
    HRESULT hr = pFilter->QueryInterface(riid, ppv);
    pFilter->Release();
    return hr;
}

STDMETHODIMP CFakeDeviceMoniker::BindToStorage(IBindCtx*, IMoniker*, REFIID riid, void** ppv)
{
    ++m_nBindToStorageCalls;
    *ppv = nullptr;
    if (FAILED(m_hrBindToStorage))
        return m_hrBindToStorage;
    IPropertyBag* pBag = new CFakeBag(m_friendlyName);
    HRESULT hr = pBag->QueryInterface(riid, ppv);
    pBag->Release();
    return hr;
}
