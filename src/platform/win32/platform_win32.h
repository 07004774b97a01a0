// The Windows services that fill the platform table, by service. Each is the
// system call the core's contract was shaped after; errors are the system's own
// codes, left for last_error() / inet_last_error() on the calling thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"

// Files (paths in UTF-8, as the core composes them).
std::string win32_native_path(const char* path);
int win32_file_status(const char* path, FileStatus* out);
int win32_copy_file(const char* from, const char* to, int overwrite);
int win32_move_file(const char* from, const char* to);
int win32_replace_file(const char* from, const char* to);
int win32_list_folder(const char* path, std::vector<std::string>* names);
int win32_create_directory(const char* path);
int win32_delete_file(const char* path);
int win32_remove_temp_file(const char* path);
int win32_set_file_times(const char* path, int64_t modified, int64_t accessed, int64_t created);
int win32_set_read_only(const char* path, int read_only);
FILE* win32_open_file(const char* path, const char* mode);
int win32_sync_file(FILE* file);
FILE* win32_open_exclusive_log(const char* path);
RunLock* win32_lock_run(const char* path);
void win32_unlock_run(RunLock* lock);
uint32_t win32_last_error();
void win32_set_last_error(uint32_t code);

// Processes, executables, folders and the shell.
int win32_process_names(std::vector<std::string>* names);
int win32_file_version(const char* path, FixedFileInfo* out);
int win32_program_image(const char* path, ProgramImage* out);
int win32_app_data_folder(std::string* out);
int win32_open_url(const char* url);
int win32_program_folder(std::string* out);
int win32_change_folder(const char* path);

// The command-line text after the program name of a process's command line.
std::string win32_command_text(const wchar_t* line);

// The console.
int win32_stderr_is_terminal();
void win32_show_usage(const char* text);
