// What a scan reports: one row per frequency tried, printed as a table while the scan goes
// on or as JSON at its end, and the channel-file entries of the services it found.
// Plain C++ without windows.h.
#pragma once

#include "cli/ScanServices.h"
#include "tuner/TunePlan.h"
#include "channels/TuningList.h"

#include <cstdint>
#include <string>
#include <vector>

// How long a scan reads the tables of a locked frequency: a DVB multiplex repeats its SDT
// at least every 2 s, PAT and PMTs more often, an ATSC one its VCT every 400 ms; 5 s sees
// each of them twice.
constexpr uint32_t SCAN_SERVICE_WAIT_MS = 5000;

enum class ScanState { Skipped, NoLock, Locked };

struct ScanRow {
    std::string strTuning;       // the tuning in the dialog's units, "11362 MHz H 22000 ksps"
    uint32_t nFrequencyKHz = 0;  // the entry's or the step's frequency
    ScanState eState = ScanState::Skipped;
    std::string strReason;       // why it was skipped
    long nStrength = 0, nQuality = 0;
    bool bTablesComplete = false;  // every table was read within the wait
    std::vector<ScanService> Services;
    TuningListEntry Tuning;      // the tuning keys of its channel entries
};

struct ScanEnd {
    size_t nSteps = 0;           // frequencies to scan
    size_t nScanned = 0;         // of them tried (skipped ones included)
    bool bStopped = false;       // ended by Ctrl+C
    std::string strChannelFile;  // written, empty when none
    size_t nChannels = 0;        // entries written
};

// The tuning a step makes, for the table: satellite "11362 MHz H 22000 ksps", terrestrial
// "506000 kHz 8 MHz", cable "346000 kHz 6900 ksps QAM256", ATSC "575000 kHz".
std::string FormatScanTuning(int32_t nSourceType, const TuneValues& values);

// The tuning keys a range step's channel entries carry, as a list would give them.
TuningListEntry MakeRangeTuningKeys(int32_t nSourceType, const TuneValues& values);

std::string FormatScanHeader();
// The row's lines: its tuning and outcome, then one line per service.
std::string FormatScanRow(const ScanRow& row);
// The closing line: services found, frequencies locked, skipped, and how the scan ended.
std::string FormatScanEnd(const std::vector<ScanRow>& rows, const ScanEnd& end);
std::string FormatScanJson(const std::string& strTuner, const std::vector<ScanRow>& rows, const ScanEnd& end);

// One entry per service of every locked row: its name (else "Service <id> (<kHz> kHz)"),
// SERVICE_ID, VIDEO_PID and AUDIO_PID when known, PMT_PID, VCHANNEL for ATSC, then the
// row's tuning keys.
std::vector<TuningListEntry> MakeScanChannels(const std::vector<ScanRow>& rows);
