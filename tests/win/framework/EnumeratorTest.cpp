// Pin and media-type enumerators: out of sync, refresh, cache, clone.
#include "FrameworkPeers.h"

namespace {

class PinEnum : public FrameworkTest
{
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        m_pFilter = new CTestFilter;
        m_filter = m_pFilter->Face();
    }
    void TearDown() override
    {
        m_filter.Reset();
        FrameworkTest::TearDown();
    }
    InterfaceHolder<IEnumPins> Enum()
    {
        InterfaceHolder<IEnumPins> e;
        EXPECT_EQ(m_filter->EnumPins(e.OutSlot()), S_OK);
        return e;
    }
    static void ReleaseAll(IPin** ppPins, ULONG n)
    {
        for (ULONG i = 0; i < n; ++i)
            ppPins[i]->Release();
    }

    CTestFilter* m_pFilter = nullptr;
    InterfaceHolder<IBaseFilter> m_filter;
};

using TypeEnum = PinEnum;

}

TEST_F(PinEnum, NextWithoutFetchedCountTakesOneAtATime)
{
    CTestInputPin* pIn = m_pFilter->AddInput(L"In");
    auto e = Enum();
    IPin* pins[2] = {};
    EXPECT_EQ(e->Next(2, pins, nullptr), E_INVALIDARG);
    ULONG cFetched = 99;
    EXPECT_EQ(e->Next(2, pins, &cFetched), S_FALSE);
    ASSERT_EQ(cFetched, 1u);
    EXPECT_EQ(pins[0], static_cast<IPin*>(pIn));
    ReleaseAll(pins, cFetched);
    EXPECT_EQ(e->Next(1, pins, nullptr), S_FALSE);
    EXPECT_EQ(e->Next(1, nullptr, &cFetched), E_POINTER);
}

TEST_F(PinEnum, SkipPastTheOnlyPinLeavesNothing)
{
    m_pFilter->AddInput(L"In");
    auto e = Enum();
    EXPECT_EQ(e->Skip(2), S_FALSE);
    EXPECT_EQ(e->Skip(1), S_OK);
    IPin* pPin = nullptr;
    ULONG cFetched = 7;
    EXPECT_EQ(e->Next(1, &pPin, &cFetched), S_FALSE);
    EXPECT_EQ(cFetched, 0u);
    EXPECT_EQ(e->Skip(0), S_OK);
}

TEST_F(PinEnum, ChangedPinSetRefreshesNextButNeverRepeatsAPin)
{
    CTestInputPin* pFirst = m_pFilter->AddInput(L"A");
    auto e = Enum();
    IPin* pins[3] = {};
    ULONG cFetched = 0;
    ASSERT_EQ(e->Next(1, pins, &cFetched), S_OK);
    EXPECT_EQ(pins[0], static_cast<IPin*>(pFirst));
    ReleaseAll(pins, cFetched);

    CTestOutputPin* pSecond = m_pFilter->AddOutput(L"B");
    EXPECT_EQ(e->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
    IEnumPins* pClone = reinterpret_cast<IEnumPins*>(1);
    EXPECT_EQ(e->Clone(&pClone), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(pClone, nullptr);

    EXPECT_EQ(e->Next(3, pins, &cFetched), S_FALSE);
    ASSERT_EQ(cFetched, 1u) << "the refreshed enumerator skips the pin it already gave";
    EXPECT_EQ(pins[0], static_cast<IPin*>(pSecond));
    ReleaseAll(pins, cFetched);

    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Next(3, pins, &cFetched), S_FALSE);
    EXPECT_EQ(cFetched, 2u) << "Reset empties the cache";
    ReleaseAll(pins, cFetched);
}

TEST_F(PinEnum, CloneCopiesPositionAndCache)
{
    m_pFilter->AddInput(L"A");
    CTestInputPin* pB = m_pFilter->AddInput(L"B");
    CTestInputPin* pC = m_pFilter->AddInput(L"C");
    auto e = Enum();
    EXPECT_EQ(e->Skip(1), S_OK);
    IPin* pPin = nullptr;
    ASSERT_EQ(e->Next(1, &pPin, nullptr), S_OK);
    EXPECT_EQ(pPin, static_cast<IPin*>(pB));
    pPin->Release();

    InterfaceHolder<IEnumPins> clone;
    ASSERT_EQ(e->Clone(clone.OutSlot()), S_OK);
    EXPECT_EQ(e->Clone(nullptr), E_POINTER);
    ASSERT_EQ(clone->Next(1, &pPin, nullptr), S_OK);
    EXPECT_EQ(pPin, static_cast<IPin*>(pC));
    pPin->Release();
    EXPECT_EQ(clone->Next(1, &pPin, nullptr), S_FALSE);

    // After a refresh from position 0, the clone still skips B, which its source gave out.
    m_pFilter->RemovePin(0);
    IPin* pins[3] = {};
    ULONG cFetched = 0;
    EXPECT_EQ(clone->Next(3, pins, &cFetched), S_FALSE);
    EXPECT_EQ(cFetched, 0u);
    EXPECT_EQ(e->Next(3, pins, &cFetched), S_FALSE);
    EXPECT_EQ(cFetched, 1u);
    EXPECT_EQ(pins[0], static_cast<IPin*>(pC));
    ReleaseAll(pins, cFetched);
}

TEST_F(PinEnum, MissingPinFailsTheCallAndTakesBackItsPins)
{
    m_pFilter->AddInput(L"A");
    m_pFilter->AddInput(L"B");
    m_pFilter->AddInput(L"C");
    m_pFilter->m_nNullPin = 1;
    auto e = Enum();
    IPin* pins[3] = {};
    ULONG cFetched = 5;
    const LONG cRefs = m_pFilter->Refs();
    EXPECT_EQ(e->Next(3, pins, &cFetched), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(cFetched, 0u);
    EXPECT_EQ(pins[0], nullptr);
    EXPECT_EQ(m_pFilter->Refs(), cRefs) << "no reference handed out by a failed call";

    m_pFilter->m_nNullPin = -1;
    ASSERT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Next(3, pins, &cFetched), S_OK);
    ReleaseAll(pins, cFetched);
}

TEST_F(PinEnum, EnumeratorKeepsItsFilterAlive)
{
    m_pFilter->AddInput(L"A");
    IEnumPins* pEnum = nullptr;
    ASSERT_EQ(m_filter->EnumPins(&pEnum), S_OK);
    EXPECT_EQ(m_filter->EnumPins(nullptr), E_POINTER);
    const LONG cLive = CLiveObject::LiveCount();
    m_filter.Reset();
    EXPECT_EQ(CLiveObject::LiveCount(), cLive);

    InterfaceHolder<IUnknown> unk;
    ASSERT_EQ(pEnum->QueryInterface(IID_IUnknown, unk.OutVoid()), S_OK);
    void* pv = nullptr;
    EXPECT_EQ(pEnum->QueryInterface(IID_IEnumMediaTypes, &pv), E_NOINTERFACE);
    unk.Reset();
    EXPECT_EQ(pEnum->Release(), 0u);
    EXPECT_EQ(CLiveObject::LiveCount(), cLive - 3) << "enumerator, filter and pin are gone";
}

TEST_F(TypeEnum, PinWithoutTypesGivesAnEmptyEnumeration)
{
    CTestInputPin* pIn = m_pFilter->AddInput(L"Input");
    InterfaceHolder<IEnumMediaTypes> e;
    ASSERT_EQ(pIn->EnumMediaTypes(e.OutSlot()), S_OK);
    AM_MEDIA_TYPE* pTypes[2] = {};
    ULONG cFetched = 3;
    EXPECT_EQ(e->Next(1, pTypes, &cFetched), S_FALSE);
    EXPECT_EQ(cFetched, 0u);
    EXPECT_EQ(e->Skip(1), S_FALSE);
    EXPECT_EQ(pIn->EnumMediaTypes(nullptr), E_POINTER);
}

TEST_F(TypeEnum, FetchedTypesAreCallerOwnedCopies)
{
    CTestOutputPin* pOut = m_pFilter->AddOutput(L"Out");
    pOut->m_Types = {MakeType(kA, kB, kC, 8, 0x11), MakeType(kB, kA, kC), MakeType(kC, kC, kC)};
    InterfaceHolder<IEnumMediaTypes> e;
    ASSERT_EQ(pOut->EnumMediaTypes(e.OutSlot()), S_OK);

    AM_MEDIA_TYPE* pTypes[4] = {};
    EXPECT_EQ(e->Next(2, pTypes, nullptr), E_INVALIDARG);
    ULONG cFetched = 0;
    ASSERT_EQ(e->Next(2, pTypes, &cFetched), S_OK);
    ASSERT_EQ(cFetched, 2u);
    EXPECT_EQ(pTypes[0]->majortype, kA);
    ASSERT_EQ(pTypes[0]->cbFormat, 8u);
    EXPECT_NE(pTypes[0]->pbFormat, pOut->m_Types[0].pbFormat);
    EXPECT_EQ(pTypes[0]->pbFormat[7], 0x11);
    EXPECT_EQ(pTypes[1]->majortype, kB);
    DeleteMediaType(pTypes[0]);
    DeleteMediaType(pTypes[1]);

    ASSERT_EQ(e->Next(4, pTypes, &cFetched), S_FALSE) << "VFW_S_NO_MORE_ITEMS ends the list";
    ASSERT_EQ(cFetched, 1u);
    EXPECT_EQ(pTypes[0]->majortype, kC);
    DeleteMediaType(pTypes[0]);
}

TEST_F(TypeEnum, SkipAnswersWhetherATypeExistsBeforeTheNewPosition)
{
    CTestOutputPin* pOut = m_pFilter->AddOutput(L"Out");
    pOut->m_Types = {MakeType(kA, kA, kA), MakeType(kB, kB, kB)};
    InterfaceHolder<IEnumMediaTypes> e;
    ASSERT_EQ(pOut->EnumMediaTypes(e.OutSlot()), S_OK);
    EXPECT_EQ(e->Skip(2), S_OK);
    EXPECT_EQ(e->Skip(1), S_FALSE);
    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(1), S_OK);
    EXPECT_EQ(e->Skip(0xFFFFFFFFu), S_FALSE);
}

TEST_F(TypeEnum, ChangedTypeListPutsTheEnumeratorOutOfSync)
{
    CTestOutputPin* pOut = m_pFilter->AddOutput(L"Out");
    pOut->m_Types = {MakeType(kA, kA, kA), MakeType(kB, kB, kB)};
    InterfaceHolder<IEnumMediaTypes> e;
    ASSERT_EQ(pOut->EnumMediaTypes(e.OutSlot()), S_OK);
    ASSERT_EQ(e->Skip(1), S_OK);

    InterfaceHolder<IEnumMediaTypes> clone;
    ASSERT_EQ(e->Clone(clone.OutSlot()), S_OK);
    AM_MEDIA_TYPE* pType = nullptr;
    ASSERT_EQ(clone->Next(1, &pType, nullptr), S_OK);
    EXPECT_EQ(pType->majortype, kB) << "the clone starts at its source's position";
    DeleteMediaType(pType);

    pOut->IncrementTypeVersion();
    ULONG cFetched = 0;
    EXPECT_EQ(e->Next(1, &pType, &cFetched), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(e->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(e->Skip(0), S_OK);
    IEnumMediaTypes* pClone = reinterpret_cast<IEnumMediaTypes*>(1);
    EXPECT_EQ(e->Clone(&pClone), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(pClone, nullptr);

    EXPECT_EQ(e->Reset(), S_OK);
    ASSERT_EQ(e->Next(1, &pType, &cFetched), S_OK);
    EXPECT_EQ(pType->majortype, kA);
    DeleteMediaType(pType);
}
