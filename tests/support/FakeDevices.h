// A stand-in for the system device enumerator, registered in-process under
// CLSID_SystemDeviceEnum for the life of the object: per device category, a list of devices
// whose names, property bags and filters a test decides.
#pragma once

#include "graph/Com.h"
#include "support/ClassRegistration.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

struct FakeDevice {
    using CreateFn = std::function<HRESULT(REFIID riid, void** ppv)>;

    std::wstring sFriendlyName;
    bool bHasName = true;             // false: reading "FriendlyName" fails
    HRESULT hrBindToStorage = S_OK;
    CreateFn create;                  // empty: the filter cannot be created
};

class CFakeDeviceCatalog
{
public:
    CFakeDeviceCatalog();
    ~CFakeDeviceCatalog();
    CFakeDeviceCatalog(const CFakeDeviceCatalog&) = delete;
    CFakeDeviceCatalog& operator=(const CFakeDeviceCatalog&) = delete;

    HRESULT Status() const { return m_registration.Status(); }
    // Device enumerators created through the registration.
    int Created() const { return m_registration.Created(); }
    FakeDevice& Add(REFGUID category, const std::wstring& name, FakeDevice::CreateFn create);
    std::vector<FakeDevice>& Devices(REFGUID category) { return m_devices[category]; }
    // Filters created through the devices' monikers, per category.
    int Binds(REFGUID category) { return m_binds[category]; }
    // Names of the devices whose property bags were opened, in order.
    const std::vector<std::wstring>& BagsOpened() const { return m_bagsOpened; }

    // A failure here is returned by every class enumeration, S_OK lists the devices.
    HRESULT m_hrCreateClassEnumerator = S_OK;

    // Used by the enumerator objects.
    HRESULT CreateClassEnumerator(REFGUID category, IEnumMoniker** ppEnum);
    void CountBind(REFGUID category) { ++m_binds[category]; }
    void CountBagOpen(const std::wstring& name) { m_bagsOpened.push_back(name); }

private:
    struct GuidLess {
        bool operator()(const GUID& a, const GUID& b) const { return memcmp(&a, &b, sizeof(GUID)) < 0; }
    };
    std::map<GUID, std::vector<FakeDevice>, GuidLess> m_devices;
    std::map<GUID, int, GuidLess> m_binds;
    std::vector<std::wstring> m_bagsOpened;
    CClassRegistration m_registration;
};
