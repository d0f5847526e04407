// qltscap's two output streams. Its text is UTF-8 (service and tuner names, file names).
// Redirected to a file or a pipe, the bytes go out unchanged. On a console they would be
// shown in the console's OEM code page, so there the stream is a pipe whose other end a
// thread reads, turns into UTF-16 and writes with WriteConsoleW. When both streams are the
// same console they share one pipe, which keeps their lines in the order they were written.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

class CConsoleOutput
{
public:
    CConsoleOutput();
    // Finish() when the caller has not.
    ~CConsoleOutput();
    CConsoleOutput(const CConsoleOutput&) = delete;
    CConsoleOutput& operator=(const CConsoleOutput&) = delete;

    FILE* Out() const { return m_pOut; }
    FILE* Err() const { return m_pErr; }

    // Writes out everything printed and closes the pipes; Out and Err are then the
    // process's own streams again.
    void Finish();

private:
    // One pipe to one console screen buffer.
    struct Pump {
        HANDLE hRead = nullptr;
        HANDLE hFirstWrite = nullptr;  // owned by the first stream on the pipe
        HANDLE hConsole = nullptr;
        HANDLE hThread = nullptr;
    };
    static DWORD WINAPI PumpMain(void* pParam);
    // A stream writing into the pump's pipe (started with the first), or nullptr.
    static FILE* OpenPipeStream(Pump* pPump);

    Pump m_pumps[2];
    FILE* m_pOut = stdout;
    FILE* m_pErr = stderr;
    bool m_bOwnOut = false, m_bOwnErr = false;
};

// Turns UTF-8 arriving in pieces into UTF-16: a character split between two pieces is kept
// until its last byte comes; a byte that cannot start or continue one becomes U+FFFD.
class CUtf8ToWide
{
public:
    std::wstring Convert(const char* pBytes, size_t nBytes);

private:
    std::string m_pending;
};
