// Initial-tuning lists and channel files: the sectioned text format
//
//   # comment
//   [NAME]
//       KEY = VALUE
//
// read into entries, and written back. A tuning list names its sections "CHANNEL"; a channel
// file names each by its service and adds SERVICE_ID, VIDEO_PID and AUDIO_PID. Frequencies
// are in Hz, satellite ones in kHz; symbol rates in symbols per second. The older one-line
// list format ("S 12188000 H 27500000 3/4", "T 506000000 8MHz ...") is read into the same
// entries. Keys this program does not use are kept in file order, so a file read and written
// again loses nothing. Plain C++ without windows.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct TuningListEntry {
    std::string strName;
    int nLine = 0;  // line of the section header (of the line itself in the one-line format)
    std::vector<std::pair<std::string, std::string>> Keys;  // in file order

    // The value of a key, or nullptr when the entry does not have it.
    const std::string* Find(const std::string& strKey) const;
    // Replaces the value of a key in place, or appends the key.
    void Set(const std::string& strKey, const std::string& strValue);
    void SetNumber(const std::string& strKey, uint32_t nValue);
    void SetPids(const std::string& strKey, const std::vector<uint16_t>& Pids);

    // A decimal key's value; false when absent. The reader has checked every key it knows.
    bool GetNumber(const std::string& strKey, uint32_t& nValue) const;
    // A blank-separated PID list (AUDIO_PID, VIDEO_PID ...); empty when absent.
    std::vector<uint16_t> GetPids(const std::string& strKey) const;
};

enum class TuningListFormat { Sections, OneLine };

struct TuningList {
    TuningListFormat Format = TuningListFormat::Sections;
    std::vector<TuningListEntry> Entries;
};

// Where and why a file was refused. nLine 0 means the file as a whole.
struct TuningListError {
    int nLine = 0;
    std::string strReason;
    std::string Describe() const;  // "line 12: ..." or the reason alone
};

// The words of a text, as blanks (spaces, tabs) separate them.
std::vector<std::string> SplitBlanks(const std::string& strText);

// Reads either format, recognised by the first line that is neither blank nor a comment.
// A file that breaks the syntax, carries a known number that does not parse or is out of
// range, repeats a key within a section, or holds no entry, is refused as a whole.
bool ParseTuningList(const std::string& strText, TuningList& list, TuningListError& error);

// Reads a file of at most kMaxTuningListBytes.
constexpr size_t kMaxTuningListBytes = 16 * 1024 * 1024;
bool ReadTuningListFile(const std::string& strPath, TuningList& list, TuningListError& error);

// Writes entries in the sectioned format. Refuses, writing nothing, an entry whose name or
// keys would not read back the same (empty, line breaks, blanks around a name, bad key).
bool FormatChannelFile(const std::vector<TuningListEntry>& Entries, std::string& strText, TuningListError& error);

// The keys of one service that a channel file adds to the tuning keys of its entry.
struct ChannelService {
    uint16_t nServiceId = 0;
    uint16_t nPmtPid = 0;
    std::vector<uint16_t> VideoPids, AudioPids;
    std::string strVirtualChannel;  // ATSC "major.minor"; empty elsewhere
};
// A channel-file entry named strName: SERVICE_ID, VIDEO_PID and AUDIO_PID when known,
// PMT_PID, VCHANNEL when given, then the tuning keys, without the service keys that tuning
// keys read from a channel file carry from another service.
TuningListEntry MakeChannelEntry(const std::string& strName, const ChannelService& service,
                                 const TuningListEntry& tuning);

// A service name made fit for a section header: control characters dropped, blanks trimmed;
// strFallback when nothing is left.
std::string CleanChannelName(const std::string& strName, const std::string& strFallback);

// The entry named exactly so, else the first whose name matches ignoring ASCII case;
// nullptr when none. pnMatches, when given, receives how many entries carry that name.
const TuningListEntry* FindChannel(const TuningList& list, const std::string& strName, size_t* pnMatches = nullptr);
