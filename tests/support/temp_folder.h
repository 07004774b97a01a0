// A temporary logging-program folder that the test works in: created empty, made
// the current folder for the test, removed with everything in it afterwards.
#pragma once

#include <string>

struct TempFolder {
    std::string path;
    std::string previous;
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
};

// Small file helpers for tests (POSIX paths relative to the current folder).
void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
bool path_exists(const std::string& path);
// The names in `folder` of the program's temporary files (ending ".~kstlupd"),
// each followed by a blank; "" when there is none.
std::string temp_files_in(const std::string& folder);
void make_dir(const std::string& path);
long long mtime_of(const std::string& path);
void set_mtime(const std::string& path, long long t);
