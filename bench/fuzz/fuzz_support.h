// What every fuzz target shares: a private folder to work in, a quiet unattended
// run of the program's configuration, a log that only counts what it is given, and
// streams over the fuzzer's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Once per process, from LLVMFuzzerInitialize: makes a fresh folder (under TMPDIR,
// else /dev/shm, else /tmp) the current folder, removing those of ended runs; sets
// g_config for an -auto -debug run of version 9.6 whose log counts bytes; answers
// every message box with OK; dates in UTC.
void fuzz_setup();

// Ends the process as a finding with the reason on standard error.
[[noreturn]] void fuzz_fail(const char* what);

// The bytes written to the log since the last call; starts the next count and text.
size_t fuzz_log_taken();

// The text written to the log since the last fuzz_log_taken (its first megabyte).
const std::string& fuzz_log_text();

// A finding when the log grew by more than a fixed multiple of the input since the
// last call: no input byte may cost unbounded log output.
void fuzz_check_log(size_t input_size);

// A read stream over the bytes (not copied: they must outlive the stream).
FILE* fuzz_open_bytes(const uint8_t* data, size_t size);

// A write stream that discards what it is given.
FILE* fuzz_null_stream();

// Writes a file (a POSIX path inside the folder) whole; a finding when it cannot.
void fuzz_write_file(const char* path, const void* data, size_t size);

// The content of a file; false when it cannot be read.
bool fuzz_read_file(const char* path, std::string* out);
