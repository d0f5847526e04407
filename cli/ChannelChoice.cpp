#include "cli/ChannelChoice.h"

#include "base/TextCompare.h"

namespace {

bool HasFrequency(const TuningListEntry& entry, const std::string& strFrequency)
{
    const std::string* pFrequency = entry.Find("FREQUENCY");
    if (!pFrequency || strFrequency.empty())
        return false;
    if (*pFrequency == strFrequency)
        return true;
    return pFrequency->size() > 3 && pFrequency->compare(pFrequency->size() - 3, 3, "000") == 0 &&
           pFrequency->substr(0, pFrequency->size() - 3) == strFrequency;
}

} // namespace

const TuningListEntry* FindCliChannel(const TuningList& list, const std::string& strWanted, size_t* pnMatches)
{
    // A name that holds '@' itself is taken whole first.
    const TuningListEntry* pEntry = FindChannel(list, strWanted, pnMatches);
    const size_t nAt = strWanted.rfind('@');
    if (pEntry || nAt == std::string::npos)
        return pEntry;
    const std::string name = strWanted.substr(0, nAt), frequency = strWanted.substr(nAt + 1);
    *pnMatches = 0;
    for (bool bExact : {true, false}) {
        for (const TuningListEntry& entry : list.Entries)
            if ((bExact ? entry.strName == name : EqualsIgnoringCase(entry.strName, name)) &&
                HasFrequency(entry, frequency)) {
                if (!pEntry)
                    pEntry = &entry;
                ++*pnMatches;
            }
        if (pEntry)
            return pEntry;
    }
    return nullptr;
}

std::string ChannelChoice(const TuningListEntry& entry)
{
    const std::string* pFrequency = entry.Find("FREQUENCY");
    return entry.strName + "@" + (pFrequency ? *pFrequency : std::string("?"));
}

std::string ChannelChoices(const TuningList& list, const std::string& strName)
{
    std::string choices;
    for (const TuningListEntry& entry : list.Entries)
        if (EqualsIgnoringCase(entry.strName, strName))
            choices += (choices.empty() ? "" : ", ") + ChannelChoice(entry);
    return choices;
}

std::vector<std::string> ClosestChannelNames(const TuningList& list, const std::string& strWanted, size_t nMax)
{
    std::vector<std::string> names;
    for (const TuningListEntry& entry : list.Entries)
        names.push_back(entry.strName);
    return ClosestWords(strWanted.substr(0, strWanted.rfind('@')), names, nMax);
}

void MakeChannelNamesUnique(std::vector<TuningListEntry>& entries)
{
    for (size_t i = 1; i < entries.size(); ++i) {
        auto takenBefore = [&](const std::string& name) {
            for (size_t j = 0; j < i; ++j)
                if (EqualsIgnoringCase(entries[j].strName, name))
                    return true;
            return false;
        };
        const std::string base = entries[i].strName;
        for (int n = 2; takenBefore(entries[i].strName); ++n)
            entries[i].strName = base + " (" + std::to_string(n) + ")";
    }
}
