#include "simtuner/SimTsSource.h"

CSimTsSource::CSimTsSource(const TsGeneratorConfig& config)
    : m_pGenerator(new CTsGenerator(config))
{
}

CSimTsSource::CSimTsSource(FILE* pFile)
    : m_pFile(pFile)
{
}

CSimTsSource::~CSimTsSource()
{
    if (m_pFile)
        std::fclose(m_pFile);
}

bool CSimTsSource::Fill(uint8_t* pBuffer, size_t nLength)
{
    if (m_pGenerator) {
        m_pGenerator->Fill(pBuffer, nLength);
        return true;
    }
    if (!m_pFile)
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
