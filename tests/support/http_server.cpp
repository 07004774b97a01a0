#include "support/http_server.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include "net/http_fetch.h"

namespace {

constexpr size_t kMaxHead = 64 * 1024;
constexpr auto kIdleLimit = std::chrono::seconds(20);

sockaddr_in loopback(int port)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(uint16_t(port));
    return addr;
}

int listen_on_loopback(int* port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr = loopback(0);
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
    int tunnel_port = 0;
    std::atomic<bool> stop{false};

    mutable std::mutex mutex;
    std::map<std::string, std::shared_ptr<const ServedFile>> files;
    std::vector<ReceivedRequest> received;
    int accepted = 0;
    std::set<int> open_fds;
    std::vector<std::thread> workers;  // one a connection, joined when the server stops
};

namespace {

// What arrives on the connection; -1 on stop or after the idle limit.
long receive(HttpServerState* s, int c, char* buf, size_t size)
{
    const auto give_up = std::chrono::steady_clock::now() + kIdleLimit;
    for (pollfd p{c, POLLIN, 0}; !s->stop && std::chrono::steady_clock::now() < give_up;) {
        const int n = ::poll(&p, 1, 100);
        if (n > 0) return ::recv(c, buf, size, 0);
        if (n < 0 && errno != EINTR) return -1;
    }
    return -1;
}

bool send_all(HttpServerState* s, int c, const char* data, size_t size)
{
    while (size > 0 && !s->stop) {
        const size_t piece = std::min<size_t>(size, 256 * 1024);
        const long n = ::send(c, data, piece, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return size == 0;
}

// Reads and records one request head; false when the client left or sent nonsense.
bool read_request(HttpServerState* s, int c, ReceivedRequest* out)
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
    char method[16], target[4096];
    if (std::sscanf(head.c_str(), "%15s %4095s HTTP/", method, target) != 2) return false;
    *out = {method, target, head};
    std::lock_guard<std::mutex> lock(s->mutex);
    s->received.push_back(*out);
    return true;
}

std::string path_of(const std::string& target)
{
    if (target.rfind("http://", 0) == 0 || target.rfind("https://", 0) == 0) {
        size_t slash = target.find('/', target.find("//") + 2);
        return slash == std::string::npos ? "/" : target.substr(slash);
    }
    return target;
}

// The If-Modified-Since time of a request, or -1 when it has none.
int64_t modified_since(const ReceivedRequest& r)
{
    const size_t at = r.headers.find("\r\nIf-Modified-Since: ");
    return at == std::string::npos ? -1 : parseHttpDate(r.headers.c_str() + at + 21);
}

// Answers one request; false when the connection is to be closed after it.
bool respond(HttpServerState* s, int c, const ReceivedRequest& r)
{
    std::shared_ptr<const ServedFile> file;
    {
        std::lock_guard<std::mutex> lock(s->mutex);
        auto it = s->files.find(path_of(r.target));
        if (it != s->files.end()) file = it->second;
    }
    if (!file) {
        static const std::string missing = "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nNot found";
        return send_all(s, c, missing.data(), missing.size());
    }
    const ServedFile& f = *file;
    const bool dated = !(f.flags & kServeNoLastModified);
    const int64_t since = modified_since(r);
    const bool unchanged = dated && !(f.flags & kServeIgnoreCondition) && since >= 0 && f.last_modified <= since;
    const int status = unchanged ? 304 : f.status;
    const bool faulty = f.flags & (kServeNoContentLength | kServeCutShort | kServeStall | kServeReset);
    std::string head = "HTTP/1.1 " + std::to_string(status) + " Status\r\n";
    if (dated)
        head += "Last-Modified: " +
                (f.last_modified_text.empty() ? http_date_text(f.last_modified) : f.last_modified_text) + "\r\n";
    if (!(f.flags & (kServeNoContentLength | kServeReset)) && !unchanged)
        head += "Content-Length: " + std::to_string(f.body.size()) + "\r\n";
    if (!f.location.empty()) head += "Location: " + f.location + "\r\n";
    if (!f.encoding.empty()) head += "Content-Encoding: " + f.encoding + "\r\n";
    head += faulty ? "Connection: close\r\n\r\n" : "\r\n";
    size_t dribbled = 0;
    if (f.flags & kServeSlowHeaders) {
        dribbled = head.find("\r\n") + 2;
        if (!send_all(s, c, head.data(), dribbled)) return false;
        for (int i = 0; i < 16 && !s->stop; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            if (!send_all(s, c, "X-Wait: 1\r\n", 11)) return false;
        }
    }
    const bool partial = f.flags & (kServeCutShort | kServeStall | kServeReset);
    const size_t body_size = unchanged || r.method == "HEAD" ? 0 : partial ? f.body.size() / 2 : f.body.size();
    if (!send_all(s, c, head.data() + dribbled, head.size() - dribbled) || !send_all(s, c, f.body.data(), body_size))
        return false;
    // A stalled body: silence until the client gives up.
    for (char scratch[512]; (f.flags & kServeStall) && receive(s, c, scratch, sizeof scratch) > 0;) {}
    if (f.flags & kServeReset) {
        const linger abort_on_close{1, 0};
        ::setsockopt(c, SOL_SOCKET, SO_LINGER, &abort_on_close, sizeof abort_on_close);
    }
    return !faulty;
}

// A CONNECT tunnel to the TLS server on tunnel_port: bytes relayed both ways until
// either side closes.
void tunnel(HttpServerState* s, int c)
{
    static const std::string established = "HTTP/1.1 200 Connection established\r\n\r\n";
    static const std::string refused = "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    sockaddr_in addr = loopback(s->tunnel_port);
    const int up = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s->tunnel_port == 0 || ::connect(up, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        send_all(s, c, refused.data(), refused.size());
    } else if (send_all(s, c, established.data(), established.size())) {
        pollfd p[2] = {{c, POLLIN, 0}, {up, POLLIN, 0}};
        char buf[16384];
        for (bool open = true; open && !s->stop;) {
            if (::poll(p, 2, 100) <= 0) continue;
            for (int i = 0; i < 2 && open; ++i) {
                if (!p[i].revents) continue;
                const long n = ::recv(p[i].fd, buf, sizeof buf, 0);
                open = n > 0 && send_all(s, i == 0 ? up : c, buf, size_t(n));
            }
        }
    }
    ::close(up);
}

void serve_connection(HttpServerState* s, int c)
{
    ReceivedRequest r;
    bool more = read_request(s, c, &r);
    if (more && r.method == "CONNECT") tunnel(s, c);
    while (more && r.method != "CONNECT" && respond(s, c, r)) more = read_request(s, c, &r);
    std::lock_guard<std::mutex> lock(s->mutex);
    s->open_fds.erase(c);
    ::close(c);
}

void accept_loop(HttpServerState* s)
{
    while (!s->stop) {
        pollfd p{s->listen_fd, POLLIN, 0};
        const int n = ::poll(&p, 1, 100);
        if (n <= 0 || s->stop) continue;
        int fd = ::accept4(s->listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        {
            std::lock_guard<std::mutex> lock(s->mutex);
            s->open_fds.insert(fd);
            ++s->accepted;
        }
        s->workers.emplace_back(serve_connection, s, fd);
    }
}

}  // namespace

HttpServer::HttpServer(int tunnel_port) : state_(std::make_unique<HttpServerState>())
{
    // A client that hangs up mid-body must not end the test process.
    std::signal(SIGPIPE, SIG_IGN);
    HttpServerState* s = state_.get();
    s->listen_fd = listen_on_loopback(&s->port);
    s->tunnel_port = tunnel_port;
    acceptor_ = std::thread(accept_loop, s);
}

HttpServer::~HttpServer()
{
    HttpServerState* s = state_.get();
    s->stop = true;
    acceptor_.join();
    {
        // Unblocks workers stuck in a send to a client that stopped reading.
        std::lock_guard<std::mutex> lock(s->mutex);
        for (int fd : s->open_fds) ::shutdown(fd, SHUT_RDWR);
    }
    for (std::thread& worker : s->workers) worker.join();
    ::close(s->listen_fd);
}

void HttpServer::add(const std::string& path, ServedFile file)
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->files[path] = std::make_shared<const ServedFile>(std::move(file));
}

void HttpServer::add(const std::string& path, std::string body, int64_t last_modified, int status, unsigned flags)
{
    add(path, {std::move(body), last_modified, status, flags, "", "", ""});
}

int HttpServer::port() const { return state_->port; }

int HttpServer::connections() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->accepted;
}

std::vector<ReceivedRequest> HttpServer::requests() const
{
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->received;
}

int refused_port()
{
    int port = 0;
    int fd = listen_on_loopback(&port);
    ::close(fd);
    return port;
}

std::string compressed(const std::string& text, int window_bits)
{
    z_stream z{};
    std::string out(text.size() + 1024, '\0');
    if (deflateInit2(&z, 9, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = uInt(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    const bool whole = deflate(&z, Z_FINISH) == Z_STREAM_END;
    out.resize(whole ? z.total_out : 0);
    deflateEnd(&z);
    return out;
}
