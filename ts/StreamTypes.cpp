#include "ts/StreamTypes.h"

#include <cstddef>

namespace {

struct TypeRow {
    uint8_t nCode;  // stream_type, or a descriptor tag in the private table
    StreamTypeInfo Info;
};

const TypeRow TYPES[] = {
    {0x01, {"MPEG-1 video", StreamKind::Video}},
    {0x02, {"MPEG-2 video", StreamKind::Video}},
    {0x03, {"MPEG-1 audio", StreamKind::Audio}},
    {0x04, {"MPEG-2 audio", StreamKind::Audio}},
    {0x05, {"private sections", StreamKind::Data}},
    {0x06, {"private data", StreamKind::Data}},
    {0x0B, {"DSM-CC", StreamKind::Data}},
    {0x0D, {"DSM-CC sections", StreamKind::Data}},
    {0x0F, {"AAC", StreamKind::Audio}},
    {0x10, {"MPEG-4 video", StreamKind::Video}},
    {0x11, {"AAC LATM", StreamKind::Audio}},
    {0x15, {"metadata", StreamKind::Data}},
    {0x1B, {"H.264", StreamKind::Video}},
    {0x1C, {"MPEG-4 audio", StreamKind::Audio}},
    {0x20, {"H.264 MVC", StreamKind::Video}},
    {0x24, {"HEVC", StreamKind::Video}},
    {0x42, {"AVS video", StreamKind::Video}},
    {0x81, {"AC-3", StreamKind::Audio}},
    {0x82, {"SCTE subtitles", StreamKind::Subtitles}},
    {0x86, {"SCTE-35 cues", StreamKind::Data}},
    {0x87, {"E-AC-3", StreamKind::Audio}},
    {0xEA, {"VC-1", StreamKind::Video}},
};

// Private data (0x06) by the descriptor that names it.
const TypeRow PRIVATE[] = {
    {DESCRIPTOR_TELETEXT, {"teletext", StreamKind::Teletext}},
    {DESCRIPTOR_SUBTITLING, {"DVB subtitles", StreamKind::Subtitles}},
    {DESCRIPTOR_AC3, {"AC-3", StreamKind::Audio}},
    {DESCRIPTOR_ENHANCED_AC3, {"E-AC-3", StreamKind::Audio}},
    {DESCRIPTOR_DTS, {"DTS", StreamKind::Audio}},
    {DESCRIPTOR_AAC, {"AAC", StreamKind::Audio}},
};

constexpr uint8_t TYPE_PRIVATE_DATA = 0x06;

template <size_t N>
const TypeRow* Find(const TypeRow (&rows)[N], uint8_t nCode)
{
    for (const TypeRow& row : rows) {
        if (row.nCode == nCode)
            return &row;
    }
    return nullptr;
}

} // namespace

bool IsNamingDescriptor(uint8_t nTag)
{
    return Find(PRIVATE, nTag) != nullptr;
}

StreamTypeInfo DescribeStream(uint8_t nType, uint8_t nNamingTag)
{
    if (nType == TYPE_PRIVATE_DATA) {
        if (const TypeRow* pRow = Find(PRIVATE, nNamingTag))
            return pRow->Info;
    }
    if (const TypeRow* pRow = Find(TYPES, nType))
        return pRow->Info;
    return {nType >= 0x80 ? "user private" : "reserved", StreamKind::Other};
}

const char* StreamKindName(StreamKind eKind)
{
    static const char* const names[] = {"other", "video", "audio", "subtitles", "teletext", "data"};
    return names[static_cast<size_t>(eKind)];
}
