// The plain-text log: formatted writes, debug lines, and the bounded message buffers
// every report is composed in.
#pragma once

#include <cstddef>
#include <string>

// One formatted write to the log, flushed at once so the log can be read while the
// program runs. A failed write, or no open log, is ignored.
void log_printf(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// As log_printf, but only when -debug is given. The text should start with "DEBUG:\t".
void debug_printf(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// Formats into a buffer of `size` characters (terminator included): the result is
// cut to at most size - 1 characters, never written past.
std::string format_bounded(size_t size, const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));

// The usual message buffer size.
constexpr size_t kMessageSize = 260;
