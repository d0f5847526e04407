#include "ts/ServiceSelector.h"

#include "base/TextCompare.h"
#include "ts/Crc32.h"

#include <cstring>

namespace {


uint16_t Be16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

bool CurrentSection(const uint8_t* s, size_t nLength)
{
    return nLength >= 12 && (s[5] & 0x01) != 0;
}

// The service name of an SDT entry's descriptors without its character-table selector;
// false when the entry has no service descriptor.
bool ServiceName(const uint8_t* d, size_t nLength, std::string& name)
{
    for (size_t i = 0; i + 2 <= nLength; i += 2 + d[i + 1]) {
        const size_t nBody = d[i + 1];
        if (i + 2 + nBody > nLength)
            return false;
        if (d[i] != PSI_DESCRIPTOR_SERVICE || nBody < 3)
            continue;
        const uint8_t* b = d + i + 2;
        const size_t nProvider = b[1];
        if (2 + nProvider >= nBody)
            return false;
        size_t nName = b[2 + nProvider];
        const uint8_t* pName = b + 3 + nProvider;
        if (3 + nProvider + nName > nBody)
            return false;
        // A selector below 0x20 names the character table: 0x10 takes three bytes, 0x1F two.
        size_t nSkip = 0;
        if (nName && pName[0] < 0x20)
            nSkip = pName[0] == 0x10 ? 3 : pName[0] == 0x1F ? 2 : 1;
        nSkip = nSkip < nName ? nSkip : nName;
        name.assign(reinterpret_cast<const char*>(pName + nSkip), nName - nSkip);
        return true;
    }
    return false;
}

// Calls visit(entry, entryLength, serviceId) for each entry of an SDT section.
template <class Visit>
void ForEachSdtEntry(const uint8_t* s, size_t nLength, Visit visit)
{
    const size_t nEnd = nLength - 4;
    for (size_t i = 11; i + 5 <= nEnd;) {
        const size_t nDescriptors = static_cast<size_t>(s[i + 3] & 0x0F) << 8 | s[i + 4];
        if (i + 5 + nDescriptors > nEnd)
            return;
        if (!visit(s + i, 5 + nDescriptors, Be16(s + i)))
            return;
        i += 5 + nDescriptors;
    }
}

} // namespace

CServiceSelector::CServiceSelector() = default;

void CServiceSelector::SelectAll()
{
    m_eMode = Mode::All;
}

void CServiceSelector::SelectServiceId(uint16_t nServiceId)
{
    m_eMode = Mode::Service;
    m_nServiceId = nServiceId;
    m_nServiceIdSeen.store(nServiceId, std::memory_order_relaxed);
    SetState(SelectorState::WaitingForPat);
}

void CServiceSelector::SelectServiceName(const std::string& strName)
{
    m_eMode = Mode::Service;
    m_strName = strName;
    SetState(SelectorState::WaitingForName);
}

void CServiceSelector::AddPids(const CPidSet& pids)
{
    m_Extra |= pids;
    UpdatePids();
}

bool CServiceSelector::AddSink(IPacketSink* pSink)
{
    if (!pSink || m_nSinks >= MAX_SINKS)
        return false;
    m_Sinks[m_nSinks++] = pSink;
    return true;
}

void CServiceSelector::Put(const uint8_t* pPacket)
{
    if (m_eMode != Mode::Service) {
        if (m_eMode == Mode::All || m_Pass.Test(CTsPacket(pPacket).Pid()))
            Pass(pPacket);
        return;
    }
    const CTsPacket packet(pPacket);
    const uint16_t nPid = packet.Pid();
    m_nSectionPid = nPid;
    if (nPid == PSI_PAT_PID) {
        m_PatAssembler.Feed(packet, *this);
        return;
    }
    if (nPid == PSI_SDT_PID) {
        m_SdtAssembler.Feed(packet, *this);
        return;
    }
    if (static_cast<int32_t>(nPid) == m_nPmtPid) {
        if (!m_bPassing)
            HoldPmtPacket(pPacket);
        const bool bWasPassing = m_bPassing;
        m_PmtAssembler.Feed(packet, *this);
        // The packet that completed the first map table has gone out with the held ones.
        if (!bWasPassing)
            return;
    }
    if (m_bPassing && m_Pass.Test(nPid))
        Pass(pPacket);
}

void CServiceSelector::OnSection(const uint8_t* s, size_t nLength)
{
    // A table counts only on its own PID: a map table on the SDT's PID, say, is not the
    // service's, and taking it would start the output before the PAT was seen.
    if (s[0] == PSI_TABLE_PAT && m_nSectionPid == PSI_PAT_PID)
        OnPat(s, nLength);
    else if (s[0] == PSI_TABLE_PMT && static_cast<int32_t>(m_nSectionPid) == m_nPmtPid)
        OnPmt(s, nLength);
    else if (s[0] == PSI_TABLE_SDT_ACTUAL && m_nSectionPid == PSI_SDT_PID)
        OnSdt(s, nLength);
}

void CServiceSelector::OnPat(const uint8_t* s, size_t nLength)
{
    if (!CurrentSection(s, nLength))
        return;
    if (m_nServiceId < 0) {
        if (nLength <= sizeof m_LastPat) {
            memcpy(m_LastPat, s, nLength);
            m_nLastPat = nLength;
        }
        return;
    }
    int32_t nPmtPid = -1;
    for (size_t i = 8; i + 4 <= nLength - 4; i += 4)
        if (Be16(s + i) == m_nServiceId)
            nPmtPid = Be16(s + i + 2) & 0x1FFF;
    if (nPmtPid < 0) {
        if (!m_bPassing)
            SetState(SelectorState::NotInPat);
        return;
    }
    const uint16_t nTsId = Be16(s + 3);
    if (nPmtPid != m_nPmtPid || nTsId != m_nTsId) {
        // The map table moved: the old PID stops passing at once, the new one is gathered.
        if (nPmtPid != m_nPmtPid) {
            m_nPmtPid = nPmtPid;
            m_PmtAssembler.Reset();
            m_nHeld = 0;
            UpdatePids();
        }
        m_nTsId = nTsId;
        BuildPat(nTsId);
    }
    if (m_bPassing)
        EmitSection(PSI_PAT_PID, m_PatSection, sizeof m_PatSection, m_nPatCc);
    else
        SetState(SelectorState::WaitingForPmt);
}

void CServiceSelector::OnPmt(const uint8_t* s, size_t nLength)
{
    if (!CurrentSection(s, nLength) || Be16(s + 3) != m_nServiceId)
        return;
    CPidSet program;
    const uint16_t nPcrPid = Be16(s + 8) & 0x1FFF;
    if (nPcrPid != TS_PID_NULL)
        program.Set(nPcrPid);
    const size_t nEnd = nLength - 4;
    size_t i = 12 + (static_cast<size_t>(s[10] & 0x0F) << 8 | s[11]);
    while (i + 5 <= nEnd) {
        program.Set(Be16(s + i + 1) & 0x1FFF);
        i += 5 + (static_cast<size_t>(s[i + 3] & 0x0F) << 8 | s[i + 4]);
    }
    if (program != m_Program) {
        m_Program = program;
        UpdatePids();
    }
    if (!m_bPassing)
        Start();
}

void CServiceSelector::OnSdt(const uint8_t* s, size_t nLength)
{
    if (!CurrentSection(s, nLength))
        return;
    if (m_nServiceId < 0)
        ResolveName(s, nLength);
    if (!m_bPassing)
        return;
    // The service's entry alone, in a section of its own.
    ForEachSdtEntry(s, nLength, [&](const uint8_t* pEntry, size_t nEntry, uint16_t nId) {
        if (nId != m_nServiceId)
            return true;
        memcpy(m_Section, s, 11);
        memcpy(m_Section + 11, pEntry, nEntry);
        const size_t nSectionLength = 11 + nEntry + 4 - 3;
        m_Section[1] = static_cast<uint8_t>((s[1] & 0xF0) | nSectionLength >> 8);
        m_Section[2] = static_cast<uint8_t>(nSectionLength);
        m_Section[6] = 0;  // section_number
        m_Section[7] = 0;  // last_section_number
        PutSectionCrc(m_Section, 11 + nEntry);
        EmitSection(PSI_SDT_PID, m_Section, 11 + nEntry + 4, m_nSdtCc);
        return false;
    });
}

void CServiceSelector::ResolveName(const uint8_t* s, size_t nLength)
{
    std::string name;
    ForEachSdtEntry(s, nLength, [&](const uint8_t* pEntry, size_t nEntry, uint16_t nId) {
        if (!ServiceName(pEntry + 5, nEntry - 5, name))
            return true;
        if (name == m_strName) {
            m_nServiceId = nId;
            return false;
        }
        if (m_nCaseBlindId < 0 && EqualsIgnoringCase(name, m_strName))
            m_nCaseBlindId = nId;
        return true;
    });
    // A name matched ignoring case counts once every section has had its chance to match exactly.
    if (m_nServiceId < 0 && m_nCaseBlindId >= 0 && s[6] == s[7])
        m_nServiceId = m_nCaseBlindId;
    if (m_nServiceId >= 0) {
        m_nServiceIdSeen.store(m_nServiceId, std::memory_order_relaxed);
        SetState(SelectorState::WaitingForPat);
        if (m_nLastPat)
            OnPat(m_LastPat, m_nLastPat);
    }
}

void CServiceSelector::HoldPmtPacket(const uint8_t* p)
{
    if (CTsPacket(p).UnitStart())
        m_nHeld = 0;
    else if (m_nHeld == 0)
        return;  // the middle of a section whose start was not seen
    if (m_nHeld < MAX_HELD)
        memcpy(m_Held[m_nHeld++], p, TS_PACKET_SIZE);
}

void CServiceSelector::Start()
{
    m_bPassing = true;
    EmitSection(PSI_PAT_PID, m_PatSection, sizeof m_PatSection, m_nPatCc);
    for (int i = 0; i < m_nHeld; ++i)
        Pass(m_Held[i]);
    m_nHeld = 0;
    SetState(SelectorState::Passing);
}

void CServiceSelector::UpdatePids()
{
    m_Pass = m_Extra;
    if (m_eMode != Mode::Service)
        return;
    m_Pass |= m_Program;
    if (m_nPmtPid >= 0)
        m_Pass.Set(static_cast<uint16_t>(m_nPmtPid));
    // The service's own tables are rewritten: their originals never pass.
    m_Pass.Reset(PSI_PAT_PID);
    m_Pass.Reset(PSI_SDT_PID);
}

void CServiceSelector::BuildPat(uint16_t nTsId)
{
    // A new version for every change after the first, so that readers take it up.
    if (m_bPatBuilt)
        m_nPatVersion = static_cast<uint8_t>((m_nPatVersion + 1) & 0x1F);
    m_bPatBuilt = true;
    uint8_t* s = m_PatSection;
    s[0] = PSI_TABLE_PAT;
    s[1] = 0xB0;
    s[2] = 13;  // 5 header bytes after the length, one program, the CRC
    s[3] = static_cast<uint8_t>(nTsId >> 8);
    s[4] = static_cast<uint8_t>(nTsId);
    s[5] = static_cast<uint8_t>(0xC1 | m_nPatVersion << 1);
    s[6] = 0;
    s[7] = 0;
    s[8] = static_cast<uint8_t>(m_nServiceId >> 8);
    s[9] = static_cast<uint8_t>(m_nServiceId);
    s[10] = static_cast<uint8_t>(0xE0 | m_nPmtPid >> 8);
    s[11] = static_cast<uint8_t>(m_nPmtPid);
    PutSectionCrc(s, 12);
}

void CServiceSelector::EmitSection(uint16_t nPid, const uint8_t* s, size_t nLength, uint8_t& nCc)
{
    size_t nDone = 0;
    while (nDone < nLength) {
        uint8_t* p = m_Packet;
        p[0] = TS_SYNC_BYTE;
        p[1] = static_cast<uint8_t>((nDone == 0 ? 0x40 : 0) | nPid >> 8);
        p[2] = static_cast<uint8_t>(nPid);
        p[3] = static_cast<uint8_t>(0x10 | nCc);
        nCc = static_cast<uint8_t>((nCc + 1) & 0x0F);
        size_t nAt = 4;
        if (nDone == 0)
            p[nAt++] = 0;  // pointer field
        const size_t nTake = nLength - nDone < TS_PACKET_SIZE - nAt ? nLength - nDone : TS_PACKET_SIZE - nAt;
        memcpy(p + nAt, s + nDone, nTake);
        memset(p + nAt + nTake, 0xFF, TS_PACKET_SIZE - nAt - nTake);
        nDone += nTake;
        Pass(p);
    }
}

void CServiceSelector::Pass(const uint8_t* p)
{
    for (int i = 0; i < m_nSinks; ++i)
        m_Sinks[i]->Put(p);
    m_nPassed.fetch_add(1, std::memory_order_relaxed);
}

bool ParsePidList(const std::string& strList, CPidSet& pids)
{
    CPidSet parsed;
    size_t nStart = 0;
    for (;;) {
        const size_t nComma = strList.find(',', nStart);
        const std::string item = strList.substr(nStart, nComma == std::string::npos ? std::string::npos : nComma - nStart);
        const bool bHex = item.size() > 2 && item[0] == '0' && (item[1] == 'x' || item[1] == 'X');
        const size_t nDigits = bHex ? 2 : 0;
        if (item.size() <= nDigits || item.size() - nDigits > 5)
            return false;
        uint32_t nValue = 0;
        for (size_t i = nDigits; i < item.size(); ++i) {
            const char c = item[i];
            int nDigit = -1;
            if (c >= '0' && c <= '9')
                nDigit = c - '0';
            else if (bHex && c >= 'a' && c <= 'f')
                nDigit = c - 'a' + 10;
            else if (bHex && c >= 'A' && c <= 'F')
                nDigit = c - 'A' + 10;
            if (nDigit < 0)
                return false;
            nValue = nValue * (bHex ? 16 : 10) + static_cast<uint32_t>(nDigit);
        }
        if (nValue >= TS_PID_COUNT)
            return false;
        parsed.Set(static_cast<uint16_t>(nValue));
        if (nComma == std::string::npos)
            break;
        nStart = nComma + 1;
    }
    pids = parsed;
    return true;
}
