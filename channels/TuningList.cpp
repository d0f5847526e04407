#include "channels/TuningList.h"

#include "base/Holder.h"
#include "base/TextCompare.h"
#include "channels/TuningListOneLine.h"

#include <cctype>
#include <cstdio>
#include <sstream>

namespace {

// The keys of one service, which a channel file writes into each entry.
constexpr const char* KEY_SERVICE_ID = "SERVICE_ID";
constexpr const char* KEY_VIDEO_PID = "VIDEO_PID";
constexpr const char* KEY_AUDIO_PID = "AUDIO_PID";
constexpr const char* KEY_PMT_PID = "PMT_PID";
constexpr const char* KEY_VCHANNEL = "VCHANNEL";

// Keys this program reads or writes. Numbers are checked as the file is read so that a bad
// one is reported at its line rather than when the entry is used.
struct KnownKey {
    const char* pszKey;
    bool bNumeric;
    uint32_t nMin, nMax;
    bool bList;
    bool bService;  // belongs to one service of the multiplex
};
const KnownKey kKnownKeys[] = {
    {"FREQUENCY", true, 1, UINT32_MAX, false, false},    {"SYMBOL_RATE", true, 0, UINT32_MAX, false, false},
    {"BANDWIDTH_HZ", true, 0, UINT32_MAX, false, false}, {"STREAM_ID", true, 0, UINT32_MAX, false, false},
    {KEY_SERVICE_ID, true, 0, 0xFFFF, false, true},      {KEY_PMT_PID, true, 0, 0x1FFF, false, true},
    {KEY_VIDEO_PID, true, 0, 0x1FFF, true, true},        {KEY_AUDIO_PID, true, 0, 0x1FFF, true, true},
    {KEY_VCHANNEL, false, 0, 0, false, true},
};

bool IsServiceKey(const std::string& strKey)
{
    for (const KnownKey& known : kKnownKeys)
        if (known.bService && strKey == known.pszKey)
            return true;
    return false;
}

bool ParseDecimal(const std::string& strText, uint32_t& nValue)
{
    if (strText.empty() || strText.size() > 10)
        return false;
    uint64_t n = 0;
    for (char c : strText) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    if (n > UINT32_MAX)
        return false;
    nValue = static_cast<uint32_t>(n);
    return true;
}

std::string Trim(const std::string& s)
{
    const char* blanks = " \t";
    const size_t first = s.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

bool IsKeyName(const std::string& strKey)
{
    if (strKey.empty())
        return false;
    for (char c : strKey)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
            return false;
    return true;
}

bool CheckValue(const std::string& strKey, const std::string& strValue, std::string& strReason)
{
    for (const KnownKey& known : kKnownKeys) {
        if (!known.bNumeric || strKey != known.pszKey)
            continue;
        const std::vector<std::string> words = known.bList ? SplitBlanks(strValue) : std::vector<std::string>{strValue};
        for (const std::string& word : words) {
            uint32_t n = 0;
            if (!ParseDecimal(word, n)) {
                strReason = strKey + ": \"" + word + "\" is not a decimal number";
                return false;
            }
            if (n < known.nMin || n > known.nMax) {
                strReason = strKey + " " + word + " is out of range (" + std::to_string(known.nMin) + " to " +
                            std::to_string(known.nMax) + ")";
                return false;
            }
        }
    }
    return true;
}

bool CloseEntry(const TuningListEntry& entry, TuningListError& error)
{
    if (entry.Find("FREQUENCY"))
        return true;
    error = {entry.nLine, "[" + entry.strName + "] has no FREQUENCY"};
    return false;
}

bool ParseSections(const std::vector<std::string>& Lines, size_t nFirst, TuningList& list, TuningListError& error)
{
    for (size_t i = nFirst; i < Lines.size(); ++i) {
        const int nLine = static_cast<int>(i + 1);
        const std::string line = Trim(Lines[i]);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']' || line.size() < 2) {
                error = {nLine, "a section header must end with ']'"};
                return false;
            }
            const std::string strName = Trim(line.substr(1, line.size() - 2));
            if (strName.empty()) {
                error = {nLine, "a section needs a name between '[' and ']'"};
                return false;
            }
            if (!list.Entries.empty() && !CloseEntry(list.Entries.back(), error))
                return false;
            list.Entries.emplace_back();
            list.Entries.back().strName = strName;
            list.Entries.back().nLine = nLine;
            continue;
        }
        const size_t nEquals = line.find('=');
        if (nEquals == std::string::npos) {
            error = {nLine, "expected KEY = VALUE, '[' name ']' or a '#' comment"};
            return false;
        }
        const std::string strKey = Trim(line.substr(0, nEquals));
        const std::string strValue = Trim(line.substr(nEquals + 1));
        if (!IsKeyName(strKey)) {
            error = {nLine, "\"" + strKey + "\" is not a key (letters, digits and '_')"};
            return false;
        }
        if (list.Entries.empty()) {
            error = {nLine, strKey + " comes before any [section]"};
            return false;
        }
        TuningListEntry& entry = list.Entries.back();
        // Lists repeat keys now and then; a repeat is harmless unless it changes the value.
        if (const std::string* pEarlier = entry.Find(strKey)) {
            if (*pEarlier == strValue)
                continue;
            error = {nLine, strKey + " is given twice, with different values, in [" + entry.strName + "]"};
            return false;
        }
        if (!CheckValue(strKey, strValue, error.strReason)) {
            error.nLine = nLine;
            return false;
        }
        entry.Keys.emplace_back(strKey, strValue);
    }
    return list.Entries.empty() || CloseEntry(list.Entries.back(), error);
}

bool ParseOneLines(const std::vector<std::string>& Lines, size_t nFirst, TuningList& list, TuningListError& error)
{
    for (size_t i = nFirst; i < Lines.size(); ++i) {
        const int nLine = static_cast<int>(i + 1);
        const std::string line = Trim(Lines[i]);
        if (line.empty() || line[0] == '#')
            continue;
        TuningListEntry entry;
        if (!ParseOneLineEntry(line, nLine, entry, error.strReason)) {
            error.nLine = nLine;
            return false;
        }
        for (const auto& key : entry.Keys)
            if (!CheckValue(key.first, key.second, error.strReason)) {
                error.nLine = nLine;
                return false;
            }
        list.Entries.push_back(std::move(entry));
    }
    return true;
}

bool CanWrite(const TuningListEntry& entry, std::string& strReason)
{
    const auto hasControl = [](const std::string& s) {
        for (unsigned char c : s)
            if (c < 0x20 || c == 0x7F)
                return true;
        return false;
    };
    if (entry.strName.empty() || hasControl(entry.strName) || Trim(entry.strName) != entry.strName) {
        strReason = "channel name \"" + entry.strName + "\" is empty, has control characters or blanks around it";
        return false;
    }
    for (const auto& key : entry.Keys) {
        if (!IsKeyName(key.first)) {
            strReason = "[" + entry.strName + "]: \"" + key.first + "\" is not a key";
            return false;
        }
        if (key.second.find_first_of("\r\n") != std::string::npos || Trim(key.second) != key.second) {
            strReason = "[" + entry.strName + "]: the value of " + key.first + " has line breaks or blanks around it";
            return false;
        }
    }
    if (!entry.Find("FREQUENCY")) {
        strReason = "[" + entry.strName + "] has no FREQUENCY";
        return false;
    }
    return true;
}

} // namespace

std::vector<std::string> SplitBlanks(const std::string& strText)
{
    std::istringstream in(strText);
    std::vector<std::string> words;
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

const std::string* TuningListEntry::Find(const std::string& strKey) const
{
    for (const auto& key : Keys)
        if (key.first == strKey)
            return &key.second;
    return nullptr;
}

void TuningListEntry::Set(const std::string& strKey, const std::string& strValue)
{
    for (auto& key : Keys)
        if (key.first == strKey) {
            key.second = strValue;
            return;
        }
    Keys.emplace_back(strKey, strValue);
}

void TuningListEntry::SetNumber(const std::string& strKey, uint32_t nValue)
{
    Set(strKey, std::to_string(nValue));
}

void TuningListEntry::SetPids(const std::string& strKey, const std::vector<uint16_t>& Pids)
{
    std::string strValue;
    for (uint16_t nPid : Pids)
        strValue += (strValue.empty() ? "" : " ") + std::to_string(nPid);
    Set(strKey, strValue);
}

bool TuningListEntry::GetNumber(const std::string& strKey, uint32_t& nValue) const
{
    const std::string* pValue = Find(strKey);
    return pValue && ParseDecimal(*pValue, nValue);
}

std::vector<uint16_t> TuningListEntry::GetPids(const std::string& strKey) const
{
    std::vector<uint16_t> Pids;
    const std::string* pValue = Find(strKey);
    if (!pValue)
        return Pids;
    for (const std::string& word : SplitBlanks(*pValue)) {
        uint32_t n = 0;
        if (ParseDecimal(word, n) && n <= 0x1FFF)
            Pids.push_back(static_cast<uint16_t>(n));
    }
    return Pids;
}

std::string TuningListError::Describe() const
{
    return nLine > 0 ? "line " + std::to_string(nLine) + ": " + strReason : strReason;
}

bool ParseTuningList(const std::string& strText, TuningList& list, TuningListError& error)
{
    list = TuningList();
    error = TuningListError();
    std::vector<std::string> Lines;
    // A byte-order mark or Windows line ends come from editors; both are taken as text.
    size_t nPos = strText.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (nPos <= strText.size()) {
        size_t nEnd = strText.find('\n', nPos);
        if (nEnd == std::string::npos)
            nEnd = strText.size();
        std::string line = strText.substr(nPos, nEnd - nPos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find('\0') != std::string::npos) {
            error = {static_cast<int>(Lines.size() + 1), "holds a NUL byte: not a text file"};
            return false;
        }
        Lines.push_back(std::move(line));
        nPos = nEnd + 1;
    }

    size_t nFirst = 0;
    while (nFirst < Lines.size() && (Trim(Lines[nFirst]).empty() || Trim(Lines[nFirst])[0] == '#'))
        ++nFirst;
    if (nFirst < Lines.size() && Trim(Lines[nFirst])[0] != '[' && Lines[nFirst].find('=') == std::string::npos &&
        LooksLikeOneLineEntry(Lines[nFirst])) {
        list.Format = TuningListFormat::OneLine;
        if (!ParseOneLines(Lines, nFirst, list, error))
            return false;
    } else if (!ParseSections(Lines, nFirst, list, error)) {
        return false;
    }
    if (list.Entries.empty()) {
        error = {0, "holds no entries"};
        return false;
    }
    return true;
}

bool ReadTuningListFile(const std::string& strPath, TuningList& list, TuningListError& error)
{
    list = TuningList();
    FileHolder file(std::fopen(strPath.c_str(), "rb"));
    if (file.IsNull()) {
        error = {0, "cannot open " + strPath};
        return false;
    }
    std::string strText;
    char buffer[65536];
    size_t nRead = 0;
    while ((nRead = std::fread(buffer, 1, sizeof(buffer), file)) > 0 && strText.size() <= kMaxTuningListBytes)
        strText.append(buffer, nRead);
    const bool bFailed = std::ferror(file) != 0;
    file.Reset();
    if (bFailed) {
        error = {0, "cannot read " + strPath};
        return false;
    }
    if (strText.size() > kMaxTuningListBytes) {
        error = {0, strPath + " is larger than " + std::to_string(kMaxTuningListBytes >> 20) + " MB: not a tuning list"};
        return false;
    }
    return ParseTuningList(strText, list, error);
}

bool FormatChannelFile(const std::vector<TuningListEntry>& Entries, std::string& strText, TuningListError& error)
{
    std::string strOut;
    for (const TuningListEntry& entry : Entries) {
        error = {0, std::string()};
        if (!CanWrite(entry, error.strReason))
            return false;
        strOut += "[" + entry.strName + "]\n";
        for (const auto& key : entry.Keys)
            strOut += "\t" + key.first + " = " + key.second + "\n";
        strOut += "\n";
    }
    strText = std::move(strOut);
    return true;
}

TuningListEntry MakeChannelEntry(const std::string& strName, const ChannelService& service,
                                 const TuningListEntry& tuning)
{
    TuningListEntry entry;
    entry.strName = strName;
    entry.SetNumber(KEY_SERVICE_ID, service.nServiceId);
    if (!service.VideoPids.empty())
        entry.SetPids(KEY_VIDEO_PID, service.VideoPids);
    if (!service.AudioPids.empty())
        entry.SetPids(KEY_AUDIO_PID, service.AudioPids);
    entry.SetNumber(KEY_PMT_PID, service.nPmtPid);
    if (!service.strVirtualChannel.empty())
        entry.Set(KEY_VCHANNEL, service.strVirtualChannel);
    for (const auto& key : tuning.Keys)
        if (!IsServiceKey(key.first))
            entry.Set(key.first, key.second);
    return entry;
}

std::string CleanChannelName(const std::string& strName, const std::string& strFallback)
{
    std::string strClean;
    for (unsigned char c : strName)
        if (c >= 0x20 && c != 0x7F)
            strClean += static_cast<char>(c);
    strClean = Trim(strClean);
    return strClean.empty() ? strFallback : strClean;
}

const TuningListEntry* FindChannel(const TuningList& list, const std::string& strName, size_t* pnMatches)
{
    for (bool bExact : {true, false}) {
        const TuningListEntry* pFirst = nullptr;
        size_t nMatches = 0;
        for (const TuningListEntry& entry : list.Entries)
            if (bExact ? entry.strName == strName : EqualsIgnoringCase(entry.strName, strName)) {
                if (!pFirst)
                    pFirst = &entry;
                ++nMatches;
            }
        if (pFirst) {
            if (pnMatches)
                *pnMatches = nMatches;
            return pFirst;
        }
    }
    if (pnMatches)
        *pnMatches = 0;
    return nullptr;
}
