// Debug trace channels: one line behind a 12-character prefix to the debugger output.
#pragma once

constexpr int TRACE_BUFFER_SIZE = 2048;

// The tuner enumeration and the driver channel.
void QLAGET_DBG(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The control panel dialog.
void QLDise_DBG(const char* format, ...) __attribute__((format(printf, 1, 2)));
