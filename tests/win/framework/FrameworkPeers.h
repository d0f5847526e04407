// Test filters and pins built on the framework, and hand-made peers (pins, clocks, graphs)
// that answer with whatever a test sets and count what is done to them.
#pragma once

#include "filters/BaseInputPin.h"
#include "filters/BaseOutputPin.h"
#include "graph/InterfaceHolder.h"
#include "support/FakeAllocator.h"
#include "support/TestSource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

// Checks that every framework object a test creates is gone when it ends.
class FrameworkTest : public ::testing::Test
{
protected:
    void SetUp() override { m_cLiveAtStart = CLiveObject::LiveCount(); }
    void TearDown() override { EXPECT_EQ(CLiveObject::LiveCount(), m_cLiveAtStart) << "framework objects leaked"; }

private:
    LONG m_cLiveAtStart = 0;
};

// True when some thread other than a fresh one holds the lock.
bool IsLockHeld(CCritSec* pLock);

// Byte i of every sample that the streaming tests deliver.
inline BYTE PatternByte(long i)
{
    return static_cast<BYTE>(i * 7 + 3);
}

// A media type with the given GUIDs and an optional format block of cbFormat bytes of value fill.
CMediaType MakeType(const GUID& major, const GUID& sub, const GUID& format, ULONG cbFormat = 0, BYTE fill = 0);

class CTestFilter;

class CTestInputPin : public CBaseInputPin
{
public:
    CTestInputPin(CBaseFilter* pFilter, CCritSec* pLock, LPCWSTR pName);

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT GetMediaType(int iPosition, CMediaType* pmt) override;
    HRESULT Active() override;
    HRESULT Inactive() override;
    HRESULT Run(REFERENCE_TIME tStart) override;
    HRESULT CompleteConnect(IPin* pReceivePin) override;
    HRESULT BreakConnect() override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* pSample) override;

    IMemAllocator* Allocator() const { return m_pAllocator; }
    const CMediaType& TypeNow() const { return m_mt; }
    REFERENCE_TIME SegmentStart() const { return m_tStart; }
    REFERENCE_TIME SegmentStop() const { return m_tStop; }
    double SegmentRate() const { return m_dRate; }

    HRESULT m_hrCheckMediaType = S_OK;
    HRESULT m_hrProposeEnd = E_UNEXPECTED;   // answer after the last proposed type
    std::vector<CMediaType> m_Types;         // proposed by GetMediaType
    HRESULT m_hrActive = S_OK;
    HRESULT m_hrInactive = S_OK;             // replaces the base result when a failure
    HRESULT m_hrRun = S_OK;
    HRESULT m_hrCompleteConnect = S_OK;
    std::vector<HRESULT> m_hrReceive;        // per call; S_OK beyond the list
    int m_nCheckMediaType = 0, m_nActive = 0, m_nInactive = 0, m_nRun = 0, m_nBreakConnect = 0;
    bool m_bLockHeldInCheck = false;
    REFERENCE_TIME m_tRun = -1;
    std::atomic<long> m_nReceived{0};
    std::atomic<long> m_cbReceived{0};
    std::atomic<long> m_nBadBytes{0};        // bytes differing from the sender's pattern
};

class CTestOutputPin : public CBaseOutputPin
{
public:
    CTestOutputPin(CBaseFilter* pFilter, CCritSec* pLock, LPCWSTR pName);

    HRESULT CheckMediaType(const CMediaType* pmt) override;
    HRESULT GetMediaType(int iPosition, CMediaType* pmt) override;
    HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pprop) override;
    HRESULT CompleteConnect(IPin* pReceivePin) override;
    HRESULT Active() override;
    HRESULT Inactive() override;

    IMemAllocator* Allocator() const { return m_pAllocator; }
    IMemInputPin* InputPin() const { return m_pInputPin; }

    HRESULT m_hrCheckMediaType = S_OK;
    std::vector<CMediaType> m_Types;
    std::vector<CMediaType> m_Checked;       // every type CheckMediaType saw
    HRESULT m_hrDecideFirst = S_OK;          // answer of the first DecideBufferSize only
    HRESULT m_hrDecide = S_OK;               // answer of every other one
    HRESULT m_hrCompleteConnect = S_OK;
    HRESULT m_hrActive = S_OK;
    long m_cBuffers = 2, m_cbBuffer = 1024;
    std::vector<IMemAllocator*> m_DecideAllocators;  // identity only, not counted
    ALLOCATOR_PROPERTIES m_PropsSeen = {};
    int m_nActive = 0, m_nInactive = 0;
};

// Filter with any number of pins; it owns and deletes them.
class CTestFilter : public CBaseFilter
{
public:
    explicit CTestFilter(IUnknown* pOuter = nullptr, REFCLSID clsid = GUID_NULL);
    ~CTestFilter() override;

    int GetPinCount() override { return static_cast<int>(m_Pins.size()); }
    CBasePin* GetPin(int n) override;

    CTestInputPin* AddInput(LPCWSTR pName);
    CTestOutputPin* AddOutput(LPCWSTR pName);
    void RemovePin(int n);
    IBaseFilter* Face() { return this; }
    REFERENCE_TIME StartTime() const { return m_tStart; }
    IMediaEventSink* Sink() const { return m_pSink; }
    LONG Refs() const { return m_cRef; }

    CCritSec m_Lock;
    std::vector<CBasePin*> m_Pins;
    int m_nNullPin = -1;                     // GetPin answers null at this index
};

// A pin that is not built on the framework: IPin and, optionally, IMemInputPin.
// It lives on the test's stack: its count starts at 1 and must end at 1.
class CPeerPin : public IPin, public IMemInputPin
{
public:
    explicit CPeerPin(PIN_DIRECTION dir, bool bMemInput = true) : m_dir(dir), m_bMemInput(bMemInput) {}
    ~CPeerPin();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_cRef); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&m_cRef); }

    HRESULT STDMETHODCALLTYPE Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** ppPin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* pInfo) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* pPinDir) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndOfStream() override { ++m_nEndOfStream; return S_OK; }
    HRESULT STDMETHODCALLTYPE BeginFlush() override { ++m_nBeginFlush; return S_OK; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { ++m_nEndFlush; return S_OK; }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME, double) override
    {
        m_tSegment = tStart;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** ppAllocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample*) override { ++m_nReceive; return m_hrReceive; }
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample**, long, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return m_hrCanBlock; }

    LONG m_cRef = 1;
    PIN_DIRECTION m_dir;
    bool m_bMemInput;
    HRESULT m_hrQueryDirection = S_OK;
    HRESULT m_hrReceiveConnection = S_OK;
    HRESULT m_hrEnumMediaTypes = S_OK;
    HRESULT m_hrEnumReset = S_OK;
    std::vector<CMediaType> m_Types;         // what EnumMediaTypes offers
    std::vector<CMediaType> m_Offered;       // every type ReceiveConnection saw
    IPin* m_pConnector = nullptr;            // counted while connected
    bool m_bKeepConnector = true;            // false: accepts without holding the connector
    int m_nDisconnect = 0;
    IMemAllocator* m_pAllocator = nullptr;   // offered by GetAllocator (not owned)
    HRESULT m_hrGetAllocator = VFW_E_NO_ALLOCATOR;
    HRESULT m_hrNotifyAllocator = S_OK;
    std::vector<IMemAllocator*> m_Notified;
    bool m_bHasRequirements = false;
    ALLOCATOR_PROPERTIES m_Requirements = {};
    HRESULT m_hrReceive = S_OK;
    HRESULT m_hrCanBlock = S_FALSE;
    int m_nReceive = 0, m_nEndOfStream = 0, m_nBeginFlush = 0, m_nEndFlush = 0;
    REFERENCE_TIME m_tSegment = 0;
};

class CFakeClock : public IReferenceClock
{
public:
    ~CFakeClock();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_cRef); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&m_cRef); }
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* pTime) override
    {
        *pTime = m_tNow;
        return m_hrGetTime;
    }
    HRESULT STDMETHODCALLTYPE AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HEVENT, DWORD_PTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE, DWORD_PTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD_PTR) override { return E_NOTIMPL; }

    LONG m_cRef = 1;
    REFERENCE_TIME m_tNow = 0;
    HRESULT m_hrGetTime = S_OK;
};

// IFilterGraph with an optional IMediaEventSink; counts references taken on it.
class CFakeGraph : public IFilterGraph, public IMediaEventSink
{
public:
    explicit CFakeGraph(bool bSink = true) : m_bSink(bSink) {}
    ~CFakeGraph();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_cRef); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&m_cRef); }
    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Disconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Notify(LONG, LONG_PTR, LONG_PTR) override { return S_OK; }

    LONG m_cRef = 1;
    bool m_bSink;
};

// Media type GUIDs the tests combine; only their identity matters.
inline const GUID kA = {0xAAAAAAAA, 0, 0, {1, 0, 0, 0, 0, 0, 0, 0}};
inline const GUID kB = {0xBBBBBBBB, 0, 0, {2, 0, 0, 0, 0, 0, 0, 0}};
inline const GUID kC = {0xCCCCCCCC, 0, 0, {3, 0, 0, 0, 0, 0, 0, 0}};
inline const GUID kF = {0xFFFFFFFF, 0, 0, {3, 0, 0, 0, 0, 0, 0, 0}};

// Our output pin on a test filter, leading connections to a hand-made input pin that
// offers a fake allocator.
class OutputPinTest : public FrameworkTest
{
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        m_pFilter = new CTestFilter;
        m_filter = m_pFilter->Face();
        m_pOut = m_pFilter->AddOutput(L"Out");
        m_peer.m_pAllocator = &m_allocator;
    }
    void TearDown() override
    {
        if (m_pFilter->IsActive())
            m_filter->Stop();
        m_allocator.m_hrDecommit = S_OK;
        m_pOut->Disconnect();
        m_peer.Disconnect();
        m_filter.Reset();
        FrameworkTest::TearDown();
    }

    CFakeAllocator m_allocator;
    CPeerPin m_peer{PINDIR_INPUT};
    CTestFilter* m_pFilter = nullptr;
    InterfaceHolder<IBaseFilter> m_filter;
    CTestOutputPin* m_pOut = nullptr;
};
