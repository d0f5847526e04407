#include "graph/FriendlyName.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <cwchar>

namespace {

bool g_bUtf8Names = false;

// The UTF-8 bytes of the character at pszWide (one unit, or a surrogate pair, counted in
// *pnUnits); '?' for a lone surrogate.
size_t EncodeUtf8(const wchar_t* pszWide, char* pBytes, size_t* pnUnits)
{
    uint32_t nCode = static_cast<uint16_t>(pszWide[0]);
    *pnUnits = 1;
    if (nCode >= 0xD800 && nCode <= 0xDBFF && pszWide[1] >= 0xDC00 && pszWide[1] <= 0xDFFF) {
        nCode = 0x10000 + ((nCode - 0xD800) << 10) + (static_cast<uint16_t>(pszWide[1]) - 0xDC00);
        *pnUnits = 2;
    } else if (nCode >= 0xD800 && nCode <= 0xDFFF) {
        nCode = '?';
    }
    if (nCode < 0x80) {
        pBytes[0] = static_cast<char>(nCode);
        return 1;
    }
    if (nCode < 0x800) {
        pBytes[0] = static_cast<char>(0xC0 | nCode >> 6);
        pBytes[1] = static_cast<char>(0x80 | (nCode & 0x3F));
        return 2;
    }
    if (nCode < 0x10000) {
        pBytes[0] = static_cast<char>(0xE0 | nCode >> 12);
        pBytes[1] = static_cast<char>(0x80 | (nCode >> 6 & 0x3F));
        pBytes[2] = static_cast<char>(0x80 | (nCode & 0x3F));
        return 3;
    }
    pBytes[0] = static_cast<char>(0xF0 | nCode >> 18);
    pBytes[1] = static_cast<char>(0x80 | (nCode >> 12 & 0x3F));
    pBytes[2] = static_cast<char>(0x80 | (nCode >> 6 & 0x3F));
    pBytes[3] = static_cast<char>(0x80 | (nCode & 0x3F));
    return 4;
}

} // namespace

void UseUtf8FriendlyNames()
{
    g_bUtf8Names = true;
}

size_t CopyFriendlyName(const wchar_t* pszWide, char* pszName, size_t cbName)
{
    const size_t nMaxChars = FRIENDLY_NAME_SIZE - 1;
    size_t nBytes = 0;
    mbstate_t state;
    memset(&state, 0, sizeof(state));
    for (size_t nChars = 0, nUnit = 0; pszWide && pszWide[nUnit] != L'\0' && nChars < nMaxChars; ++nChars) {
        char bytes[MB_LEN_MAX > 4 ? MB_LEN_MAX : 4];
        size_t nUnits = 1;
        size_t n = g_bUtf8Names ? EncodeUtf8(pszWide + nUnit, bytes, &nUnits) : wcrtomb(bytes, pszWide[nUnit], &state);
        nUnit += nUnits;
        if (n == static_cast<size_t>(-1)) {
            memset(&state, 0, sizeof(state));
            bytes[0] = '?';
            n = 1;
        }
        if (nBytes + n + 1 > cbName)
            break;
        memcpy(pszName + nBytes, bytes, n);
        nBytes += n;
    }
    pszName[nBytes] = '\0';
    return nBytes;
}
