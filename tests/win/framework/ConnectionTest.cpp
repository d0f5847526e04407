// The connection protocol: type negotiation, every refusal code, and clean-up after failure.
#include "FrameworkPeers.h"

#include <cstring>
#include <string>

namespace {

// Our output pin leading a connection to a hand-made input pin.
class OutputConnect : public OutputPinTest
{
protected:
    void ExpectUnconnected()
    {
        EXPECT_FALSE(m_pOut->IsConnected());
        EXPECT_EQ(m_pOut->InputPin(), nullptr);
        EXPECT_EQ(m_pOut->Allocator(), nullptr);
        EXPECT_EQ(m_peer.m_cRef, 1) << "no reference to the peer kept";
    }
};

// A hand-made output pin offering connections to our input pin.
class InputReceive : public FrameworkTest
{
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        m_pFilter = new CTestFilter;
        m_filter = m_pFilter->Face();
        m_pIn = m_pFilter->AddInput(L"Input");
    }
    void TearDown() override
    {
        if (m_pFilter->IsActive())
            m_filter->Stop();
        m_pIn->Disconnect();
        m_filter.Reset();
        FrameworkTest::TearDown();
    }

    CPeerPin m_peer{PINDIR_OUTPUT};
    CTestFilter* m_pFilter = nullptr;
    InterfaceHolder<IBaseFilter> m_filter;
    CTestInputPin* m_pIn = nullptr;
    const CMediaType m_mt = MakeType(kA, kB, kF, 12, 0x42);
};

using PinQueries = InputReceive;
using FrameworkToFramework = FrameworkTest;

}

TEST_F(OutputConnect, FullySpecifiedTypeIsTheOnlyOneTried)
{
    m_peer.m_Types = {MakeType(kB, kB, kF)};
    const CMediaType mt = MakeType(kA, kA, kF, 4, 9);
    ASSERT_EQ(m_pOut->Connect(&m_peer, &mt), S_OK);
    ASSERT_EQ(m_peer.m_Offered.size(), 1u);
    EXPECT_EQ(m_peer.m_Offered[0].majortype, kA);
    EXPECT_EQ(m_peer.m_pConnector, static_cast<IPin*>(m_pOut));

    InterfaceHolder<IPin> connected;
    EXPECT_EQ(m_pOut->ConnectedTo(connected.OutSlot()), S_OK);
    EXPECT_EQ(connected.Get(), static_cast<IPin*>(&m_peer));
    connected.Reset();
    AM_MEDIA_TYPE got;
    ASSERT_EQ(m_pOut->ConnectionMediaType(&got), S_OK);
    EXPECT_EQ(got.majortype, kA);
    ASSERT_EQ(got.cbFormat, 4u);
    EXPECT_NE(got.pbFormat, m_pOut->CurrentMediaType().pbFormat);
    FreeMediaType(got);

    EXPECT_EQ(m_pOut->Connect(&m_peer, &mt), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(m_pOut->Disconnect(), S_OK);
    EXPECT_EQ(m_pOut->Disconnect(), S_FALSE);
    EXPECT_EQ(m_pOut->Connect(nullptr, &mt), E_POINTER);
}

TEST_F(OutputConnect, OwnRefusalOfAFullTypeMapsToTypeNotAccepted)
{
    const CMediaType mt = MakeType(kA, kA, kF);
    for (HRESULT hrCheck : {E_FAIL, S_FALSE, E_INVALIDARG, VFW_E_TYPE_NOT_ACCEPTED}) {
        m_pOut->m_hrCheckMediaType = hrCheck;
        EXPECT_EQ(m_pOut->Connect(&m_peer, &mt), VFW_E_TYPE_NOT_ACCEPTED) << std::hex << hrCheck;
        ExpectUnconnected();
    }
    m_pOut->m_hrCheckMediaType = E_OUTOFMEMORY;
    EXPECT_EQ(m_pOut->Connect(&m_peer, &mt), E_OUTOFMEMORY) << "other failures pass unchanged";
    ExpectUnconnected();
    EXPECT_TRUE(m_peer.m_Offered.empty());
}

TEST_F(OutputConnect, ReceivingPinsRefusalIsReportedAsItReturnedIt)
{
    const CMediaType mt = MakeType(kA, kA, kF);
    for (HRESULT hrReceive : {E_NOTIMPL, VFW_E_TYPE_NOT_ACCEPTED, E_FAIL}) {
        m_peer.m_hrReceiveConnection = hrReceive;
        EXPECT_EQ(m_pOut->Connect(&m_peer, &mt), hrReceive);
        ExpectUnconnected();
    }
}

TEST_F(OutputConnect, ReceiverTypesComeFirstThenOwnTypes)
{
    m_peer.m_Types = {MakeType(kA, kA, kF), MakeType(kB, kA, kF)};
    m_pOut->m_Types = {MakeType(kF, kF, kF)};
    m_pOut->m_hrCheckMediaType = E_FAIL;
    EXPECT_EQ(m_pOut->Connect(&m_peer, nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    ASSERT_EQ(m_pOut->m_Checked.size(), 3u);
    EXPECT_EQ(m_pOut->m_Checked[0].majortype, kA);
    EXPECT_EQ(m_pOut->m_Checked[1].majortype, kB);
    EXPECT_EQ(m_pOut->m_Checked[2].majortype, kF);
    ExpectUnconnected();

    m_pOut->m_hrCheckMediaType = S_OK;
    m_peer.m_hrReceiveConnection = VFW_E_TYPE_NOT_ACCEPTED;
    m_peer.m_Offered.clear();
    EXPECT_EQ(m_pOut->Connect(&m_peer, nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_EQ(m_peer.m_Offered.size(), 3u);
    ExpectUnconnected();
}

TEST_F(OutputConnect, PartialTypeFiltersTheCandidates)
{
    m_peer.m_Types = {MakeType(kA, kA, kF), MakeType(kB, kA, kF), MakeType(kB, kB, kF)};
    CMediaType partial;
    partial.SetType(&kB);
    partial.SetSubtype(&kB);
    ASSERT_EQ(m_pOut->Connect(&m_peer, &partial), S_OK);
    ASSERT_EQ(m_peer.m_Offered.size(), 1u);
    EXPECT_EQ(m_peer.m_Offered[0].subtype, kB);
    EXPECT_EQ(m_pOut->CurrentMediaType().majortype, kB);
    EXPECT_EQ(m_pOut->m_Checked.size(), 1u) << "non-matching types are never checked";
}

TEST_F(OutputConnect, StrongerFailureBeatsPlainRefusals)
{
    m_peer.m_Types = {MakeType(kA, kA, kF), MakeType(kB, kB, kF)};
    m_pOut->m_Types = {MakeType(kF, kF, kF)};
    m_pOut->m_hrCheckMediaType = E_OUTOFMEMORY;
    EXPECT_EQ(m_pOut->Connect(&m_peer, nullptr), E_OUTOFMEMORY);
    ExpectUnconnected();
}

TEST_F(OutputConnect, UnusableReceiverEnumeratorFallsBackToOwnTypes)
{
    m_pOut->m_Types = {MakeType(kF, kA, kF)};
    m_peer.m_Types = {MakeType(kA, kA, kF)};
    m_peer.m_hrEnumReset = E_UNEXPECTED;
    ASSERT_EQ(m_pOut->Connect(&m_peer, nullptr), S_OK);
    EXPECT_EQ(m_pOut->CurrentMediaType().majortype, kF);
    ASSERT_EQ(m_pOut->Disconnect(), S_OK);
    ASSERT_EQ(m_peer.Disconnect(), S_OK);

    m_peer.m_hrEnumMediaTypes = E_NOTIMPL;
    ASSERT_EQ(m_pOut->Connect(&m_peer, nullptr), S_OK);
    EXPECT_EQ(m_pOut->CurrentMediaType().majortype, kF);
}

TEST_F(OutputConnect, DirectionAndTransportChecks)
{
    CPeerPin output(PINDIR_OUTPUT);
    const CMediaType mt = MakeType(kA, kA, kF);
    EXPECT_EQ(m_pOut->Connect(&output, &mt), VFW_E_INVALID_DIRECTION);
    output.m_Types = {mt};
    m_pOut->m_Types = {mt};
    EXPECT_EQ(m_pOut->Connect(&output, nullptr), VFW_E_INVALID_DIRECTION);

    CPeerPin noTransport(PINDIR_INPUT, false);
    EXPECT_EQ(m_pOut->Connect(&noTransport, &mt), E_NOINTERFACE);
    m_peer.m_hrQueryDirection = E_UNEXPECTED;
    EXPECT_EQ(m_pOut->Connect(&m_peer, &mt), E_UNEXPECTED);
    ExpectUnconnected();
}

TEST_F(OutputConnect, FailedCompletionDisconnectsTheReceiver)
{
    const CMediaType mt = MakeType(kA, kA, kF);
    m_pOut->m_hrCompleteConnect = E_ACCESSDENIED;
    EXPECT_EQ(m_pOut->Connect(&m_peer, &mt), E_ACCESSDENIED);
    EXPECT_EQ(m_peer.m_nDisconnect, 1);
    EXPECT_EQ(m_peer.m_pConnector, nullptr);
    ExpectUnconnected();
}

TEST_F(OutputConnect, ConnectingAndDisconnectingNeedAStoppedFilter)
{
    const CMediaType mt = MakeType(kA, kA, kF);
    ASSERT_EQ(m_filter->Pause(), S_OK);
    EXPECT_EQ(m_pOut->Connect(&m_peer, &mt), VFW_E_NOT_STOPPED);
    ASSERT_EQ(m_filter->Stop(), S_OK);
    ASSERT_EQ(m_pOut->Connect(&m_peer, &mt), S_OK);
    ASSERT_EQ(m_filter->Run(0), S_OK);
    EXPECT_EQ(m_pOut->Disconnect(), VFW_E_NOT_STOPPED);
    EXPECT_TRUE(m_pOut->IsConnected());
    ASSERT_EQ(m_filter->Stop(), S_OK);
    EXPECT_EQ(m_pOut->Disconnect(), S_OK);
}

TEST_F(InputReceive, AcceptsAnOutputPinsTypeAndCopiesIt)
{
    ASSERT_EQ(m_pIn->ReceiveConnection(&m_peer, &m_mt), S_OK);
    EXPECT_TRUE(m_pIn->m_bLockHeldInCheck);
    EXPECT_EQ(m_pIn->TypeNow().subtype, kB);
    ASSERT_EQ(m_pIn->TypeNow().cbFormat, 12u);
    EXPECT_NE(m_pIn->TypeNow().pbFormat, m_mt.pbFormat);
    EXPECT_EQ(m_peer.m_cRef, 2);
    EXPECT_EQ(m_pIn->ReceiveConnection(&m_peer, &m_mt), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(m_pIn->Disconnect(), S_OK);
    EXPECT_EQ(m_peer.m_cRef, 1);
}

TEST_F(InputReceive, RefusalCodes)
{
    EXPECT_EQ(m_pIn->ReceiveConnection(nullptr, &m_mt), E_POINTER);
    EXPECT_EQ(m_pIn->ReceiveConnection(&m_peer, nullptr), E_POINTER);

    CPeerPin input(PINDIR_INPUT);
    EXPECT_EQ(m_pIn->ReceiveConnection(&input, &m_mt), VFW_E_INVALID_DIRECTION);

    for (HRESULT hrCheck : {E_FAIL, S_FALSE, E_INVALIDARG}) {
        m_pIn->m_hrCheckMediaType = hrCheck;
        EXPECT_EQ(m_pIn->ReceiveConnection(&m_peer, &m_mt), VFW_E_TYPE_NOT_ACCEPTED);
    }
    m_pIn->m_hrCheckMediaType = E_OUTOFMEMORY;
    EXPECT_EQ(m_pIn->ReceiveConnection(&m_peer, &m_mt), E_OUTOFMEMORY);
    EXPECT_EQ(m_pIn->m_nBreakConnect, 5);
    m_pIn->m_hrCheckMediaType = S_OK;

    m_pIn->m_hrCompleteConnect = E_ABORT;
    EXPECT_EQ(m_pIn->ReceiveConnection(&m_peer, &m_mt), E_ABORT);
    EXPECT_FALSE(m_pIn->IsConnected());
    m_pIn->m_hrCompleteConnect = S_OK;

    ASSERT_EQ(m_filter->Pause(), S_OK);
    EXPECT_EQ(m_pIn->ReceiveConnection(&m_peer, &m_mt), VFW_E_NOT_STOPPED);
    ASSERT_EQ(m_filter->Run(0), S_OK);
    EXPECT_EQ(m_pIn->ReceiveConnection(&m_peer, &m_mt), VFW_E_NOT_STOPPED);
    EXPECT_EQ(m_peer.m_cRef, 1);
    EXPECT_EQ(input.m_cRef, 1);
}

TEST_F(PinQueries, AcceptanceAndConnectionType)
{
    EXPECT_EQ(m_pIn->QueryAccept(&m_mt), S_OK);
    m_pIn->m_hrCheckMediaType = E_FAIL;
    EXPECT_EQ(m_pIn->QueryAccept(&m_mt), S_FALSE);
    m_pIn->m_hrCheckMediaType = S_FALSE;
    EXPECT_EQ(m_pIn->QueryAccept(&m_mt), S_FALSE);
    EXPECT_EQ(m_pIn->QueryAccept(nullptr), E_POINTER);

    AM_MEDIA_TYPE mt;
    std::memset(&mt, 0xCD, sizeof(mt));
    EXPECT_EQ(m_pIn->ConnectionMediaType(&mt), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(mt.lSampleSize, 1u);
    EXPECT_TRUE(mt.bFixedSizeSamples);
    EXPECT_EQ(mt.majortype, GUID_NULL);
    EXPECT_EQ(mt.pbFormat, nullptr);
    EXPECT_EQ(m_pIn->ConnectionMediaType(nullptr), E_POINTER);

    IPin* pPin = reinterpret_cast<IPin*>(1);
    EXPECT_EQ(m_pIn->ConnectedTo(&pPin), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(pPin, nullptr);
    EXPECT_EQ(m_pIn->ConnectedTo(nullptr), E_POINTER);
}

TEST_F(PinQueries, InfoIdDirectionAndSegment)
{
    const std::wstring longName(200, L'p');
    auto* pLong = new CTestInputPin(m_pFilter, &m_pFilter->m_Lock, longName.c_str());
    m_pFilter->m_Pins.push_back(pLong);

    PIN_INFO info;
    ASSERT_EQ(pLong->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(std::wstring(info.achName), longName.substr(0, 127));
    EXPECT_EQ(info.dir, PINDIR_INPUT);
    EXPECT_EQ(info.pFilter, m_pFilter->Face());
    info.pFilter->Release();
    EXPECT_EQ(pLong->QueryPinInfo(nullptr), E_POINTER);

    LPWSTR pId = nullptr;
    ASSERT_EQ(pLong->QueryId(&pId), S_OK);
    EXPECT_EQ(std::wstring(pId), longName) << "the id is the whole name";
    CoTaskMemFree(pId);
    EXPECT_EQ(pLong->QueryId(nullptr), E_POINTER);

    PIN_DIRECTION dir = PINDIR_INPUT;
    CTestOutputPin* pOut = m_pFilter->AddOutput(L"Out");
    EXPECT_EQ(pOut->QueryDirection(&dir), S_OK);
    EXPECT_EQ(dir, PINDIR_OUTPUT);
    EXPECT_EQ(pOut->QueryDirection(nullptr), E_POINTER);
    EXPECT_EQ(pOut->QueryInternalConnections(nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(pOut->EndOfStream(), E_UNEXPECTED);
    EXPECT_EQ(pOut->BeginFlush(), E_UNEXPECTED);
    EXPECT_EQ(pOut->EndFlush(), E_UNEXPECTED);
    EXPECT_EQ(m_pIn->EndOfStream(), S_OK);

    EXPECT_EQ(m_pIn->SegmentStop(), 0x7FFFFFFFFFFFFFFFLL);
    EXPECT_EQ(m_pIn->SegmentRate(), 1.0);
    EXPECT_EQ(m_pIn->NewSegment(10, 20, 2.5), S_OK);
    EXPECT_EQ(m_pIn->SegmentStart(), 10);
    EXPECT_EQ(m_pIn->SegmentStop(), 20);
    EXPECT_EQ(m_pIn->SegmentRate(), 2.5);
}

TEST_F(FrameworkToFramework, OutputAndInputAgreeOnTypeAndAllocator)
{
    auto* pUp = new CTestFilter;
    auto* pDown = new CTestFilter;
    InterfaceHolder<IBaseFilter> up(pUp->Face()), down(pDown->Face());
    CTestOutputPin* pOut = pUp->AddOutput(L"Out");
    CTestInputPin* pIn = pDown->AddInput(L"In");
    pOut->m_Types = {MakeType(kA, kB, kF)};
    pIn->m_Types = {MakeType(kF, kF, kF)};
    pIn->m_hrCheckMediaType = S_FALSE;
    EXPECT_EQ(pOut->Connect(pIn, nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_EQ(pDown->Refs(), 1);

    pIn->m_hrCheckMediaType = S_OK;
    ASSERT_EQ(pOut->Connect(pIn, nullptr), S_OK);
    EXPECT_EQ(pOut->CurrentMediaType().majortype, kF) << "the receiver's own proposal comes first";
    EXPECT_EQ(pIn->TypeNow().majortype, kF);
    ASSERT_NE(pOut->Allocator(), nullptr);
    EXPECT_EQ(pOut->Allocator(), pIn->Allocator());
    EXPECT_EQ(pOut->m_DecideAllocators.size(), 1u);
    ALLOCATOR_PROPERTIES props = {};
    ASSERT_EQ(pIn->Allocator()->GetProperties(&props), S_OK);
    EXPECT_EQ(props.cBuffers, 2);
    EXPECT_EQ(props.cbBuffer, 1024);

    EXPECT_EQ(pUp->Refs(), 2) << "the input pin holds the output pin";
    EXPECT_EQ(pDown->Refs(), 3) << "the output pin holds the input pin and its transport face";
    EXPECT_EQ(pIn->Disconnect(), S_OK);
    EXPECT_EQ(pOut->Disconnect(), S_OK);
    EXPECT_EQ(pUp->Refs(), 1);
    EXPECT_EQ(pDown->Refs(), 1);
}
