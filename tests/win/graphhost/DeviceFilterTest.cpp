#include "HostProbe.h"
#include "support/ClassRegistration.h"
#include "support/FakeDevices.h"
#include "support/FakeFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace {

// {6A1C0F00-3B5D-4E21-8C7A-0D94B2E61A30}: the device category the tests fill.
const GUID CATEGORY_Test = {0x6a1c0f00, 0x3b5d, 0x4e21, {0x8c, 0x7a, 0x0d, 0x94, 0xb2, 0xe6, 0x1a, 0x30}};
// {6A1C0F01-...}: a category with no devices at all.
const GUID CATEGORY_Empty = {0x6a1c0f01, 0x3b5d, 0x4e21, {0x8c, 0x7a, 0x0d, 0x94, 0xb2, 0xe6, 0x1a, 0x30}};

// Filter class n of the fake devices: {6A1C0F1n-...}.
CLSID DeviceClass(int n)
{
    return {0x6a1c0f10u + n, 0x3b5d, 0x4e21, {0x8c, 0x7a, 0x0d, 0x94, 0xb2, 0xe6, 0x1a, 0x30}};
}

std::wstring GuidText(REFGUID guid)
{
    wchar_t szText[40];
    StringFromGUID2(guid, szText, 40);
    return szText;
}

CLSID FilterClass(IBaseFilter* pFilter)
{
    CLSID clsid = GUID_NULL;
    pFilter->GetClassID(&clsid);
    return clsid;
}

// Devices of CATEGORY_Test, written as the filter mapper writes them: one key per device
// under the category's Instance key. Fake filter classes are registered in-process.
class DeviceFilterTest : public ::testing::Test
{
protected:
    void SetUp() override { DeleteCategory(); }
    void TearDown() override { DeleteCategory(); }

    static void DeleteCategory()
    {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(CATEGORY_Test)).c_str());
    }

    // friendlyName null: the device has no FriendlyName value.
    static void AddDevice(const wchar_t* key, const wchar_t* friendlyName, REFCLSID clsid)
    {
        std::wstring path = L"CLSID\\" + GuidText(CATEGORY_Test) + L"\\Instance\\" + key;
        HKEY hKey;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &hKey, nullptr),
                  ERROR_SUCCESS);
        std::wstring clsidText = GuidText(clsid);
        RegSetValueExW(hKey, L"CLSID", 0, REG_SZ, reinterpret_cast<const BYTE*>(clsidText.c_str()),
                       static_cast<DWORD>((clsidText.size() + 1) * sizeof(wchar_t)));
        if (friendlyName)
            RegSetValueExW(hKey, L"FriendlyName", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(friendlyName),
                           static_cast<DWORD>((wcslen(friendlyName) + 1) * sizeof(wchar_t)));
        RegCloseKey(hKey);
    }

    void RegisterClass(int n)
    {
        CLSID clsid = DeviceClass(n);
        m_classes.push_back(std::make_unique<CClassRegistration>(
            clsid, [clsid](REFIID riid, void** ppv) { return QueryNew(new CFakeFilter(clsid), riid, ppv); }));
        ASSERT_EQ(m_classes.back()->Status(), S_OK);
    }

    HRESULT Get(int nIndex)
    {
        m_pFilter.Reset();
        memset(m_szName, '#', sizeof(m_szName));
        return m_host.GetDeviceFilter(CATEGORY_Test, nIndex, m_pFilter, m_szName);
    }

    CHostProbe m_host;
    std::vector<std::unique_ptr<CClassRegistration>> m_classes;
    InterfaceHolder<IBaseFilter> m_pFilter;
    char m_szName[FRIENDLY_NAME_SIZE + 56];   // room behind the name buffer to catch overruns
};

} // namespace

TEST_F(DeviceFilterTest, OneDeviceGivesItsFilterAndNameAtIndexZeroOnly)
{
    RegisterClass(0);
    AddDevice(L"Tuner", L"DTV-DVB Tuner", DeviceClass(0));

    ASSERT_EQ(Get(0), S_OK);
    ASSERT_FALSE(m_pFilter.IsNull());
    EXPECT_EQ(FilterClass(m_pFilter), DeviceClass(0));
    EXPECT_STREQ(m_szName, "DTV-DVB Tuner");
    EXPECT_EQ(m_classes[0]->Created(), 1);

    EXPECT_EQ(Get(1), E_FAIL);
    EXPECT_TRUE(m_pFilter.IsNull());
    EXPECT_EQ(m_szName[0], '#');
    EXPECT_EQ(Get(-1), E_FAIL);
}

TEST_F(DeviceFilterTest, CategoryWithoutDevicesIsUnexpected)
{
    InterfaceHolder<IBaseFilter> pFilter;
    char szName[FRIENDLY_NAME_SIZE] = "untouched";
    EXPECT_EQ(m_host.GetDeviceFilter(CATEGORY_Empty, 0, pFilter, szName), E_UNEXPECTED);
    EXPECT_TRUE(pFilter.IsNull());
    EXPECT_STREQ(szName, "untouched");
}

// Devices without a usable name or filter are skipped and do not shift the numbering; the
// filters of devices counted on the way are created and released again.
TEST_F(DeviceFilterTest, OnlyUsableDevicesAreCounted)
{
    RegisterClass(1);
    RegisterClass(2);
    AddDevice(L"A", nullptr, DeviceClass(1));
    AddDevice(L"B", L"No filter class", DeviceClass(9));
    AddDevice(L"C", L"Tuner C", DeviceClass(1));
    AddDevice(L"D", L"Tuner D", DeviceClass(2));
    // A name that is no text cannot be shown: that device is skipped too.
    std::wstring path = L"CLSID\\" + GuidText(CATEGORY_Test) + L"\\Instance\\E";
    AddDevice(L"E", nullptr, DeviceClass(1));
    DWORD dwName = 7;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, path.c_str(), L"FriendlyName", REG_DWORD, &dwName,
                              sizeof(dwName)),
              ERROR_SUCCESS);

    ASSERT_EQ(Get(0), S_OK);
    EXPECT_EQ(FilterClass(m_pFilter), DeviceClass(1));
    EXPECT_STREQ(m_szName, "Tuner C");

    const LONG nLiveBefore = CFakeFilter::LiveCount() - 1;
    ASSERT_EQ(Get(1), S_OK);
    EXPECT_EQ(FilterClass(m_pFilter), DeviceClass(2));
    EXPECT_STREQ(m_szName, "Tuner D");
    EXPECT_EQ(CFakeFilter::LiveCount(), nLiveBefore + 1);
    EXPECT_EQ(m_classes[0]->Created(), 2);

    EXPECT_EQ(Get(2), E_FAIL);
    EXPECT_EQ(CFakeFilter::LiveCount(), nLiveBefore);
}

TEST_F(DeviceFilterTest, LongNamesAreCutAt199Characters)
{
    RegisterClass(0);
    const std::wstring names[] = {std::wstring(199, L'n'), std::wstring(200, L'm'),
                                  std::wstring(600, L'l')};
    AddDevice(L"1", names[0].c_str(), DeviceClass(0));
    AddDevice(L"2", names[1].c_str(), DeviceClass(0));
    AddDevice(L"3", names[2].c_str(), DeviceClass(0));

    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(Get(i), S_OK);
        EXPECT_EQ(std::string(m_szName), std::string(199, static_cast<char>(names[i][0])));
        for (size_t n = FRIENDLY_NAME_SIZE; n < sizeof(m_szName); ++n)
            ASSERT_EQ(m_szName[n], '#') << "byte " << n << " of device " << i;
    }
}

TEST_F(DeviceFilterTest, UnrepresentableCharactersBecomeQuestionMarks)
{
    RegisterClass(0);
    AddDevice(L"1", L"Tuner \u4e2d\u00e9", DeviceClass(0));
    ASSERT_EQ(Get(0), S_OK);
    EXPECT_STREQ(m_szName, "Tuner ?\xe9");
}

// With the system device enumerator replaced, the statuses that the real one never gives.
class FakeDeviceEnumTest : public ::testing::Test
{
protected:
    void AddDevice(const std::wstring& name, REFCLSID clsid)
    {
        m_devices.Add(CATEGORY_Test, name, [clsid](REFIID riid, void** ppv) {
            return QueryNew(new CFakeFilter(clsid), riid, ppv);
        });
    }

    CFakeDeviceCatalog m_devices;
    CHostProbe m_host;
    InterfaceHolder<IBaseFilter> m_pFilter;
    char m_szName[FRIENDLY_NAME_SIZE] = "untouched";
};

TEST_F(FakeDeviceEnumTest, ClassEnumeratorFailureIsReturned)
{
    ASSERT_EQ(m_devices.Status(), S_OK);
    m_devices.m_hrCreateClassEnumerator = E_OUTOFMEMORY;
    EXPECT_EQ(m_host.GetDeviceFilter(CATEGORY_Test, 0, m_pFilter, m_szName), E_OUTOFMEMORY);
    EXPECT_EQ(m_devices.Created(), 1);
    m_devices.m_hrCreateClassEnumerator = S_FALSE;
    EXPECT_EQ(m_host.GetDeviceFilter(CATEGORY_Test, 0, m_pFilter, m_szName), E_UNEXPECTED);
    EXPECT_TRUE(m_pFilter.IsNull());
}

// A device whose property bag cannot be opened ends the search, even before a usable one.
TEST_F(FakeDeviceEnumTest, PropertyBagFailureEndsTheSearch)
{
    ASSERT_EQ(m_devices.Status(), S_OK);
    AddDevice(L"", DeviceClass(0));
    m_devices.Devices(CATEGORY_Test).back().bHasName = false;
    AddDevice(L"First", DeviceClass(0));
    AddDevice(L"Locked", DeviceClass(1));
    m_devices.Devices(CATEGORY_Test).back().hrBindToStorage = E_ACCESSDENIED;
    AddDevice(L"Later", DeviceClass(2));

    ASSERT_EQ(m_host.GetDeviceFilter(CATEGORY_Test, 0, m_pFilter, m_szName), S_OK);
    EXPECT_STREQ(m_szName, "First");
    m_pFilter.Reset();
    EXPECT_EQ(m_host.GetDeviceFilter(CATEGORY_Test, 1, m_pFilter, m_szName), E_ACCESSDENIED);
    EXPECT_TRUE(m_pFilter.IsNull());
    const std::vector<std::wstring>& opened = m_devices.BagsOpened();
    EXPECT_EQ(std::count(opened.begin(), opened.end(), L"Locked"), 1);
    EXPECT_EQ(std::count(opened.begin(), opened.end(), L"Later"), 0);
}
