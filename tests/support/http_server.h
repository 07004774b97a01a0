// An HTTP server on 127.0.0.1 for tests and benchmarks: files by path with their
// Last-Modified time, faults on demand, a proxy's view of absolute-form and CONNECT
// requests, and TLS tunnels whose certificate a test CA signs.
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
    kServeNoContentLength = 1u << 1,      // the body ends when the connection closes
    kServeCutShort = 1u << 2,             // Content-Length of the whole body, half of it sent, then closed
    kServeStall = 1u << 3,                // headers and half the body, then silence until the client leaves
    kServeStallBeforeHeaders = 1u << 4,   // the request is read, then silence
};

struct ServedFile {
    std::string body;
    int64_t last_modified = 0;       // seconds since 1970 UTC
    int status = 200;
    unsigned flags = 0;              // ServeFlags
    std::string location;            // sent as Location when not empty (redirects)
    std::string last_modified_text;  // sent as is instead of last_modified when not empty
};

struct ReceivedRequest {
    std::string method;
    std::string target;   // as on the request line: "/a/b", "http://host/a/b" or "host:443"
    std::string headers;  // the whole request head
    bool tls = false;     // came inside a CONNECT tunnel
};

struct HttpServerState;

// Answers on port(): origin-form requests as a web server, absolute-form requests as
// a proxy (any host: the path alone picks the file), and CONNECT (with TLS on) by
// opening a TLS tunnel to itself. Paths without a file get 404. Stops and joins its
// threads in the destructor, also mid-transfer.
class HttpServer {
public:
    explicit HttpServer(bool with_tls = false);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Serves `file` at `path` ("/dir/name"); replaces an earlier file at that path.
    void add(const std::string& path, ServedFile file);
    void add(const std::string& path, std::string body, int64_t last_modified, int status = 200, unsigned flags = 0);
    int port() const;
    std::vector<ReceivedRequest> requests() const;

private:
    std::unique_ptr<HttpServerState> state_;
    std::thread acceptor_;
};

// The RFC 1123 text of a time: "Sun, 06 Nov 1994 08:49:37 GMT".
std::string http_date(int64_t t);

// The test CA's certificate file (made once per process), for SSL_CERT_FILE. Its
// server certificate names localhost, 127.0.0.1, secure.test.example and the
// catalogue's hosts.
std::string test_ca_file();

// A loopback port on which nothing listens (connections are refused).
int refused_port();
