#include "simtuner/SimTsSource.h"

CSimTsSource::CSimTsSource(const TsGeneratorConfig& config)
    : m_pGenerator(new CTsGenerator(config))
{
}

CSimTsSource::CSimTsSource(FILE* pFile)
    : m_pFile(pFile)
{
}

CSimTsSource::~CSimTsSource() = default;

bool CSimTsSource::Fill(uint8_t* pBuffer, size_t nLength)
{
    if (m_pGenerator) {
        m_pGenerator->Fill(pBuffer, nLength);
        return true;
    }
    if (m_pFile.IsNull())
        return false;
    bool bRewound = false;
    while (nLength > 0) {
        const size_t n = std::fread(pBuffer, 1, nLength, m_pFile);
        pBuffer += n;
        nLength -= n;
        if (nLength == 0)
            break;
        // End of the file: start again, unless a whole pass from the start gave nothing.
        if (n == 0 && bRewound)
            return false;
        if (n > 0)
            bRewound = false;
        std::clearerr(m_pFile);
        if (std::fseek(m_pFile, 0, SEEK_SET) != 0)
            return false;
        bRewound = true;
    }
    return true;
}

void CSimTsSource::Drop(uint64_t nBytes)
{
    if (m_pGenerator) {
        m_pGenerator->Drop(nBytes);
        return;
    }
    const uint64_t nPackets = (nBytes + 187) / 188;
    const long nPos = m_pFile ? std::ftell(m_pFile) : -1;
    if (nPos < 0 || std::fseek(m_pFile, 0, SEEK_END) != 0)
        return;
    const long nSize = std::ftell(m_pFile);
    uint64_t nTarget = 0;
    if (nSize > 0)
        nTarget = (static_cast<uint64_t>(nPos) + nPackets * 188) % static_cast<uint64_t>(nSize);
    std::fseek(m_pFile, static_cast<long>(nTarget), SEEK_SET);
    m_FileDropped.nDroppedBytes += nPackets * 188;
    m_FileDropped.nDroppedPackets += nPackets;
}

TsGeneratorStats CSimTsSource::Dropped() const
{
    return m_pGenerator ? m_pGenerator->Stats() : m_FileDropped;
}
