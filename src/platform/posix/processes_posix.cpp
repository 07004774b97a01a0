// Running process names from /proc: the base name of argv[0] (either separator, as
// programs under Wine show Windows paths there), else the kernel's short name.
#include <cctype>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/posix/platform_posix.h"

namespace {

std::string read_all(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string base_name(const std::string& path)
{
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

int posix_process_names(std::vector<std::string>* names)
{
    DIR* proc = ::opendir("/proc");
    if (!proc) return 0;
    names->clear();
    while (dirent* entry = ::readdir(proc)) {
        const std::string pid = entry->d_name;
        if (pid.empty() || !std::isdigit(static_cast<unsigned char>(pid[0]))) continue;
        std::string cmdline = read_all("/proc/" + pid + "/cmdline");
        std::string argv0 = cmdline.substr(0, cmdline.find('\0'));
        std::string name = base_name(argv0);
        if (name.empty()) {
            name = read_all("/proc/" + pid + "/comm");
            while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        }
        if (name.empty()) name = "<unknown>";
        names->push_back(name.substr(0, 260));
    }
    ::closedir(proc);
    return 1;
}
