// Win32 files behind the platform seam: the wide calls with the core's UTF-8 paths,
// the system's error codes left as they are.
#include <cerrno>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

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

int errno_of(DWORD code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_DISK_FULL: return ENOSPC;
    default: return EIO;
    }
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
    return 1;
}

int win32_copy_file(const char* from, const char* to, int overwrite)
{
    return CopyFileW(widen(from).c_str(), widen(to).c_str(), overwrite ? FALSE : TRUE) ? 1 : failed();
}

int win32_move_file(const char* from, const char* to)
{
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;
    return MoveFileExW(widen(from).c_str(), widen(to).c_str(), flags) ? 1 : failed();
}

int win32_create_directory(const char* path)
{
    return CreateDirectoryW(widen(path).c_str(), nullptr) ? 1 : failed();
}

int win32_delete_file(const char* path)
{
    return DeleteFileW(widen(path).c_str()) ? 1 : failed();
}

int win32_set_file_time(const char* path, int64_t unix_time)
{
    HANDLE file = CreateFileW(widen(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return failed();
    const FILETIME time = file_time_of(unix_time);
    const int ok = SetFileTime(file, &time, &time, &time) ? 1 : failed();
    CloseHandle(file);
    return ok;
}

int win32_set_read_only(const char* path, int read_only)
{
    const std::wstring wide = widen(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return failed();
    DWORD wanted = read_only ? (attributes | FILE_ATTRIBUTE_READONLY) : (attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
    return SetFileAttributesW(wide.c_str(), wanted) ? 1 : failed();
}

FILE* win32_open_file(const char* path, const char* mode)
{
    return _wfopen(widen(path).c_str(), widen(mode).c_str());
}

int win32_sync_file(FILE* file)
{
    if (std::fflush(file) != 0) return 0;
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (handle == INVALID_HANDLE_VALUE) return 0;
    return FlushFileBuffers(handle) ? 1 : failed();
}

// Share mode: others may read the log while it is written, but nobody else may
// open it for writing, so a second copy of the program in the same folder fails
// here before it has emptied anything.
FILE* win32_open_exclusive_log(const char* path, int* err)
{
    HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        failed();
        *err = errno_of(t_last_error);
        return nullptr;
    }
    if (!SetEndOfFile(file)) {
        failed();
        *err = errno_of(t_last_error);
        CloseHandle(file);
        return nullptr;
    }
    // Text mode: the log is read by people with Windows tools, so lines end in CR LF.
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_TEXT);
    if (fd < 0) {
        *err = errno;
        CloseHandle(file);
        return nullptr;
    }
    FILE* stream = _fdopen(fd, "w");
    if (!stream) {
        *err = errno;
        _close(fd);
    }
    return stream;
}

uint32_t win32_last_error()
{
    return t_last_error;
}
