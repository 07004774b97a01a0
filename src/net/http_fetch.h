// The program's HTTP client: the one Internet session, a GET for a data source, its
// Last-Modified time and length, and the body into a local file with the server's
// time.
#pragma once

#include <cstdint>

#include "catalogue/data_source.h"

struct Window;
struct InetHandle;

inline constexpr const char* kUserAgent = "WinInetGet/0.1";

// The session through `proxy` (null or empty: the platform's own settings), or
// nullptr (start-up reports it).
InetHandle* openSession(const char* proxy);
void closeSession(InetHandle* session);

// A sent GET for the source, or nullptr after reporting the failure.
InetHandle* openRequest(Window* owner, InetHandle* session, const DataSource& source);

// 1 after storing remoteTime and remoteSize; 0 when there is no Last-Modified.
[[nodiscard]] int queryRemoteInfo(Window* owner, InetHandle* request, DataSource* source);

// The body into `path`, stamped with remoteTime. 0 on success, 1 on a reported
// failure (the previous file at `path` is then untouched).
[[nodiscard]] int fetchToFile(Window* owner, InetHandle* request, const DataSource& source, const char* path);

void closeRequest(InetHandle* request);

// Seconds since 1970 UTC of an RFC 1123 date.
int64_t parseHttpDate(const char* text);
