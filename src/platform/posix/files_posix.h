// POSIX files behind the platform seam.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"

std::string posix_native_path(const char* path);
int posix_file_status(const char* path, FileStatus* out);
int posix_copy_file(const char* from, const char* to, int overwrite);
int posix_move_file(const char* from, const char* to);
int posix_replace_file(const char* from, const char* to);
int posix_list_folder(const char* path, std::vector<std::string>* names);
int posix_create_directory(const char* path);
int posix_delete_file(const char* path);
int posix_remove_temp_file(const char* path);
int posix_set_file_times(const char* path, int64_t modified, int64_t accessed, int64_t created);
int posix_set_read_only(const char* path, int read_only);
FILE* posix_open_file(const char* path, const char* mode);
int posix_sync_file(FILE* file);
FILE* posix_open_exclusive_log(const char* path);
RunLock* posix_lock_run(const char* path);
void posix_unlock_run(RunLock* lock);
