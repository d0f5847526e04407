#include "ProviderFixture.h"

#include <utility>
#include <vector>

using Topologies = std::vector<std::pair<ULONG, ULONG>>;
using Types = std::vector<ULONG>;

TEST_F(ProviderTest, TunerWithoutPinsWhoseEnumeratorFailsAfterAChangeGetsBothPins)
{
    m_tuner->m_bEnumFailsWhenChanged = true;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_OK);
    EXPECT_EQ(m_tuner->m_createdTypes, (Types{2, 3}));
    EXPECT_EQ(m_tuner->m_topologies, (Topologies{{7, 8}}));
}

TEST_F(ProviderTest, TunerWithoutPinsWhoseEnumeratorHandsOutTheNewPinGetsOnlyTheFirst)
{
    m_tuner->m_bEnumFailsWhenChanged = false;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_OK);
    EXPECT_EQ(m_tuner->m_createdTypes, (Types{2}));
    EXPECT_EQ(m_tuner->m_topologies, (Topologies{{7, 1}}));
}

TEST_F(ProviderTest, TunerWithOnePinGetsItsOutputPinJoinedToPinZero)
{
    m_tuner->ExposePin(PINDIR_INPUT);
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_OK);
    EXPECT_EQ(m_tuner->m_createdTypes, (Types{3}));
    EXPECT_EQ(m_tuner->m_topologies, (Topologies{{0, 7}}));
}

TEST_F(ProviderTest, TunerWithTwoOrMorePinsIsOnlyJoined)
{
    for (int nPins : {2, 3}) {
        InterfaceHolder<CFakeTuner> pTuner;
        pTuner.Attach(new CFakeTuner);
        for (int i = 0; i < nPins; ++i)
            pTuner->ExposePin(i == 0 ? PINDIR_INPUT : PINDIR_OUTPUT);
        EXPECT_EQ(m_pPin->ConfigureTunerTopology(pTuner->ConnectPin()), S_OK);
        EXPECT_TRUE(pTuner->m_createdTypes.empty()) << nPins << " pins";
        EXPECT_EQ(pTuner->m_topologies, (Topologies{{0, 1}})) << nPins << " pins";
        EXPECT_EQ(pTuner->RefCount(), 1u);
    }
}

TEST_F(ProviderTest, JoiningThePinsDecidesTheResult)
{
    m_tuner->m_hrCreateTopology = E_INVALIDARG;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), E_INVALIDARG);
    EXPECT_EQ(m_tuner->m_topologies.size(), 1u);
}

TEST_F(ProviderTest, FailuresBeforeTheJoinStillJoinTheDefaultPins)
{
    // GetPinTypes failing: no pin is created, the pins are not even enumerated.
    m_tuner->m_hrGetPinTypes = E_FAIL;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_OK);
    EXPECT_TRUE(m_tuner->m_createdTypes.empty());
    EXPECT_EQ(m_tuner->m_nFilterCalls, 0);
    EXPECT_EQ(m_tuner->m_topologies, (Topologies{{0, 1}}));

    // No pin enumerator.
    m_tuner->m_hrGetPinTypes = S_OK;
    m_tuner->m_hrEnumPins = E_OUTOFMEMORY;
    m_tuner->m_hrCreateTopology = S_FALSE;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_FALSE);
    EXPECT_TRUE(m_tuner->m_createdTypes.empty());
    EXPECT_EQ(m_tuner->m_topologies.back(), std::make_pair(0ul, 1ul));
}

TEST_F(ProviderTest, AFailedPinCreationKeepsTheIdsAndCreatesNothingMore)
{
    m_tuner->m_hrCreatePin = E_FAIL;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_OK);
    // The id a failing driver wrote back is not used, and the output pin is not tried.
    EXPECT_EQ(m_tuner->m_createdTypes, (Types{2}));
    EXPECT_EQ(m_tuner->m_topologies, (Topologies{{0, 1}}));
}

TEST_F(ProviderTest, TooFewPinTypesCreateNoPinForTheMissingType)
{
    // No type at all: nothing can be created.
    m_tuner->m_pinTypes.clear();
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_OK);
    EXPECT_TRUE(m_tuner->m_createdTypes.empty());
    EXPECT_EQ(m_tuner->m_topologies, (Topologies{{0, 1}}));

    // One type: the input pin is created, the output pin has no type to use.
    m_tuner->m_pinTypes = {5};
    m_tuner->m_topologies.clear();
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_OK);
    EXPECT_EQ(m_tuner->m_createdTypes, (Types{5}));
    EXPECT_EQ(m_tuner->m_topologies, (Topologies{{7, 1}}));
}

TEST_F(ProviderTest, OnePinTypeAndOneExposedPinCreatesNothing)
{
    m_tuner->ExposePin(PINDIR_INPUT);
    m_tuner->m_pinTypes = {5};
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_OK);
    EXPECT_TRUE(m_tuner->m_createdTypes.empty());
    EXPECT_EQ(m_tuner->m_topologies, (Topologies{{0, 1}}));
}

TEST_F(ProviderTest, PeerPinInformationFailuresEndTheSetUpWithoutTopologyCalls)
{
    m_tuner->ConnectPin()->m_hrQueryPinInfo = E_UNEXPECTED;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), E_UNEXPECTED);
    m_tuner->ConnectPin()->m_hrQueryPinInfo = S_OK;
    m_tuner->ConnectPin()->m_bNoOwner = true;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), E_FAIL);
    EXPECT_EQ(m_tuner->m_nTopologyCalls, 0);
    EXPECT_EQ(m_tuner->m_nFilterCalls, 0);
}

TEST_F(ProviderTest, PeerWithoutTopologyOrFilterInterfaceFailsWithoutCallingIt)
{
    m_tuner->m_bExposeTopology = false;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), E_NOINTERFACE);
    EXPECT_EQ(m_tuner->m_nTopologyCalls, 0);

    m_tuner->m_bExposeTopology = true;
    m_tuner->m_bExposeBaseFilter = false;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), E_NOINTERFACE);
    EXPECT_EQ(m_tuner->m_nTopologyCalls, 0);
    EXPECT_EQ(m_tuner->m_nFilterCalls, 0);
}

TEST_F(ProviderTest, NoPeerFailsWithoutAnyCall)
{
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(nullptr), VFW_E_NOT_CONNECTED);
    // A media-type check before any connection attempt has no tuner to set up.
    CMediaType mt;
    EXPECT_EQ(m_pPin->CheckMediaType(&mt), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(m_pPin->QueryAccept(&mt), S_FALSE);
    EXPECT_EQ(m_tuner->m_nTopologyCalls, 0);
}
