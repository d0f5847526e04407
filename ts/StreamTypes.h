// Elementary stream types in words, for every place that shows them (scan, analyze, the
// report). A PMT names a stream by its stream_type; private data (0x06) says what it
// carries only through a descriptor, so the PMT reader keeps the one descriptor tag that
// names it. Plain C++ without windows.h.
#pragma once

#include <cstdint>

enum class StreamKind : uint8_t { Other, Video, Audio, Subtitles, Teletext, Data };

struct StreamTypeInfo {
    const char* pszName;  // "MPEG-2 video", "AC-3", "private data", ...
    StreamKind eKind;
};

// The descriptor tags that name what private data carries; 0 when none of them came.
constexpr uint8_t DESCRIPTOR_TELETEXT = 0x56;
constexpr uint8_t DESCRIPTOR_SUBTITLING = 0x59;
constexpr uint8_t DESCRIPTOR_AC3 = 0x6A;
constexpr uint8_t DESCRIPTOR_ENHANCED_AC3 = 0x7A;
constexpr uint8_t DESCRIPTOR_DTS = 0x7B;
constexpr uint8_t DESCRIPTOR_AAC = 0x7C;

// True for the tags DescribeStream reads.
bool IsNamingDescriptor(uint8_t nTag);
// What a stream of nType carries; nNamingTag is the naming descriptor of its PMT entry.
StreamTypeInfo DescribeStream(uint8_t nType, uint8_t nNamingTag);
const char* StreamKindName(StreamKind eKind);
