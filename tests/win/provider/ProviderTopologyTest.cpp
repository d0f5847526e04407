#include "ProviderFixture.h"

TEST_F(ProviderTest, TunerWithoutPinsWhoseEnumeratorFailsAfterAChangeGetsBothPins)
{
    m_state->bEnumOutOfSyncWhenChanged = true;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_OK);
    EXPECT_EQ(m_state->CreatedPinTypes(), (Types{2, 3}));
    EXPECT_EQ(m_state->Topologies(), (Topologies{{7, 8}}));
}

TEST_F(ProviderTest, TunerWithoutPinsWhoseEnumeratorHandsOutTheNewPinGetsOnlyTheFirst)
{
    m_state->bEnumOutOfSyncWhenChanged = false;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_OK);
    EXPECT_EQ(m_state->CreatedPinTypes(), (Types{2}));
    EXPECT_EQ(m_state->Topologies(), (Topologies{{7, 1}}));
}

TEST_F(ProviderTest, TunerWithOnePinGetsItsOutputPinJoinedToPinZero)
{
    m_state->Pins.push_back({L"Input", PINDIR_INPUT});
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_OK);
    EXPECT_EQ(m_state->CreatedPinTypes(), (Types{3}));
    EXPECT_EQ(m_state->Topologies(), (Topologies{{0, 7}}));
}

TEST_F(ProviderTest, TunerWithTwoOrMorePinsIsOnlyJoined)
{
    for (int nPins : {2, 3}) {
        FakeBdaStatePtr state = std::make_shared<FakeBdaState>();
        for (int i = 0; i < nPins; ++i)
            state->Pins.push_back({L"Pin", i == 0 ? PINDIR_INPUT : PINDIR_OUTPUT});
        InterfaceHolder<IBaseFilter> pTuner;
        ASSERT_EQ(CreateFakeBdaFilter(state, IID_IBaseFilter, pTuner.OutVoid()), S_OK);
        EXPECT_EQ(m_pPin->ConfigureTunerTopology(FakeBdaPin(pTuner, 0)), S_OK);
        EXPECT_TRUE(state->CreatedPinTypes().empty()) << nPins << " pins";
        EXPECT_EQ(state->Topologies(), (Topologies{{0, 1}})) << nPins << " pins";
        pTuner.Reset();
        EXPECT_EQ(FakeBdaFiltersAlive(), 0);
    }
}

TEST_F(ProviderTest, JoiningThePinsDecidesTheResult)
{
    m_state->Failures["CreateTopology"] = E_INVALIDARG;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), E_INVALIDARG);
    EXPECT_EQ(m_state->Topologies().size(), 1u);
}

TEST_F(ProviderTest, FailuresBeforeTheJoinStillJoinTheDefaultPins)
{
    // GetPinTypes failing: no pin is created, the pins are not even enumerated.
    m_state->Failures["GetPinTypes"] = E_FAIL;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_OK);
    EXPECT_EQ(m_state->CallNames(), (Names{"QueryPinInfo", "GetPinTypes", "CreateTopology"}));
    EXPECT_EQ(m_state->Topologies(), (Topologies{{0, 1}}));

    // No pin enumerator.
    m_state->Failures = {{"EnumPins", E_OUTOFMEMORY}, {"CreateTopology", S_FALSE}};
    m_state->Calls.clear();
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_FALSE);
    EXPECT_EQ(m_state->CallNames(), (Names{"QueryPinInfo", "GetPinTypes", "EnumPins", "CreateTopology"}));
    EXPECT_EQ(m_state->Topologies(), (Topologies{{0, 1}}));
}

TEST_F(ProviderTest, AFailedPinCreationKeepsTheIdsAndCreatesNothingMore)
{
    m_state->Failures["CreatePin"] = E_FAIL;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_OK);
    // The id a failing driver wrote back is not used, and the output pin is not tried.
    EXPECT_EQ(m_state->CreatedPinTypes(), (Types{2}));
    EXPECT_EQ(m_state->Topologies(), (Topologies{{0, 1}}));
}

TEST_F(ProviderTest, TooFewPinTypesCreateNoPinForTheMissingType)
{
    // No type at all: nothing can be created.
    m_state->PinTypes.clear();
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_OK);
    EXPECT_TRUE(m_state->CreatedPinTypes().empty());
    EXPECT_EQ(m_state->Topologies(), (Topologies{{0, 1}}));

    // One type: the input pin is created, the output pin has no type to use.
    m_state->PinTypes = {5};
    m_state->Calls.clear();
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_OK);
    EXPECT_EQ(m_state->CreatedPinTypes(), (Types{5}));
    EXPECT_EQ(m_state->Topologies(), (Topologies{{7, 1}}));
}

TEST_F(ProviderTest, OnePinTypeAndOneExposedPinCreatesNothing)
{
    m_state->Pins.push_back({L"Input", PINDIR_INPUT});
    m_state->PinTypes = {5};
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), S_OK);
    EXPECT_TRUE(m_state->CreatedPinTypes().empty());
    EXPECT_EQ(m_state->Topologies(), (Topologies{{0, 1}}));
}

TEST_F(ProviderTest, PeerPinInformationFailuresEndTheSetUpWithoutTopologyCalls)
{
    m_state->Failures["QueryPinInfo"] = E_UNEXPECTED;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), E_UNEXPECTED);
    m_state->Failures.clear();
    m_state->bPinInfoNamesFilter = false;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(TunerPin()), E_FAIL);
    EXPECT_EQ(m_state->CallNames(), (Names{"QueryPinInfo", "QueryPinInfo"}));
}

TEST_F(ProviderTest, PeerWithoutTopologyOrFilterInterfaceFailsWithoutCallingIt)
{
    IPin* pTunerPin = TunerPin();
    m_state->bTopology = false;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(pTunerPin), E_NOINTERFACE);

    m_state->bTopology = true;
    m_state->bBaseFilter = false;
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(pTunerPin), E_NOINTERFACE);
    EXPECT_EQ(m_state->CallNames(), (Names{"QueryPinInfo", "QueryPinInfo"}));
}

TEST_F(ProviderTest, NoPeerFailsWithoutAnyCall)
{
    EXPECT_EQ(m_pPin->ConfigureTunerTopology(nullptr), VFW_E_NOT_CONNECTED);
    // A media-type check before any connection attempt has no tuner to set up.
    CMediaType mt;
    EXPECT_EQ(m_pPin->CheckMediaType(&mt), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(m_pPin->QueryAccept(&mt), S_FALSE);
}
