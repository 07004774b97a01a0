// The one way problems reach the user: a log line by icon, then (unless -auto) a
// modal message box with the owner window disabled around it; and questions whose
// answers are logged after the question text.
#pragma once

#include <string>

#include "platform/platform.h"

// Logs "ERROR:\t", "WARNING:\t" or "INFO:\t" + text for the styles 16, 48 and 64
// (no line for any other style), then shows the box unless -auto; with -auto on a
// terminal the report is shown there as one line.
void report_message(AppWindow* owner, const char* text, const char* title, unsigned style);

// As report_message, with the log given `logged` and every other place (the box,
// the terminal, the line of a failed start) given `shown`.
void report_message_shown(AppWindow* owner, const char* logged, const char* shown, const char* title, unsigned style);

// As report_message, without the box: for the reports of a kind past the few that
// may open one.
void report_logged(const char* text, const char* title, unsigned style);

// "Error opening %s:\n%s" with the file name and the C library's text for errnum
// ("Not a regular file" for kErrnoNotRegularFile), cut to 128 characters, reported
// as an error titled "File Open".
void report_open_error(AppWindow* owner, const char* file, int errnum);

// Shows a question (also with -auto) with the owner disabled around it, then logs
// "%s [YES]\n", "%s [NO]\n" or "%s [CANCEL]\n". Returns the button pressed.
int ask_question(AppWindow* owner, const char* text, const char* title, unsigned style);

// The last error or warning reported, as one line ("title: text"); "" when none.
std::string last_problem_line();
