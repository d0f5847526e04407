// A time series kept in a fixed number of bins, however long it runs: the bins start one
// second wide; when a time falls past the last bin, neighbouring pairs are merged and the
// width doubles. Each bin type says how two of its kind merge (sums add, minima and maxima
// keep the extreme), so a one-second spike or a burst of errors stays visible in the merged
// bin. All bins are allocated with the series: recording never allocates.
// Plain C++ without windows.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

constexpr uint64_t SERIES_FIRST_BIN_US = 1000000;

template <typename Bin, size_t N>
class CBinnedSeries {
public:
    CBinnedSeries() : m_pBins(new Bin[N]) {}

    // The bin holding nTimeUs (microseconds since the series' start).
    Bin& At(uint64_t nTimeUs)
    {
        while (nTimeUs / m_nWidthUs >= N)
            Compact();
        const size_t i = static_cast<size_t>(nTimeUs / m_nWidthUs);
        if (i >= m_nUsed)
            m_nUsed = i + 1;
        return m_pBins[i];
    }

    size_t Count() const { return m_nUsed; }
    uint64_t WidthUs() const { return m_nWidthUs; }
    const Bin& operator[](size_t i) const { return m_pBins[i]; }
    static constexpr size_t Capacity() { return N; }

private:
    void Compact()
    {
        for (size_t i = 0; i < N / 2; ++i) {
            Bin merged = m_pBins[2 * i];
            merged.Merge(m_pBins[2 * i + 1]);
            m_pBins[i] = merged;
        }
        for (size_t i = N / 2; i < N; ++i)
            m_pBins[i] = Bin{};
        m_nUsed = (m_nUsed + 1) / 2;
        m_nWidthUs *= 2;
    }

    std::unique_ptr<Bin[]> m_pBins;
    size_t m_nUsed = 0;
    uint64_t m_nWidthUs = SERIES_FIRST_BIN_US;
};
