// A FILE* whose bytes land in memory, so tests can see exactly what was written, how
// often the stream was closed, and whether anything was written after the close.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

class CMemoryFile {
public:
    // nAccept: bytes the "disk" takes before every further write fails.
    // bKeep false: count the bytes only.
    explicit CMemoryFile(uint64_t nAccept = UINT64_MAX, bool bKeep = true)
        : m_nAccept(nAccept), m_bKeep(bKeep)
    {
    }

    // Unbuffered unless bBuffered, so that fwrite reports what really reached the "disk".
    FILE* Open(bool bBuffered = false)
    {
        cookie_io_functions_t io{};
        io.write = &CMemoryFile::Write;
        io.close = &CMemoryFile::Close;
        FILE* fp = fopencookie(this, "wb", io);
        if (fp && !bBuffered)
            setvbuf(fp, nullptr, _IONBF, 0);
        return fp;
    }

    void Reserve(size_t n) { m_Data.reserve(n); }
    const std::vector<uint8_t>& Data() const { return m_Data; }
    uint64_t Bytes() const { return m_nBytes; }
    int Closes() const { return m_nCloses; }
    int WritesAfterClose() const { return m_nWritesAfterClose; }

private:
    static ssize_t Write(void* cookie, const char* buf, size_t size)
    {
        auto* self = static_cast<CMemoryFile*>(cookie);
        if (self->m_nCloses != 0)
            ++self->m_nWritesAfterClose;
        const uint64_t room = self->m_nAccept - self->m_nBytes;
        const size_t n = size < room ? size : static_cast<size_t>(room);
        if (self->m_bKeep)
            self->m_Data.insert(self->m_Data.end(), buf, buf + n);
        self->m_nBytes += n;
        return static_cast<ssize_t>(n);
    }

    static int Close(void* cookie)
    {
        ++static_cast<CMemoryFile*>(cookie)->m_nCloses;
        return 0;
    }

    uint64_t m_nAccept;
    bool m_bKeep;
    std::vector<uint8_t> m_Data;
    uint64_t m_nBytes = 0;
    int m_nCloses = 0;
    int m_nWritesAfterClose = 0;
};
