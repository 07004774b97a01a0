#include "support/temp_folder.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <sys/stat.h>
#ifdef _WIN32
#include <sys/utime.h>
#else
#include <unistd.h>
#include <utime.h>
#endif

namespace fs = std::filesystem;

TempFolder::TempFolder()
{
    std::error_code ec;
    previous = fs::current_path(ec).string();
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
        const fs::path candidate = fs::temp_directory_path() / ("kstlupd-test-" + std::to_string(random()));
        if (fs::create_directory(candidate, ec)) path = candidate.string();
    }
    if (path.empty()) throw std::runtime_error("no temporary folder");
    fs::current_path(path, ec);
    if (ec) throw std::runtime_error("cannot enter the temporary folder");
}

TempFolder::~TempFolder()
{
    std::error_code ec;
    fs::current_path(previous, ec);
    // Read-only files and folders made by tests must not stop the clean-up.
    for (auto it = fs::recursive_directory_iterator(path, ec); it != fs::recursive_directory_iterator();
         it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path, ec);
}

void write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool path_exists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

void make_dir(const std::string& path) { fs::create_directories(path); }

std::string temp_files_in(const std::string& folder)
{
    std::string names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.path().filename().string().ends_with(".~kstlupd")) names += entry.path().filename().string() + " ";
    return names;
}

#ifdef _WIN32
long long mtime_of(const std::string& path)
{
    struct _stat64 st;
    if (::_stat64(path.c_str(), &st) != 0) return -1;
    return st.st_mtime;
}

void set_mtime(const std::string& path, long long t)
{
    struct __utimbuf64 times {
        t, t
    };
    ::_utime64(path.c_str(), &times);
}
#else
long long mtime_of(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return -1;
    return st.st_mtim.tv_sec;
}

void set_mtime(const std::string& path, long long t)
{
    struct utimbuf times {
        time_t(t), time_t(t)
    };
    ::utime(path.c_str(), &times);
}
#endif
