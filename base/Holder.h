// One owning holder for every resource that a plain function closes: FILE* here, handles
// and registry keys in base/WinHolders.h. It starts empty, closes what it holds when reset
// or destroyed, and moves but never copies, so early returns cannot leak.
// Plain C++ without windows.h.
#pragma once

#include <cstdio>

template <class T, auto pfnClose>
class Holder {
public:
    Holder() = default;
    explicit Holder(T h) : m_h(h) {}
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    Holder(Holder&& other) noexcept : m_h(other.Detach()) {}
    Holder& operator=(Holder&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    ~Holder() { Reset(); }

    T Get() const { return m_h; }
    operator T() const { return m_h; }
    bool IsNull() const { return m_h == T{}; }

    // Closes what is held, if anything, and holds h.
    void Reset(T h = T{})
    {
        const T old = m_h;
        m_h = h;
        if (old != T{})
            pfnClose(old);
    }
    // Closes now and gives the close function's result, for a caller that must know the
    // close succeeded (a written file); an empty holder gives the result type's zero.
    auto Close()
    {
        const T h = Detach();
        return h != T{} ? pfnClose(h) : decltype(pfnClose(h)){};
    }
    // Gives up ownership without closing.
    T Detach()
    {
        const T h = m_h;
        m_h = T{};
        return h;
    }
    // Slot for a call that stores a fresh resource into this (emptied) holder.
    T* OutSlot()
    {
        Reset();
        return &m_h;
    }

private:
    T m_h = T{};
};

using FileHolder = Holder<FILE*, &std::fclose>;
