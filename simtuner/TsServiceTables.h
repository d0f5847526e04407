// The service tables of the simulated stream as whole PSI sections, each closed by its
// CRC-32/MPEG-2: the DVB service description table of the actual stream, or the ATSC
// terrestrial virtual channel table. Windows-free.
#pragma once

#include "simtuner/TsGenerator.h"

#include <cstdint>
#include <string>
#include <vector>

// Writes the 12-bit length of the section from pSection to pEnd (its body) into bytes 1 and 2,
// under the flag bits nFlags, and appends the big-endian CRC, so that the CRC over the whole
// section is 0.
void FinishSection(uint8_t* pSection, uint8_t* pEnd, uint8_t nFlags);

// The name of a program's service, its own or "QLSim Service <program>".
std::string ServiceName(const TsGeneratorConfig& config, uint32_t nProgram);

// Sections of one table, with the section numbers filled in.
std::vector<std::vector<uint8_t>> MakeSdtSections(const TsGeneratorConfig& config);
std::vector<std::vector<uint8_t>> MakeVctSections(const TsGeneratorConfig& config);

// Each section begins a payload of its own; the rest of its last payload is stuffing.
std::vector<TsTablePayload> PacketizeSections(const std::vector<std::vector<uint8_t>>& sections);

// UTF-8 text as UTF-16 code units; a malformed byte becomes U+FFFD.
std::u16string Utf16FromUtf8(const std::string& text);
