// Win32 files behind the platform seam: the wide calls with the core's UTF-8 paths,
// the system's error codes left as they are.
#include <windows.h>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <vector>

#include "platform/win32/platform_win32.h"
#include "platform/win32/text_win32.h"

namespace {

thread_local uint32_t t_last_error = 0;

// Keeps the system's code of the call that just failed; returns 0 for the caller.
int failed()
{
    t_last_error = GetLastError();
    return 0;
}

// Fails with a code the caller already has (a clean-up call may have changed the
// system's last error since).
int failed_with(DWORD code)
{
    SetLastError(code);
    return failed();
}

constexpr int64_t kFileTimeOf1970 = 116444736000000000LL;  // 100 ns units since 1601

FILETIME file_time_of(int64_t unix_time)
{
    const uint64_t ticks = uint64_t(unix_time * 10000000LL + kFileTimeOf1970);
    FILETIME out{};
    out.dwLowDateTime = DWORD(ticks & 0xFFFFFFFFu);
    out.dwHighDateTime = DWORD(ticks >> 32);
    return out;
}

int64_t unix_time_of(const FILETIME& time)
{
    const int64_t ticks = int64_t((uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    const int64_t since = ticks - kFileTimeOf1970;
    // Whole seconds, rounded towards the past also before 1970.
    return since >= 0 ? since / 10000000LL : -((-since + 9999999LL) / 10000000LL);
}

// A handle opened for reading names a file on a disk, not a pipe, a console or a
// device; else it is closed and the failure is kErrorBadFileType.
bool disk_file_or_close(HANDLE handle)
{
    if (GetFileType(handle) == FILE_TYPE_DISK) return true;
    CloseHandle(handle);
    SetLastError(ERROR_BAD_FILE_TYPE);
    return false;
}

// The attributes of the entry itself, a link not followed; INVALID_FILE_ATTRIBUTES
// when there is none.
DWORD own_attributes(const std::wstring& path, HANDLE* opened)
{
    *opened = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (*opened == INVALID_HANDLE_VALUE) return INVALID_FILE_ATTRIBUTES;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(*opened, &info)) {
        const DWORD code = GetLastError();
        CloseHandle(*opened);
        *opened = INVALID_HANDLE_VALUE;
        SetLastError(code);
        return INVALID_FILE_ATTRIBUTES;
    }
    return info.dwFileAttributes;
}

}  // namespace

std::string win32_native_path(const char* path)
{
    std::string out = path ? path : "";
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}

int win32_file_status(const char* path, FileStatus* out)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)) return failed();
    out->mtime = unix_time_of(data.ftLastWriteTime);
    out->size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    out->is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out->is_regular = !out->is_directory && !(data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE);
    return 1;
}

// By hand rather than with CopyFileW: the copy must be on disk before it counts, and
// a copy that fails part-way must not leave a destination that looks whole.
int win32_copy_file(const char* from, const char* to, int overwrite)
{
    HANDLE in = CreateFileW(widen(from).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (in == INVALID_HANDLE_VALUE || !disk_file_or_close(in)) return failed();
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(in, &info)) {
        const DWORD code = GetLastError();
        CloseHandle(in);
        return failed_with(code);
    }
    const std::wstring target = widen(to);
    HANDLE out = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, overwrite ? CREATE_ALWAYS : CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        CloseHandle(in);
        return failed_with(code);
    }
    std::vector<char> buffer(1 << 16);
    DWORD code = ERROR_SUCCESS;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in, buffer.data(), DWORD(buffer.size()), &got, nullptr)) {
            code = GetLastError();
            break;
        }
        if (got == 0) break;
        DWORD written = 0;
        if (!WriteFile(out, buffer.data(), got, &written, nullptr) || written != got) {
            code = GetLastError();
            if (code == ERROR_SUCCESS) code = ERROR_DISK_FULL;  // a short write
            break;
        }
    }
    if (code == ERROR_SUCCESS && !SetFileTime(out, nullptr, nullptr, &info.ftLastWriteTime)) code = GetLastError();
    if (code == ERROR_SUCCESS && !FlushFileBuffers(out)) code = GetLastError();
    CloseHandle(in);
    if (!CloseHandle(out) && code == ERROR_SUCCESS) code = GetLastError();
    if (code != ERROR_SUCCESS) {
        DeleteFileW(target.c_str());
        return failed_with(code);
    }
    // The source's attributes last: a read-only copy could not have been written.
    const DWORD kept = info.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    if (kept) SetFileAttributesW(target.c_str(), kept);
    return 1;
}

int win32_move_file(const char* from, const char* to)
{
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;
    return MoveFileExW(widen(from).c_str(), widen(to).c_str(), flags) ? 1 : failed();
}

int win32_replace_file(const char* from, const char* to)
{
    const std::wstring target = widen(to);
    // MoveFileExW does not replace a read-only file; the new one brings its own
    // attributes, so the old one's are not worth keeping, unless the move fails.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool read_only = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    if (read_only) SetFileAttributesW(target.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    if (MoveFileExW(widen(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 1;
    const DWORD code = GetLastError();
    if (read_only) SetFileAttributesW(target.c_str(), attributes);
    return failed_with(code);
}

int win32_list_folder(const char* path, std::vector<std::string>* names)
{
    std::wstring pattern = widen(path);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';
    names->clear();
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        // The root of a drive has no "." and "..": empty, not missing.
        return GetLastError() == ERROR_FILE_NOT_FOUND ? 1 : failed();
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names->push_back(narrow(name.c_str()));
    } while (FindNextFileW(search, &found));
    const DWORD code = GetLastError();
    FindClose(search);
    return code == ERROR_NO_MORE_FILES ? 1 : failed_with(code);
}

int win32_create_directory(const char* path) { return CreateDirectoryW(widen(path).c_str(), nullptr) ? 1 : failed(); }

int win32_delete_file(const char* path) { return DeleteFileW(widen(path).c_str()) ? 1 : failed(); }

// Wine shows a Unix link at the name as the file it points at, and deleting it there
// deletes that file. So the entry is first replaced by an empty file of our own: a
// rename replaces the entry itself, whatever it is.
int win32_remove_temp_file(const char* path)
{
    const std::wstring target = widen(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return failed();
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return failed_with(ERROR_ACCESS_DENIED);
    const std::wstring own = target + L"." + std::to_wstring(GetCurrentProcessId()) + widen(kTempSuffix);
    HANDLE file = CreateFileW(own.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return failed();
    CloseHandle(file);
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    // A read-only leftover (a copy of a read-only file) is not replaced until it is
    // writable; Windows changes a link's own attributes here, not its target's.
    if (!MoveFileExW(own.c_str(), target.c_str(), flags) &&
        !(win32_set_read_only(path, 0) && MoveFileExW(own.c_str(), target.c_str(), flags))) {
        const DWORD code = GetLastError();
        DeleteFileW(own.c_str());
        return failed_with(code);
    }
    return DeleteFileW(target.c_str()) ? 1 : failed();
}

int win32_set_file_times(const char* path, int64_t modified, int64_t accessed, int64_t created)
{
    HANDLE file = CreateFileW(widen(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return failed();
    const FILETIME times[3] = {file_time_of(created), file_time_of(accessed), file_time_of(modified)};
    const int ok = SetFileTime(file, &times[0], &times[1], &times[2]) ? 1 : failed();
    CloseHandle(file);
    return ok;
}

// Through a handle of the entry itself: a link's target is never changed.
int win32_set_read_only(const char* path, int read_only)
{
    HANDLE file = INVALID_HANDLE_VALUE;
    const DWORD attributes = own_attributes(widen(path), &file);
    if (attributes == INVALID_FILE_ATTRIBUTES) return failed();
    int ok = 1;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        if (read_only) ok = failed_with(ERROR_ACCESS_DENIED);
    } else {
        DWORD wanted =
            read_only ? (attributes | FILE_ATTRIBUTE_READONLY) : (attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
        if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = wanted;  // zero times stay as they are
        if (!SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic)) ok = failed();
    }
    CloseHandle(file);
    return ok;
}

// Reading opens only a file on a disk; writing only creates a new file, never through
// an entry of the name that is there already (a planted link above all).
FILE* win32_open_file(const char* path, const char* mode)
{
    const std::string text = mode;
    const bool writing = text[0] == 'w';
    if ((!writing && text[0] != 'r') || text.find('+') != std::string::npos) {
        failed_with(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HANDLE handle = writing ? CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)
                            : CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE || (!writing && !disk_file_or_close(handle))) {
        failed();
        return nullptr;
    }
    const int binary = text.find('b') != std::string::npos ? _O_BINARY : _O_TEXT;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), (writing ? _O_WRONLY : _O_RDONLY) | binary);
    if (fd < 0) {
        CloseHandle(handle);
        failed_with(ERROR_TOO_MANY_OPEN_FILES);
        return nullptr;
    }
    FILE* stream = _fdopen(fd, mode);
    if (!stream) {
        _close(fd);
        failed_with(ERROR_TOO_MANY_OPEN_FILES);
    }
    return stream;
}

int win32_sync_file(FILE* file)
{
    // A failed flush leaves the code of the write that failed.
    if (std::fflush(file) != 0) return failed();
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (handle == INVALID_HANDLE_VALUE) return failed_with(ERROR_INVALID_HANDLE);
    return FlushFileBuffers(handle) ? 1 : failed();
}

// Share mode: others may read the log while it is written, but nobody else may
// open it for writing, so a second copy of the program in the same folder fails
// here before it has emptied anything.
FILE* win32_open_exclusive_log(const char* path)
{
    HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        failed();
        return nullptr;
    }
    if (!SetEndOfFile(file)) {
        failed();
        CloseHandle(file);
        return nullptr;
    }
    // Text mode: the log is read by people with Windows tools, so lines end in CR LF.
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_TEXT);
    if (fd < 0) {
        CloseHandle(file);
        failed_with(ERROR_TOO_MANY_OPEN_FILES);
        return nullptr;
    }
    FILE* stream = _fdopen(fd, "w");
    if (!stream) {
        _close(fd);
        failed_with(ERROR_TOO_MANY_OPEN_FILES);
    }
    return stream;
}

struct RunLock {
    HANDLE file = INVALID_HANDLE_VALUE;
};

namespace {

// Where the run lock's byte lies, as LockFileEx and UnlockFileEx take it.
OVERLAPPED run_lock_offset()
{
    OVERLAPPED at{};
    at.Offset = DWORD(uint64_t(kRunLockOffset) & 0xFFFFFFFFu);
    at.OffsetHigh = DWORD(uint64_t(kRunLockOffset) >> 32);
    return at;
}

}  // namespace

// Every opener may read and write the file: the lock, not the share mode, keeps a
// second run out, and the lock is the one that Wine shows to POSIX programs. Nobody
// may delete it while it is held (a new file of the name would hold no lock). A link
// at the name is opened as itself and refused.
RunLock* win32_lock_run(const char* path)
{
    HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        failed();
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!disk_file_or_close(file)) {
        failed();
        return nullptr;
    }
    if (!GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        CloseHandle(file);
        failed_with(ERROR_BAD_FILE_TYPE);
        return nullptr;
    }
    OVERLAPPED at = run_lock_offset();
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const DWORD code = GetLastError();
        CloseHandle(file);
        failed_with(code);
        return nullptr;
    }
    return new RunLock{file};
}

// Unlocked before the handle closes: Windows frees the locks of a closed handle only
// when it gets round to it.
void win32_unlock_run(RunLock* lock)
{
    if (!lock) return;
    OVERLAPPED at = run_lock_offset();
    UnlockFileEx(lock->file, 0, 1, 0, &at);
    CloseHandle(lock->file);
    delete lock;
}

uint32_t win32_last_error() { return t_last_error; }

void win32_set_last_error(uint32_t code)
{
    t_last_error = code;
    SetLastError(code);
}
