#include "ProviderFixture.h"

namespace {

bool IsAntennaType(const AM_MEDIA_TYPE& mt)
{
    return mt.majortype == KSDATAFORMAT_TYPE_BDA_ANTENNA && mt.subtype == MEDIASUBTYPE_None &&
           mt.formattype == FORMAT_None && mt.cbFormat == 0 && mt.pbFormat == nullptr;
}

}  // namespace

TEST_F(ProviderTest, ConnectingSetsUpTheTopologyAndSettlesAOneByteAllocator)
{
    CFakeAllocator allocator;
    allocator.m_Grant = ALLOCATOR_PROPERTIES{2, 4096, 1, 0};
    m_state->pOfferedAllocator = &allocator;

    ASSERT_EQ(m_pPin->Connect(TunerPin(), nullptr), S_OK);
    EXPECT_EQ(m_state->CreatedPinTypes().size(), 2u);
    EXPECT_EQ(m_state->Topologies().size(), 1u);
    EXPECT_EQ(TunerPeer().Get(), static_cast<IPin*>(m_pPin));

    CMediaType mt;
    EXPECT_EQ(m_pPin->ConnectionMediaType(&mt), S_OK);
    EXPECT_TRUE(IsAntennaType(mt));

    // Asked for one buffer of one byte, alignment and prefix as the framework proposed;
    // two buffers of 4096 bytes granted are accepted.
    EXPECT_EQ(allocator.m_nSetProperties, 1);
    EXPECT_EQ(allocator.m_Requested.cBuffers, 1);
    EXPECT_EQ(allocator.m_Requested.cbBuffer, 1);
    EXPECT_EQ(allocator.m_Requested.cbAlign, 1);
    EXPECT_EQ(allocator.m_Requested.cbPrefix, 0);
    EXPECT_EQ(FakeBdaNotifiedAllocator(TunerPin()), static_cast<IMemAllocator*>(&allocator));

    // The allocator follows the filter's state; no sample is ever asked for.
    EXPECT_EQ(m_pProvider->Pause(), S_OK);
    EXPECT_EQ(m_pProvider->Run(0), S_OK);
    EXPECT_EQ(allocator.m_nCommit, 1);
    EXPECT_EQ(m_pProvider->Stop(), S_OK);
    EXPECT_EQ(allocator.m_nDecommit, 1);

    EXPECT_EQ(TunerPin()->Disconnect(), S_OK);
    EXPECT_EQ(m_pPin->Disconnect(), S_OK);
    m_state->pOfferedAllocator.Reset();
    EXPECT_EQ(allocator.m_cRef, 1);
}

TEST_F(ProviderTest, TheSetUpRunsForEveryTypeTriedAndCreatesPinsOnlyOnce)
{
    // The tuner's own type is tried first and refused by the tuner; the provider's type
    // is tried next and checked again.
    m_state->bOfferAntennaType = true;
    m_state->nConnectionsToRefuse = 1;

    ASSERT_EQ(m_pPin->Connect(TunerPin(), nullptr), S_OK);
    EXPECT_EQ(m_state->CallsNamed({"ReceiveConnection"}).size(), 2u);
    EXPECT_EQ(m_state->CreatedPinTypes(), (Types{2, 3}));
    // The second run found both pins and joined the default ids.
    EXPECT_EQ(m_state->Topologies(), (Topologies{{7, 8}, {0, 1}}));

    // The connected tuner asking the pin to accept a type runs the set-up once more.
    CMediaType mt;
    EXPECT_EQ(m_pPin->QueryAccept(&mt), S_OK);
    EXPECT_EQ(m_state->Topologies().size(), 3u);
    EXPECT_EQ(m_state->CreatedPinTypes().size(), 2u);

    EXPECT_EQ(TunerPin()->Disconnect(), S_OK);
    EXPECT_EQ(m_pPin->Disconnect(), S_OK);
}

TEST_F(ProviderTest, ATopologyThatCannotBeJoinedRefusesTheConnection)
{
    m_state->Failures["CreateTopology"] = E_FAIL;
    EXPECT_EQ(m_pPin->Connect(TunerPin(), nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_FALSE(m_pPin->IsConnected());
    EXPECT_TRUE(m_state->CallsNamed({"ReceiveConnection"}).empty());

    // A tuner without IBDA_Topology is refused with that reason.
    m_state->bTopology = false;
    m_state->Calls.clear();
    EXPECT_EQ(m_pPin->Connect(TunerPin(), nullptr), E_NOINTERFACE);
    EXPECT_TRUE(m_state->CallsNamed({"GetPinTypes", "EnumPins", "CreatePin", "CreateTopology"}).empty());
    EXPECT_FALSE(m_pPin->IsConnected());
}

TEST_F(ProviderTest, AllocatorRefusalIsReportedAndGrantedSizesAreAccepted)
{
    CFakeAllocator allocator;
    allocator.m_Grant = ALLOCATOR_PROPERTIES{2, 4096, 1, 0};
    ALLOCATOR_PROPERTIES props = {5, 500, 16, 8};
    EXPECT_EQ(m_pPin->DecideBufferSize(&allocator, &props), S_OK);
    EXPECT_EQ(props.cBuffers, 1);
    EXPECT_EQ(props.cbBuffer, 1);
    EXPECT_EQ(allocator.m_Requested.cbAlign, 16);
    EXPECT_EQ(allocator.m_Requested.cbPrefix, 8);

    allocator.m_hrSetProperties = VFW_E_ALREADY_COMMITTED;
    EXPECT_EQ(m_pPin->DecideBufferSize(&allocator, &props), VFW_E_ALREADY_COMMITTED);
    EXPECT_EQ(allocator.m_cRef, 1);
}

TEST_F(ProviderTest, ARefusingTunerAllocatorFallsBackToTheDefaultOne)
{
    CFakeAllocator allocator;
    allocator.m_hrSetProperties = E_FAIL;
    m_state->pOfferedAllocator = &allocator;

    ASSERT_EQ(m_pPin->Connect(TunerPin(), nullptr), S_OK);
    IMemAllocator* pNotified = FakeBdaNotifiedAllocator(TunerPin());
    ASSERT_NE(pNotified, nullptr);
    EXPECT_NE(pNotified, static_cast<IMemAllocator*>(&allocator));
    ALLOCATOR_PROPERTIES granted = {};
    EXPECT_EQ(pNotified->GetProperties(&granted), S_OK);
    EXPECT_EQ(granted.cBuffers, 1);
    EXPECT_EQ(granted.cbBuffer, 1);

    EXPECT_EQ(TunerPin()->Disconnect(), S_OK);
    EXPECT_EQ(m_pPin->Disconnect(), S_OK);
    m_state->pOfferedAllocator.Reset();
    EXPECT_EQ(allocator.m_cRef, 1);
}
