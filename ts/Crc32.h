// CRC-32/MPEG-2, the check of PSI sections and of the test stream's packets.
// Plain C++ without windows.h.
#pragma once

#include <cstddef>
#include <cstdint>

// Polynomial 0x04C11DB7, register 0xFFFFFFFF, no reflection, no final XOR.
// 0xFFFFFFFF for a count of 0 or less.
uint32_t Crc32Mpeg2(const uint8_t* pData, int32_t nCount);
// Writes the CRC of a section's first nBeforeCrc bytes behind them, most significant byte
// first, as a PSI section ends; the four bytes must be there.
void PutSectionCrc(uint8_t* pSection, size_t nBeforeCrc);
