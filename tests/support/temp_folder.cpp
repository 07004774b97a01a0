#include "support/temp_folder.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace fs = std::filesystem;

TempFolder::TempFolder()
{
    char buffer[PATH_MAX];
    previous = ::getcwd(buffer, sizeof buffer) ? buffer : "/";
    std::string pattern = (fs::temp_directory_path() / "kstlupd-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path = pattern;
    if (::chdir(path.c_str()) != 0) throw std::runtime_error("chdir failed");
}

TempFolder::~TempFolder()
{
    if (::chdir(previous.c_str()) != 0) { /* nothing better to do */ }
    std::error_code ec;
    // Read-only files and folders made by tests must not stop the clean-up.
    for (auto it = fs::recursive_directory_iterator(path, ec); it != fs::recursive_directory_iterator(); it.increment(ec))
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
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

void make_dir(const std::string& path)
{
    fs::create_directories(path);
}

long long mtime_of(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return -1;
    return st.st_mtim.tv_sec;
}

void set_mtime(const std::string& path, long long t)
{
    struct utimbuf times{time_t(t), time_t(t)};
    ::utime(path.c_str(), &times);
}
