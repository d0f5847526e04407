// Reference counting, interface faces, aggregation and media-type ownership.
#include "FrameworkPeers.h"

namespace {

// Outer object that aggregates a test filter and counts what the inner faces forward.
class COuter : public IUnknown
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        ++m_nQueries;
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_cRef; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_cRef; }
    ULONG m_cRef = 1;
    int m_nQueries = 0;
};

// A COM object whose pUnk reference a media type takes.
class CCountedUnknown : public IUnknown
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override { *ppv = nullptr; return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_cRef; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_cRef; }
    ULONG m_cRef = 1;
};

const GUID kMajor = {0x11111111, 0x1111, 0x1111, {1, 1, 1, 1, 1, 1, 1, 1}};
const GUID kSub = {0x22222222, 0x2222, 0x2222, {2, 2, 2, 2, 2, 2, 2, 2}};
const GUID kFormat = {0x33333333, 0x3333, 0x3333, {3, 3, 3, 3, 3, 3, 3, 3}};

using ComObject = FrameworkTest;
using MediaTypes = FrameworkTest;

}

TEST_F(ComObject, FilterAndItsPinsDieAtTheLastRelease)
{
    const LONG cBefore = CLiveObject::LiveCount();
    auto* pFilter = new CTestFilter;
    pFilter->AddInput(L"In");
    pFilter->AddOutput(L"Out");
    EXPECT_EQ(CLiveObject::LiveCount(), cBefore + 3);
    EXPECT_EQ(pFilter->Refs(), 0);

    IBaseFilter* pFace = pFilter->Face();
    EXPECT_EQ(pFace->AddRef(), 1u);
    IPin* pPin = nullptr;
    ASSERT_EQ(pFace->FindPin(L"In", &pPin), S_OK);
    EXPECT_EQ(pFilter->Refs(), 2) << "a pin reference is a filter reference";
    EXPECT_EQ(pFace->Release(), 1u);
    EXPECT_EQ(CLiveObject::LiveCount(), cBefore + 3) << "the pin keeps the filter alive";
    EXPECT_EQ(pPin->Release(), 0u);
    EXPECT_EQ(CLiveObject::LiveCount(), cBefore);
}

TEST_F(ComObject, EveryFaceAnswersTheSameIdentity)
{
    auto* pFilter = new CTestFilter;
    InterfaceHolder<IBaseFilter> filter(pFilter->Face());
    InterfaceHolder<IUnknown> unk1, unk2;
    InterfaceHolder<IAMovieSetup> setup;
    ASSERT_EQ(filter.QueryTo(setup), S_OK);
    ASSERT_EQ(filter.QueryTo(unk1), S_OK);
    ASSERT_EQ(setup.QueryTo(unk2), S_OK);
    EXPECT_EQ(unk1.Get(), unk2.Get());

    for (const IID* piid : {&IID_IBaseFilter, &IID_IMediaFilter, &IID_IPersist}) {
        void* pv = nullptr;
        ASSERT_EQ(unk1->QueryInterface(*piid, &pv), S_OK);
        EXPECT_EQ(pv, static_cast<void*>(pFilter->Face()));
        static_cast<IUnknown*>(pv)->Release();
    }
    void* pv = reinterpret_cast<void*>(1);
    EXPECT_EQ(filter->QueryInterface(IID_IPin, &pv), E_NOINTERFACE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(filter->QueryInterface(IID_IPin, nullptr), E_POINTER);
    EXPECT_EQ(GetInterface(filter.Get(), nullptr), E_POINTER);
    EXPECT_EQ(pFilter->Refs(), 4);
}

TEST_F(ComObject, PinFacesAndTheirRefusals)
{
    auto* pFilter = new CTestFilter;
    InterfaceHolder<IBaseFilter> filter(pFilter->Face());
    CTestInputPin* pIn = pFilter->AddInput(L"In");
    CTestOutputPin* pOut = pFilter->AddOutput(L"Out");
    InterfaceHolder<IPin> in(static_cast<IPin*>(pIn)), out(static_cast<IPin*>(pOut));

    InterfaceHolder<IQualityControl> qc;
    InterfaceHolder<IMemInputPin> mem;
    InterfaceHolder<IBaseFilter> notAPin;
    EXPECT_EQ(in.QueryTo(qc), S_OK);
    EXPECT_EQ(in.QueryTo(mem), S_OK);
    EXPECT_EQ(out.QueryTo(mem), E_NOINTERFACE);
    EXPECT_EQ(out.QueryTo(notAPin), E_NOINTERFACE);
    EXPECT_EQ(pFilter->Refs(), 4);

    EXPECT_EQ(qc->Notify(nullptr, Quality{}), E_POINTER);
    EXPECT_EQ(qc->Notify(filter, Quality{}), S_OK);
    InterfaceHolder<IQualityControl> outQc;
    ASSERT_EQ(out.QueryTo(outQc), S_OK);
    EXPECT_EQ(outQc->Notify(filter, Quality{}), E_NOTIMPL);
    EXPECT_EQ(outQc->SetSink(qc), S_OK);
}

TEST_F(ComObject, AggregatedFacesForwardToTheOuterUnknown)
{
    COuter outer;
    auto* pFilter = new CTestFilter(&outer);
    // The owner takes the inner object's non-delegating reference.
    pFilter->NonDelegatingAddRef();

    IBaseFilter* pFace = pFilter->Face();
    EXPECT_EQ(pFace->AddRef(), 2u);
    EXPECT_EQ(outer.m_cRef, 2u);
    EXPECT_EQ(pFilter->Refs(), 1);
    void* pv = nullptr;
    EXPECT_EQ(pFace->QueryInterface(IID_IAMovieSetup, &pv), E_NOINTERFACE);
    EXPECT_EQ(outer.m_nQueries, 1);
    pFace->Release();

    ASSERT_EQ(pFilter->NonDelegatingQueryInterface(IID_IAMovieSetup, &pv), S_OK);
    EXPECT_EQ(outer.m_cRef, 2u) << "the inner face's reference goes to the outer object";
    static_cast<IAMovieSetup*>(pv)->Release();
    EXPECT_EQ(outer.m_cRef, 1u);

    const LONG cBefore = CLiveObject::LiveCount();
    EXPECT_EQ(pFilter->NonDelegatingRelease(), 0u);
    EXPECT_EQ(CLiveObject::LiveCount(), cBefore - 1);
}

TEST_F(ComObject, CountsNeverReportBelowOneWhileAlive)
{
    auto* pFilter = new CTestFilter;
    EXPECT_EQ(pFilter->NonDelegatingAddRef(), 1u);
    EXPECT_EQ(pFilter->NonDelegatingAddRef(), 2u);
    EXPECT_EQ(pFilter->NonDelegatingRelease(), 1u);
    EXPECT_EQ(pFilter->NonDelegatingRelease(), 0u);
}

TEST_F(MediaTypes, InitialisedTypeIsOneByteFixedSizeSamples)
{
    CMediaType mt;
    EXPECT_EQ(mt.majortype, GUID_NULL);
    EXPECT_EQ(mt.lSampleSize, 1u);
    EXPECT_TRUE(mt.bFixedSizeSamples);
    EXPECT_FALSE(mt.bTemporalCompression);
    EXPECT_EQ(mt.cbFormat, 0u);
    EXPECT_EQ(mt.pbFormat, nullptr);
    EXPECT_EQ(mt.pUnk, nullptr);
    EXPECT_TRUE(mt.IsPartiallySpecified());
    mt.SetType(&kMajor);
    EXPECT_TRUE(mt.IsPartiallySpecified());
    mt.SetFormatType(&kFormat);
    EXPECT_FALSE(mt.IsPartiallySpecified()) << "the subtype may stay unspecified";
}

TEST_F(MediaTypes, CopiesOwnTheirFormatBlockAndPunkReference)
{
    CCountedUnknown unk;
    {
        CMediaType source = MakeType(kMajor, kSub, kFormat, 16, 0xAB);
        source.pUnk = &unk;
        unk.AddRef();

        CMediaType copy(source);
        EXPECT_NE(copy.pbFormat, source.pbFormat);
        ASSERT_EQ(copy.cbFormat, 16u);
        EXPECT_EQ(copy.pbFormat[15], 0xAB);
        EXPECT_EQ(unk.m_cRef, 3u);

        CMediaType assigned;
        EXPECT_EQ(assigned.Set(source), S_OK);
        EXPECT_EQ(assigned.Set(assigned), S_OK);
        EXPECT_EQ(assigned.cbFormat, 16u);
        EXPECT_EQ(unk.m_cRef, 4u);

        assigned = CMediaType();
        EXPECT_EQ(unk.m_cRef, 3u);
        EXPECT_EQ(assigned.pbFormat, nullptr);

        AM_MEDIA_TYPE* pHeap = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        ASSERT_EQ(CopyMediaType(pHeap, &source), S_OK);
        EXPECT_EQ(unk.m_cRef, 4u);
        DeleteMediaType(pHeap);
        DeleteMediaType(nullptr);
        EXPECT_EQ(unk.m_cRef, 3u);
    }
    EXPECT_EQ(unk.m_cRef, 1u);
}

TEST_F(MediaTypes, FormatSizeWithoutBlockCopiesAsNoFormat)
{
    AM_MEDIA_TYPE broken = MakeType(kMajor, kSub, kFormat);
    broken.cbFormat = 64;
    CMediaType copy(broken);
    EXPECT_EQ(copy.cbFormat, 0u);
    EXPECT_EQ(copy.pbFormat, nullptr);
}

TEST_F(MediaTypes, PartialMatchChecksOnlyWhatThePartialSpecifies)
{
    const CMediaType full = MakeType(kMajor, kSub, kFormat, 4, 0x55);
    CMediaType partial;
    partial.lSampleSize = 0;
    EXPECT_TRUE(full.MatchesPartial(&partial)) << "all GUIDs null matches everything";

    partial.SetType(&kMajor);
    EXPECT_TRUE(full.MatchesPartial(&partial));
    partial.SetSubtype(&kFormat);
    EXPECT_FALSE(full.MatchesPartial(&partial));
    partial.SetSubtype(&kSub);
    EXPECT_TRUE(full.MatchesPartial(&partial));

    partial.SetFormatType(&kFormat);
    EXPECT_FALSE(full.MatchesPartial(&partial)) << "format size differs";
    const CMediaType sameFormat = MakeType(kMajor, kSub, kFormat, 4, 0x55);
    const CMediaType otherBytes = MakeType(kMajor, kSub, kFormat, 4, 0x56);
    EXPECT_TRUE(full.MatchesPartial(&sameFormat));
    EXPECT_FALSE(full.MatchesPartial(&otherBytes));

    CMediaType otherMajor = MakeType(kSub, kSub, kFormat, 4, 0x55);
    EXPECT_FALSE(full.MatchesPartial(&otherMajor));
}
