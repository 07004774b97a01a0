// WinINet-shaped HTTP over libcurl. A request drives its own easy handle in its own
// multi handle: sending runs the transfer until the final response's headers are in,
// then the body is held (the write callback pauses) until the caller pulls it, so a
// caller can look at Last-Modified and walk away without downloading anything. The
// requests of a session share one connection cache (and name and TLS session
// caches), so a run talks to each host over one kept-alive connection.
#include "platform/posix/internet_curl.h"
#include "platform/native_internet.h"
#include "platform/test_hooks.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <curl/curl.h>
#include <openssl/x509_vfy.h>
#include <strings.h>

namespace {

using Clock = std::chrono::steady_clock;

// ERROR_INTERNET_INCORRECT_HANDLE_STATE: a request used out of order.
constexpr uint32_t kInetIncorrectHandleState = 12019;
// ERROR_INTERNET_INVALID_URL and ERROR_INTERNET_UNRECOGNIZED_SCHEME.
constexpr uint32_t kInetInvalidUrl = 12005;
constexpr uint32_t kInetUnrecognizedScheme = 12006;
constexpr uint32_t kNotEnoughMemory = 8;

// Idle connections kept for reuse: more than the hosts of a whole run, so that none
// is dropped to make room before the run comes back to its host.
constexpr long kKeptConnections = 32;
// Body bytes held for the caller before the transfer is paused again.
constexpr size_t kMaxBuffered = 256 * 1024;

thread_local uint32_t t_inet_error = 0;

void set_inet_error(uint32_t code) { t_inet_error = code; }

struct Session {
    std::string agent;
    std::string proxy;  // empty: the platform's own settings
    std::mutex mutex;
    std::vector<std::unique_ptr<InetHandle>> connections;
    // Kept-alive connections, resolved names and TLS sessions of every request made
    // through this session. Its locks only matter if two threads ever overlapped.
    CURLSH* share = nullptr;
    std::mutex share_locks[CURL_LOCK_DATA_LAST];
    ~Session()
    {
        if (share) curl_share_cleanup(share);
    }
};

struct Connection {
    InetHandle* session = nullptr;
    std::string host;
    int port = 0;
};

struct Request {
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    curl_slist* extra_headers = nullptr;
    curl_slist* connect_to = nullptr;
    char error_text[CURL_ERROR_SIZE] = {};
    long stall_seconds = kInetStallSeconds;

    bool added = false;  // the easy handle is in the multi handle
    bool sent = false;
    bool headers_done = false;  // the final response's headers are complete
    bool pulling = false;       // the caller has asked for the body
    bool paused = false;        // the write callback held the transfer
    bool finished = false;
    uint32_t failure = 0;  // WinINet code of a failed transfer, 0 if none

    long status = 0;         // of the response whose headers are being kept
    long tunnel_status = 0;  // of the proxy's refusal of the tunnel, 0 if none
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;  // received, not yet read
    size_t body_pos = 0;
    Clock::time_point last_activity{};
    Clock::time_point sent_at{};

    ~Request()
    {
        if (added) curl_multi_remove_handle(multi, easy);
        if (easy) curl_easy_cleanup(easy);
        if (multi) curl_multi_cleanup(multi);
        curl_slist_free_all(extra_headers);
        curl_slist_free_all(connect_to);
    }
};

enum class Kind { Session, Connection, Request };

}  // namespace

struct InetHandle {
    Kind kind = Kind::Session;
    std::unique_ptr<Session> session;
    std::unique_ptr<Connection> connection;
    std::unique_ptr<Request> request;
};

namespace {

Request* request_of(InetHandle* h)
{
    if (!h || h->kind != Kind::Request) {
        set_inet_error(kInetInvalidHandle);
        return nullptr;
    }
    return h->request.get();
}

size_t buffered(const Request& r) { return r.body.size() - r.body_pos; }

bool is_followed_redirect(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool has_header(const Request& r, const char* name)
{
    for (const auto& h : r.headers)
        if (strcasecmp(h.first.c_str(), name) == 0) return true;
    return false;
}

// Every response passes through here (1xx, redirects, the final one); only the
// headers of the latest response are kept.
size_t on_header(char* data, size_t size, size_t count, void* user)
{
    Request* r = static_cast<Request*>(user);
    const size_t length = size * count;
    r->last_activity = Clock::now();
    std::string_view line(data, length);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);

    if (line.substr(0, 5) == "HTTP/") {
        r->headers.clear();
        r->status = 0;
        size_t blank = line.find(' ');
        if (blank != std::string_view::npos)
            r->status = std::strtol(std::string(line.substr(blank + 1, 3)).c_str(), nullptr, 10);
    } else if (line.empty()) {
        bool interim = r->status >= 100 && r->status < 200;
        bool redirected = is_followed_redirect(r->status) && has_header(*r, "Location");
        if (!interim && !redirected) r->headers_done = true;
    } else if ((line.front() == ' ' || line.front() == '\t') && !r->headers.empty()) {
        r->headers.back().second += ' ';
        r->headers.back().second += line.substr(line.find_first_not_of(" \t"));
    } else {
        size_t colon = line.find(':');
        if (colon != std::string_view::npos) {
            std::string_view value = line.substr(colon + 1);
            size_t first = value.find_first_not_of(" \t");
            value = first == std::string_view::npos ? std::string_view() : value.substr(first);
            while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
            r->headers.emplace_back(std::string(line.substr(0, colon)), std::string(value));
        }
    }
    return length;
}

// Body bytes are accepted only while the caller pulls and has room; otherwise the
// transfer pauses and libcurl hands the same bytes over again after unpausing.
size_t on_body(char* data, size_t size, size_t count, void* user)
{
    Request* r = static_cast<Request*>(user);
    const size_t length = size * count;
    r->last_activity = Clock::now();
    r->headers_done = true;
    if (!r->pulling || buffered(*r) >= kMaxBuffered) {
        r->paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (r->body_pos == r->body.size()) {
        r->body.clear();
        r->body_pos = 0;
    }
    r->body.append(data, length);
    return length;
}

void finish(Request* r, uint32_t failure)
{
    r->finished = true;
    r->failure = failure;
    if (r->added) {
        curl_multi_remove_handle(r->multi, r->easy);
        r->added = false;
    }
}

void collect_results(Request* r)
{
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(r->multi, &left)) {
        if (msg->msg != CURLMSG_DONE || msg->easy_handle != r->easy) continue;
        CURLcode result = msg->data.result;
        if (result == CURLE_OK) r->headers_done = true;
        // A proxy that refused the tunnel answered the request itself, as WinINet
        // hands such an answer over: its status, no headers of the server, no body.
        long tunnel = 0;
        if (result != CURLE_OK && curl_easy_getinfo(r->easy, CURLINFO_HTTP_CONNECTCODE, &tunnel) == CURLE_OK &&
            tunnel >= 300) {
            r->headers.clear();
            r->status = r->tunnel_status = tunnel;
            r->headers_done = true;
            finish(r, 0);
            continue;
        }
        uint32_t code = result == CURLE_OK ? 0 : inet_error_from_curl(result);
        // The request's own address is always http or https: only a redirect to a
        // scheme the request may not follow gets here, and it is the redirect that failed.
        if (result == CURLE_UNSUPPORTED_PROTOCOL) code = kInetRedirectFailed;
        // The certificate's own verdict says which of WinINet's certificate errors it is.
        if (result == CURLE_PEER_FAILED_VERIFICATION) {
            long verdict = 0;
            if (curl_easy_getinfo(r->easy, CURLINFO_SSL_VERIFYRESULT, &verdict) != CURLE_OK) verdict = -1;
            code = inet_error_from_certificate(verdict);
        }
        finish(r, code);
    }
}

// Whether the transfer has run out of time: no byte for the stall time, headers not
// complete the stall time after sending, or the request's whole time used up.
bool out_of_time(const Request& r)
{
    const auto now = Clock::now();
    const auto stall = std::chrono::seconds(r.stall_seconds);
    return now - r.last_activity >= stall || (!r.headers_done && now - r.sent_at >= stall) ||
           now - r.sent_at >= std::chrono::seconds(kInetRequestSeconds);
}

// Runs the transfer until `ready` holds or the transfer has ended in success,
// failure or time-out.
template <typename Ready>
void drive(Request* r, Ready ready)
{
    r->last_activity = Clock::now();
    while (!r->finished && !ready(*r)) {
        int running = 0;
        if (curl_multi_perform(r->multi, &running) != CURLM_OK) {
            finish(r, kInetInternalError);
            break;
        }
        collect_results(r);
        if (r->finished || ready(*r)) break;
        if (out_of_time(*r)) {
            finish(r, kInetTimeout);
            break;
        }
        int fds = 0;
        if (curl_multi_poll(r->multi, nullptr, 0, 200, &fds) != CURLM_OK) {
            finish(r, kInetInternalError);
            break;
        }
    }
}

// Makes body bytes available: unpauses the transfer and runs it until some bytes are
// held or it has ended.
void pull(Request* r)
{
    r->pulling = true;
    if (r->finished) return;
    if (r->paused) {
        r->paused = false;
        CURLcode c = curl_easy_pause(r->easy, CURLPAUSE_CONT);
        if (c != CURLE_OK) {
            finish(r, inet_error_from_curl(c));
            return;
        }
    }
    drive(r, [](const Request& q) { return buffered(q) > 0; });
}

std::once_flag g_curl_init_once;
bool g_curl_ready = false;

std::string request_url(const Connection& c, const char* object, bool secure)
{
    std::string url = secure ? "https://" : "http://";
    url += c.host;
    if (c.port != (secure ? 443 : 80)) url += ":" + std::to_string(c.port);
    if (!object || object[0] != '/') url += '/';
    if (object) url += object;
    return url;
}

// Tests cannot listen on ports 80 and 443, so the test programs name where a host's
// port is to be reached, in libcurl's CONNECT_TO form. Certificates are still checked
// against the requested host.
curl_slist* test_connect_to()
{
    const char* text = test_hook_connect_to();
    if (!text) return nullptr;
    curl_slist* list = nullptr;
    std::string all = text;
    size_t start = 0;
    while (start <= all.size()) {
        size_t comma = all.find(',', start);
        if (comma == std::string::npos) comma = all.size();
        std::string entry = all.substr(start, comma - start);
        if (!entry.empty()) list = curl_slist_append(list, entry.c_str());
        start = comma + 1;
    }
    return list;
}

bool configure(Request* r, const Session& s, const std::string& url, const char* verb, bool secure)
{
    CURL* e = r->easy;
    bool ok = curl_easy_setopt(e, CURLOPT_URL, url.c_str()) == CURLE_OK;
    if (std::strcmp(verb, "GET") == 0) ok = ok && curl_easy_setopt(e, CURLOPT_HTTPGET, 1L) == CURLE_OK;
    else ok = ok && curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, verb) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_USERAGENT, s.agent.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1)) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
    // What a secure source sends must come over TLS all the way: a redirect to plain
    // HTTP would let anyone on the path answer in its place.
    ok = ok && curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https") == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_MAXREDIRS, long(kInetMaxRedirects)) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, long(kInetConnectSeconds)) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_ERRORBUFFER, r->error_text) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, on_header) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_HEADERDATA, r) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, on_body) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_WRITEDATA, r) == CURLE_OK;
    // The proxy's answer to CONNECT is not the server's response.
    ok = ok && curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK;
    // gzip and deflate are asked for and handed over as they came: the caller
    // decodes them, and checks their length and their end.
    ok = ok && curl_easy_setopt(e, CURLOPT_HTTP_CONTENT_DECODING, 0L) == CURLE_OK;
    ok = ok && curl_easy_setopt(e, CURLOPT_SHARE, s.share) == CURLE_OK;

    // No local cache exists here; ask the caches on the way not to answer either.
    r->extra_headers = curl_slist_append(r->extra_headers, "Accept-Encoding: gzip, deflate");
    r->extra_headers = curl_slist_append(r->extra_headers, "Cache-Control: no-cache");
    r->extra_headers = curl_slist_append(r->extra_headers, "Pragma: no-cache");
    ok = ok && r->extra_headers && curl_easy_setopt(e, CURLOPT_HTTPHEADER, r->extra_headers) == CURLE_OK;

    // libcurl has a built-in bundle path and would not look at these on its own.
    if (const char* file = std::getenv("SSL_CERT_FILE"); file && *file)
        ok = ok && curl_easy_setopt(e, CURLOPT_CAINFO, file) == CURLE_OK;
    if (const char* dir = std::getenv("SSL_CERT_DIR"); dir && *dir)
        ok = ok && curl_easy_setopt(e, CURLOPT_CAPATH, dir) == CURLE_OK;

    // Without a proxy of our own CURLOPT_PROXY stays unset, so that libcurl reads
    // http_proxy, https_proxy and no_proxy. A given proxy takes every host.
    if (!s.proxy.empty()) {
        ok = ok && curl_easy_setopt(e, CURLOPT_PROXY, s.proxy.c_str()) == CURLE_OK;
        ok = ok && curl_easy_setopt(e, CURLOPT_NOPROXY, "") == CURLE_OK;
    }
    r->connect_to = test_connect_to();
    if (r->connect_to) ok = ok && curl_easy_setopt(e, CURLOPT_CONNECT_TO, r->connect_to) == CURLE_OK;
    // Tests shorten the stall time rather than wait a minute.
    r->stall_seconds = test_hook_stall_seconds(kInetStallSeconds);
    return ok;
}

void share_lock(CURL*, curl_lock_data data, curl_lock_access, void* user)
{
    static_cast<Session*>(user)->share_locks[data].lock();
}

void share_unlock(CURL*, curl_lock_data data, void* user) { static_cast<Session*>(user)->share_locks[data].unlock(); }

// The session's shared caches; false when libcurl refuses them.
bool make_share(Session* s)
{
    s->share = curl_share_init();
    if (!s->share) return false;
    bool ok = curl_share_setopt(s->share, CURLSHOPT_LOCKFUNC, share_lock) == CURLSHE_OK &&
              curl_share_setopt(s->share, CURLSHOPT_UNLOCKFUNC, share_unlock) == CURLSHE_OK &&
              curl_share_setopt(s->share, CURLSHOPT_USERDATA, s) == CURLSHE_OK;
    for (curl_lock_data data : {CURL_LOCK_DATA_CONNECT, CURL_LOCK_DATA_DNS, CURL_LOCK_DATA_SSL_SESSION})
        ok = ok && curl_share_setopt(s->share, CURLSHOPT_SHARE, data) == CURLSHE_OK;
    return ok;
}

// Adds the caller's header lines ("Name: value\r\n" each) to the request.
bool add_headers(Request* r, const char* headers)
{
    if (!headers || !*headers) return true;
    std::string_view rest(headers);
    while (!rest.empty()) {
        size_t end = rest.find("\r\n");
        std::string line(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
        if (line.empty()) continue;
        curl_slist* grown = curl_slist_append(r->extra_headers, line.c_str());
        if (!grown) return false;
        r->extra_headers = grown;
    }
    return curl_easy_setopt(r->easy, CURLOPT_HTTPHEADER, r->extra_headers) == CURLE_OK;
}

}  // namespace

uint32_t inet_error_from_certificate(long verify_result)
{
    switch (verify_result) {
    // The chain was not refused: libcurl's own check found that the certificate does
    // not name the host (it leaves the result at "unspecified", or at OK).
    case X509_V_OK:
    case X509_V_ERR_UNSPECIFIED:
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH: return kInetCertWrongName;
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID: return kInetCertDateInvalid;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
    case X509_V_ERR_CERT_CHAIN_TOO_LONG: return kInetCertUntrusted;
    case X509_V_ERR_CERT_REVOKED: return kInetCertRevoked;
    case -1: return kInetSecurityChannelError;
    default: return kInetCertInvalid;
    }
}

uint32_t inet_error_from_curl(int curl_code)
{
    switch (static_cast<CURLcode>(curl_code)) {
    case CURLE_OK: return 0;
    case CURLE_OPERATION_TIMEDOUT: return kInetTimeout;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return kInetNameNotResolved;
    case CURLE_COULDNT_CONNECT: return kInetCannotConnect;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
    case CURLE_USE_SSL_FAILED: return kInetSecurityChannelError;
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING: return kInetConnectionAborted;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR: return kInetConnectionReset;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM: return kInetInvalidServerResponse;
    case CURLE_TOO_MANY_REDIRECTS: return kInetRedirectFailed;
    case CURLE_URL_MALFORMAT: return kInetInvalidUrl;
    case CURLE_UNSUPPORTED_PROTOCOL: return kInetUnrecognizedScheme;
    case CURLE_OUT_OF_MEMORY: return kNotEnoughMemory;
    default: return kInetInternalError;
    }
}

InetHandle* native_inet::open_session(const char* agent, const char* proxy)
{
    std::call_once(g_curl_init_once, [] { g_curl_ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    if (!g_curl_ready) {
        set_inet_error(kInetInternalError);
        return nullptr;
    }
    auto h = std::make_unique<InetHandle>();
    h->kind = Kind::Session;
    h->session = std::make_unique<Session>();
    h->session->agent = agent ? agent : "";
    h->session->proxy = proxy ? proxy : "";
    if (!make_share(h->session.get())) {
        set_inet_error(kInetInternalError);
        return nullptr;
    }
    return h.release();
}

InetHandle* native_inet::connect(InetHandle* session, const char* host, int port)
{
    if (!session || session->kind != Kind::Session) {
        set_inet_error(kInetInvalidHandle);
        return nullptr;
    }
    if (!host || !*host || port <= 0 || port > 65535) {
        set_inet_error(kInetInvalidUrl);
        return nullptr;
    }
    auto h = std::make_unique<InetHandle>();
    h->kind = Kind::Connection;
    h->connection = std::make_unique<Connection>();
    h->connection->session = session;
    h->connection->host = host;
    h->connection->port = port;
    InetHandle* result = h.get();
    std::lock_guard<std::mutex> lock(session->session->mutex);
    session->session->connections.push_back(std::move(h));
    return result;
}

InetHandle* native_inet::open_request(InetHandle* connection, const char* verb, const char* object, int secure)
{
    if (!connection || connection->kind != Kind::Connection) {
        set_inet_error(kInetInvalidHandle);
        return nullptr;
    }
    const Connection& c = *connection->connection;
    auto h = std::make_unique<InetHandle>();
    h->kind = Kind::Request;
    h->request = std::make_unique<Request>();
    Request* r = h->request.get();
    r->easy = curl_easy_init();
    r->multi = curl_multi_init();
    if (!r->easy || !r->multi) {
        set_inet_error(kNotEnoughMemory);
        return nullptr;
    }
    // The limit of the request's own multi handle is the one applied to the shared
    // cache when the request hands its connection back.
    (void)curl_multi_setopt(r->multi, CURLMOPT_MAXCONNECTS, kKeptConnections);
    if (!configure(r, *c.session->session, request_url(c, object, secure != 0), verb ? verb : "GET", secure != 0)) {
        set_inet_error(kInetInternalError);
        return nullptr;
    }
    return h.release();
}

int native_inet::send_request(InetHandle* handle, const char* headers)
{
    Request* r = request_of(handle);
    if (!r) return 0;
    if (r->sent) {
        set_inet_error(kInetIncorrectHandleState);
        return 0;
    }
    r->sent = true;
    r->sent_at = Clock::now();
    if (!add_headers(r, headers) || curl_multi_add_handle(r->multi, r->easy) != CURLM_OK) {
        set_inet_error(kInetInternalError);
        return 0;
    }
    r->added = true;
    drive(r, [](const Request& q) { return q.headers_done; });
    if (!r->headers_done) {
        set_inet_error(r->failure ? r->failure : kInetInternalError);
        return 0;
    }
    return 1;
}

int native_inet::query_header(InetHandle* handle, InetHeader which, char* buf, uint32_t* len)
{
    Request* r = request_of(handle);
    if (!r || !len) {
        if (len) *len = 0;
        return 0;
    }
    if (!r->headers_done) {
        *len = 0;
        set_inet_error(kInetIncorrectHandleState);
        return 0;
    }
    std::string value;
    bool found = false;
    if (which == InetHeader::StatusCode || (which == InetHeader::TunnelStatus && r->tunnel_status)) {
        value = std::to_string(r->status);
        found = true;
    } else if (which != InetHeader::TunnelStatus) {
        const char* name = which == InetHeader::LastModified    ? "Last-Modified"
                           : which == InetHeader::ContentLength ? "Content-Length"
                                                                : "Content-Encoding";
        for (const auto& h : r->headers) {
            if (strcasecmp(h.first.c_str(), name) == 0) {
                value = h.second;
                found = true;
                break;
            }
        }
    }
    if (!found) {
        *len = 0;
        set_inet_error(kInetHeaderNotFound);
        return 0;
    }
    if (!buf || *len < value.size() + 1) {
        *len = uint32_t(value.size() + 1);
        set_inet_error(kInetInsufficientBuffer);
        return 0;
    }
    std::memcpy(buf, value.c_str(), value.size() + 1);
    *len = uint32_t(value.size());
    return 1;
}

int native_inet::query_data_available(InetHandle* handle, uint32_t* available)
{
    Request* r = request_of(handle);
    if (!r || !available) return 0;
    *available = 0;
    if (!r->headers_done) {
        set_inet_error(kInetIncorrectHandleState);
        return 0;
    }
    if (buffered(*r) == 0) pull(r);
    if (buffered(*r) > 0) {
        *available = uint32_t(std::min<size_t>(buffered(*r), UINT32_MAX));
        return 1;
    }
    if (r->failure) {
        set_inet_error(r->failure);
        return 0;
    }
    return 1;
}

int native_inet::read(InetHandle* handle, void* buf, uint32_t size, uint32_t* read)
{
    Request* r = request_of(handle);
    if (!r || !read) return 0;
    *read = 0;
    if (!r->headers_done) {
        set_inet_error(kInetIncorrectHandleState);
        return 0;
    }
    if (size == 0) return 1;
    if (buffered(*r) == 0) pull(r);
    size_t n = std::min<size_t>(size, buffered(*r));
    if (n == 0 && r->failure) {
        set_inet_error(r->failure);
        return 0;
    }
    std::memcpy(buf, r->body.data() + r->body_pos, n);
    r->body_pos += n;
    if (r->body_pos == r->body.size()) {
        r->body.clear();
        r->body_pos = 0;
    }
    *read = uint32_t(n);
    return 1;
}

void native_inet::close(InetHandle* handle)
{
    if (!handle) return;
    if (handle->kind == Kind::Connection) {
        Session& s = *handle->connection->session->session;
        std::lock_guard<std::mutex> lock(s.mutex);
        auto it = std::find_if(s.connections.begin(), s.connections.end(),
                               [handle](const std::unique_ptr<InetHandle>& c) { return c.get() == handle; });
        if (it != s.connections.end()) s.connections.erase(it);
        return;
    }
    delete handle;
}

uint32_t native_inet::last_error() { return t_inet_error; }
