#include "base/atomic_file.h"

#include <cerrno>

#include "platform/platform.h"

AtomicFile::~AtomicFile()
{
    atomic_abandon(this);
}

std::string temp_path_for(const std::string& target)
{
    return target + ".~new";
}

int atomic_open(AtomicFile* f, const std::string& target)
{
    atomic_abandon(f);
    f->target = target;
    f->temp = temp_path_for(target);
    f->file = g_platform.open_file(f->temp.c_str(), "wb");
    return f->file != nullptr;
}

int atomic_commit(AtomicFile* f)
{
    if (!f->file) {
        errno = EBADF;
        return 0;
    }
    int saved = 0;
    int ok = std::ferror(f->file) == 0 && std::fflush(f->file) == 0;
    if (!ok) saved = errno;
    if (ok && !g_platform.sync_file(f->file)) {
        ok = 0;
        saved = errno;
    }
    if (std::fclose(f->file) != 0 && ok) {
        ok = 0;
        saved = errno;
    }
    f->file = nullptr;
    if (ok && !g_platform.move_file(f->temp.c_str(), f->target.c_str())) {
        ok = 0;
        saved = EIO;
    }
    if (!ok) {
        g_platform.delete_file(f->temp.c_str());
        errno = saved ? saved : EIO;
        return 0;
    }
    f->temp.clear();
    return 1;
}

void atomic_abandon(AtomicFile* f)
{
    if (f->file) {
        std::fclose(f->file);
        f->file = nullptr;
    }
    if (!f->temp.empty()) {
        g_platform.delete_file(f->temp.c_str());
        f->temp.clear();
    }
}
