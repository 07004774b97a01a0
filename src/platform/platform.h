// The operating-system seam: one table of function pointers that the build fills
// with its system's services. Every entry is filled unless its comment says it is
// optional (null allowed, and what then happens). Tests swap single entries (their
// PlatformOverride restores them) to produce failures a real system will not give
// on demand.
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/toolkit.h"

// Opaque handles. An AppWindow is whatever the toolkit uses for the main window; the
// core only passes it on. An InetHandle is a session, a connection or a request.
struct AppWindow;
struct InetHandle;
struct RunLock;

// Windows error codes: every failing entry of the table leaves one for last_error(),
// the same code on every system for the same situation (the one Windows gives).
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorNotSameDevice = 17;
constexpr uint32_t kErrorSharingViolation = 32;
constexpr uint32_t kErrorLockViolation = 33;
constexpr uint32_t kErrorFileExists = 80;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorDiskFull = 112;
constexpr uint32_t kErrorAlreadyExists = 183;
constexpr uint32_t kErrorBadFileType = 222;

// errno of a path that names something other than a regular file or a folder where
// a file is read (a FIFO, a device, a socket; kErrorBadFileType): reports say so.
constexpr int kErrnoNotRegularFile = ENODEV;

// The C library's errno for a code of the table, as the Windows C library gives it
// for a failed file call: what a report of a failed open or write says.
int errno_of_error(uint32_t code);

// Message-box styles and answers, numerically as Windows has them.
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

// The buttons of a style in the order they are shown (OK; OK, Cancel; Yes, No,
// Cancel; Yes, No), and their labels ("OK", "Cancel", "Yes", "No").
std::vector<int> message_box_buttons(unsigned style);
const char* message_box_label(int id);
// What a box that nobody can answer gives: OK, or No where there is a No.
int message_box_safe_answer(unsigned style);

// The internet entries' limits, the same on every system. A connection is made
// within kInetConnectSeconds; no byte for kInetStallSeconds while a response is
// waited for ends it with 12002, and so do final headers not in that long after
// sending, however slowly a server trickles them; no request lives longer than
// kInetRequestSeconds from sending to the end of its body, so that a body trickled
// just fast enough to dodge the stall time still ends (far above what the largest
// data file needs on a slow link); a request follows kInetMaxRedirects redirects.
constexpr int kInetConnectSeconds = 30;
constexpr int kInetStallSeconds = 60;
constexpr int kInetRequestSeconds = 3600;
constexpr int kInetMaxRedirects = 5;

// Every temporary file the program writes is named after the file it will become
// with this ending, so that a later run can find and remove what a killed one left.
inline constexpr const char* kTempSuffix = ".~kstlupd";

// The byte of the run-lock file that every build locks: the same on every system, so
// that the Linux program and kstlupd.exe under Wine refuse each other.
constexpr int64_t kRunLockOffset = 0;

struct FileStatus {
    int64_t mtime = 0;  // seconds since 1970 UTC
    uint64_t size = 0;
    bool is_directory = false;
    bool is_regular = false;  // a plain file: neither a folder nor a FIFO, device or socket
};

// Fixed part of an executable's version resource.
struct FixedFileInfo {
    uint32_t signature = 0;
    uint32_t file_version_ms = 0;
    uint32_t file_version_ls = 0;
};

// What a program file says of itself: enough to tell whether it may take the place of
// the running program. Numbers are as the PE headers hold them.
struct ProgramImage {
    uint16_t machine = 0;          // 0x8664: x86-64
    uint16_t characteristics = 0;  // 0x2000: a DLL
    uint16_t magic = 0;            // 0x20B: PE32+
    uint16_t subsystem = 0;        // 2: Windows GUI, 3: console
    bool has_version = false;      // a fixed version block with its signature
    uint32_t file_version_ms = 0;
    uint32_t file_version_ls = 0;
    std::string internal_name;  // of the first string table of the version resource
    std::string original_filename;
    bool has_signature = false;  // a certificate table is present
    // Only where the system can judge a signature (Windows): the signature holds and
    // leads to a trusted root, and who signed it (the leaf certificate's subject,
    // issuer and public key); elsewhere false and empty.
    bool signature_trusted = false;
    std::string signer;
};

// Which part of the response inet_query_header reads; StatusCode is the status
// line's number as text ("200"; "304" when a conditional request found the caller's
// copy current: such an answer has no body). A proxy that refuses a secure request's
// tunnel gives the response (its status, no body); TunnelStatus is then that status
// again, and is not found (12150) for any other response.
enum class InetHeader { LastModified, ContentLength, StatusCode, ContentEncoding, TunnelStatus };

// WinINet-style codes the internet entries leave in inet_last_error().
constexpr uint32_t kInetInvalidHandle = 6;
constexpr uint32_t kInetInsufficientBuffer = 122;
constexpr uint32_t kInetTimeout = 12002;
constexpr uint32_t kInetInternalError = 12004;
constexpr uint32_t kInetNameNotResolved = 12007;
constexpr uint32_t kInetCannotConnect = 12029;
constexpr uint32_t kInetConnectionAborted = 12030;
constexpr uint32_t kInetConnectionReset = 12031;
constexpr uint32_t kInetHeaderNotFound = 12150;
constexpr uint32_t kInetInvalidServerResponse = 12152;
constexpr uint32_t kInetRedirectFailed = 12156;
constexpr uint32_t kInetSecurityChannelError = 12157;
constexpr uint32_t kInetCertDateInvalid = 12037;
constexpr uint32_t kInetCertWrongName = 12038;
constexpr uint32_t kInetCertUntrusted = 12045;
constexpr uint32_t kInetCertInvalid = 12169;
constexpr uint32_t kInetCertRevoked = 12170;

struct Platform {
    // ---- files -------------------------------------------------------------
    // Every path is as the core composes it ("SAVE\kestrl.cty"); the table maps it
    // to the system's form. Results: 1 success, 0 (or nullptr) failure with
    // last_error() set; errno is no part of this contract.
    std::string (*native_path)(const char* path);
    int (*file_status)(const char* path, FileStatus* out);
    // Copies keep the source's modification time and permissions, and are on stable
    // storage when the call returns; a failed copy leaves no destination. overwrite = 0
    // fails on an existing destination (also a link); a link as the destination is
    // never written through (kErrorFileExists for both). A source that is not a
    // regular file is refused.
    int (*copy_file)(const char* from, const char* to, int overwrite);
    // Replaces an existing destination; falls back to copy+delete across volumes.
    int (*move_file)(const char* from, const char* to);
    // Puts a finished file in place of `to` (same folder) in one step, replacing an
    // existing destination even when it is read-only, and makes the new folder entry
    // durable (POSIX: rename, then sync the folder).
    int (*replace_file)(const char* from, const char* to);
    // The names of a folder's entries, without "." and "..".
    int (*list_folder)(const char* path, std::vector<std::string>* names);
    int (*create_directory)(const char* path);
    // A read-only file is not deleted (kErrorAccessDenied), nor is a folder.
    int (*delete_file)(const char* path);
    // Removes a temporary file of the program's (also a read-only one) without ever
    // acting through a link at its name: what a link points at stays as it is. A
    // folder is not removed.
    int (*remove_temp_file)(const char* path);
    // Sets each time on its own; the creation time only where the system keeps one.
    int (*set_file_times)(const char* path, int64_t modified, int64_t accessed, int64_t created);
    // Sets or clears the read-only attribute (POSIX: every write permission removed,
    // or the owner's write permission given back). A symbolic link is never followed:
    // clearing on one does nothing, setting on one fails. The times above are set on
    // a link itself, never on what it points at.
    int (*set_read_only)(const char* path, int read_only);
    // fopen with the mapped path. Reading ("r", "rb") opens only a regular file,
    // without blocking on anything else (a FIFO, a device: kErrorBadFileType; a
    // folder: kErrorAccessDenied). Writing ("w", "wb") creates a new file
    // exclusively: an existing entry of the name, a link included, fails with
    // kErrorFileExists.
    FILE* (*open_file)(const char* path, const char* mode);
    // Flushes a written stream to stable storage; 1 success.
    int (*sync_file)(FILE* file);
    // Opens the log for exclusive use without emptying it, then empties it once the
    // lock is held; another holder fails it with kErrorSharingViolation.
    FILE* (*open_exclusive_log)(const char* path);
    // Windows error code of the last failed entry on this thread (the internet
    // entries keep theirs in inet_last_error()), and setting it, for a clean-up
    // after a failure that must not lose its cause.
    uint32_t (*last_error)();
    void (*set_last_error)(uint32_t code);

    // ---- the run lock --------------------------------------------------------
    // Takes an exclusive lock on byte kRunLockOffset of `path` (created empty when
    // missing; a link or anything but a regular file is refused): the system's
    // byte-range lock, which Windows takes with LockFileEx and POSIX with an fcntl
    // lock of the open file (an OFD lock). Wine turns LockFileEx into the same fcntl
    // lock, so the builds refuse each other, and so does a second handle in one
    // process. The system drops the lock when its holder ends, however it ends, and
    // no handle of it passes to a child process. Returns the held lock; null with
    // kErrorLockViolation when another holds it, or with the cause of a failed open.
    RunLock* (*lock_run)(const char* path);
    // Releases the lock and closes its file; null is allowed.
    void (*unlock_run)(RunLock* lock);

    // ---- processes and executables ------------------------------------------
    // Base names of the running processes; 0 when the list cannot be had.
    int (*process_names)(std::vector<std::string>* names);
    // 1 with the fixed version block of an executable, 0 when it has none.
    int (*file_version)(const char* path, FixedFileInfo* out);
    // 1 with what a PE file says of itself, 0 when the file cannot be read or is no
    // PE image. A null path reads the running program's own file (Windows: the
    // module's path, not a file of the working folder; POSIX: no PE image, 0).
    int (*program_image)(const char* path, ProgramImage* out);

    // ---- folders and shell -------------------------------------------------
    // The per-user application-data folder; 0 when there is none.
    int (*app_data_folder)(std::string* out);
    // Opens an address in the browser; 1 when the request could be handed on.
    int (*open_url)(const char* url);
    // The folder that holds the program's own file (Windows: of the module; POSIX:
    // of /proc/self/exe), absolute, links resolved; 0 when it cannot be had.
    // Optional: null in a table that cannot tell (the program then stays where it
    // was started).
    int (*program_folder)(std::string* out);
    // Makes a folder the working folder, which every relative path then names; 1
    // success, 0 with last_error() set. (The entries above that answer 0 for "there
    // is none" keep no cause.)
    int (*change_folder)(const char* path);

    // ---- dialogs -----------------------------------------------------------
    // Blocks until answered; returns kIdOk, kIdYes, kIdNo or kIdCancel, and the safe
    // answer where the box cannot be shown or answered.
    int (*message_box)(const char* text, const char* title, unsigned style);

    // ---- console -----------------------------------------------------------
    // 1 when standard error is a terminal a person watches (Windows: a console).
    // Optional: null counts as no terminal.
    int (*stderr_is_terminal)();
    // Shows the usage text to the person who asked for it: on standard output, or
    // in a message box where the program has no console to write to. Optional:
    // null writes the text to standard output.
    void (*show_usage)(const char* text);

    // ---- internet ----------------------------------------------------------
    // Errors leave a WinINet-style code in inet_last_error() (thread-local), the
    // same convention as last_error(); no operation retries.
    // proxy null or empty: the platform's own proxy settings. Otherwise
    // "[http://][user[:password]@]host:port" (%XX escapes in the login undone): the
    // login answers the proxy's 407 with Basic credentials.
    InetHandle* (*inet_open_session)(const char* agent, const char* proxy);
    // Remembers host and port; the connection is a child of the session and is
    // released with it.
    InetHandle* (*inet_connect)(InetHandle* session, const char* host, int port);
    // secure: TLS with certificate verification. The request is not sent yet; it
    // bypasses caches and follows redirects (a few at most).
    InetHandle* (*inet_open_request)(InetHandle* connection, const char* verb, const char* object, int secure);
    // Sends and returns once the headers of the final response are in; the body
    // waits until it is asked for. 1 success. `headers`: extra request header lines,
    // each ending in CR LF ("If-Modified-Since: <RFC 1123 date>\r\n"), or null.
    // Requests of one session to the same host and port share a kept-alive
    // connection; a request closed before its body ended closes its connection.
    // Whatever the server does, the headers are in (or the send failed with 12002)
    // within a bounded time, and so is the end of the body.
    int (*inet_send_request)(InetHandle* request, const char* headers);
    // Raw header text into buf (at most *len bytes incl. the terminator); *len gets
    // the text length and the result is 1. 0 when the response has no such header
    // (*len = 0, code 12150) or buf is null or too small (*len = length needed incl.
    // the terminator, code 122).
    int (*inet_query_header)(InetHandle* request, InetHeader which, char* buf, uint32_t* len);
    // Waits until body bytes are there or the body has ended: 1 with the count (0 at
    // the end), 0 on a failed transfer.
    int (*inet_query_data_available)(InetHandle* request, uint32_t* available);
    // Up to size bytes of the body; 1 with *read = 0 at its end, 0 on failure. The
    // body comes as sent: gzip and deflate are asked for (Accept-Encoding) and left
    // encoded, for the caller to decode.
    int (*inet_read)(InetHandle* request, void* buf, uint32_t size, uint32_t* read);
    // Closes a request (an unread body is abandoned), a connection, or a session
    // with every connection made through it.
    void (*inet_close)(InetHandle* handle);
    uint32_t (*inet_last_error)();

    // ---- toolkit: the windows (platform/toolkit.h) ----------------------------
    Toolkit toolkit;
};

extern Platform g_platform;

// The table of the system this program was built for.
Platform native_platform();

// The command-line text after the program name, unsplit, as the program reads it: on
// Windows the process's own text in UTF-8 (not the C library's words, which lose
// what was typed), elsewhere the arguments of main joined with single blanks.
std::string native_command_line(int argc, char** argv);

// A report as one line for a terminal or a scheduler's mail: "title: text", each run
// of line feeds in the text made one blank.
std::string one_line_report(const char* title, const char* text);
