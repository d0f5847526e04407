#include "capture/RecordOutput.h"

#include "base/WideText.h"
#include "capture/RecordPartName.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

constexpr uint64_t FAT_MOST_FILE_BYTES = 0xFFFFFFFFull;

// Output names are UTF-8 (the console program works in UTF-8) and reach the file system
// through the wide functions (WideFromUtf8), so names outside the ANSI code page stay intact.

// The file system of the volume that holds strPath, upper case ("NTFS", "FAT32"); "" when
// it cannot be told.
std::wstring VolumeFileSystem(const std::string& strPath)
{
    wchar_t full[MAX_PATH], volume[MAX_PATH], system[MAX_PATH + 1];
    if (!GetFullPathNameW(WideFromUtf8(strPath).c_str(), MAX_PATH, full, nullptr) ||
        !GetVolumePathNameW(full, volume, MAX_PATH) ||
        !GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, nullptr, system, MAX_PATH + 1))
        return L"";
    return system;
}

} // namespace

CRecordOutput::CRecordOutput(const std::string& strPath, bool bSplit, bool bOverwrite)
    : m_strPath(strPath), m_bSplit(bSplit), m_bOverwrite(bOverwrite)
{
    if (!IsStandardOutput() && VolumeFileSystem(strPath).compare(0, 3, L"FAT") == 0)
        m_nMostPerPart = FAT_MOST_FILE_BYTES;
}

CRecordOutput::~CRecordOutput()
{
    ClosePart();
}

std::string CRecordOutput::PartPath(uint32_t nPart) const
{
    if (IsStandardOutput())
        return "standard output";
    return m_bSplit ? RecordPartName(m_strPath, nPart) : m_strPath;
}

bool CRecordOutput::Fail(const std::string& strWhat, const char* pszCall)
{
    char code[64];
    std::snprintf(code, sizeof(code), " (%s failed, error %lu)", pszCall, GetLastError());
    m_strError = strWhat + code;
    return false;
}

bool CRecordOutput::OpenPart(uint32_t nPart)
{
    m_strPart = PartPath(nPart);
    if (IsStandardOutput()) {
        // Text mode would turn every 0x0A byte into two; nothing else is printed there.
        fflush(stdout);
        _setmode(_fileno(stdout), _O_BINARY);
        m_hFile = GetStdHandle(STD_OUTPUT_HANDLE);
        if (m_hFile == INVALID_HANDLE_VALUE || m_hFile == nullptr)
            return Fail("standard output cannot be written", "GetStdHandle");
        return true;
    }
    WIN32_FILE_ATTRIBUTE_DATA existing;
    if (!m_bOverwrite && GetFileAttributesExW(WideFromUtf8(m_strPart).c_str(), GetFileExInfoStandard, &existing) &&
        (existing.nFileSizeHigh || existing.nFileSizeLow)) {
        SetLastError(ERROR_FILE_EXISTS);
        return Fail(m_strPart + " exists and holds data; give --overwrite to replace it", "CreateFileW");
    }
    m_hFile = CreateFileW(WideFromUtf8(m_strPart).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_hFile == INVALID_HANDLE_VALUE)
        return Fail("cannot write " + m_strPart + "; check the folder and its permissions", "CreateFileW");
    return true;
}

OutputStatus CRecordOutput::Write(const uint8_t* pData, size_t nLength)
{
    while (nLength) {
        const DWORD nAsk = nLength < 0x40000000 ? static_cast<DWORD>(nLength) : 0x40000000;
        DWORD nDone = 0;
        if (!WriteFile(m_hFile, pData, nAsk, &nDone, nullptr) || nDone == 0) {
            const DWORD nError = GetLastError();
            // Windows says a pipe without reader is broken (109) or closing (232); Wine says
            // it is not connected (233).
            if (IsStandardOutput() &&
                (nError == ERROR_BROKEN_PIPE || nError == ERROR_NO_DATA || nError == ERROR_PIPE_NOT_CONNECTED)) {
                m_strError = "the output was closed by its reader";
                return OutputStatus::Closed;
            }
            Fail("a write to " + m_strPart + " failed (disk full or removed?)", "WriteFile");
            return OutputStatus::Failed;
        }
        pData += nDone;
        nLength -= nDone;
    }
    return OutputStatus::Written;
}

bool CRecordOutput::ClosePart()
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        return true;
    const HANDLE hFile = m_hFile;
    m_hFile = INVALID_HANDLE_VALUE;
    if (IsStandardOutput())
        return true;  // the process's own handle stays open
    if (!CloseHandle(hFile))
        return Fail("closing " + m_strPart + " failed; its end may be missing", "CloseHandle");
    return true;
}
