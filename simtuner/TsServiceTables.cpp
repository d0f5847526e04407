#include "simtuner/TsServiceTables.h"

#include "ts/Crc32.h"
#include "ts/PsiIds.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t SERVICE_TYPE_DIGITAL_TV = 0x01;
constexpr uint8_t ATSC_SERVICE_TYPE_DIGITAL_TV = 0x02;
constexpr uint8_t ATSC_MODULATION_8VSB = 0x04;
constexpr uint8_t RUNNING = 4;
// A long section form's flags: syntax indicator and the reserved bits set (the SDT's and
// the VCT's second bit is reserved or private, set as well).
constexpr uint8_t FLAGS_SI = 0xF0;
constexpr size_t VCT_CHANNEL = 32;
constexpr size_t SHORT_NAME_UNITS = 7;

void PutBe16(uint8_t* p, uint32_t value)
{
    p[0] = static_cast<uint8_t>(value >> 8);
    p[1] = static_cast<uint8_t>(value);
}

// A DVB text: UTF-8 beyond ASCII is marked as such by its leading selector byte.
std::string DvbText(const std::string& text)
{
    const bool bAscii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; });
    return bAscii ? text : "\x15" + text;
}

// Groups entries into sections of at most PSI_MAX_TABLE_SECTION bytes, in program order.
std::vector<std::vector<uint8_t>> Group(const std::vector<uint8_t>& head,
                                        const std::vector<std::vector<uint8_t>>& entries, size_t nTrailer)
{
    std::vector<std::vector<uint8_t>> bodies(1, head);
    for (const std::vector<uint8_t>& entry : entries) {
        if (bodies.back().size() + entry.size() + nTrailer + PSI_CRC_SIZE > PSI_MAX_TABLE_SECTION)
            bodies.push_back(head);
        bodies.back().insert(bodies.back().end(), entry.begin(), entry.end());
    }
    return bodies;
}

void NumberAndClose(std::vector<std::vector<uint8_t>>& sections)
{
    for (size_t i = 0; i < sections.size(); ++i) {
        std::vector<uint8_t>& s = sections[i];
        s[6] = static_cast<uint8_t>(i);
        s[7] = static_cast<uint8_t>(sections.size() - 1);
        const size_t nBody = s.size();
        s.resize(nBody + PSI_CRC_SIZE);
        FinishSection(s.data(), s.data() + nBody, FLAGS_SI);
    }
}

} // namespace

void FinishSection(uint8_t* pSection, uint8_t* pEnd, uint8_t nFlags)
{
    const size_t nLength = static_cast<size_t>(pEnd - pSection) + PSI_CRC_SIZE - 3;
    pSection[1] = static_cast<uint8_t>(nFlags | (nLength >> 8));
    pSection[2] = static_cast<uint8_t>(nLength);
    PutSectionCrc(pSection, static_cast<size_t>(pEnd - pSection));
}

std::string ServiceName(const TsGeneratorConfig& config, uint32_t nProgram)
{
    if (nProgram >= 1 && nProgram <= config.Services.size() && !config.Services[nProgram - 1].sName.empty())
        return config.Services[nProgram - 1].sName;
    return "QLSim Service " + std::to_string(nProgram);
}

std::vector<std::vector<uint8_t>> MakeSdtSections(const TsGeneratorConfig& config)
{
    std::vector<uint8_t> head(PSI_LONG_HEADER + 3);
    head[0] = PSI_TABLE_SDT_ACTUAL;
    PutBe16(&head[3], config.nTransportStreamId);
    head[5] = 0xC1;  // version 0, current
    PutBe16(&head[8], config.nOriginalNetworkId);
    head[10] = 0xFF;
    const std::string provider = DvbText(config.sProvider);
    std::vector<std::vector<uint8_t>> entries;
    for (uint32_t n = 1; n <= config.nPrograms; ++n) {
        const std::string name = DvbText(ServiceName(config, n));
        std::vector<uint8_t> e = {0, 0, 0xFC, 0, 0, PSI_DESCRIPTOR_SERVICE, 0, SERVICE_TYPE_DIGITAL_TV};
        PutBe16(&e[0], n);
        e.push_back(static_cast<uint8_t>(provider.size()));
        e.insert(e.end(), provider.begin(), provider.end());
        e.push_back(static_cast<uint8_t>(name.size()));
        e.insert(e.end(), name.begin(), name.end());
        const size_t nDescriptors = e.size() - 5;
        e[6] = static_cast<uint8_t>(nDescriptors - 2);
        PutBe16(&e[3], (RUNNING << 13) | nDescriptors);  // running, not scrambled
        entries.push_back(e);
    }
    std::vector<std::vector<uint8_t>> sections = Group(head, entries, 0);
    NumberAndClose(sections);
    return sections;
}

std::vector<std::vector<uint8_t>> MakeVctSections(const TsGeneratorConfig& config)
{
    std::vector<uint8_t> head(PSI_LONG_HEADER + 2);
    head[0] = PSI_TABLE_TVCT;
    PutBe16(&head[3], config.nTransportStreamId);
    head[5] = 0xC1;
    head[8] = 0;  // protocol version
    std::vector<std::vector<uint8_t>> entries;
    for (uint32_t n = 1; n <= config.nPrograms; ++n) {
        std::vector<uint8_t> e(VCT_CHANNEL, 0);
        const std::u16string name = Utf16FromUtf8(ServiceName(config, n));
        // Seven UTF-16 units, never half of a surrogate pair, padded with zeros.
        size_t nUnits = std::min(name.size(), SHORT_NAME_UNITS);
        if (nUnits < name.size() && name[nUnits] >= 0xDC00 && name[nUnits] <= 0xDFFF)
            --nUnits;
        for (size_t i = 0; i < nUnits; ++i)
            PutBe16(&e[2 * i], name[i]);
        const TsService service = n <= config.Services.size() ? config.Services[n - 1] : TsService();
        const uint32_t nMajor = service.nMajor != 0 ? service.nMajor : 1;
        const uint32_t nMinor = service.nMajor != 0 ? service.nMinor : n;
        const uint32_t numbers = (0xFu << 20) | ((nMajor & 0x3FF) << 10) | (nMinor & 0x3FF);
        e[14] = static_cast<uint8_t>(numbers >> 16);
        e[15] = static_cast<uint8_t>(numbers >> 8);
        e[16] = static_cast<uint8_t>(numbers);
        e[17] = ATSC_MODULATION_8VSB;
        PutBe16(&e[22], config.nTransportStreamId);  // channel TSID, after the unused carrier frequency
        PutBe16(&e[24], n);                          // program number
        // No extended text, not access controlled, not hidden, shown in the guide.
        PutBe16(&e[26], 0x0DC0 | ATSC_SERVICE_TYPE_DIGITAL_TV);
        PutBe16(&e[28], n);       // source id
        PutBe16(&e[30], 0xFC00);  // no descriptors
        entries.push_back(e);
    }
    std::vector<std::vector<uint8_t>> sections = Group(head, entries, 2);
    for (std::vector<uint8_t>& s : sections) {
        s[9] = static_cast<uint8_t>((s.size() - head.size()) / VCT_CHANNEL);
        s.push_back(0xFC);  // no additional descriptors
        s.push_back(0x00);
    }
    NumberAndClose(sections);
    return sections;
}

std::vector<TsTablePayload> PacketizeSections(const std::vector<std::vector<uint8_t>>& sections)
{
    std::vector<TsTablePayload> payloads;
    for (const std::vector<uint8_t>& section : sections) {
        size_t pos = 0;
        while (pos < section.size()) {
            TsTablePayload payload;
            payload.bUnitStart = pos == 0;
            payload.Bytes.fill(0xFF);
            const size_t nOffset = payload.bUnitStart ? 1 : 0;
            if (payload.bUnitStart)
                payload.Bytes[0] = 0;  // the section starts right behind the pointer field
            const size_t n = std::min(section.size() - pos, payload.Bytes.size() - nOffset);
            std::memcpy(payload.Bytes.data() + nOffset, section.data() + pos, n);
            pos += n;
            payloads.push_back(payload);
        }
    }
    return payloads;
}

std::u16string Utf16FromUtf8(const std::string& text)
{
    std::u16string result;
    size_t i = 0;
    while (i < text.size()) {
        const uint8_t b = static_cast<uint8_t>(text[i]);
        const size_t nMore = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2
                                          : (b & 0xF8) == 0xF0 ? 3 : 4;
        uint32_t code = nMore == 0 ? b : nMore == 1 ? (b & 0x1Fu) : nMore == 2 ? (b & 0x0Fu) : (b & 0x07u);
        bool bOk = nMore < 4 && i + nMore < text.size();
        for (size_t k = 1; bOk && k <= nMore; ++k) {
            const uint8_t c = static_cast<uint8_t>(text[i + k]);
            bOk = (c & 0xC0) == 0x80;
            code = (code << 6) | (c & 0x3Fu);
        }
        static const uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (!bOk || code < kLeast[nMore] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            result.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            result.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            result.push_back(static_cast<char16_t>(code));
        }
        i += nMore + 1;
    }
    return result;
}
