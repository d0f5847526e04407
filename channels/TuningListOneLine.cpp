#include "channels/TuningListOneLine.h"

#include <cctype>
#include <cstring>
#include <vector>

namespace {

// The keys each system letter's fields fill, in order, and how many fields are required.
struct OneLineLayout {
    const char* pszLetter;
    const char* pszSystem;
    size_t nRequired;
    std::vector<const char*> Keys;
};

const OneLineLayout kLayouts[] = {
    {"S", "DVBS", 3, {"FREQUENCY", "POLARIZATION", "SYMBOL_RATE", "INNER_FEC"}},
    {"S1", "DVBS", 3, {"FREQUENCY", "POLARIZATION", "SYMBOL_RATE", "INNER_FEC"}},
    {"S2", "DVBS2", 3, {"FREQUENCY", "POLARIZATION", "SYMBOL_RATE", "INNER_FEC", "ROLLOFF", "MODULATION", "STREAM_ID"}},
    {"T", "DVBT", 2, {"FREQUENCY", "BANDWIDTH_HZ", "CODE_RATE_HP", "CODE_RATE_LP", "MODULATION", "TRANSMISSION_MODE",
                      "GUARD_INTERVAL", "HIERARCHY"}},
    {"T2", "DVBT2", 2, {"FREQUENCY", "BANDWIDTH_HZ", "CODE_RATE_HP", "CODE_RATE_LP", "MODULATION",
                        "TRANSMISSION_MODE", "GUARD_INTERVAL", "HIERARCHY", "STREAM_ID"}},
    {"C", "DVBC/ANNEX_A", 2, {"FREQUENCY", "SYMBOL_RATE", "INNER_FEC", "MODULATION"}},
    {"A", "ATSC", 1, {"FREQUENCY", "MODULATION"}},
};

const std::pair<const char*, const char*> kModulations[] = {
    {"QPSK", "QPSK"},       {"8PSK", "PSK/8"},       {"16APSK", "APSK/16"},   {"32APSK", "APSK/32"},
    {"QAM16", "QAM/16"},    {"QAM32", "QAM/32"},     {"QAM64", "QAM/64"},     {"QAM128", "QAM/128"},
    {"QAM256", "QAM/256"},  {"8VSB", "VSB/8"},       {"16VSB", "VSB/16"},     {"AUTO", "QAM/AUTO"},
};

const std::pair<const char*, const char*> kPolarisations[] = {
    {"H", "HORIZONTAL"}, {"V", "VERTICAL"}, {"L", "LEFT"}, {"R", "RIGHT"}};

const OneLineLayout* FindLayout(const std::string& strLetter)
{
    for (const OneLineLayout& layout : kLayouts)
        if (strLetter == layout.pszLetter)
            return &layout;
    return nullptr;
}

std::string Upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// "8MHz" -> "8000000"; "AUTO" -> "0", the sectioned format's "not given".
bool BandwidthHz(const std::string& strWord, std::string& strHz)
{
    const std::string word = Upper(strWord);
    if (word == "AUTO") {
        strHz = "0";
        return true;
    }
    const size_t nDigits = word.size() > 3 ? word.size() - 3 : 0;
    if (nDigits == 0 || nDigits > 3 || word.compare(nDigits, 3, "MHZ") != 0)
        return false;
    for (size_t i = 0; i < nDigits; ++i)
        if (!std::isdigit(static_cast<unsigned char>(word[i])))
            return false;
    strHz = word.substr(0, nDigits) + "000000";
    return true;
}

// Translates one field into the sectioned format's spelling of its key.
bool TranslateField(const char* pszKey, const std::string& strWord, std::string& strValue, std::string& strReason)
{
    if (std::strcmp(pszKey, "POLARIZATION") == 0) {
        for (const auto& p : kPolarisations)
            if (Upper(strWord) == p.first) {
                strValue = p.second;
                return true;
            }
        strReason = "polarisation \"" + strWord + "\" is not H, V, L or R";
        return false;
    }
    if (std::strcmp(pszKey, "BANDWIDTH_HZ") == 0) {
        if (BandwidthHz(strWord, strValue))
            return true;
        strReason = "bandwidth \"" + strWord + "\" is not like 8MHz";
        return false;
    }
    if (std::strcmp(pszKey, "MODULATION") == 0) {
        for (const auto& m : kModulations)
            if (Upper(strWord) == m.first) {
                strValue = m.second;
                return true;
            }
    }
    if (std::strcmp(pszKey, "TRANSMISSION_MODE") == 0) {
        strValue = Upper(strWord);
        return true;
    }
    strValue = strWord;
    return true;
}

} // namespace

bool LooksLikeOneLineEntry(const std::string& strLine)
{
    const std::vector<std::string> words = SplitBlanks(strLine);
    return !words.empty() && FindLayout(words[0]) != nullptr;
}

bool ParseOneLineEntry(const std::string& strLine, int nLine, TuningListEntry& entry, std::string& strReason)
{
    const std::vector<std::string> words = SplitBlanks(strLine);
    const OneLineLayout* pLayout = words.empty() ? nullptr : FindLayout(words[0]);
    if (!pLayout) {
        strReason = "expected a line such as \"T 506000000 8MHz ...\" or \"S 12188000 H 27500000 3/4\"";
        return false;
    }
    const size_t nFields = words.size() - 1;
    if (nFields < pLayout->nRequired || nFields > pLayout->Keys.size()) {
        strReason = "a \"" + words[0] + "\" line takes " + std::to_string(pLayout->nRequired) + " to " +
                    std::to_string(pLayout->Keys.size()) + " fields, this one has " + std::to_string(nFields);
        return false;
    }
    entry = TuningListEntry();
    entry.strName = "CHANNEL";
    entry.nLine = nLine;
    entry.Set("DELIVERY_SYSTEM", pLayout->pszSystem);
    for (size_t i = 0; i < nFields; ++i) {
        std::string strValue;
        if (!TranslateField(pLayout->Keys[i], words[i + 1], strValue, strReason))
            return false;
        entry.Set(pLayout->Keys[i], strValue);
    }
    // "A" lines carry North American cable channels as well as ATSC ones.
    if (words[0] == "A" && nFields >= 2 && Upper(words[2]).compare(0, 3, "QAM") == 0)
        entry.Set("DELIVERY_SYSTEM", "DVBC/ANNEX_B");
    return true;
}
