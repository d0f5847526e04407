// Keeps Windows from sleeping while a recording runs: disk and processor activity do not
// count as use, and a sleeping system stops the tuner's stream and leaves a capture with a
// gap. The request belongs to the thread that makes it, so the thread that starts every
// recording and notices every end of one (the dialog's window thread, the console
// program's main thread) makes and withdraws it.
#pragma once

#include <windows.h>

class CKeepAwake
{
public:
    using SetStateFn = EXECUTION_STATE(WINAPI*)(EXECUTION_STATE);

    explicit CKeepAwake(SetStateFn pfnSetState = SetThreadExecutionState) : m_pfnSetState(pfnSetState) {}
    CKeepAwake(const CKeepAwake&) = delete;
    CKeepAwake& operator=(const CKeepAwake&) = delete;
    // Program exit withdraws a request still held.
    ~CKeepAwake() { Release(); }

    // A recording started: the system is required until Release. Holding twice is once.
    void Hold();
    // The recording ended, however it ended; nothing happens when nothing is held.
    void Release();
    bool IsHeld() const { return m_bHeld; }

    // Tests watch the requests through a function of their own; returns the previous one.
    SetStateFn ReplaceSetState(SetStateFn pfnSetState);

private:
    SetStateFn m_pfnSetState;
    bool m_bHeld = false;
};

// The program's one request, held while it records.
extern CKeepAwake g_KeepAwake;
