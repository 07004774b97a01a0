// What the benchmarks share: a scratch folder laid out like the program's own
// (SAVE and UPDATE), the clocks they time with, and the peak memory they show.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <system_error>
#include <unistd.h>

// Makes a fresh folder under the system's temporary folder, with SAVE and UPDATE in
// it, and works in it from then on. Its path, or empty (reported) when it cannot be.
inline std::string enter_scratch_folder()
{
    namespace fs = std::filesystem;
    std::string folder = (fs::temp_directory_path() / "kstlupd-bench-XXXXXX").string();
    if (!::mkdtemp(folder.data()) || ::chdir(folder.c_str()) != 0) {
        std::perror("temporary folder");
        return {};
    }
    fs::create_directory("SAVE");
    fs::create_directory("UPDATE");
    return folder;
}

// Leaves the scratch folder and removes it; false when it could not be left.
inline bool leave_scratch_folder(const std::string& folder)
{
    if (::chdir("/") != 0) return false;
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return true;
}

inline double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double milliseconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The largest resident memory of this process so far, in MB.
inline double peak_mb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}
