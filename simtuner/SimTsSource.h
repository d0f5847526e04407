// Where a simulated tuner's transport stream comes from: the synthetic generator, or a
// .ts file replayed from its start whenever it ends. Windows-free.
#pragma once

#include "base/Holder.h"
#include "simtuner/TsGenerator.h"

#include <cstdio>
#include <memory>

class CSimTsSource {
public:
    explicit CSimTsSource(const TsGeneratorConfig& config);
    // Takes over an open file and closes it at the end.
    explicit CSimTsSource(FILE* pFile);
    ~CSimTsSource();
    CSimTsSource(const CSimTsSource&) = delete;
    CSimTsSource& operator=(const CSimTsSource&) = delete;

    // Fills all nLength bytes; false, with the buffer's contents undefined, when a file
    // gives no bytes at all (empty, or a read error).
    bool Fill(uint8_t* pBuffer, size_t nLength);
    // Leaves out at least nBytes of stream in whole packets, as a driver whose buffers
    // overflowed; a file skips ahead, looping as it plays.
    void Drop(uint64_t nBytes);
    // What has been left out so far.
    TsGeneratorStats Dropped() const;

private:
    std::unique_ptr<CTsGenerator> m_pGenerator;
    FileHolder m_pFile;
    TsGeneratorStats m_FileDropped;
};
