#include "simtuner/SimText.h"

#include <cctype>
#include <cstring>

std::string TrimText(const std::string& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

std::string LowerText(const std::string& text)
{
    std::string lower = text;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::vector<std::string> SplitText(const std::string& text, const char* separators)
{
    std::vector<std::string> pieces;
    std::string piece;
    for (char c : text) {
        if (std::strchr(separators, c) && c != '\0') {
            if (!piece.empty())
                pieces.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty())
        pieces.push_back(piece);
    return pieces;
}

bool ParseUnsigned(const std::string& text, uint64_t nMax, uint64_t* pValue)
{
    std::string t = LowerText(TrimText(text));
    unsigned base = 10;
    if (t.size() > 2 && t[0] == '0' && t[1] == 'x') {
        base = 16;
        t = t.substr(2);
    }
    if (t.empty())
        return false;
    uint64_t value = 0;
    for (char c : t) {
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else
            return false;
        if (value > (nMax - digit) / base)
            return false;
        value = value * base + digit;
    }
    *pValue = value;
    return true;
}

bool ParseSigned32(const std::string& text, int32_t* pValue)
{
    std::string t = TrimText(text);
    const bool bNegative = !t.empty() && t[0] == '-';
    if (bNegative)
        t = t.substr(1);
    uint64_t magnitude = 0;
    if (!ParseUnsigned(t, bNegative ? 0x80000000ull : 0x7FFFFFFFull, &magnitude))
        return false;
    *pValue = bNegative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude)) : static_cast<int32_t>(magnitude);
    return true;
}

bool ParseYesNo(const std::string& text, bool* pValue)
{
    const std::string t = LowerText(TrimText(text));
    if (t == "yes" || t == "on" || t == "true" || t == "1") {
        *pValue = true;
        return true;
    }
    if (t == "no" || t == "off" || t == "false" || t == "0") {
        *pValue = false;
        return true;
    }
    return false;
}
