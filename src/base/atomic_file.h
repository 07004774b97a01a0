// The one way the program writes a file, so that a good file is never replaced by a
// half-written one: the bytes go to a temporary file beside the target (named with
// kTempSuffix), which is flushed to disk and renamed over the target only after
// everything was written without error; the rename itself is made durable.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

struct AppWindow;

struct AtomicFile {
    std::string target;
    std::string temp;
    FILE* file = nullptr;
    // When stamp is set, the finished file gets these times (and the read-only
    // attribute) before it takes the target's place, so the target never shows the
    // time of the write, not even after a crash.
    bool stamp = false;
    int64_t modified = 0;
    int64_t accessed = 0;
    int64_t created = 0;
    bool read_only = false;
    // Removes the temporary file when the write was never committed.
    ~AtomicFile();
};

// The fixed name beside a target that ends with kTempSuffix (the target's name +
// kTempSuffix): where a received program file waits for its checks, so that a start
// after a killed update finds it.
std::string temp_path_for(const std::string& target);

// The name of this run's temporary file for a target: the target's name, a mark
// drawn once per process, and kTempSuffix ("SAVE\KESTRL.WPX.5f3c09a1.~kstlupd"). No
// other run makes a file of that name, so a run renames into place only what it
// wrote itself, even where something removed its file under it.
std::string run_temp_path_for(const std::string& target);

// Opens a new, empty temporary file of this run for binary writing, created
// exclusively: an entry already at the name (a link included) is neither written
// through nor removed, and fails the open.
// 1 on success; 0 with the platform's last error set, and errno as the C library
// tells that failure (errno_of_error).
[[nodiscard]] int atomic_open(AtomicFile* f, const std::string& target);

// Flushes, syncs and closes the temporary file, stamps it when asked, and renames it
// over the target. 1 when the target now holds exactly what was written; 0 otherwise,
// with the temporary file removed, the target as it was, and errno set to the cause
// (the error of the failed write, sync, close or rename, not a stand-in; the
// platform's last error too where a call of the platform failed).
[[nodiscard]] int atomic_commit(AtomicFile* f);

// Closes and removes the temporary file; the target stays as it was.
void atomic_abandon(AtomicFile* f);

// Writes `target` whole, with `write` giving its bytes, through atomic_open and
// atomic_commit. 1 when written; 0 when either failed, which is reported
// (report_open_error) and leaves the target as it was.
[[nodiscard]] int atomic_write_reported(AppWindow* owner, const std::string& target,
                                        const std::function<void(FILE*)>& write);

// Copies `from` over `to` through a temporary file beside `to`; the copy keeps the
// source's modification time and permissions, and a read-only `to` is replaced too.
// 1 done; 0 with `to` as it was, no temporary file left, and the platform's last
// error (and errno) set to the cause.
[[nodiscard]] int atomic_copy(const char* from, const char* to);

// atomic_copy in two steps: the copy is made beside `to` now (1; 0 as atomic_copy
// fails) and held in `f`, and takes the place of `to` only with atomic_place. An
// AtomicFile whose copy was never placed removes it.
[[nodiscard]] int atomic_copy_staged(const char* from, const char* to, AtomicFile* f);
// Puts a staged copy in place: 1 done or nothing staged; 0 as atomic_copy fails.
[[nodiscard]] int atomic_place(AtomicFile* f);

// Deletes the files of `folder` whose names end with kTempSuffix: what an earlier,
// killed run left; `keep` (a name in that folder) stays. Returns how many were removed.
int remove_temp_files(const char* folder, const std::string& keep = {});
