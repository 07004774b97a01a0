// Result lines of an update run: to the log and, unless -auto, into the main
// window's status list (with -auto on a terminal, there); and the transient
// progress line of a download.
#pragma once

struct AppWindow;

// The separator written before the first install line.
inline constexpr const char* kSeparator = "--------------------------------------------------------";

// Writes "%s\n" to the log and, unless -auto, puts the text into the status list at
// `position` (-1 appends). Position 0 first writes the separator ("\n%s\n\n" to the
// log, and into the list at index 0).
void statusLine(AppWindow* owner, const char* text, int position);

// A result line that tells of a failure ("... -- Internet Error", "Error backing up
// ..."): as statusLine, and kept for the end of an unattended run through a pipe,
// which it marks failed.
void status_failure_line(AppWindow* owner, const char* text, int position);

// Appends a progress line to the status list (not logged); nothing with -auto.
void status_progress_line(AppWindow* owner, const char* text);

// Deletes the last line of the status list; nothing with -auto.
void status_remove_last(AppWindow* owner);
