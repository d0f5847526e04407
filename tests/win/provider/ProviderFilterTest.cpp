#include "ProviderFixture.h"

#include <cstring>

TEST_F(ProviderTest, FilterHasOneAntennaOutputPinFoundByItsPosition)
{
    CLSID clsid;
    std::memset(&clsid, 0xAB, sizeof(clsid));
    EXPECT_EQ(m_pProvider->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, GUID_NULL);

    EXPECT_EQ(m_pFilter->GetPinCount(), 1);
    EXPECT_EQ(m_pFilter->GetPin(1), nullptr);
    EXPECT_EQ(m_pFilter->GetPin(-1), nullptr);

    InterfaceHolder<IPin> pPin;
    EXPECT_EQ(m_pProvider->FindPin(L"1", pPin.OutSlot()), S_OK);
    EXPECT_EQ(pPin.Get(), static_cast<IPin*>(m_pPin));
    for (LPCWSTR id : {L"0", L"2", L"x", L"Antenna Output"}) {
        IPin* pNone = reinterpret_cast<IPin*>(1);
        EXPECT_EQ(m_pProvider->FindPin(id, &pNone), VFW_E_NOT_FOUND);
        EXPECT_EQ(pNone, nullptr);
    }

    PIN_INFO info = {};
    ASSERT_EQ(pPin->QueryPinInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Antenna Output");
    EXPECT_EQ(info.dir, PINDIR_OUTPUT);
    EXPECT_EQ(info.pFilter, m_pProvider.Get());
    info.pFilter->Release();
    LPWSTR pId = nullptr;
    ASSERT_EQ(pPin->QueryId(&pId), S_OK);
    EXPECT_STREQ(pId, L"Antenna Output");
    CoTaskMemFree(pId);
}

TEST_F(ProviderTest, OffersOnlyTheAntennaTypeAtPositionZero)
{
    CMediaType mt;
    ASSERT_EQ(m_pPin->GetMediaType(0, &mt), S_OK);
    EXPECT_EQ(mt.majortype, KSDATAFORMAT_TYPE_BDA_ANTENNA);
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_None);
    EXPECT_EQ(mt.formattype, FORMAT_None);
    EXPECT_EQ(mt.cbFormat, 0u);
    EXPECT_EQ(mt.pbFormat, nullptr);
    EXPECT_EQ(mt.lSampleSize, 1u);
    EXPECT_TRUE(mt.bFixedSizeSamples);

    for (int position : {1, -1}) {
        CMediaType untouched;
        untouched.SetType(&MEDIATYPE_Stream);
        EXPECT_EQ(m_pPin->GetMediaType(position, &untouched), VFW_S_NO_MORE_ITEMS);
        EXPECT_EQ(untouched.majortype, MEDIATYPE_Stream);
        EXPECT_EQ(untouched.subtype, GUID_NULL);
        EXPECT_EQ(untouched.formattype, GUID_NULL);
    }

    // The same through the pin's type enumerator, which ends after the one type.
    InterfaceHolder<IEnumMediaTypes> pEnum;
    ASSERT_EQ(m_pPin->EnumMediaTypes(pEnum.OutSlot()), S_OK);
    AM_MEDIA_TYPE* types[2] = {};
    ULONG cFetched = 0;
    EXPECT_EQ(pEnum->Next(2, types, &cFetched), S_FALSE);
    ASSERT_EQ(cFetched, 1u);
    EXPECT_EQ(types[0]->majortype, KSDATAFORMAT_TYPE_BDA_ANTENNA);
    DeleteMediaType(types[0]);
}

TEST(ProviderFactory, FilterDiesWithItsLastReference)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    const LONG nBefore = CLiveObject::LiveCount();
    {
        InterfaceHolder<IBaseFilter> pFilter;
        ASSERT_EQ(CreateNetworkProviderFilter(pFilter), S_OK);
        // Filter and pin are alive; the pin's references count on the filter.
        EXPECT_EQ(CLiveObject::LiveCount(), nBefore + 2);
        InterfaceHolder<IPin> pPin;
        ASSERT_EQ(pFilter->FindPin(L"1", pPin.OutSlot()), S_OK);
        pFilter.Reset();
        EXPECT_EQ(CLiveObject::LiveCount(), nBefore + 2);
    }
    EXPECT_EQ(CLiveObject::LiveCount(), nBefore);
    CoUninitialize();
}
