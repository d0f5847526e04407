// Program-specific information read from a transport stream: the PAT, every PMT it names,
// the DVB SDT of the actual stream (PID 0x11) and the ATSC virtual channel tables (PID
// 0x1FFB). Sections are reassembled per PID, across packets and several to a packet, and
// checked against their CRC-32/MPEG-2. All storage is fixed and allocated with the object,
// so feeding it never allocates; tables beyond the fixed limits are left out.
#pragma once

#include "ts/PsiIds.h"
#include "ts/TsPacket.h"

#include <cstddef>
#include <cstdint>
#include <memory>

constexpr size_t PSI_MAX_PROGRAMS = 64;
constexpr size_t PSI_MAX_STREAMS = 32;    // elementary streams kept per program
constexpr size_t PSI_MAX_SERVICES = 128;
constexpr size_t PSI_MAX_CHANNELS = 128;
constexpr size_t PSI_MAX_TEXT = 256;

// A name as broadcast. DVB names start with a character-table selector: it is removed and
// named in pszCharset. UTF-8 names (selector 0x15) are kept as they are and UCS-2 names
// (0x11) are converted to UTF-8; both have bUtf8 set. Names of any other table keep their
// bytes as they are (bUtf8 clear): a reader shows bytes of 0x80 and above as escapes. The
// emphasis and line-break control codes (0x80..0x9F, or U+E080..U+E09F) are removed.
struct PsiText {
    char szText[PSI_MAX_TEXT + 1] = {};
    uint16_t nLength = 0;
    bool bUtf8 = true;
    const char* pszCharset = "";
};

struct PsiStream {
    uint8_t nType = 0;
    uint16_t nPid = 0;
    uint8_t nNamingTag = 0;  // the first descriptor naming what private data carries, 0 for none
};

struct PsiProgram {
    uint16_t nNumber = 0;
    uint16_t nPmtPid = 0;
    bool bPmtSeen = false;
    uint16_t nPcrPid = 0;
    uint32_t nStreams = 0;
    PsiStream Streams[PSI_MAX_STREAMS];
};

struct PsiService {
    uint16_t nServiceId = 0;
    uint8_t nType = 0;
    PsiText Name;
    PsiText Provider;
};

struct PsiChannel {
    uint8_t nTableId = 0;  // 0xC8 terrestrial, 0xC9 cable
    uint16_t nMajor = 0;
    uint16_t nMinor = 0;
    uint16_t nProgram = 0;
    char szName[7 * 3 + 1] = {};  // seven UTF-16 units as UTF-8
};

class CPsiTables {
public:
    CPsiTables();

    // True for the PIDs whose payload carries a table read here.
    bool Wants(uint16_t nPid) const { return m_SlotOfPid[nPid & 0x1FFF] != 0; }
    // The payload of one packet on a wanted PID, in stream order.
    void OnPayload(uint16_t nPid, const uint8_t* pPayload, size_t nLength, bool bUnitStart);
    // A packet of nPid went missing: a section being gathered there is abandoned.
    void Interrupt(uint16_t nPid);

    uint64_t Sections() const { return m_nSections; }
    // Moves each time a PAT or PMT changes a program's PIDs, so a reader can tell.
    uint64_t ProgramChanges() const { return m_nProgramChanges; }
    uint64_t CrcErrors() const { return m_nCrcErrors; }
    int32_t TransportStreamId() const { return m_nTsId; }  // -1 before a PAT

    size_t ProgramCount() const { return m_nPrograms; }
    const PsiProgram& Program(size_t i) const { return m_pPrograms[i]; }
    size_t ServiceCount() const { return m_nServices; }
    const PsiService& Service(size_t i) const { return m_pServices[i]; }
    size_t ChannelCount() const { return m_nChannels; }
    const PsiChannel& Channel(size_t i) const { return m_pChannels[i]; }

private:
    static constexpr size_t MAX_SLOTS = 3 + PSI_MAX_PROGRAMS;

    struct Slot {
        uint16_t nPid = 0;
        bool bActive = false;  // a section is being gathered
        size_t nHave = 0;
        uint8_t Data[PSI_MAX_SECTION];
    };

    uint8_t AddSlot(uint16_t nPid);
    size_t Append(Slot& slot, const uint8_t* p, size_t n);
    void OnSection(uint16_t nPid, const uint8_t* s, size_t nLength);
    void ReadPat(const uint8_t* s, size_t nLength);
    void ReadPmt(const uint8_t* s, size_t nLength);
    void ReadSdt(const uint8_t* s, size_t nLength);
    void ReadVct(const uint8_t* s, size_t nLength);
    PsiProgram* FindProgram(uint16_t nNumber);

    uint8_t m_SlotOfPid[TS_PID_COUNT] = {};  // slot index + 1, 0 for none
    std::unique_ptr<Slot[]> m_pSlots;
    size_t m_nSlots = 0;
    uint64_t m_nSections = 0;
    uint64_t m_nCrcErrors = 0;
    uint64_t m_nProgramChanges = 0;
    int32_t m_nTsId = -1;
    std::unique_ptr<PsiProgram[]> m_pPrograms;
    size_t m_nPrograms = 0;
    std::unique_ptr<PsiService[]> m_pServices;
    size_t m_nServices = 0;
    std::unique_ptr<PsiChannel[]> m_pChannels;
    size_t m_nChannels = 0;
};

// Decodes a DVB text field (selector byte first) into out, as PsiText describes.
void DecodeDvbText(const uint8_t* p, size_t nLength, PsiText& out);
