// Owning holders of COM interface pointers and VARIANTs.
#pragma once

#include "graph/Com.h"

// Owns one reference to an interface. Empty at construction; assignment adds a reference
// to the new pointer before releasing the old one, so self-assignment is safe.
template <class T>
class InterfaceHolder
{
public:
    InterfaceHolder() = default;
    InterfaceHolder(T* p) { Assign(p); }
    InterfaceHolder(const InterfaceHolder& other) { Assign(other.m_p); }
    InterfaceHolder(InterfaceHolder&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    ~InterfaceHolder() { Reset(); }

    InterfaceHolder& operator=(T* p) { Assign(p); return *this; }
    InterfaceHolder& operator=(const InterfaceHolder& other) { Assign(other.m_p); return *this; }
    InterfaceHolder& operator=(InterfaceHolder&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_p = other.m_p;
            other.m_p = nullptr;
        }
        return *this;
    }

    void Reset()
    {
        T* p = m_p;
        m_p = nullptr;
        if (p)
            p->Release();
    }

    T* Get() const { return m_p; }
    operator T*() const { return m_p; }
    T* operator->() const { return m_p; }
    bool IsNull() const { return m_p == nullptr; }

    // Slot for a call that stores one reference into this holder; the holder must be empty.
    T** OutSlot()
    {
        Reset();
        return &m_p;
    }
    void** OutVoid() { return reinterpret_cast<void**>(OutSlot()); }

    // Takes over a reference the caller already owns (a freshly created object's first one).
    void Attach(T* p)
    {
        Reset();
        m_p = p;
    }
    T* Detach()
    {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }

    // Queries the held object for another interface into an (emptied) holder.
    template <class Q>
    HRESULT QueryTo(InterfaceHolder<Q>& target) const
    {
        target.Reset();
        if (!m_p)
            return E_POINTER;
        return m_p->QueryInterface(__uuidof(Q), target.OutVoid());
    }

    HRESULT CreateInstance(REFCLSID clsid, DWORD context = CLSCTX_ALL)
    {
        Reset();
        return CoCreateInstance(clsid, nullptr, context, __uuidof(T), OutVoid());
    }

private:
    void Assign(T* p)
    {
        if (p)
            p->AddRef();
        T* old = m_p;
        m_p = p;
        if (old)
            old->Release();
    }

    T* m_p = nullptr;
};

// The second form: built from any interface by querying it for T; empty when the source
// is null or does not offer T.
template <class T>
class QueriedHolder : public InterfaceHolder<T>
{
public:
    explicit QueriedHolder(IUnknown* pSource)
    {
        if (pSource)
            pSource->QueryInterface(__uuidof(T), this->OutVoid());
    }
};

// A VARIANT that starts empty and is cleared on destruction.
class CVariantHolder
{
public:
    CVariantHolder() { VariantInit(&m_var); }
    ~CVariantHolder() { VariantClear(&m_var); }
    CVariantHolder(const CVariantHolder&) = delete;
    CVariantHolder& operator=(const CVariantHolder&) = delete;

    VARIANT* operator&() { return &m_var; }
    VARIANT& Get() { return m_var; }

private:
    VARIANT m_var;
};
