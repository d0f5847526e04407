// The console capture's outputs for the recorder's writer thread: a file, numbered part
// files, or standard output in binary mode. Writes go straight to the handle in the
// writer's large blocks; a failure keeps a plain description with the failing call and its
// code for the capture's last line.
#pragma once

#include "capture/StreamRecorder.h"

#include <windows.h>

#include <string>

class CRecordOutput : public IRecordOutput {
public:
    // strPath "-" is standard output. bSplit: the parts are named by RecordPartName.
    // bOverwrite: a part that exists and holds data may be replaced.
    CRecordOutput(const std::string& strPath, bool bSplit, bool bOverwrite);
    CRecordOutput(const CRecordOutput&) = delete;
    CRecordOutput& operator=(const CRecordOutput&) = delete;
    ~CRecordOutput();

    bool IsStandardOutput() const { return m_strPath == "-"; }
    // The file a part is written to ("standard output" for "-").
    std::string PartPath(uint32_t nPart) const;
    // What the last failure was; empty when none.
    const std::string& Error() const { return m_strError; }
    // True when the volume of the output is FAT (4 GiB - 1 bytes at most per file).
    bool OnFatVolume() const { return m_nMostPerPart != 0; }

    bool OpenPart(uint32_t nPart) override;
    OutputStatus Write(const uint8_t* pData, size_t nLength) override;
    bool ClosePart() override;
    uint64_t MostBytesPerPart() const override { return m_nMostPerPart; }

private:
    bool Fail(const std::string& strWhat, const char* pszCall);

    std::string m_strPath;
    bool m_bSplit;
    bool m_bOverwrite;
    uint64_t m_nMostPerPart = 0;
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    std::string m_strPart;
    std::string m_strError;
};
