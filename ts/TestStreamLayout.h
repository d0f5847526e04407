// The test stream that the simulated tuners send and the test-stream checker reads: on PID
// 0x100, a 32-bit sequence number at offset 4 and a CRC-32/MPEG-2 of bytes 0..183 at offset
// 184, both little-endian. Plain C++ without windows.h.
#pragma once

#include <cstdint>

constexpr int32_t TS_TEST_PID = 0x100;
constexpr int32_t TS_TEST_SEQ_OFFSET = 4;
constexpr int32_t TS_TEST_CRC_OFFSET = 184;
