#include "base/replace_watch.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "base/path_text.h"
#include "platform/platform.h"

namespace {

thread_local ReplaceWatch* t_watch = nullptr;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

ReplaceWatch::ReplaceWatch(std::string target_path, std::function<int()> before_replace)
    : target(std::move(target_path)), before(std::move(before_replace)), outer(t_watch)
{
    t_watch = this;
}

ReplaceWatch::~ReplaceWatch() { t_watch = outer; }

bool same_file_bytes(const std::string& a, const std::string& b)
{
    FileStatus sa, sb;
    if (!g_platform.file_status(a.c_str(), &sa) || !g_platform.file_status(b.c_str(), &sb) || !sa.is_regular ||
        !sb.is_regular || sa.size != sb.size)
        return false;
    std::unique_ptr<FILE, FileCloser> fa(g_platform.open_file(a.c_str(), "rb")),
        fb(g_platform.open_file(b.c_str(), "rb"));
    if (!fa || !fb) return false;
    std::vector<char> ca(65536), cb(65536);
    for (;;) {
        const size_t na = std::fread(ca.data(), 1, ca.size(), fa.get());
        const size_t nb = std::fread(cb.data(), 1, cb.size(), fb.get());
        if (na != nb || !std::equal(ca.begin(), ca.begin() + long(na), cb.begin())) return false;
        if (na == 0) return !std::ferror(fa.get()) && !std::ferror(fb.get());
    }
}

WatchVerdict replace_watch_verdict(const std::string& temp, const std::string& target)
{
    ReplaceWatch* watch = t_watch;
    while (watch && !same_path_name(watch->target, target)) watch = watch->outer;
    if (!watch) return WatchVerdict::Put;
    if (same_file_bytes(temp, target)) {
        // The date is what the install would have given the target (a server's date
        // that moved on with the same bytes).
        if (FileStatus t, o; g_platform.file_status(temp.c_str(), &t) && g_platform.file_status(target.c_str(), &o) &&
                             t.mtime != o.mtime)
            (void)g_platform.set_file_times(target.c_str(), t.mtime, t.mtime, t.mtime);
        return WatchVerdict::Same;
    }
    if (watch->before_result < 0) watch->before_result = watch->before ? watch->before() : 1;
    return watch->before_result ? WatchVerdict::Put : WatchVerdict::Refused;
}
