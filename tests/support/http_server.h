// An HTTP server on 127.0.0.1 for tests and benchmarks: files by path with their
// Last-Modified time, If-Modified-Since answered with 304, kept-alive connections
// (counted), faults on demand, and a proxy's view of absolute-form requests and of
// CONNECT tunnels (relayed to a TLS server on loopback).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Faults a served file can be given.
enum ServeFlags : unsigned {
    kServeNoLastModified = 1u << 0,
    kServeNoContentLength = 1u << 1,  // the body ends when the connection closes
    kServeCutShort = 1u << 2,         // Content-Length of the whole body, half of it sent, then closed
    kServeStall = 1u << 3,            // headers and half the body, then silence until the client leaves
    kServeIgnoreCondition = 1u << 5,  // If-Modified-Since is not looked at
    kServeSlowHeaders = 1u << 6,      // a header line every 250 ms for 4 seconds before the real ones
    kServeReset = 1u << 7,            // no Content-Length, half the body, then a reset
};

struct ServedFile {
    std::string body;
    int64_t last_modified = 0;  // seconds since 1970 UTC
    int status = 200;
    unsigned flags = 0;              // ServeFlags
    std::string location;            // sent as Location when not empty (redirects)
    std::string last_modified_text;  // sent as is instead of last_modified when not empty
    std::string encoding;            // sent as Content-Encoding when not empty (body as given)
};

struct ReceivedRequest {
    std::string method;
    std::string target;   // as on the request line: "/a/b", "http://host/a/b" or "host:443"
    std::string headers;  // the whole request head
};

struct HttpServerState;

// Answers on port(): origin-form requests as a web server, absolute-form requests as
// a proxy (any host: the path alone picks the file), and CONNECT by a tunnel to
// 127.0.0.1:tunnel_port (refused with 502 when that is 0). Paths without a file get
// 404. Stops and joins its threads in the destructor, also mid-transfer.
class HttpServer {
public:
    explicit HttpServer(int tunnel_port = 0);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Serves `file` at `path` ("/dir/name"); replaces an earlier file at that path.
    void add(const std::string& path, ServedFile file);
    void add(const std::string& path, std::string body, int64_t last_modified, int status = 200, unsigned flags = 0);
    int port() const;
    std::vector<ReceivedRequest> requests() const;
    // Connections accepted so far.
    int connections() const;

private:
    std::unique_ptr<HttpServerState> state_;
    std::thread acceptor_;
};

// A loopback port on which nothing listens (connections are refused).
int refused_port();

// `text` as a gzip (window_bits 31) or deflate (15) encoded body.
std::string compressed(const std::string& text, int window_bits);
