#include "simtuner/SimRegistration.h"

#include "base/WinHolders.h"
#include "graph/BdaGuids.h"
#include "graph/InterfaceHolder.h"
#include "simtuner/SimModule.h"
#include "simtuner/SimTunerControl.h"
#include "simtuner/SimWideText.h"

#include <cstdio>
#include <vector>

namespace {

std::wstring GuidText(REFGUID guid)
{
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

HRESULT SetText(HKEY hKey, LPCWSTR pName, const std::wstring& value)
{
    const LONG rc = RegSetValueExW(hKey, pName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(rc);
}

HRESULT RegisterClass(REFCLSID clsid, const std::wstring& description, const std::wstring& dllPath)
{
    const std::wstring key = L"CLSID\\" + GuidText(clsid);
    KeyHolder hClass;
    LONG rc =
        RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, hClass.OutSlot(), nullptr);
    if (rc != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(rc);
    HRESULT hr = SetText(hClass, nullptr, description);
    KeyHolder hServer;
    if (SUCCEEDED(hr)) {
        rc = RegCreateKeyExW(hClass, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, hServer.OutSlot(), nullptr);
        hr = HRESULT_FROM_WIN32(rc);
    }
    if (SUCCEEDED(hr))
        hr = SetText(hServer, nullptr, dllPath);
    if (SUCCEEDED(hr))
        hr = SetText(hServer, L"ThreadingModel", L"Both");
    return hr;
}

// Deletes the instances in one category whose CLSID value names a simulated class.
HRESULT RemoveInstances(REFGUID category)
{
    const std::wstring path = L"CLSID\\" + GuidText(category) + L"\\Instance";
    KeyHolder hInstances;
    LONG rc = RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | KEY_WRITE, hInstances.OutSlot());
    if (rc == ERROR_FILE_NOT_FOUND)
        return S_OK;
    if (rc != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(rc);
    const std::wstring ours[] = {GuidText(CLSID_QLSimTuner), GuidText(CLSID_QLSimReceiver)};
    std::vector<std::wstring> doomed;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD cch = 256;
        if (RegEnumKeyExW(hInstances, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        wchar_t clsid[64] = {};
        DWORD cb = sizeof(clsid) - sizeof(wchar_t);
        if (RegGetValueW(hInstances, name, L"CLSID", RRF_RT_REG_SZ, nullptr, clsid, &cb) != ERROR_SUCCESS)
            continue;
        for (const std::wstring& our : ours) {
            if (_wcsicmp(clsid, our.c_str()) == 0)
                doomed.push_back(name);
        }
    }
    HRESULT hr = S_OK;
    for (const std::wstring& name : doomed) {
        rc = RegDeleteTreeW(hInstances, name.c_str());
        if (rc != ERROR_SUCCESS && SUCCEEDED(hr))
            hr = HRESULT_FROM_WIN32(rc);
    }
    return hr;
}

HRESULT RegisterDevice(IFilterMapper2* pMapper, const SimScenarioDevice& device, int nIndex)
{
    const GUID& category = device.bReceiver ? KSCATEGORY_BDA_RECEIVER_COMPONENT : KSCATEGORY_BDA_NETWORK_TUNER;
    const CLSID& clsid = device.bReceiver ? CLSID_QLSimReceiver : CLSID_QLSimTuner;
    // Instances enumerate in the order of their key names, so the number keeps file order.
    wchar_t instance[32];
    _snwprintf(instance, 32, L"QLSim %s %02d", device.bReceiver ? L"Receiver" : L"Tuner", nIndex);
    instance[31] = L'\0';
    const std::wstring name = WideFromUtf8(device.sName);

    REGFILTER2 filter = {};
    filter.dwVersion = 1;
    filter.dwMerit = MERIT_DO_NOT_USE;
    InterfaceHolder<IMoniker> moniker;
    HRESULT hr = pMapper->RegisterFilter(clsid, name.c_str(), moniker.OutSlot(), &category, instance, &filter);
    if (FAILED(hr))
        return hr;
    InterfaceHolder<IPropertyBag> bag;
    hr = moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.OutVoid());
    for (size_t i = 0; SUCCEEDED(hr) && i < device.Values.size(); ++i) {
        CVariantHolder value;
        value.Get().vt = VT_BSTR;
        value.Get().bstrVal = SysAllocString(WideFromUtf8(device.Values[i].second).c_str());
        hr = value.Get().bstrVal ? bag->Write(WideFromUtf8(device.Values[i].first).c_str(), &value) : E_OUTOFMEMORY;
    }
    return hr;
}

// COM for the registration calls, whatever the caller's apartment.
class CComScope {
public:
    CComScope() : m_bJoined(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~CComScope()
    {
        if (m_bJoined)
            CoUninitialize();
    }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;

private:
    bool m_bJoined;
};

} // namespace

HRESULT RegisterSimClasses()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD cch = GetModuleFileNameW(SimModuleHandle(), path, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH)
        return E_FAIL;
    HRESULT hr = RegisterClass(CLSID_QLSimTuner, L"QL Simulated BDA Tuner", path);
    if (SUCCEEDED(hr))
        hr = RegisterClass(CLSID_QLSimReceiver, L"QL Simulated BDA Receiver Component", path);
    return hr;
}

HRESULT UnregisterSimClasses()
{
    HRESULT hr = S_OK;
    for (const CLSID* pClsid : {&CLSID_QLSimTuner, &CLSID_QLSimReceiver}) {
        const LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(*pClsid)).c_str());
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND && SUCCEEDED(hr))
            hr = HRESULT_FROM_WIN32(rc);
    }
    return hr;
}

HRESULT RemoveSimDevices()
{
    HRESULT hr = RemoveInstances(KSCATEGORY_BDA_NETWORK_TUNER);
    const HRESULT hrReceivers = RemoveInstances(KSCATEGORY_BDA_RECEIVER_COMPONENT);
    return FAILED(hr) ? hr : hrReceivers;
}

HRESULT RegisterSimScenario(const std::string& text, std::string* pError)
{
    std::vector<SimScenarioDevice> devices;
    const std::string error = ParseScenario(text, &devices);
    if (!error.empty()) {
        if (pError)
            *pError = error;
        return E_INVALIDARG;
    }
    CComScope com;
    HRESULT hr = RegisterSimClasses();
    if (SUCCEEDED(hr))
        hr = RemoveSimDevices();
    InterfaceHolder<IFilterMapper2> mapper;
    if (SUCCEEDED(hr))
        hr = mapper.CreateInstance(CLSID_FilterMapper2, CLSCTX_INPROC_SERVER);
    int nTuners = 0;
    int nReceivers = 0;
    for (size_t i = 0; SUCCEEDED(hr) && i < devices.size(); ++i)
        hr = RegisterDevice(mapper, devices[i], devices[i].bReceiver ? nReceivers++ : nTuners++);
    if (FAILED(hr) && pError)
        *pError = "the registry refused the devices";
    return hr;
}
