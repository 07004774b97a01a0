// An unattended run watched on a terminal: its result lines, reports and a progress
// display of the current download on standard error, as they happen. Through a pipe
// (a scheduler, the logging program) a run that went well prints nothing, so that a
// scheduler mails only failures: one that failed prints, at its end, the lines of
// the log that tell what went wrong, and the summary.
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

// Through a pipe with -auto: keeps a line of the log that tells of a problem (a
// failed result, an ERROR or WARNING report; line end included) for the end of the
// run. Nothing otherwise.
void unattended_keep(const char* logged_line);

// Marks the unattended run failed: an error was reported or an install failed.
void unattended_failed();

// The end of the run through a pipe with -auto: when it failed or `errors` is not 0,
// writes the kept lines and "INFO:\t" + summary on standard error. Nothing otherwise.
void unattended_end(const char* summary, uint32_t errors);
