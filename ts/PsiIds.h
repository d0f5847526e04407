// The PIDs, table ids and section sizes of the program-specific information that the
// analysis reads and the simulated tuners write. Plain C++ without windows.h.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint16_t PSI_PAT_PID = 0x0000;
constexpr uint16_t PSI_SDT_PID = 0x0011;
constexpr uint16_t PSI_PSIP_PID = 0x1FFB;

constexpr uint8_t PSI_TABLE_PAT = 0x00;
constexpr uint8_t PSI_TABLE_PMT = 0x02;
constexpr uint8_t PSI_TABLE_SDT_ACTUAL = 0x42;
constexpr uint8_t PSI_TABLE_TVCT = 0xC8;
constexpr uint8_t PSI_TABLE_CVCT = 0xC9;

constexpr uint8_t PSI_DESCRIPTOR_SERVICE = 0x48;  // an SDT entry's type, provider and name

constexpr size_t PSI_LONG_HEADER = 8;  // table_id .. last_section_number of the long form
constexpr size_t PSI_CRC_SIZE = 4;
constexpr size_t PSI_MAX_SECTION_LENGTH = 4093;  // the largest section_length of any section
constexpr size_t PSI_MAX_SECTION = 4096;         // room for any section whole
// A PAT, PMT, SDT or VCT section whole: its section_length is at most 1021.
constexpr size_t PSI_MAX_TABLE_SECTION = 1024;
