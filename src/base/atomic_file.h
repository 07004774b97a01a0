// Writing a file so that a good file is never replaced by a half-written one: the
// bytes go to a temporary file beside the target, which is renamed over the target
// only after everything was written and flushed without error.
#pragma once

#include <cstdio>
#include <string>

struct AtomicFile {
    std::string target;
    std::string temp;
    FILE* file = nullptr;
    // Removes the temporary file when the write was never committed.
    ~AtomicFile();
};

// Name of the temporary file used for a target.
std::string temp_path_for(const std::string& target);

// Opens the temporary file for binary writing. 1 on success; 0 with errno set.
[[nodiscard]] int atomic_open(AtomicFile* f, const std::string& target);

// Flushes, syncs and closes the temporary file and renames it over the target.
// 1 when the target now holds exactly what was written; 0 otherwise, with the
// temporary file removed, the target as it was and errno set.
[[nodiscard]] int atomic_commit(AtomicFile* f);

// Closes and removes the temporary file; the target stays as it was.
void atomic_abandon(AtomicFile* f);
