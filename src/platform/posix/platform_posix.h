// The POSIX services that fill the platform table, by service.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

int posix_process_names(std::vector<std::string>* names);
int posix_app_data_folder(std::string* out);
int posix_open_url(const char* url);
int posix_program_folder(std::string* out);
int posix_change_folder(const char* path);
int posix_message_box(const char* text, const char* title, unsigned style);
int posix_stderr_is_terminal();
void posix_show_usage(const char* text);

// The FLTK toolkit and its modal message box (needs an open display).
Toolkit fltk_toolkit();
int fltk_message_box(const char* text, const char* title, unsigned style);

// The terminal prompt behind posix_message_box, on any pair of streams: shows the
// title, the text and the buttons, and reads a line whose first letter names a
// button (Y, N, C, O; either case); Enter alone takes the first button. At end of
// input the safe answer: OK, or No where there is a No.
int prompt_message_box(FILE* in, FILE* out, const char* text, const char* title, unsigned style);
