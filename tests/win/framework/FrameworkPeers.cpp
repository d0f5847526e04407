#include "FrameworkPeers.h"

#include <cstring>
#include <thread>

namespace {

// One multithreaded apartment for the whole test program.
class CComEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
    void TearDown() override { CoUninitialize(); }
};

::testing::Environment* const g_pComEnvironment = ::testing::AddGlobalTestEnvironment(new CComEnvironment);

// Enumerator over a peer's vector of types (heap object, deletes itself).
class CPeerTypeEnum : public IEnumMediaTypes
{
public:
    explicit CPeerTypeEnum(CPeerPin* pPin) : m_pPin(pPin) {}
    virtual ~CPeerTypeEnum() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IEnumMediaTypes) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_cRef; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG c = --m_cRef;
        if (c == 0)
            delete this;
        return c;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG cTypes, AM_MEDIA_TYPE** ppTypes, ULONG* pcFetched) override
    {
        ULONG n = 0;
        while (n < cTypes && m_nPos < m_pPin->m_Types.size()) {
            AM_MEDIA_TYPE* p = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
            CopyMediaType(p, &m_pPin->m_Types[m_nPos++]);
            ppTypes[n++] = p;
        }
        if (pcFetched)
            *pcFetched = n;
        return n == cTypes ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        m_nPos = 0;
        return m_pPin->m_hrEnumReset;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes**) override { return E_NOTIMPL; }

private:
    CPeerPin* m_pPin;
    size_t m_nPos = 0;
    ULONG m_cRef = 1;
};

}

bool IsLockHeld(CCritSec* pLock)
{
    bool bHeld = false;
    std::thread probe([&] {
        if (pLock->TryLock())
            pLock->Unlock();
        else
            bHeld = true;
    });
    probe.join();
    return bHeld;
}

CMediaType MakeType(const GUID& major, const GUID& sub, const GUID& format, ULONG cbFormat, BYTE fill)
{
    CMediaType mt;
    mt.SetType(&major);
    mt.SetSubtype(&sub);
    mt.SetFormatType(&format);
    if (cbFormat) {
        mt.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(cbFormat));
        std::memset(mt.pbFormat, fill, cbFormat);
        mt.cbFormat = cbFormat;
    }
    return mt;
}

CTestInputPin::CTestInputPin(CBaseFilter* pFilter, CCritSec* pLock, LPCWSTR pName)
    : CBaseInputPin("test input", pFilter, pLock, nullptr, pName)
{
}

HRESULT CTestInputPin::CheckMediaType(const CMediaType* pmt)
{
    ++m_nCheckMediaType;
    m_bLockHeldInCheck = IsLockHeld(m_pLock);
    return m_hrCheckMediaType;
}

HRESULT CTestInputPin::GetMediaType(int iPosition, CMediaType* pmt)
{
    if (iPosition < 0 || iPosition >= static_cast<int>(m_Types.size()))
        return m_hrProposeEnd;
    *pmt = m_Types[iPosition];
    return S_OK;
}

HRESULT CTestInputPin::Active()
{
    ++m_nActive;
    return FAILED(m_hrActive) ? m_hrActive : CBaseInputPin::Active();
}

HRESULT CTestInputPin::Inactive()
{
    ++m_nInactive;
    HRESULT hr = CBaseInputPin::Inactive();
    return FAILED(m_hrInactive) ? m_hrInactive : hr;
}

HRESULT CTestInputPin::Run(REFERENCE_TIME tStart)
{
    ++m_nRun;
    m_tRun = tStart;
    return m_hrRun;
}

HRESULT CTestInputPin::CompleteConnect(IPin* pReceivePin)
{
    return FAILED(m_hrCompleteConnect) ? m_hrCompleteConnect : CBaseInputPin::CompleteConnect(pReceivePin);
}

HRESULT CTestInputPin::BreakConnect()
{
    ++m_nBreakConnect;
    return CBaseInputPin::BreakConnect();
}

HRESULT STDMETHODCALLTYPE CTestInputPin::Receive(IMediaSample* pSample)
{
    const long n = m_nReceived++;
    BYTE* pData = nullptr;
    if (pSample && SUCCEEDED(pSample->GetPointer(&pData)) && pData) {
        const long cb = pSample->GetActualDataLength();
        for (long i = 0; i < cb; ++i) {
            if (pData[i] != PatternByte(i))
                ++m_nBadBytes;
        }
        m_cbReceived += cb;
    }
    return n < static_cast<long>(m_hrReceive.size()) ? m_hrReceive[n] : S_OK;
}

CTestOutputPin::CTestOutputPin(CBaseFilter* pFilter, CCritSec* pLock, LPCWSTR pName)
    : CBaseOutputPin("test output", pFilter, pLock, nullptr, pName)
{
}

HRESULT CTestOutputPin::CheckMediaType(const CMediaType* pmt)
{
    m_Checked.push_back(*pmt);
    return m_hrCheckMediaType;
}

HRESULT CTestOutputPin::GetMediaType(int iPosition, CMediaType* pmt)
{
    if (iPosition < 0 || iPosition >= static_cast<int>(m_Types.size()))
        return VFW_S_NO_MORE_ITEMS;
    *pmt = m_Types[iPosition];
    return S_OK;
}

HRESULT CTestOutputPin::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pprop)
{
    m_DecideAllocators.push_back(pAlloc);
    m_PropsSeen = *pprop;
    if (m_DecideAllocators.size() == 1 && FAILED(m_hrDecideFirst))
        return m_hrDecideFirst;
    if (FAILED(m_hrDecide))
        return m_hrDecide;
    pprop->cBuffers = m_cBuffers;
    pprop->cbBuffer = m_cbBuffer;
    ALLOCATOR_PROPERTIES actual = {};
    return pAlloc->SetProperties(pprop, &actual);
}

HRESULT CTestOutputPin::CompleteConnect(IPin* pReceivePin)
{
    return FAILED(m_hrCompleteConnect) ? m_hrCompleteConnect : CBaseOutputPin::CompleteConnect(pReceivePin);
}

HRESULT CTestOutputPin::Active()
{
    ++m_nActive;
    return FAILED(m_hrActive) ? m_hrActive : CBaseOutputPin::Active();
}

HRESULT CTestOutputPin::Inactive()
{
    ++m_nInactive;
    return CBaseOutputPin::Inactive();
}

CTestFilter::CTestFilter(IUnknown* pOuter, REFCLSID clsid)
    : CBaseFilter("test filter", pOuter, &m_Lock, clsid)
{
}

CTestFilter::~CTestFilter()
{
    for (CBasePin* pPin : m_Pins)
        delete pPin;
}

CBasePin* CTestFilter::GetPin(int n)
{
    if (n < 0 || n >= static_cast<int>(m_Pins.size()) || n == m_nNullPin)
        return nullptr;
    return m_Pins[n];
}

CTestInputPin* CTestFilter::AddInput(LPCWSTR pName)
{
    auto* pPin = new CTestInputPin(this, &m_Lock, pName);
    m_Pins.push_back(pPin);
    IncrementPinVersion();
    return pPin;
}

CTestOutputPin* CTestFilter::AddOutput(LPCWSTR pName)
{
    auto* pPin = new CTestOutputPin(this, &m_Lock, pName);
    m_Pins.push_back(pPin);
    IncrementPinVersion();
    return pPin;
}

void CTestFilter::RemovePin(int n)
{
    delete m_Pins[n];
    m_Pins.erase(m_Pins.begin() + n);
    IncrementPinVersion();
}

CPeerPin::~CPeerPin()
{
    EXPECT_EQ(m_cRef, 1) << "references to a peer pin left";
    EXPECT_EQ(m_pConnector, nullptr) << "peer pin left connected";
}

HRESULT STDMETHODCALLTYPE CPeerPin::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IPin)
        *ppv = static_cast<IPin*>(this);
    else if (riid == IID_IMemInputPin && m_bMemInput)
        *ppv = static_cast<IMemInputPin*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPeerPin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt)
{
    m_Offered.emplace_back(*pmt);
    if (FAILED(m_hrReceiveConnection))
        return m_hrReceiveConnection;
    if (!m_bKeepConnector)
        return S_OK;
    m_pConnector = pConnector;
    m_pConnector->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPeerPin::Disconnect()
{
    ++m_nDisconnect;
    if (!m_pConnector)
        return S_FALSE;
    m_pConnector->Release();
    m_pConnector = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPeerPin::ConnectedTo(IPin** ppPin)
{
    *ppPin = m_pConnector;
    if (!m_pConnector)
        return VFW_E_NOT_CONNECTED;
    m_pConnector->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPeerPin::QueryPinInfo(PIN_INFO* pInfo)
{
    pInfo->pFilter = nullptr;
    wcscpy(pInfo->achName, L"peer");
    pInfo->dir = m_dir;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPeerPin::QueryDirection(PIN_DIRECTION* pPinDir)
{
    *pPinDir = m_dir;
    return m_hrQueryDirection;
}

HRESULT STDMETHODCALLTYPE CPeerPin::EnumMediaTypes(IEnumMediaTypes** ppEnum)
{
    *ppEnum = nullptr;
    if (FAILED(m_hrEnumMediaTypes))
        return m_hrEnumMediaTypes;
    *ppEnum = new CPeerTypeEnum(this);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPeerPin::GetAllocator(IMemAllocator** ppAllocator)
{
    *ppAllocator = m_pAllocator;
    if (!m_pAllocator)
        return m_hrGetAllocator;
    m_pAllocator->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPeerPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL)
{
    m_Notified.push_back(pAllocator);
    return m_hrNotifyAllocator;
}

HRESULT STDMETHODCALLTYPE CPeerPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps)
{
    if (!m_bHasRequirements)
        return E_NOTIMPL;
    *pProps = m_Requirements;
    return S_OK;
}

CFakeClock::~CFakeClock()
{
    EXPECT_EQ(m_cRef, 1) << "references to a fake clock left";
}

HRESULT STDMETHODCALLTYPE CFakeClock::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IReferenceClock) {
        *ppv = this;
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

CFakeGraph::~CFakeGraph()
{
    EXPECT_EQ(m_cRef, 1) << "references to a fake graph left";
}

HRESULT STDMETHODCALLTYPE CFakeGraph::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IFilterGraph)
        *ppv = static_cast<IFilterGraph*>(this);
    else if (riid == IID_IMediaEventSink && m_bSink)
        *ppv = static_cast<IMediaEventSink*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}
