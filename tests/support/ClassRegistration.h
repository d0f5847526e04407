// Registers a class in this process for the life of the object, so that object creation
// (CoCreateInstance, a device moniker's BindToObject) finds it without a DLL.
#pragma once

#include "graph/Com.h"

#include <functional>

class CClassRegistration
{
public:
    // create makes a new object and queries it for the asked interface.
    using CreateFn = std::function<HRESULT(REFIID riid, void** ppv)>;

    CClassRegistration(REFCLSID clsid, CreateFn create);
    ~CClassRegistration();
    CClassRegistration(const CClassRegistration&) = delete;
    CClassRegistration& operator=(const CClassRegistration&) = delete;

    HRESULT Status() const { return m_hr; }
    int Created() const;

private:
    class CFactory;
    CFactory* m_pFactory;
    DWORD m_dwCookie = 0;
    HRESULT m_hr;
};

// Hands a new object's first reference to the caller as riid.
template <class T>
HRESULT QueryNew(T* pObject, REFIID riid, void** ppv)
{
    HRESULT hr = pObject->QueryInterface(riid, ppv);
    pObject->Release();
    return hr;
}
