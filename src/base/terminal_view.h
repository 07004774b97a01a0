// An unattended run watched on a terminal: its result lines, reports and a progress
// display of the current download on standard error, as they happen. Through a pipe
// (a scheduler, the logging program) nothing is shown: the log is the record.
#pragma once

#include <cstdint>

// True with -auto when standard error is a terminal.
bool terminal_view_on();

// One line, in place of the progress display when one is shown. Nothing when the
// view is off.
void terminal_line(const char* text);

// Starts the progress display of a download with its text ("Downloading:  ...").
void terminal_progress_start(const char* text);

// Redraws the progress display in place with the bytes received and, when the
// expected length is known, the percentage; only when what it shows has changed.
void terminal_progress(uint64_t received, uint64_t expected);

// Takes the progress display off the terminal.
void terminal_progress_end();
