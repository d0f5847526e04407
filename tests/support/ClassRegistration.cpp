#include "support/ClassRegistration.h"

class CClassRegistration::CFactory final : public IClassFactory
{
public:
    explicit CFactory(CreateFn create) : m_create(std::move(create)) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_cRef); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG n = InterlockedDecrement(&m_cRef);
        if (n == 0)
            delete this;
        return n;
    }
    STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (pOuter)
            return CLASS_E_NOAGGREGATION;
        InterlockedIncrement(&m_nCreated);
        return m_create(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

    LONG m_nCreated = 0;

private:
    LONG m_cRef = 1;
    CreateFn m_create;
};

CClassRegistration::CClassRegistration(REFCLSID clsid, CreateFn create)
    : m_pFactory(new CFactory(std::move(create)))
{
    m_hr = CoRegisterClassObject(clsid, m_pFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                 &m_dwCookie);
}

CClassRegistration::~CClassRegistration()
{
    if (SUCCEEDED(m_hr))
        CoRevokeClassObject(m_dwCookie);
    m_pFactory->Release();
}

int CClassRegistration::Created() const { return static_cast<int>(m_pFactory->m_nCreated); }
