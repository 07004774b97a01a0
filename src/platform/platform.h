// The operating-system seam: one table of function pointers that the build fills
// with its system's services. Tests swap single entries (see PlatformOverride) to
// produce failures a real system will not give on demand.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/toolkit.h"

// Opaque handles. A Window is whatever the toolkit uses for the main window; the
// core only passes it on. An InetHandle is a session, a connection or a request.
struct Window;
struct InetHandle;

// Windows error codes the core reports and compares with.
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorNotSameDevice = 17;
constexpr uint32_t kErrorAlreadyExists = 183;
constexpr uint32_t kErrorDiskFull = 112;

// Message-box styles and answers, numerically as the original platform has them.
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbYesNoCancel = 0x3;
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbIconError = 0x10;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconWarning = 0x30;
constexpr unsigned kMbIconInformation = 0x40;
constexpr unsigned kMbTopmost = 0x40000;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

struct FileStatus {
    int64_t mtime = 0;        // seconds since 1970 UTC
    uint64_t size = 0;
    bool is_directory = false;
};

// Fixed part of an executable's version resource.
struct FixedFileInfo {
    uint32_t signature = 0;
    uint32_t file_version_ms = 0;
    uint32_t file_version_ls = 0;
};

// Which response header inet_query_header reads.
enum class InetHeader { LastModified, ContentLength };

struct Platform {
    // ---- files -------------------------------------------------------------
    // Every path is as the core composes it ("SAVE\kestrl.cty"); the table maps it
    // to the system's form. Results: 1 success, 0 failure with last_error() set.
    std::string (*native_path)(const char* path);
    int (*file_status)(const char* path, FileStatus* out);
    // Copies keep the source's modification time. overwrite = 0 fails on an existing
    // destination.
    int (*copy_file)(const char* from, const char* to, int overwrite);
    // Replaces an existing destination; falls back to copy+delete across volumes.
    int (*move_file)(const char* from, const char* to);
    int (*create_directory)(const char* path);
    int (*delete_file)(const char* path);
    // Sets access and modification time (creation time where the system has one).
    int (*set_file_time)(const char* path, int64_t unix_time);
    // fopen with the mapped path; nullptr and errno on failure.
    FILE* (*open_file)(const char* path, const char* mode);
    // Flushes a written stream to stable storage; 1 success.
    int (*sync_file)(FILE* file);
    // Opens the log for exclusive use without emptying it, then empties it once the
    // lock is held. nullptr with *err = errno when it cannot be had.
    FILE* (*open_exclusive_log)(const char* path, int* err);
    // Windows error code of the last failed file operation on this thread.
    uint32_t (*last_error)();

    // ---- processes and executables ------------------------------------------
    // Base names of the running processes; 0 when the list cannot be had.
    int (*process_names)(std::vector<std::string>* names);
    // 1 with the fixed version block of an executable, 0 when it has none.
    int (*file_version)(const char* path, FixedFileInfo* out);

    // ---- folders and shell -------------------------------------------------
    // The per-user application-data folder; 0 when there is none.
    int (*app_data_folder)(std::string* out);
    // Opens an address in the browser; 1 when the request could be handed on.
    int (*open_url)(const char* url);

    // ---- dialogs -----------------------------------------------------------
    // Blocks until answered; returns kIdOk, kIdYes, kIdNo or kIdCancel.
    int (*message_box)(const char* text, const char* title, unsigned style);
    void (*enable_window)(Window* window, int enable);

    // ---- status list and progress bar of the main window ----------------------
    // Called from the run thread; the toolkit carries them to the window's thread.
    void (*status_insert)(Window* window, const char* text, int index);  // -1 appends
    int (*status_count)(Window* window);
    void (*status_delete)(Window* window, int index);
    void (*progress_set)(Window* window, int percent);

    // ---- internet ----------------------------------------------------------
    // Errors leave a WinINet-style code in inet_last_error() (thread-local).
    InetHandle* (*inet_open_session)(const char* agent, const char* proxy);
    InetHandle* (*inet_connect)(InetHandle* session, const char* host, int port);
    // secure: TLS with certificate verification. The request is not sent yet.
    InetHandle* (*inet_open_request)(InetHandle* connection, const char* verb, const char* object,
                                     int secure);
    int (*inet_send_request)(InetHandle* request);
    // Raw header text into buf (at most *len bytes incl. the terminator); *len gets
    // the text length. 0 when the response has no such header.
    int (*inet_query_header)(InetHandle* request, InetHeader which, char* buf, uint32_t* len);
    int (*inet_query_data_available)(InetHandle* request, uint32_t* available);
    int (*inet_read)(InetHandle* request, void* buf, uint32_t size, uint32_t* read);
    void (*inet_close)(InetHandle* handle);
    uint32_t (*inet_last_error)();

    // ---- toolkit: the windows (platform/toolkit.h) ----------------------------
    Toolkit toolkit;
};

extern Platform g_platform;

// The table of the system this program was built for.
Platform native_platform();

// Swaps entries of g_platform for the lifetime of the guard: the constructor saves
// the table, the destructor restores it.
struct PlatformOverride {
    PlatformOverride() : saved(g_platform) {}
    ~PlatformOverride() { g_platform = saved; }
    PlatformOverride(const PlatformOverride&) = delete;
    PlatformOverride& operator=(const PlatformOverride&) = delete;
    Platform saved;
};
