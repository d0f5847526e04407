#include "CaptureFixture.h"

#include <cstring>

TEST_F(CaptureTest, SinkHasOneInputPinNamedInput)
{
    CLSID clsid;
    std::memset(&clsid, 0xAB, sizeof(clsid));
    EXPECT_EQ(m_pSink->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, GUID_NULL);
    EXPECT_EQ(m_pFilter->GetPinCount(), 1);
    EXPECT_EQ(m_pFilter->GetPin(1), nullptr);

    InterfaceHolder<IPin> pPin;
    EXPECT_EQ(m_pSink->FindPin(L"Input", pPin.OutSlot()), S_OK);
    EXPECT_EQ(pPin.Get(), static_cast<IPin*>(m_pPin));
    IPin* pNone = nullptr;
    EXPECT_EQ(m_pSink->FindPin(L"input", &pNone), VFW_E_NOT_FOUND);
    EXPECT_EQ(m_pSink->FindPin(L"1", &pNone), VFW_E_NOT_FOUND);

    PIN_INFO info = {};
    ASSERT_EQ(pPin->QueryPinInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Input");
    EXPECT_EQ(info.dir, PINDIR_INPUT);
    EXPECT_EQ(info.pFilter, m_pSink.Get());
    info.pFilter->Release();

    // The pin proposes no type and accepts every one.
    InterfaceHolder<IEnumMediaTypes> pTypes;
    ASSERT_EQ(pPin->EnumMediaTypes(pTypes.OutSlot()), S_OK);
    AM_MEDIA_TYPE* pType = nullptr;
    ULONG cFetched = 7;
    EXPECT_EQ(pTypes->Next(1, &pType, &cFetched), S_FALSE);
    EXPECT_EQ(cFetched, 0u);
    CMediaType anyType;
    anyType.SetType(&MEDIATYPE_Video);
    EXPECT_EQ(pPin->QueryAccept(&anyType), S_OK);

    // Buffer sizes are the upstream pin's choice; with no output pin, Receive may block.
    EXPECT_EQ(m_pPin->GetAllocatorRequirements(nullptr), E_NOTIMPL);
    EXPECT_EQ(m_pPin->ReceiveCanBlock(), S_OK);
    EXPECT_EQ(m_pPin->EndOfStream(), S_OK);
}

TEST_F(CaptureTest, ReferenceClockIsTheSeparateSystemClock)
{
    InterfaceHolder<IReferenceClock> pClock;
    ASSERT_EQ(m_pSink->QueryInterface(IID_IReferenceClock, pClock.OutVoid()), S_OK);
    ASSERT_FALSE(pClock.IsNull());
    REFERENCE_TIME now = 0;
    EXPECT_TRUE(SUCCEEDED(pClock->GetTime(&now)));
    EXPECT_GT(now, 0);

    // It is not the filter: it does not lead back to IBaseFilter.
    InterfaceHolder<IBaseFilter> pBack;
    EXPECT_EQ(pClock.QueryTo(pBack), E_NOINTERFACE);
    InterfaceHolder<IReferenceClock> pAgain;
    ASSERT_EQ(m_pSink->QueryInterface(IID_IReferenceClock, pAgain.OutVoid()), S_OK);
    EXPECT_EQ(pAgain.Get(), pClock.Get());

    EXPECT_EQ(m_pSink->QueryInterface(IID_IReferenceClock, nullptr), E_POINTER);
    EXPECT_EQ(m_pSink->QueryInterface(IID_IBaseFilter, nullptr), E_POINTER);
}

TEST_F(CaptureTest, WithoutAClockTheSinkOffersNone)
{
    HRESULT hr = S_OK;
    InterfaceHolder<IBaseFilter> pSink(
        static_cast<IBaseFilter*>(new CCaptureFilter(&hr, ProgramCaptureSession(), CLSID_NoClock)));
    EXPECT_EQ(hr, S_OK);
    IReferenceClock* pClock = reinterpret_cast<IReferenceClock*>(1);
    EXPECT_EQ(pSink->QueryInterface(IID_IReferenceClock, reinterpret_cast<void**>(&pClock)), E_NOINTERFACE);
    EXPECT_EQ(pClock, nullptr);
    // The rest of the filter is unaffected.
    InterfaceHolder<IPin> pPin;
    EXPECT_EQ(pSink->FindPin(L"Input", pPin.OutSlot()), S_OK);
}

TEST(CaptureFactory, FilterDiesWithItsLastReference)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    const LONG nBefore = CLiveObject::LiveCount();
    {
        InterfaceHolder<IBaseFilter> pFilter;
        ASSERT_EQ(CreateCaptureFilter(pFilter, ProgramCaptureSession()), S_OK);
        EXPECT_EQ(CLiveObject::LiveCount(), nBefore + 2);
        // The clock handed out outlives the filter; the pin keeps the filter alive.
        InterfaceHolder<IReferenceClock> pClock;
        ASSERT_EQ(pFilter->QueryInterface(IID_IReferenceClock, pClock.OutVoid()), S_OK);
        InterfaceHolder<IPin> pPin;
        ASSERT_EQ(pFilter->FindPin(L"Input", pPin.OutSlot()), S_OK);
        pFilter.Reset();
        EXPECT_EQ(CLiveObject::LiveCount(), nBefore + 2);
        pPin.Reset();
        EXPECT_EQ(CLiveObject::LiveCount(), nBefore);
        REFERENCE_TIME now = 0;
        EXPECT_TRUE(SUCCEEDED(pClock->GetTime(&now)));
    }
    CoUninitialize();
}
