// The stream health figures of one capture or one recorded file, as the report shows them.
// A plain copy: it is made by CStreamAnalysis::Summarise and read by the formatters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PidHealth {
    uint16_t nPid = 0;
    uint64_t nPackets = 0;
    uint64_t nCcErrors = 0;
    uint64_t nScrambled = 0;
    bool bPcr = false;  // carries a PCR
};

struct StreamHealthEntry {
    uint8_t nType = 0;
    uint16_t nPid = 0;
    uint8_t nNamingTag = 0;  // the descriptor naming what private data carries, 0 for none
};

struct ProgramHealth {
    uint16_t nNumber = 0;
    uint16_t nPmtPid = 0;
    bool bPmtSeen = false;  // the PMT itself was read; the fields below come from it
    uint16_t nPcrPid = 0;
    std::vector<StreamHealthEntry> Streams;
};

// Names in UTF-8; bytes of another character table appear as \xNN escapes.
struct ServiceHealth {
    uint16_t nServiceId = 0;
    uint8_t nType = 0;
    std::string Name;
    std::string NameCharset;
    std::string Provider;
    std::string ProviderCharset;
};

struct ChannelHealth {
    bool bCable = false;  // from a cable table rather than a terrestrial one
    uint16_t nMajor = 0;
    uint16_t nMinor = 0;
    uint16_t nProgram = 0;
    std::string Name;
};

// A bitrate measured against one clock; 0 when the clock gave too little to measure.
struct RateHealth {
    uint64_t nAverageBps = 0;
    uint64_t nPeakBps = 0;  // highest over a window of at least one second
    uint64_t nMeasuredMs = 0;  // time the average covers
};

// A console capture's own figures beside the stream's: what it recorded from, where to,
// how it ended and what its writer saw. Present only in a capture's report.
struct RecordingHealth {
    bool bPresent = false;
    std::string Tuner;
    std::string Tuning;            // the tuning values as the start line shows them
    std::string Output;            // the file, the first part's name, or "-"
    uint32_t nParts = 0;
    uint64_t nDurationMs = 0;
    std::string End;               // time, size, ctrl+c, lock timeout, write failure, output closed, file too big
    int32_t nExitCode = 0;
    uint64_t nBytesWritten = 0;    // reached the output
    uint64_t nBytesDropped = 0;    // left out because the output could not keep up
    uint64_t nSamplesDropped = 0;
    uint64_t nDropEvents = 0;
    uint64_t nSkippedBytes = 0;    // outside the packet grid, not written
    uint64_t nRingBytes = 0;
    uint64_t nRingHighest = 0;
    uint64_t nLongestBlockMs = 0;  // longest single write to the output
};

struct StreamHealthSummary {
    uint64_t nBytes = 0;          // bytes fed, packets and skipped bytes alike
    uint64_t nPackets = 0;
    uint64_t nSkippedBytes = 0;   // bytes outside the packet grid
    uint64_t nSyncLosses = 0;
    uint64_t nResyncs = 0;
    uint64_t nTeiPackets = 0;     // transport_error_indicator set
    uint64_t nScrambled = 0;
    uint64_t nCcErrors = 0;
    uint64_t nPsiSections = 0;    // sections with a good CRC
    uint64_t nPsiCrcErrors = 0;
    RateHealth Arrival;           // against the arrival times given with the bytes
    RateHealth Pcr;               // against the PCR of PcrPid
    int32_t nPcrPid = -1;         // -1: no PCR seen
    int32_t nTransportStreamId = -1;  // -1: no PAT read
    std::vector<PidHealth> Pids;  // every PID seen, in PID order
    std::vector<ProgramHealth> Programs;  // in PAT order
    std::vector<ServiceHealth> Services;
    std::vector<ChannelHealth> Channels;
    RecordingHealth Recording;
};
