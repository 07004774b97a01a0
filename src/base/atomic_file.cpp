#include "base/atomic_file.h"

#include <cerrno>
#include <chrono>
#include <random>
#include <vector>

#include "base/path_text.h"
#include "base/replace_watch.h"
#include "base/report.h"
#include "platform/platform.h"

namespace {

// Removes a temporary file, also one that is a copy of a read-only file, and never
// through a link planted at its name. The cause of a failure being cleaned up after
// stays as it was: errno, and the platform's last error, which the callers report.
int discard(const std::string& temp)
{
    const int saved = errno;
    const uint32_t code = g_platform.last_error();
    const int removed = g_platform.remove_temp_file(temp.c_str());
    g_platform.set_last_error(code);
    errno = saved;
    return removed;
}

// A failed call of the platform, told as the C library tells its own failures.
int platform_failed()
{
    errno = errno_of_error(g_platform.last_error());
    return 0;
}

// The last step of every write: the finished temporary file takes the target's place,
// or disappears and leaves the target alone. errno and the last error keep the cause.
int put_in_place(const std::string& temp, const std::string& target)
{
    if (const WatchVerdict verdict = replace_watch_verdict(temp, target); verdict != WatchVerdict::Put) {
        discard(temp);
        return verdict == WatchVerdict::Same;
    }
    if (g_platform.replace_file(temp.c_str(), target.c_str())) return 1;
    platform_failed();
    discard(temp);
    return 0;
}

bool ends_with_suffix(const std::string& name)
{
    const std::string suffix = kTempSuffix;
    return name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

AtomicFile::~AtomicFile() { atomic_abandon(this); }

std::string temp_path_for(const std::string& target) { return target + kTempSuffix; }

std::string run_temp_path_for(const std::string& target)
{
    // Two runs started in the same tick still draw different marks from the system.
    static const std::string mark = [] {
        uint64_t bits = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
        try {
            std::random_device device;
            bits ^= (uint64_t(device()) << 32) | device();
        } catch (...) {
        }
        char text[17];
        std::snprintf(text, sizeof text, "%08x", unsigned((bits >> 32) ^ bits));
        return std::string(text);
    }();
    return target + "." + mark + kTempSuffix;
}

int atomic_open(AtomicFile* f, const std::string& target)
{
    atomic_abandon(f);
    f->target = target;
    f->temp = run_temp_path_for(target);
    f->file = g_platform.open_file(f->temp.c_str(), "wb");
    if (!f->file) {
        f->temp.clear();
        return platform_failed();
    }
    return 1;
}

int atomic_commit(AtomicFile* f)
{
    if (!f->file) {
        errno = EBADF;
        return 0;
    }
    // errno still holds the cause of a failed write: the writer's last library call
    // was the write that failed (each later one fails the same way).
    int saved = errno;
    int ok = std::ferror(f->file) == 0;
    if (ok && !g_platform.sync_file(f->file)) {
        ok = platform_failed();
        saved = errno;
    }
    if (std::fclose(f->file) != 0 && ok) {
        ok = 0;
        saved = errno;
    }
    f->file = nullptr;
    if (ok && f->stamp) {
        if (!g_platform.set_file_times(f->temp.c_str(), f->modified, f->accessed, f->created) ||
            (f->read_only && !g_platform.set_read_only(f->temp.c_str(), 1))) {
            ok = platform_failed();
            saved = errno;
        }
    }
    if (!ok) {
        discard(f->temp);
        f->temp.clear();
        errno = saved ? saved : EIO;
        return 0;
    }
    const std::string temp = std::move(f->temp);
    f->temp.clear();
    return put_in_place(temp, f->target);
}

void atomic_abandon(AtomicFile* f)
{
    if (f->file) {
        std::fclose(f->file);
        f->file = nullptr;
    }
    if (!f->temp.empty()) {
        discard(f->temp);
        f->temp.clear();
    }
}

int atomic_copy(const char* from, const char* to)
{
    AtomicFile staged;
    return atomic_copy_staged(from, to, &staged) && atomic_place(&staged);
}

int atomic_copy_staged(const char* from, const char* to, AtomicFile* f)
{
    atomic_abandon(f);
    const std::string temp = run_temp_path_for(to);
    // A failed copy leaves no destination behind, and the cause stays readable.
    if (!g_platform.copy_file(from, temp.c_str(), 0)) return platform_failed();
    f->target = to;
    f->temp = temp;
    return 1;
}

int atomic_place(AtomicFile* f)
{
    if (f->temp.empty() || f->file) return 1;
    const std::string temp = std::move(f->temp);
    f->temp.clear();
    return put_in_place(temp, f->target);
}

int remove_temp_files(const char* folder, const std::string& keep)
{
    std::vector<std::string> names;
    if (!g_platform.list_folder(folder, &names)) return 0;
    int removed = 0;
    for (const std::string& name : names) {
        if (!ends_with_suffix(name) || name == keep) continue;
        const std::string path = join_path(folder, name);
        FileStatus status;
        if (g_platform.file_status(path.c_str(), &status) && !status.is_directory && discard(path)) ++removed;
    }
    return removed;
}

int atomic_write_reported(AppWindow* owner, const std::string& target, const std::function<void(FILE*)>& write)
{
    AtomicFile file;
    if (atomic_open(&file, target)) {
        write(file.file);
        if (atomic_commit(&file)) return 1;
    }
    report_open_error(owner, target.c_str(), errno);
    return 0;
}
