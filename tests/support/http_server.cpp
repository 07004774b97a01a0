#include "support/http_server.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <list>
#include <set>
#include <stdexcept>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "catalogue/hosts.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMaxConnections = 64;
constexpr size_t kMaxHead = 64 * 1024;
constexpr auto kIdleLimit = std::chrono::seconds(20);

struct TlsMaterial {
    std::string folder;
    std::string ca_file;
    std::string cert_file;
    std::string key_file;
    ~TlsMaterial()
    {
        std::error_code ec;
        if (!folder.empty()) fs::remove_all(folder, ec);
    }
};

int run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str());
}

// A CA and a server certificate it signs, made with the openssl tool on first use.
const TlsMaterial& tls_material()
{
    static TlsMaterial m = [] {
        TlsMaterial t;
        std::string pattern = (fs::temp_directory_path() / "kstlupd-tls-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        t.folder = pattern;
        t.ca_file = t.folder + "/ca.pem";
        t.cert_file = t.folder + "/server.pem";
        t.key_file = t.folder + "/server.key";
        std::string names = "DNS:localhost,IP:127.0.0.1,DNS:secure.test.example";
        for (const char* host : {kHostUpdater, kHostCountryFiles, kHostIota, kHostClusterNodes, kHostClubLog,
                                 kHostSuperCheck, kHostEqsl, kHostLotw, kHostClubLists, kHostCalendar})
            names += std::string(",DNS:") + host;
        std::ofstream(t.folder + "/ext.cnf") << "subjectAltName=" << names
                                             << "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n";
        const std::string d = "'" + t.folder + "'";
        const std::string ec_key = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        bool ok = run("openssl req -x509 " + ec_key + " -keyout " + d + "/ca.key -out " + d +
                      "/ca.pem -days 3 -subj '/CN=kstlupd test CA'") == 0 &&
                  run("openssl req " + ec_key + " -keyout " + d + "/server.key -out " + d +
                      "/server.csr -subj '/CN=localhost'") == 0 &&
                  run("openssl x509 -req -in " + d + "/server.csr -CA " + d + "/ca.pem -CAkey " + d +
                      "/ca.key -CAcreateserial -days 3 -out " + d + "/server.pem -extfile " + d + "/ext.cnf") == 0;
        if (!ok) throw std::runtime_error("openssl could not make the test certificates");
        return t;
    }();
    return m;
}

struct Conn {
    int fd = -1;
    SSL* ssl = nullptr;
};

const char* reason_of(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 304: return "Not Modified";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

int listen_on_loopback(int* port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 32) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    *port = ntohs(addr.sin_port);
    return fd;
}

}  // namespace

struct HttpServerState {
    int listen_fd = -1;
    int port = 0;
    int wake[2] = {-1, -1};
    SSL_CTX* tls = nullptr;
    std::atomic<bool> stop{false};

    mutable std::mutex mutex;
    std::map<std::string, std::shared_ptr<const ServedFile>> files;
    std::vector<ReceivedRequest> received;
    std::set<int> open_fds;
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::list<Worker> workers;
};

namespace {

// Waits until fd is readable; false on stop or after the idle limit.
bool wait_readable(HttpServerState* s, const Conn& c)
{
    if (c.ssl && SSL_pending(c.ssl) > 0) return true;
    const auto give_up = std::chrono::steady_clock::now() + kIdleLimit;
    while (!s->stop) {
        pollfd p{c.fd, POLLIN, 0};
        int n = ::poll(&p, 1, 100);
        if (n > 0) return true;
        if (n < 0 && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() > give_up) return false;
    }
    return false;
}

long receive(HttpServerState* s, const Conn& c, char* buf, size_t size)
{
    if (!wait_readable(s, c)) return -1;
    if (c.ssl) return SSL_read(c.ssl, buf, int(size));
    return ::recv(c.fd, buf, size, 0);
}

bool send_all(HttpServerState* s, const Conn& c, const char* data, size_t size)
{
    while (size > 0 && !s->stop) {
        const size_t piece = std::min<size_t>(size, 256 * 1024);
        long n = c.ssl ? SSL_write(c.ssl, data, int(piece)) : ::send(c.fd, data, piece, MSG_NOSIGNAL);
        if (n <= 0) {
            if (!c.ssl && n < 0 && errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return size == 0;
}

// Holds the connection open without a word until the client gives up.
void wait_until_closed(HttpServerState* s, const Conn& c)
{
    char scratch[512];
    while (!s->stop) {
        pollfd p{c.fd, POLLIN, 0};
        int n = ::poll(&p, 1, 100);
        if (n < 0 && errno != EINTR) return;
        if (n > 0 && ::recv(c.fd, scratch, sizeof scratch, MSG_DONTWAIT) <= 0) return;
    }
}

// Reads one request head; false when the client left or sent nonsense.
bool read_request(HttpServerState* s, const Conn& c, ReceivedRequest* out)
{
    std::string head;
    char buf[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (head.size() > kMaxHead) return false;
        long n = receive(s, c, buf, sizeof buf);
        if (n <= 0) return false;
        head.append(buf, size_t(n));
    }
    head.resize(head.find("\r\n\r\n") + 4);
    const size_t line_end = head.find("\r\n");
    const std::string line = head.substr(0, line_end);
    const size_t a = line.find(' ');
    const size_t b = line.find(' ', a + 1);
    if (a == std::string::npos || b == std::string::npos) return false;
    out->method = line.substr(0, a);
    out->target = line.substr(a + 1, b - a - 1);
    out->headers = head;
    return true;
}

void record(HttpServerState* s, const ReceivedRequest& r)
{
    std::lock_guard<std::mutex> lock(s->mutex);
    s->received.push_back(r);
}

std::string path_of(const std::string& target)
{
    if (target.rfind("http://", 0) == 0 || target.rfind("https://", 0) == 0) {
        size_t slash = target.find('/', target.find("//") + 2);
        return slash == std::string::npos ? "/" : target.substr(slash);
    }
    return target;
}

void respond(HttpServerState* s, const Conn& c, const ReceivedRequest& r)
{
    std::shared_ptr<const ServedFile> file;
    {
        std::lock_guard<std::mutex> lock(s->mutex);
        auto it = s->files.find(path_of(r.target));
        if (it != s->files.end()) file = it->second;
    }
    if (!file) {
        static const std::string missing = "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nNot found";
        send_all(s, c, missing.data(), missing.size());
        return;
    }
    const ServedFile& f = *file;
    if (f.flags & kServeStallBeforeHeaders) {
        wait_until_closed(s, c);
        return;
    }
    std::string head = "HTTP/1.1 " + std::to_string(f.status) + " " + reason_of(f.status) + "\r\n";
    if (!(f.flags & kServeNoLastModified))
        head += "Last-Modified: " + (f.last_modified_text.empty() ? http_date(f.last_modified) : f.last_modified_text) + "\r\n";
    if (!(f.flags & kServeNoContentLength)) head += "Content-Length: " + std::to_string(f.body.size()) + "\r\n";
    if (!f.location.empty()) head += "Location: " + f.location + "\r\n";
    head += "Connection: close\r\n\r\n";
    const bool partial = f.flags & (kServeCutShort | kServeStall);
    const size_t body_size = partial ? f.body.size() / 2 : f.body.size();
    if (!send_all(s, c, head.data(), head.size())) return;
    if (r.method != "HEAD" && !send_all(s, c, f.body.data(), body_size)) return;
    if (f.flags & kServeStall) wait_until_closed(s, c);
}

bool tls_accept(HttpServerState* s, Conn* c)
{
    if (!s->tls) return false;
    c->ssl = SSL_new(s->tls);
    if (!c->ssl) return false;
    SSL_set_fd(c->ssl, c->fd);
    return SSL_accept(c->ssl) == 1;
}

void serve_connection(HttpServerState* s, int fd)
{
    Conn c{fd, nullptr};
    ReceivedRequest r;
    if (read_request(s, c, &r)) {
        record(s, r);
        if (r.method == "CONNECT") {
            static const std::string established = "HTTP/1.1 200 Connection established\r\n\r\n";
            static const std::string refused = "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            if (!s->tls) {
                send_all(s, c, refused.data(), refused.size());
            } else if (send_all(s, c, established.data(), established.size()) && tls_accept(s, &c)) {
                ReceivedRequest inner;
                if (read_request(s, c, &inner)) {
                    inner.tls = true;
                    record(s, inner);
                    respond(s, c, inner);
                }
            }
        } else {
            respond(s, c, r);
        }
    }
    if (c.ssl) {
        SSL_shutdown(c.ssl);
        SSL_free(c.ssl);
    }
    {
        std::lock_guard<std::mutex> lock(s->mutex);
        s->open_fds.erase(fd);
    }
    ::close(fd);
}

void reap_workers(HttpServerState* s, bool all)
{
    for (auto it = s->workers.begin(); it != s->workers.end();) {
        if (all || *it->done) {
            it->thread.join();
            it = s->workers.erase(it);
        } else {
            ++it;
        }
    }
}

void accept_loop(HttpServerState* s)
{
    while (!s->stop) {
        pollfd p[2] = {{s->listen_fd, POLLIN, 0}, {s->wake[0], POLLIN, 0}};
        int n = ::poll(p, 2, 500);
        reap_workers(s, false);
        if (n <= 0 || s->stop || !(p[0].revents & POLLIN)) continue;
        int fd = ::accept4(s->listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        if (s->workers.size() >= size_t(kMaxConnections)) {
            ::close(fd);
            continue;
        }
        {
            std::lock_guard<std::mutex> lock(s->mutex);
            s->open_fds.insert(fd);
        }
        auto done = std::make_shared<std::atomic<bool>>(false);
        s->workers.push_back({std::thread([s, fd, done] {
                                  serve_connection(s, fd);
                                  *done = true;
                              }),
                              done});
    }
}

}  // namespace

HttpServer::HttpServer(bool with_tls) : state_(std::make_unique<HttpServerState>())
{
    // A client that hangs up mid-body must not end the test process.
    std::signal(SIGPIPE, SIG_IGN);
    HttpServerState* s = state_.get();
    if (::pipe2(s->wake, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    s->listen_fd = listen_on_loopback(&s->port);
    if (with_tls) {
        const TlsMaterial& m = tls_material();
        s->tls = SSL_CTX_new(TLS_server_method());
        if (!s->tls || SSL_CTX_use_certificate_chain_file(s->tls, m.cert_file.c_str()) != 1 ||
            SSL_CTX_use_PrivateKey_file(s->tls, m.key_file.c_str(), SSL_FILETYPE_PEM) != 1)
            throw std::runtime_error("cannot load the test certificate");
    }
    acceptor_ = std::thread(accept_loop, s);
}

HttpServer::~HttpServer()
{
    HttpServerState* s = state_.get();
    s->stop = true;
    if (::write(s->wake[1], "x", 1) < 0) { /* the poll time-out ends the loop as well */ }
    acceptor_.join();
    {
        // Unblocks workers stuck in a send to a client that stopped reading.
        std::lock_guard<std::mutex> lock(s->mutex);
        for (int fd : s->open_fds) ::shutdown(fd, SHUT_RDWR);
    }
    reap_workers(s, true);
    ::close(s->listen_fd);
    ::close(s->wake[0]);
    ::close(s->wake[1]);
    if (s->tls) SSL_CTX_free(s->tls);
}

void HttpServer::add(const std::string& path, ServedFile file)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->files[path] = std::make_shared<const ServedFile>(std::move(file));
}

void HttpServer::add(const std::string& path, std::string body, int64_t last_modified, int status, unsigned flags)
{
    ServedFile file;
    file.body = std::move(body);
    file.last_modified = last_modified;
    file.status = status;
    file.flags = flags;
    add(path, std::move(file));
}

int HttpServer::port() const
{
    return state_->port;
}

std::vector<ReceivedRequest> HttpServer::requests() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->received;
}

std::string http_date(int64_t t)
{
    std::time_t when = static_cast<std::time_t>(t);
    std::tm utc{};
    gmtime_r(&when, &utc);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}

std::string test_ca_file()
{
    return tls_material().ca_file;
}

int refused_port()
{
    int port = 0;
    int fd = listen_on_loopback(&port);
    ::close(fd);
    return port;
}
