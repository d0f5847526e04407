#include "SimTestSupport.h"

#include "graph/BdaGuids.h"
#include "tuner/DriverRecordSender.h"
#include "tuner/IoctlCommand.h"

void SimTunerTest::SetUp()
{
    m_bComJoined = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    ASSERT_TRUE(m_Library.IsLoaded()) << "QLSimTuner.dll beside the test";
}

void SimTunerTest::TearDown()
{
    auto pRemove = m_Library.Proc<HRESULT(WINAPI*)()>("DllUnregisterServer");
    if (pRemove)
        pRemove();
    if (m_bComJoined)
        CoUninitialize();
}

void SimTunerTest::Register(const std::string& scenario)
{
    std::string error;
    ASSERT_EQ(m_Library.RegisterScenario(scenario, &error), S_OK) << error;
}

std::vector<SimTestDevice> EnumerateDevices(REFGUID category)
{
    std::vector<SimTestDevice> devices;
    InterfaceHolder<ICreateDevEnum> devEnum;
    if (FAILED(devEnum.CreateInstance(CLSID_SystemDeviceEnum)))
        return devices;
    InterfaceHolder<IEnumMoniker> monikers;
    if (devEnum->CreateClassEnumerator(category, monikers.OutSlot(), 0) != S_OK)
        return devices;
    InterfaceHolder<IMoniker> moniker;
    while (monikers->Next(1, moniker.OutSlot(), nullptr) == S_OK) {
        SimTestDevice device;
        InterfaceHolder<IPropertyBag> bag;
        if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.OutVoid()))) {
            CVariantHolder name;
            if (SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && name.Get().vt == VT_BSTR) {
                char text[256] = {};
                WideCharToMultiByte(CP_UTF8, 0, name.Get().bstrVal, -1, text, sizeof(text) - 1, nullptr, nullptr);
                device.sName = text;
            }
        }
        moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, device.Filter.OutVoid());
        devices.push_back(device);
    }
    return devices;
}

InterfaceHolder<IBaseFilter> BindTuner(const std::string& name)
{
    for (SimTestDevice& device : EnumerateDevices(KSCATEGORY_BDA_NETWORK_TUNER)) {
        if (device.sName == name)
            return device.Filter;
    }
    return InterfaceHolder<IBaseFilter>();
}

InterfaceHolder<ISimTunerControl> ControlOf(IUnknown* pFilter)
{
    return QueriedHolder<ISimTunerControl>(pFilter);
}

std::vector<std::wstring> PinNames(IBaseFilter* pFilter)
{
    std::vector<std::wstring> names;
    InterfaceHolder<IEnumPins> pins;
    if (FAILED(pFilter->EnumPins(pins.OutSlot())))
        return names;
    InterfaceHolder<IPin> pin;
    while (pins->Next(1, pin.OutSlot(), nullptr) == S_OK) {
        PIN_INFO info = {};
        if (SUCCEEDED(pin->QueryPinInfo(&info))) {
            names.push_back(info.achName);
            if (info.pFilter)
                info.pFilter->Release();
        }
    }
    return names;
}

InterfaceHolder<IPin> PinByIndex(IBaseFilter* pFilter, int nIndex)
{
    InterfaceHolder<IEnumPins> pins;
    InterfaceHolder<IPin> pin;
    if (FAILED(pFilter->EnumPins(pins.OutSlot())))
        return pin;
    for (int i = 0; i <= nIndex; ++i) {
        if (pins->Next(1, pin.OutSlot(), nullptr) != S_OK)
            return InterfaceHolder<IPin>();
    }
    return pin;
}

HRESULT SendVendorRequest(IBaseFilter* pTuner, uint32_t code, void* pIn, uint32_t inLength, void* pOut,
                          uint32_t outLength)
{
    InterfaceHolder<IPin> pin = PinByIndex(pTuner, 0);
    QueriedHolder<IKsPropertySet> property(pin);
    if (property.IsNull())
        return E_NOINTERFACE;
    DWORD counter = 0;
    CDriverRecordSender sender;
    return sender.Send(property, IOCTL_COMMAND_SIZE_32, {code, pIn, inLength, pOut, outLength, &counter});
}

HRESULT JoinTopology(IBaseFilter* pTuner)
{
    QueriedHolder<IBDA_Topology> topology(pTuner);
    return topology.IsNull() ? E_NOINTERFACE : topology->CreateTopology(0, 1);
}

std::vector<SimCallRecord> AllCalls(ISimTunerControl* pControl)
{
    std::vector<SimCallRecord> calls;
    ULONG count = 0;
    pControl->GetCallCount(&count);
    for (ULONG i = 0; i < count; ++i) {
        SimCallRecord record = {};
        if (pControl->GetCall(i, &record) == S_OK)
            calls.push_back(record);
    }
    return calls;
}

std::vector<SimCallRecord> CallsOf(ISimTunerControl* pControl, SimCallId eCall)
{
    std::vector<SimCallRecord> calls;
    for (const SimCallRecord& record : AllCalls(pControl)) {
        if (record.eCall == eCall)
            calls.push_back(record);
    }
    return calls;
}

bool WaitFor(const std::function<bool()>& condition, DWORD nMs)
{
    const ULONGLONG end = GetTickCount64() + nMs;
    while (!condition()) {
        if (GetTickCount64() > end)
            return condition();
        Sleep(5);
    }
    return true;
}
