#include "platform/posix/files_posix.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/posix/error_codes.h"

namespace {

bool exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// The entry of `folder` whose name equals `name` ignoring case, or `name` itself.
std::string match_case(const std::string& folder, const std::string& name)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return name;
    std::string found = name;
    while (dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// Leaves the Windows code of errno as the thread's last error (the lookup may look
// at the disk itself, which must not change the cause).
bool fail(const char* native)
{
    const int saved = errno;
    set_last_error(windows_error_from_errno(saved, native));
    errno = saved;
    return false;
}

// What Windows calls read-only: a file nobody may write, its owner included.
bool read_only(const struct stat& st) { return S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR); }

// Unlinks a file, never a folder; with `keep_read_only` a read-only file stays as well.
int remove_entry(const char* path, bool keep_read_only)
{
    const std::string native = posix_native_path(path);
    struct stat st;
    if (::lstat(native.c_str(), &st) == 0 && (S_ISDIR(st.st_mode) || (keep_read_only && read_only(st)))) {
        errno = EACCES;
        return fail(native.c_str());
    }
    if (::unlink(native.c_str()) == 0) return 1;
    return fail(native.c_str());
}

std::string folder_of(const std::string& native)
{
    const size_t cut = native.find_last_of('/');
    if (cut == std::string::npos) return ".";
    return cut == 0 ? "/" : native.substr(0, cut);
}

// A rename is only durable once the folder that holds the entry is on disk.
void sync_folder(const std::string& folder)
{
    const int saved = errno;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
    errno = saved;
}

// Copies the bytes of one open file into another; 0 with errno on failure.
int copy_bytes(int in, int out)
{
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return 0;
        }
        if (n == 0) return 1;
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(out, buffer.data() + done, size_t(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                return 0;
            }
            done += w;
        }
    }
}

// Opens a file (to read it unless `flags` say otherwise). Non-blocking first, so that
// a FIFO without a writer (or a device) cannot stop the run, and only then judged by
// what was opened, so nothing can be swapped in between. -1 with errno: EISDIR for a
// folder, kErrnoNotRegularFile for anything else that is not a plain file (with
// O_NOFOLLOW, a link at the name too).
int open_regular(const std::string& native, int flags = O_RDONLY, mode_t mode = 0)
{
    const int fd = ::open(native.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
    if (fd < 0) {
        // A link (ELOOP), or a FIFO without a reader opened to write (ENXIO).
        if ((flags & O_NOFOLLOW) && (errno == ELOOP || errno == ENXIO)) errno = kErrnoNotRegularFile;
        return -1;
    }
    struct stat st;
    int err = 0;
    if (::fstat(fd, &st) != 0) err = errno;
    else if (S_ISDIR(st.st_mode)) err = EISDIR;
    else if (!S_ISREG(st.st_mode)) err = kErrnoNotRegularFile;
    else if (const int status = ::fcntl(fd, F_GETFL); status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0)
        err = errno;
    if (err == 0) return fd;
    ::close(fd);
    errno = err;
    return -1;
}

int set_times(const std::string& native, const struct timespec& mtime)
{
    struct timespec times[2] = {mtime, mtime};
    return ::utimensat(AT_FDCWD, native.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace

std::string posix_native_path(const char* path)
{
    std::string text = path ? path : "";
    for (char& c : text)
        if (c == '\\') c = '/';
    if (text.empty() || exists(text)) return text;

    // Walk the components, taking the case the folder has where ours is not there.
    std::string result;
    size_t pos = 0;
    if (text[0] == '/') {
        result = "/";
        pos = 1;
    }
    while (pos <= text.size()) {
        size_t next = text.find('/', pos);
        if (next == std::string::npos) next = text.size();
        std::string part = text.substr(pos, next - pos);
        if (!part.empty()) {
            std::string candidate = result + part;
            if (!exists(candidate) && part != "." && part != "..") {
                std::string folder = result.empty() ? "." : result;
                candidate = result + match_case(folder, part);
            }
            result = candidate;
        }
        if (next < text.size()) result += '/';
        pos = next + 1;
    }
    return result;
}

int posix_file_status(const char* path, FileStatus* out)
{
    const std::string native = posix_native_path(path);
    struct stat st;
    if (::stat(native.c_str(), &st) != 0) return fail(native.c_str());
    out->mtime = int64_t(st.st_mtim.tv_sec);
    out->size = uint64_t(st.st_size);
    out->is_directory = S_ISDIR(st.st_mode);
    out->is_regular = S_ISREG(st.st_mode);
    return 1;
}

int posix_copy_file(const char* from, const char* to, int overwrite)
{
    const std::string src = posix_native_path(from);
    const std::string dst = posix_native_path(to);
    int in = open_regular(src);
    if (in < 0) return fail(src.c_str());
    struct stat st;
    if (::fstat(in, &st) != 0) {
        int saved = errno;
        ::close(in);
        errno = saved;
        return fail(src.c_str());
    }
    int flags = O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | (overwrite ? 0 : O_EXCL);
    int out = ::open(dst.c_str(), flags, st.st_mode & 0777 ? st.st_mode & 0777 : 0644);
    if (out < 0) {
        int saved = errno;
        ::close(in);
        errno = saved;
        return fail(dst.c_str());
    }
    int ok = copy_bytes(in, out);
    if (ok && ::fsync(out) != 0 && errno != EINVAL && errno != EROFS) ok = 0;
    int saved = errno;
    ::close(in);
    if (::close(out) != 0 && ok) {
        ok = 0;
        saved = errno;
    }
    if (!ok) {
        ::unlink(dst.c_str());
        errno = saved;
        return fail(dst.c_str());
    }
    set_times(dst, st.st_mtim);
    return 1;
}

int posix_move_file(const char* from, const char* to)
{
    const std::string src = posix_native_path(from);
    const std::string dst = posix_native_path(to);
    if (::rename(src.c_str(), dst.c_str()) == 0) return 1;
    if (errno != EXDEV) return fail(dst.c_str());
    // Across volumes: copy beside the destination, then rename into place.
    const std::string temp = dst + kTempSuffix;
    ::unlink(temp.c_str());
    if (!posix_copy_file(src.c_str(), temp.c_str(), 0)) return 0;
    if (!posix_replace_file(temp.c_str(), dst.c_str())) {
        ::unlink(temp.c_str());
        return 0;
    }
    ::unlink(src.c_str());
    return 1;
}

int posix_replace_file(const char* from, const char* to)
{
    const std::string src = posix_native_path(from);
    const std::string dst = posix_native_path(to);
    // A read-only destination is no obstacle: rename needs only the folder's permission.
    if (::rename(src.c_str(), dst.c_str()) != 0) return fail(dst.c_str());
    // The file is in place now whatever the folder sync says; the disk that fails it
    // fails the next write too.
    sync_folder(folder_of(dst));
    return 1;
}

int posix_list_folder(const char* path, std::vector<std::string>* names)
{
    const std::string native = posix_native_path(path);
    DIR* dir = ::opendir(native.empty() ? "." : native.c_str());
    if (!dir) return fail(native.c_str());
    names->clear();
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names->push_back(name);
    }
    ::closedir(dir);
    return 1;
}

int posix_create_directory(const char* path)
{
    const std::string native = posix_native_path(path);
    if (::mkdir(native.c_str(), 0777) == 0) return 1;
    if (errno != EEXIST) return fail(native.c_str());
    set_last_error(kErrorAlreadyExists);
    return 0;
}

int posix_delete_file(const char* path) { return remove_entry(path, true); }

// unlink removes a link itself and needs no write permission of the file.
int posix_remove_temp_file(const char* path) { return remove_entry(path, false); }

int posix_set_file_times(const char* path, int64_t modified, int64_t accessed, int64_t)
{
    const std::string native = posix_native_path(path);
    struct timespec times[2] = {};
    times[0].tv_sec = time_t(accessed);
    times[1].tv_sec = time_t(modified);
    if (::utimensat(AT_FDCWD, native.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0) return 1;
    return fail(native.c_str());
}

int posix_set_read_only(const char* path, int read_only)
{
    const std::string native = posix_native_path(path);
    struct stat st;
    if (::lstat(native.c_str(), &st) != 0) return fail(native.c_str());
    // What a link points at may lie anywhere; removing the link needs no permission of it.
    if (S_ISLNK(st.st_mode)) {
        if (!read_only) return 1;
        errno = EACCES;
        return fail(native.c_str());
    }
    mode_t mode = st.st_mode & 07777;
    mode = read_only ? mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH) : mode | S_IWUSR;
    // Not through a link swapped in since the look above either.
    if (::fchmodat(AT_FDCWD, native.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0) return 1;
    return fail(native.c_str());
}

FILE* posix_open_file(const char* path, const char* mode)
{
    const std::string native = posix_native_path(path);
    int fd = -1;
    if (mode[0] == 'w' && !std::strchr(mode, '+')) {
        // Only new temporary files are written: one of the name that is there already
        // (a link planted to redirect the write, above all) is never written through.
        fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } else if (mode[0] == 'r' && !std::strchr(mode, '+')) {
        fd = open_regular(native);
    } else {
        errno = EINVAL;
    }
    if (fd < 0) {
        fail(native.c_str());
        return nullptr;
    }
    FILE* file = ::fdopen(fd, mode);
    if (!file) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        fail(native.c_str());
    }
    return file;
}

int posix_sync_file(FILE* file)
{
    if (std::fflush(file) == 0 && (::fsync(::fileno(file)) == 0 || errno == EINVAL || errno == EROFS)) return 1;
    return fail(nullptr);
}

FILE* posix_open_exclusive_log(const char* path)
{
    const std::string native = posix_native_path(path);
    // Like every file the program writes: not through a link planted at the name (a
    // file of the user's would be emptied), and a FIFO or device there must neither
    // stop the start nor take the log, so only a plain file is kept.
    int fd = open_regular(native, O_WRONLY | O_CREAT | O_NOFOLLOW, 0644);
    if (fd < 0) {
        fail(native.c_str());
        return nullptr;
    }
    // Lock first, empty afterwards: a second copy must not wipe the first one's log.
    bool ok = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (!ok && errno == EWOULDBLOCK) errno = EBUSY;  // another copy holds it
    ok = ok && ::ftruncate(fd, 0) == 0;
    FILE* file = ok ? ::fdopen(fd, "w") : nullptr;
    if (!file) {
        fail(native.c_str());
        ::close(fd);
    }
    return file;
}

struct RunLock {
    int fd = -1;
};

// An OFD lock belongs to the open file, not to the process: closing another
// descriptor of the same file keeps it, and it conflicts with the classic record
// lock through which Wine's server holds the lock of kstlupd.exe.
RunLock* posix_lock_run(const char* path)
{
    const std::string native = posix_native_path(path);
    const int fd = open_regular(native, O_RDWR | O_CREAT | O_NOFOLLOW, 0666);
    const bool ok = fd >= 0;
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = off_t(kRunLockOffset);
    lock.l_len = 1;
    if (ok && ::fcntl(fd, F_OFD_SETLK, &lock) == 0) return new RunLock{fd};
    const bool held = ok && (errno == EAGAIN || errno == EACCES);
    if (held) set_last_error(kErrorLockViolation);
    else fail(native.c_str());
    if (fd >= 0) ::close(fd);
    return nullptr;
}

void posix_unlock_run(RunLock* lock)
{
    if (!lock) return;
    ::close(lock->fd);  // the lock goes with the last descriptor of its open file
    delete lock;
}
