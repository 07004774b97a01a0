// The program's HTTP client: the one Internet session, a GET for a data source, its
// Last-Modified time and length, and the body into a local file with the server's
// time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "catalogue/data_source.h"

struct AppWindow;
struct InetHandle;

inline constexpr const char* kUserAgent = "WinInetGet/0.1";

// The session through `proxy` (null or empty: the platform's own settings), or
// nullptr (start-up reports it).
InetHandle* openSession(const char* proxy);
void closeSession(InetHandle* session);

// A copy dated 0 tells nothing about the server's file (earlier versions dated their
// copies so until installed): no server's time compares older, and it never counts
// as current.
inline constexpr int64_t kCopyNotInstalled = 0;
// A copy dated more than this ahead of the local clock got its time from a server
// with a broken clock; trusting it would keep every later file away.
inline constexpr int64_t kCopyFutureTolerance = 86400;

// 1 when a copy's modification time may be compared by order with a server's: not
// the not-installed mark and not far in the future of `now`. A copy dated far ahead
// is current only while the server gives that very date.
[[nodiscard]] int copy_time_usable(int64_t copy_time, int64_t now);

// A sent GET for the source, or nullptr after reporting the failure. A non-zero
// `if_modified_since` asks the server to answer 304 without a body when its file is
// not newer than that time; only then is a 304 accepted. Any answer but 200 and that
// 304 is reported ("HttpSendRequest failed, HTTP status = %d") as a failure.
InetHandle* openRequest(AppWindow* owner, InetHandle* session, const DataSource& source, int64_t if_modified_since = 0);

// 1 when the server answered 304: its file is not newer than the time asked with.
[[nodiscard]] int notModified(InetHandle* request);

// 1 after storing remoteTime and remoteSize; 0 when there is no Last-Modified or its
// date is outside the years 1970 to 9999. After a 304 the copy's localTime and
// localSize stand for the server's.
[[nodiscard]] int queryRemoteInfo(AppWindow* owner, InetHandle* request, DataSource* source);

// Reports why a source without a usable Last-Modified cannot be compared with its
// copy ("HttpQueryInfo failed, the server sent no date" and the URL).
void report_no_date(AppWindow* owner, const DataSource& source);

// Nothing larger is downloaded: far above the largest data file published, and a
// bound on what a server can put on the disk.
inline constexpr uint64_t kMaxDownloadBytes = uint64_t(256) << 20;

// What a complete download must be before it may replace the file at its path: given
// the path of the finished temporary file, true when it is a good file of its kind;
// otherwise false with the reason, a short phrase, in *why. The caller picks it by
// source; the fetch knows no data format.
using DownloadCheck = std::function<bool(const char* path, std::string* why)>;

// The body of a 200 into `path`, whose times become `file_time` (the server's
// remoteTime, or the time of the check for the calendar). 1 on success; 0 on a
// reported failure (one report each): any other answer, an empty body, a body
// whose bytes as sent differ from its Content-Length or that a transfer error
// ended, a body over kMaxDownloadBytes as sent or decoded (refused by its
// Content-Length before reading, or as soon as it passes), an encoding other than
// gzip or deflate, a gzip or deflate body whose stream is damaged or did not reach
// its end, a body that fails `check` ("The download of %s was refused: %s"), a file
// that cannot be written. The previous file at `path` is then untouched.
[[nodiscard]] int fetchToFile(AppWindow* owner, InetHandle* request, const DataSource& source, const char* path,
                              int64_t file_time, const DownloadCheck& check = {});

void closeRequest(InetHandle* request);

// Seconds since 1970 UTC of an HTTP date in any of its three forms (RFC 1123, RFC 850
// with its two-digit year, asctime); month names are matched case-sensitively, and
// any other text is read as RFC 1123 with what is missing taken as zero.
int64_t parseHttpDate(const char* text);
// The same, with `now` deciding the century of an RFC 850 two-digit year: the latest
// year with those digits that is not more than 50 years after now.
int64_t parse_http_date_at(const char* text, int64_t now);

// The first second of the year 10000.
inline constexpr int64_t kEndOfYear9999 = 253402300800;
// 1 when a server's date lies in the years 1970 to 9999; any other counts as none.
[[nodiscard]] int http_date_in_range(int64_t unix_time);

// The RFC 1123 text of a time: "Sun, 06 Nov 1994 08:49:37 GMT".
std::string http_date_text(int64_t unix_time);
