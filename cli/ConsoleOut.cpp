#include "cli/ConsoleOut.h"

#include <fcntl.h>
#include <io.h>

namespace {

constexpr DWORD COALESCE_MS = 10;

bool IsConsole(HANDLE hHandle)
{
    DWORD nMode = 0;
    return hHandle && hHandle != INVALID_HANDLE_VALUE && GetConsoleMode(hHandle, &nMode);
}

// The length of the UTF-8 sequence a lead byte starts; 0 for a byte that starts none.
size_t SequenceLength(unsigned char c)
{
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        return 2;
    if (c >= 0xE0 && c <= 0xEF)
        return 3;
    if (c >= 0xF0 && c <= 0xF4)
        return 4;
    return 0;
}

} // namespace

std::wstring CUtf8ToWide::Convert(const char* pBytes, size_t nBytes)
{
    m_pending.append(pBytes, nBytes);
    // Only whole sequences are converted; an incomplete one at the end waits for the rest.
    size_t nWhole = 0;
    while (nWhole < m_pending.size()) {
        const size_t nLength = SequenceLength(static_cast<unsigned char>(m_pending[nWhole]));
        if (nLength == 0 || nWhole + nLength <= m_pending.size()) {
            nWhole += nLength ? nLength : 1;
            continue;
        }
        bool bBroken = false;
        for (size_t i = nWhole + 1; i < m_pending.size(); ++i)
            bBroken = bBroken || (static_cast<unsigned char>(m_pending[i]) & 0xC0) != 0x80;
        if (!bBroken)
            break;
        ++nWhole;
    }
    std::wstring wide;
    if (nWhole) {
        const int nChars = MultiByteToWideChar(CP_UTF8, 0, m_pending.data(), static_cast<int>(nWhole), nullptr, 0);
        wide.resize(static_cast<size_t>(nChars));
        MultiByteToWideChar(CP_UTF8, 0, m_pending.data(), static_cast<int>(nWhole), &wide[0], nChars);
        m_pending.erase(0, nWhole);
    }
    return wide;
}

CConsoleOutput::CConsoleOutput()
{
    const HANDLE hOut = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE hErr = GetStdHandle(STD_ERROR_HANDLE);
    if (IsConsole(hOut)) {
        m_pumps[0].hConsole = hOut;
        m_pOut = OpenPipeStream(&m_pumps[0]);
        m_bOwnOut = m_pOut != nullptr;
        if (!m_pOut)
            m_pOut = stdout;
    }
    if (IsConsole(hErr)) {
        // Both on one console: one pipe, so that their lines keep their order.
        Pump* pPump = m_bOwnOut ? &m_pumps[0] : &m_pumps[1];
        if (pPump == &m_pumps[1])
            pPump->hConsole = hErr;
        m_pErr = OpenPipeStream(pPump);
        m_bOwnErr = m_pErr != nullptr;
        if (!m_pErr)
            m_pErr = stderr;
    }
}

CConsoleOutput::~CConsoleOutput()
{
    Finish();
}

FILE* CConsoleOutput::OpenPipeStream(Pump* pPump)
{
    HANDLE hWrite = nullptr;
    if (!pPump->hRead) {
        if (!CreatePipe(&pPump->hRead, &hWrite, nullptr, 0))
            return nullptr;
        pPump->hThread = CreateThread(nullptr, 0, &CConsoleOutput::PumpMain, pPump, 0, nullptr);
        if (!pPump->hThread) {
            CloseHandle(pPump->hRead);
            CloseHandle(hWrite);
            pPump->hRead = nullptr;
            return nullptr;
        }
        pPump->hFirstWrite = hWrite;
    } else if (!DuplicateHandle(GetCurrentProcess(), pPump->hFirstWrite, GetCurrentProcess(), &hWrite, 0, FALSE,
                                DUPLICATE_SAME_ACCESS)) {
        return nullptr;
    }
    // The descriptor and then the stream own the handle; closing the stream closes it.
    const int nFd = _open_osfhandle(reinterpret_cast<intptr_t>(hWrite), _O_BINARY | _O_WRONLY);
    if (nFd < 0) {
        CloseHandle(hWrite);
        return nullptr;
    }
    FILE* pStream = _fdopen(nFd, "wb");
    if (!pStream) {
        _close(nFd);
        return nullptr;
    }
    // Unbuffered: each print reaches the console at once, as on a console stream.
    setvbuf(pStream, nullptr, _IONBF, 0);
    return pStream;
}

void CConsoleOutput::Finish()
{
    // Closing every write end ends the pumps' reads once they have written what is left.
    if (m_bOwnOut)
        fclose(m_pOut);
    if (m_bOwnErr)
        fclose(m_pErr);
    m_pOut = stdout;
    m_pErr = stderr;
    m_bOwnOut = m_bOwnErr = false;
    for (Pump& pump : m_pumps) {
        if (!pump.hThread)
            continue;
        WaitForSingleObject(pump.hThread, INFINITE);
        CloseHandle(pump.hThread);
        CloseHandle(pump.hRead);
        pump = Pump();
    }
}

DWORD WINAPI CConsoleOutput::PumpMain(void* pParam)
{
    const Pump* pPump = static_cast<const Pump*>(pParam);
    CUtf8ToWide converter;
    char buffer[8192];
    DWORD nRead = 0;
    while (ReadFile(pPump->hRead, buffer, sizeof(buffer), &nRead, nullptr) && nRead) {
        // An unbuffered stream writes one print in many small pieces: the rest of the print
        // is gathered first, so that the console gets whole lines in one call.
        Sleep(COALESCE_MS);
        DWORD nAvailable = 0, nMore = 0;
        while (nRead < sizeof(buffer) && PeekNamedPipe(pPump->hRead, nullptr, 0, nullptr, &nAvailable, nullptr) &&
               nAvailable && ReadFile(pPump->hRead, buffer + nRead, sizeof(buffer) - nRead, &nMore, nullptr))
            nRead += nMore;
        const std::wstring text = converter.Convert(buffer, nRead);
        DWORD nWritten = 0;
        if (!text.empty())
            WriteConsoleW(pPump->hConsole, text.data(), static_cast<DWORD>(text.size()), &nWritten, nullptr);
    }
    return 0;
}
