#include "base/TextCompare.h"

#include <algorithm>
#include <cctype>

bool EqualsIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

namespace {

char Lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string Lowered(const std::string& text)
{
    std::string lower = text;
    for (char& c : lower)
        c = Lower(c);
    return lower;
}

} // namespace

size_t EditDistanceIgnoringCase(const std::string& a, const std::string& b)
{
    // One row of the classic table at a time.
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t nDiagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t nAbove = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, nDiagonal + (Lower(a[i - 1]) == Lower(b[j - 1]) ? 0 : 1)});
            nDiagonal = nAbove;
        }
    }
    return row[b.size()];
}

std::vector<std::string> ClosestWords(const std::string& typed, const std::vector<std::string>& candidates, size_t nMax)
{
    const size_t nLimit = std::max<size_t>(2, typed.size() / 3);
    const std::string lower = Lowered(typed);
    std::vector<std::pair<size_t, std::string>> near;
    for (const std::string& candidate : candidates) {
        const size_t nDistance = EditDistanceIgnoringCase(typed, candidate);
        const bool bHolds = !lower.empty() && Lowered(candidate).find(lower) != std::string::npos;
        if (nDistance <= nLimit || bHolds)
            near.emplace_back(bHolds ? std::min(nDistance, nLimit) : nDistance, candidate);
    }
    std::stable_sort(near.begin(), near.end(),
                     [](const std::pair<size_t, std::string>& x, const std::pair<size_t, std::string>& y) {
                         return x.first < y.first;
                     });
    std::vector<std::string> words;
    for (const auto& item : near)
        if (words.size() < nMax && std::find(words.begin(), words.end(), item.second) == words.end())
            words.push_back(item.second);
    return words;
}
