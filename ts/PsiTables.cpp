#include "ts/PsiTables.h"

#include "ts/Crc32.h"
#include "ts/StreamTypes.h"

#include <algorithm>
#include <cstring>

namespace {


uint16_t Be16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

// Appends code point cp as UTF-8 when it fits whole.
void PutUtf8(char* pOut, uint16_t& nLength, size_t nCapacity, uint32_t cp)
{
    char b[3];
    size_t n;
    if (cp < 0x80) {
        b[0] = static_cast<char>(cp);
        n = 1;
    } else if (cp < 0x800) {
        b[0] = static_cast<char>(0xC0 | cp >> 6);
        b[1] = static_cast<char>(0x80 | (cp & 0x3F));
        n = 2;
    } else {
        b[0] = static_cast<char>(0xE0 | cp >> 12);
        b[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        b[2] = static_cast<char>(0x80 | (cp & 0x3F));
        n = 3;
    }
    if (nLength + n > nCapacity)
        return;
    std::memcpy(pOut + nLength, b, n);
    nLength = static_cast<uint16_t>(nLength + n);
}

// UTF-16 units from big-endian byte pairs, surrogates as U+FFFD (names are BMP text),
// DVB control codes dropped, stopping at a NUL.
void Utf16BeToUtf8(const uint8_t* p, size_t nUnits, char* pOut, uint16_t& nLength, size_t nCapacity, bool bDvbControls)
{
    for (size_t i = 0; i < nUnits; ++i) {
        uint32_t cp = Be16(p + 2 * i);
        if (cp == 0)
            break;
        if (bDvbControls && cp >= 0xE080 && cp <= 0xE09F)
            continue;
        if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = 0xFFFD;
        PutUtf8(pOut, nLength, nCapacity, cp);
    }
    pOut[nLength] = '\0';
}

const char* Iso8859Name(unsigned n)
{
    static const char* const names[] = {"iso-8859-1", "iso-8859-2", "iso-8859-3", "iso-8859-4", "iso-8859-5",
                                        "iso-8859-6", "iso-8859-7", "iso-8859-8", "iso-8859-9", "iso-8859-10",
                                        "iso-8859-11", "reserved", "iso-8859-13", "iso-8859-14", "iso-8859-15"};
    return n >= 1 && n <= 15 ? names[n - 1] : "reserved";
}

} // namespace

void DecodeDvbText(const uint8_t* p, size_t nLength, PsiText& out)
{
    out = PsiText{};
    out.pszCharset = "iso-6937";  // the default table, when no selector comes first
    size_t start = 0;
    bool bSingleByte = true;
    bool bUtf8 = false;
    if (nLength > 0 && p[0] < 0x20) {
        const uint8_t sel = p[0];
        start = 1;
        if (sel >= 0x01 && sel <= 0x0B) {
            out.pszCharset = Iso8859Name(sel + 4u);
        } else if (sel == 0x10) {
            start = 3;
            out.pszCharset = nLength >= 3 ? Iso8859Name(Be16(p + 1)) : "reserved";
        } else if (sel == 0x11) {
            out.pszCharset = "ucs-2";
            const size_t nUnits = (nLength - 1) / 2;
            Utf16BeToUtf8(p + 1, nUnits, out.szText, out.nLength, PSI_MAX_TEXT, true);
            return;
        } else if (sel == 0x15) {
            out.pszCharset = "utf-8";
            bUtf8 = true;
            bSingleByte = false;
        } else if (sel >= 0x12 && sel <= 0x14) {
            static const char* const names[] = {"ksx1001", "gb2312", "big5"};
            out.pszCharset = names[sel - 0x12];
            bSingleByte = false;
        } else {
            start = sel == 0x1F ? 2 : 1;
            out.pszCharset = sel == 0x1F ? "encoding-type-id" : "reserved";
            bSingleByte = false;
        }
    }
    out.bUtf8 = bUtf8;
    for (size_t i = start; i < nLength && out.nLength < PSI_MAX_TEXT; ++i) {
        const uint8_t b = p[i];
        if (bSingleByte && b >= 0x80 && b <= 0x9F)
            continue;
        // U+E080..U+E09F, the control codes in UTF-8.
        if (out.bUtf8 && b == 0xEE && i + 2 < nLength && p[i + 1] == 0x82 && p[i + 2] >= 0x80 && p[i + 2] <= 0x9F) {
            i += 2;
            continue;
        }
        out.szText[out.nLength++] = static_cast<char>(b);
    }
    out.szText[out.nLength] = '\0';
}

CPsiTables::CPsiTables()
    : m_pSlots(new Slot[MAX_SLOTS])
    , m_pPrograms(new PsiProgram[PSI_MAX_PROGRAMS])
    , m_pServices(new PsiService[PSI_MAX_SERVICES])
    , m_pChannels(new PsiChannel[PSI_MAX_CHANNELS])
{
    AddSlot(PSI_PAT_PID);
    AddSlot(PSI_SDT_PID);
    AddSlot(PSI_PSIP_PID);
}

uint8_t CPsiTables::AddSlot(uint16_t nPid)
{
    if (m_SlotOfPid[nPid] == 0 && m_nSlots < MAX_SLOTS) {
        m_pSlots[m_nSlots].nPid = nPid;
        m_SlotOfPid[nPid] = static_cast<uint8_t>(++m_nSlots);
    }
    return m_SlotOfPid[nPid];
}

void CPsiTables::Interrupt(uint16_t nPid)
{
    if (Wants(nPid))
        m_pSlots[m_SlotOfPid[nPid & 0x1FFF] - 1].bActive = false;
}

void CPsiTables::OnPayload(uint16_t nPid, const uint8_t* p, size_t n, bool bUnitStart)
{
    if (!Wants(nPid))
        return;
    Slot& slot = m_pSlots[m_SlotOfPid[nPid & 0x1FFF] - 1];
    if (!bUnitStart) {
        if (slot.bActive)
            Append(slot, p, n);
        return;
    }
    if (n == 0)
        return;
    const size_t nPointer = p[0];
    ++p;
    --n;
    if (nPointer > n) {
        slot.bActive = false;
        return;
    }
    // The bytes before the pointed-to start end the section in progress.
    if (slot.bActive)
        Append(slot, p, nPointer);
    p += nPointer;
    n -= nPointer;
    // Then sections follow each other until stuffing (0xFF) or the packet's end.
    while (n > 0 && p[0] != 0xFF) {
        slot.bActive = true;
        slot.nHave = 0;
        const size_t nUsed = Append(slot, p, n);
        if (slot.bActive)
            break;
        p += nUsed;
        n -= nUsed;
    }
}

// Adds bytes to the section in progress and hands it on once whole; returns the bytes used.
size_t CPsiTables::Append(Slot& slot, const uint8_t* p, size_t n)
{
    size_t nUsed = 0;
    if (slot.nHave < 3) {
        const size_t k = std::min(n, 3 - slot.nHave);
        std::memcpy(slot.Data + slot.nHave, p, k);
        slot.nHave += k;
        nUsed = k;
        if (slot.nHave < 3)
            return nUsed;
    }
    const size_t nSectionLength = static_cast<size_t>(Be16(slot.Data + 1) & 0x0FFF);
    if (nSectionLength > PSI_MAX_SECTION_LENGTH) {
        slot.bActive = false;
        return n;
    }
    const size_t nTotal = 3 + nSectionLength;
    const size_t k = std::min(n - nUsed, nTotal - slot.nHave);
    std::memcpy(slot.Data + slot.nHave, p + nUsed, k);
    slot.nHave += k;
    nUsed += k;
    if (slot.nHave == nTotal) {
        slot.bActive = false;
        OnSection(slot.nPid, slot.Data, nTotal);
    }
    return nUsed;
}

void CPsiTables::OnSection(uint16_t nPid, const uint8_t* s, size_t nLength)
{
    // Every table read here has the long form, which ends in a CRC.
    if (!(s[1] & 0x80) || nLength < PSI_LONG_HEADER + PSI_CRC_SIZE)
        return;
    if (Crc32Mpeg2(s, static_cast<int32_t>(nLength)) != 0) {
        ++m_nCrcErrors;
        return;
    }
    ++m_nSections;
    if (!(s[5] & 0x01))  // not yet applicable (current_next_indicator 0)
        return;
    const uint8_t nTable = s[0];
    if (nPid == PSI_PAT_PID && nTable == PSI_TABLE_PAT)
        ReadPat(s, nLength);
    else if (nPid == PSI_SDT_PID && nTable == PSI_TABLE_SDT_ACTUAL)
        ReadSdt(s, nLength);
    else if (nPid == PSI_PSIP_PID && (nTable == PSI_TABLE_TVCT || nTable == PSI_TABLE_CVCT))
        ReadVct(s, nLength);
    else if (nTable == PSI_TABLE_PMT)
        ReadPmt(s, nLength);
}

PsiProgram* CPsiTables::FindProgram(uint16_t nNumber)
{
    for (size_t i = 0; i < m_nPrograms; ++i) {
        if (m_pPrograms[i].nNumber == nNumber)
            return &m_pPrograms[i];
    }
    if (m_nPrograms == PSI_MAX_PROGRAMS)
        return nullptr;
    PsiProgram& program = m_pPrograms[m_nPrograms++];
    program = PsiProgram{};
    program.nNumber = nNumber;
    return &program;
}

void CPsiTables::ReadPat(const uint8_t* s, size_t nLength)
{
    m_nTsId = Be16(s + 3);
    const size_t end = nLength - PSI_CRC_SIZE;
    for (size_t pos = PSI_LONG_HEADER; pos + 4 <= end; pos += 4) {
        const uint16_t nNumber = Be16(s + pos);
        const uint16_t nPid = Be16(s + pos + 2) & 0x1FFF;
        if (nNumber == 0)  // the network information PID, no program
            continue;
        const size_t nPrograms = m_nPrograms;
        PsiProgram* pProgram = FindProgram(nNumber);
        if (!pProgram)
            continue;
        if (m_nPrograms != nPrograms || pProgram->nPmtPid != nPid)
            ++m_nProgramChanges;
        pProgram->nPmtPid = nPid;
        AddSlot(nPid);
    }
}

void CPsiTables::ReadPmt(const uint8_t* s, size_t nLength)
{
    const size_t end = nLength - PSI_CRC_SIZE;
    if (end < 12)
        return;
    PsiProgram* pProgram = FindProgram(Be16(s + 3));
    if (!pProgram)
        return;
    const PsiProgram before = *pProgram;
    pProgram->bPmtSeen = true;
    pProgram->nPcrPid = Be16(s + 8) & 0x1FFF;
    pProgram->nStreams = 0;
    size_t pos = 12 + (Be16(s + 10) & 0x0FFF);
    while (pos + 5 <= end) {
        const size_t nInfo = Be16(s + pos + 3) & 0x0FFF;
        if (pProgram->nStreams < PSI_MAX_STREAMS) {
            PsiStream& stream = pProgram->Streams[pProgram->nStreams++];
            stream.nType = s[pos];
            stream.nPid = Be16(s + pos + 1) & 0x1FFF;
            stream.nNamingTag = 0;
            const size_t dend = std::min(end, pos + 5 + nInfo);
            for (size_t d = pos + 5; d + 2 <= dend && stream.nNamingTag == 0; d += 2 + s[d + 1]) {
                if (IsNamingDescriptor(s[d]))
                    stream.nNamingTag = s[d];
            }
        }
        pos += 5 + nInfo;
    }
    bool bChanged = !before.bPmtSeen || before.nStreams != pProgram->nStreams;
    for (uint32_t i = 0; i < pProgram->nStreams && !bChanged; ++i)
        bChanged = before.Streams[i].nPid != pProgram->Streams[i].nPid;
    if (bChanged)
        ++m_nProgramChanges;
}

void CPsiTables::ReadSdt(const uint8_t* s, size_t nLength)
{
    const size_t end = nLength - PSI_CRC_SIZE;
    size_t pos = 11;  // after original_network_id and a reserved byte
    while (pos + 5 <= end) {
        const uint16_t nServiceId = Be16(s + pos);
        const size_t dend = pos + 5 + (Be16(s + pos + 3) & 0x0FFF);
        if (dend > end)
            return;
        PsiService* pService = nullptr;
        for (size_t i = 0; i < m_nServices && !pService; ++i) {
            if (m_pServices[i].nServiceId == nServiceId)
                pService = &m_pServices[i];
        }
        if (!pService && m_nServices < PSI_MAX_SERVICES) {
            pService = &m_pServices[m_nServices++];
            *pService = PsiService{};
            pService->nServiceId = nServiceId;
        }
        for (size_t d = pos + 5; pService && d + 2 <= dend;) {
            const uint8_t nTag = s[d];
            const size_t nDescLength = s[d + 1];
            const uint8_t* pBody = s + d + 2;
            d += 2 + nDescLength;
            if (d > dend)
                break;
            if (nTag != PSI_DESCRIPTOR_SERVICE || nDescLength < 3)
                continue;
            const size_t nProvider = pBody[1];
            if (2 + nProvider + 1 > nDescLength)
                continue;
            const size_t nName = pBody[2 + nProvider];
            if (3 + nProvider + nName > nDescLength)
                continue;
            pService->nType = pBody[0];
            DecodeDvbText(pBody + 2, nProvider, pService->Provider);
            DecodeDvbText(pBody + 3 + nProvider, nName, pService->Name);
        }
        pos = dend;
    }
}

void CPsiTables::ReadVct(const uint8_t* s, size_t nLength)
{
    constexpr size_t CHANNEL_SIZE = 32;  // fixed part of one channel, before its descriptors
    const size_t end = nLength - PSI_CRC_SIZE;
    if (end < 10)
        return;
    const size_t nChannels = s[9];
    size_t pos = 10;
    for (size_t i = 0; i < nChannels && pos + CHANNEL_SIZE <= end; ++i) {
        const uint8_t* c = s + pos;
        const uint16_t nMajor = static_cast<uint16_t>((c[14] & 0x0F) << 6 | c[15] >> 2);
        const uint16_t nMinor = static_cast<uint16_t>((c[15] & 0x03) << 8 | c[16]);
        PsiChannel* pChannel = nullptr;
        for (size_t k = 0; k < m_nChannels && !pChannel; ++k) {
            if (m_pChannels[k].nMajor == nMajor && m_pChannels[k].nMinor == nMinor)
                pChannel = &m_pChannels[k];
        }
        if (!pChannel && m_nChannels < PSI_MAX_CHANNELS)
            pChannel = &m_pChannels[m_nChannels++];
        if (pChannel) {
            *pChannel = PsiChannel{};
            pChannel->nTableId = s[0];
            pChannel->nMajor = nMajor;
            pChannel->nMinor = nMinor;
            pChannel->nProgram = Be16(c + 24);
            uint16_t nName = 0;
            Utf16BeToUtf8(c, 7, pChannel->szName, nName, sizeof(pChannel->szName) - 1, false);
        }
        pos += CHANNEL_SIZE + (Be16(c + 30) & 0x03FF);
    }
}
