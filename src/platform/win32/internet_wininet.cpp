// The internet entries of the Windows table: WinINet itself, synchronous. A handle
// of the seam is the WinINet handle; the codes are WinINet's own. A session keeps
// one connection handle per host and port, so that WinINet reuses its kept-alive
// connection for every request of a run to that host. Redirects are followed here,
// not by WinINet, which would follow a secure request to plain HTTP.
#include <windows.h>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <process.h>
#include <schannel.h>
#include <string>
#include <tuple>
#include <vector>
#include <wininet.h>

#include "platform/native_internet.h"
#include "platform/test_hooks.h"
#include "platform/win32/platform_win32.h"

namespace {

// The limits of platform.h in WinINet's milliseconds.
constexpr DWORD kConnectTimeoutMs = kInetConnectSeconds * 1000;
constexpr DWORD kRequestTimeoutMs = kInetRequestSeconds * 1000;

thread_local uint32_t t_inet_error = 0;

// The connection handles of each session by host and port; closed with the session.
using ConnectionKey = std::tuple<HINTERNET, std::string, int>;
std::mutex g_connections_mutex;
std::map<ConnectionKey, HINTERNET> g_connections;

// The user name and password given with a session's proxy, by session; guarded by
// g_connections_mutex.
struct ProxyLogin {
    std::string user, password;
};
std::map<HINTERNET, ProxyLogin> g_proxy_logins;

// What following a request's redirects needs: the session it was opened in and
// whether its source is secure. Kept from opening to closing.
struct Opened {
    HINTERNET session = nullptr;
    bool secure = false;
};

// WinINet's own time-outs bound each wait for a byte, not a whole response. The send
// runs on a thread of its own that the caller waits for until the headers' deadline,
// and each sent request has a watchdog timer for its whole time; either closes the
// request handle when the time is up, and the call that waits reports 12002. (Some
// WinINet builds go on waiting in a call whose handle was closed; the caller does
// not wait for it.) The watchdog also holds the request a redirect led to, which
// stands in for the seam's request from then on.
struct Watchdog {
    HINTERNET request = nullptr;
    HINTERNET hop = nullptr;  // the redirect's request, null before any
    HANDLE timer = nullptr;
    bool expired = false;
};
// Guards the watchdogs' fields and the maps below.
std::mutex g_watchdogs_mutex;
std::map<HINTERNET, std::shared_ptr<Watchdog>> g_watchdogs;
std::map<HINTERNET, Opened> g_opened;

// With g_watchdogs_mutex held.
void expire(Watchdog* watchdog)
{
    if (watchdog->expired) return;
    watchdog->expired = true;
    if (watchdog->hop) InternetCloseHandle(watchdog->hop);
    InternetCloseHandle(watchdog->request);
}

VOID CALLBACK watchdog_expired(PVOID context, BOOLEAN)
{
    std::lock_guard<std::mutex> lock(g_watchdogs_mutex);
    expire(static_cast<Watchdog*>(context));
}

// Starts the watchdog of a request that is about to be sent.
std::shared_ptr<Watchdog> watch(HINTERNET request, DWORD ms)
{
    auto watchdog = std::make_shared<Watchdog>();
    watchdog->request = request;
    std::lock_guard<std::mutex> lock(g_watchdogs_mutex);
    // Without a timer the headers' deadline and WinINet's own time-outs still hold.
    if (!CreateTimerQueueTimer(&watchdog->timer, nullptr, watchdog_expired, watchdog.get(), ms, 0, WT_EXECUTEONLYONCE))
        watchdog->timer = nullptr;
    g_watchdogs[request] = watchdog;
    return watchdog;
}

// Ends a request now: its watchdog closes the handles (once).
void expire_now(HINTERNET request)
{
    std::lock_guard<std::mutex> lock(g_watchdogs_mutex);
    const auto it = g_watchdogs.find(request);
    if (it != g_watchdogs.end()) expire(it->second.get());
}

bool watch_expired(HINTERNET request)
{
    std::lock_guard<std::mutex> lock(g_watchdogs_mutex);
    const auto it = g_watchdogs.find(request);
    return it != g_watchdogs.end() && it->second->expired;
}

// The WinINet request that answers for the seam's request: the one the last
// redirect led to, or the request itself.
HINTERNET hop_of(HINTERNET request)
{
    std::lock_guard<std::mutex> lock(g_watchdogs_mutex);
    const auto it = g_watchdogs.find(request);
    return it != g_watchdogs.end() && it->second->hop ? it->second->hop : request;
}

// Stops the watchdog; false when it has already closed the request's handles, else
// true with the redirect's request (or null) in *hop for the caller to close.
bool unwatch(HINTERNET request, HINTERNET* hop)
{
    *hop = nullptr;
    std::shared_ptr<Watchdog> watchdog;
    {
        std::lock_guard<std::mutex> lock(g_watchdogs_mutex);
        const auto it = g_watchdogs.find(request);
        if (it == g_watchdogs.end()) return true;
        watchdog = std::move(it->second);
        g_watchdogs.erase(it);
    }
    // Waits for a callback under way, so that the handles are closed once only.
    if (watchdog->timer) DeleteTimerQueueTimer(nullptr, watchdog->timer, INVALID_HANDLE_VALUE);
    std::lock_guard<std::mutex> lock(g_watchdogs_mutex);
    if (watchdog->expired) return false;
    watchdog->expired = true;  // a send thread left behind must not hand over a redirect now
    *hop = watchdog->hop;
    return true;
}

void set_timeouts(HINTERNET handle);
InetHandle* connect_cached(HINTERNET session, const char* host, int port);

// Text with its %XX escapes undone (how a user name or password with ':' or '@' in
// it is written in a proxy address).
std::string unescaped(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += char(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// "[http://][user[:password]@]host:port[/]" as the proxy WinINet is given
// ("host:port") and the login that goes with it.
std::string split_proxy(std::string text, ProxyLogin* login)
{
    if (text.size() > 7 && _strnicmp(text.c_str(), "http://", 7) == 0) text.erase(0, 7);
    while (!text.empty() && text.back() == '/') text.pop_back();
    const size_t at = text.rfind('@');
    if (at == std::string::npos) return text;
    const std::string userinfo = text.substr(0, at);
    const size_t colon = userinfo.find(':');
    login->user = unescaped(userinfo.substr(0, colon));
    if (colon != std::string::npos) login->password = unescaped(userinfo.substr(colon + 1));
    return text.substr(at + 1);
}

// Gives a request the login of its session's proxy; WinINet answers the proxy's
// 407 with it.
void set_proxy_login(HINTERNET session, HINTERNET request)
{
    std::lock_guard<std::mutex> lock(g_connections_mutex);
    const auto it = g_proxy_logins.find(session);
    if (it == g_proxy_logins.end()) return;
    std::string& user = it->second.user;
    std::string& password = it->second.password;
    (void)InternetSetOptionA(request, INTERNET_OPTION_PROXY_USERNAME, user.data(), DWORD(user.size() + 1));
    (void)InternetSetOptionA(request, INTERNET_OPTION_PROXY_PASSWORD, password.data(), DWORD(password.size() + 1));
}

// gzip and deflate are asked for and handed over as they came: the caller decodes
// them, and checks their length and their end. (WinINet's own decoding hides both,
// and some builds answer the Content-Encoding query with another header after it.)
// The caches on the way are asked to check with the server; WinINet itself sends
// Pragma: no-cache for INTERNET_FLAG_PRAGMA_NOCACHE.
void add_request_headers(HINTERNET request)
{
    BOOL decode = FALSE;
    (void)InternetSetOptionA(request, INTERNET_OPTION_HTTP_DECODING, &decode, sizeof decode);
    for (const char* header : {"Accept-Encoding: gzip, deflate\r\n", "Cache-Control: no-cache\r\n"})
        (void)HttpAddRequestHeadersA(request, header, DWORD(-1), HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
}

DWORD request_flags(bool secure)
{
    // No cache answers for the server, and none keeps what it sent; redirects are
    // ours to judge.
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_CACHE_WRITE |
                  INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT;
    if (secure) flags |= INTERNET_FLAG_SECURE;
    return flags;
}

// The address a response sends the request on to, resolved against the request's
// own; empty when the response is not a redirect to follow.
std::string redirect_target(HINTERNET request)
{
    char text[16] = {};
    DWORD size = sizeof text;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE, text, &size, nullptr)) return {};
    const long status = std::strtol(text, nullptr, 10);
    if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308) return {};
    std::vector<char> location(2048), base(2048), target(4096);
    size = DWORD(location.size());
    if (!HttpQueryInfoA(request, HTTP_QUERY_LOCATION, location.data(), &size, nullptr)) return {};
    size = DWORD(base.size());
    if (!InternetQueryOptionA(request, INTERNET_OPTION_URL, base.data(), &size)) return location.data();
    size = DWORD(target.size());
    if (!InternetCombineUrlA(base.data(), location.data(), target.data(), &size, ICU_NO_ENCODE)) return location.data();
    return target.data();
}

// Opens the request for a redirect's target: https for a secure source, http or
// https for another, nothing else. Returns 0 with the request in *next, or the code.
DWORD open_redirect(const Opened& opened, const std::string& target, HINTERNET* next)
{
    char host[INTERNET_MAX_HOST_NAME_LENGTH] = {}, path[INTERNET_MAX_PATH_LENGTH] = {},
         extra[INTERNET_MAX_PATH_LENGTH] = {};
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof path;
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = sizeof extra;
    if (!InternetCrackUrlA(target.c_str(), 0, 0, &parts)) return ERROR_HTTP_REDIRECT_FAILED;
    const bool https = parts.nScheme == INTERNET_SCHEME_HTTPS;
    if (!https && (opened.secure || parts.nScheme != INTERNET_SCHEME_HTTP)) return ERROR_HTTP_REDIRECT_FAILED;
    InetHandle* connection = connect_cached(opened.session, host, parts.nPort);
    if (!connection) return t_inet_error;
    const std::string object = std::string(*path ? path : "/") + extra;
    *next = HttpOpenRequestA(reinterpret_cast<HINTERNET>(connection), "GET", object.c_str(), nullptr, nullptr, nullptr,
                             request_flags(https), 0);
    if (!*next) return GetLastError();
    set_timeouts(*next);
    set_proxy_login(opened.session, *next);
    add_request_headers(*next);
    return 0;
}

// TLS before 1.2 is refused. WinINet is told so on the session where it can be
// (INTERNET_OPTION_SECURE_PROTOCOLS); where it cannot, a connection that came to an
// older version is refused once WinINet says which it is. Wine 8 does neither; there
// the versions are chosen by the Wine prefix's registry (SCHANNEL\Protocols).
constexpr DWORD kOptionSecureProtocols = 151;
constexpr DWORD kOptionSecurityConnectionInfo = 66;
constexpr DWORD kTls12AndLater = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;
constexpr DWORD kBeforeTls12 =
    SP_PROT_SSL2_CLIENT | SP_PROT_SSL3_CLIENT | SP_PROT_TLS1_0_CLIENT | SP_PROT_TLS1_1_CLIENT;

void require_tls12(HINTERNET session)
{
    // Where WinINet does not take it, each request checks the version instead.
    DWORD protocols = kTls12AndLater;
    (void)InternetSetOptionA(session, kOptionSecureProtocols, &protocols, sizeof protocols);
}

// 0 when the request went over TLS older than 1.2, as far as WinINet tells.
bool tls_version_allowed(HINTERNET request)
{
    // INTERNET_SECURITY_CONNECTION_INFO: its size, whether secure, then the channel's
    // connection info (the protocol first) and, in later versions, its cipher info.
    for (const DWORD size : {DWORD(716), DWORD(36)}) {
        DWORD info[716 / sizeof(DWORD)] = {size};
        DWORD length = size;
        if (InternetQueryOptionA(request, kOptionSecurityConnectionInfo, info, &length))
            return !info[1] || !(info[2] & kBeforeTls12);
    }
    return true;
}

// HttpSendRequestA on a thread of its own, and again for each redirect followed;
// what it leaves is shared with the caller, who may have given up on it.
struct Sending {
    HINTERNET request = nullptr;
    Opened opened;
    std::shared_ptr<Watchdog> watchdog;
    std::string headers;
    bool has_headers = false;
    BOOL ok = FALSE;
    DWORD code = 0;
    HANDLE done = nullptr;
    void run()
    {
        HINTERNET hop = request;
        for (int redirects = 0;; ++redirects) {
            if (!HttpSendRequestA(hop, has_headers ? headers.c_str() : nullptr, has_headers ? DWORD(-1) : 0, nullptr,
                                  0)) {
                code = GetLastError();
                return;
            }
            if (!tls_version_allowed(hop)) {
                code = ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
                return;
            }
            const std::string target = redirect_target(hop);
            if (target.empty()) {
                ok = TRUE;
                return;
            }
            HINTERNET next = nullptr;
            code = redirects == kInetMaxRedirects ? DWORD(ERROR_HTTP_REDIRECT_FAILED)
                                                  : open_redirect(opened, target, &next);
            if (code) return;
            // The new request takes the old one's place, unless time ran out meanwhile.
            HINTERNET previous = nullptr;
            {
                std::lock_guard<std::mutex> lock(g_watchdogs_mutex);
                if (!watchdog->expired) {
                    previous = watchdog->hop;
                    watchdog->hop = next;
                    next = nullptr;
                }
            }
            if (next) {
                InternetCloseHandle(next);
                code = ERROR_INTERNET_TIMEOUT;
                return;
            }
            if (previous) InternetCloseHandle(previous);
            hop = watchdog->hop;
        }
    }
    ~Sending()
    {
        if (done) CloseHandle(done);
    }
};

unsigned __stdcall send_thread(void* context)
{
    const std::unique_ptr<std::shared_ptr<Sending>> sending(static_cast<std::shared_ptr<Sending>*>(context));
    (*sending)->run();
    SetEvent((*sending)->done);
    return 0;
}

// 1 when the send finished in time (its result in *sending), 0 when the deadline came.
int send_with_deadline(const std::shared_ptr<Sending>& sending, DWORD ms)
{
    sending->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    auto* held = sending->done ? new (std::nothrow) std::shared_ptr<Sending>(sending) : nullptr;
    // A thread of the system's own, not a detached std::thread: under load a detached
    // thread of the toolchain's thread library now and then ended without ever
    // running its function, and the caller waited out the whole deadline for a send
    // that never began.
    const HANDLE thread =
        held ? reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, send_thread, held, 0, nullptr)) : nullptr;
    if (!thread) {
        delete held;
        sending->run();  // no event or thread to be had: in this thread, with WinINet's time-outs only
        return 1;
    }
    CloseHandle(thread);
    return WaitForSingleObject(sending->done, ms) == WAIT_OBJECT_0;
}

HINTERNET handle_of(InetHandle* handle) { return reinterpret_cast<HINTERNET>(handle); }

HINTERNET hop_of(InetHandle* handle) { return hop_of(handle_of(handle)); }

InetHandle* seam_handle(HINTERNET handle) { return reinterpret_cast<InetHandle*>(handle); }

// Keeps WinINet's code of the call that just failed; returns 0 for the caller.
int failed()
{
    t_inet_error = GetLastError();
    return 0;
}

// Tests shorten the stall time-out to see it happen.
DWORD stall_timeout_ms() { return DWORD(test_hook_stall_seconds(kInetStallSeconds) * 1000); }

void set_timeout(HINTERNET handle, DWORD option, DWORD ms)
{
    // A time-out that cannot be set leaves WinINet's own, which also ends.
    if (!InternetSetOptionA(handle, option, &ms, sizeof ms)) { /* keep the default */
    }
}

// Set on every handle: not every WinINet passes a session's time-outs on to the
// connections and requests made under it.
void set_timeouts(HINTERNET handle)
{
    if (!handle) return;
    set_timeout(handle, INTERNET_OPTION_CONNECT_TIMEOUT, kConnectTimeoutMs);
    set_timeout(handle, INTERNET_OPTION_SEND_TIMEOUT, stall_timeout_ms());
    set_timeout(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, stall_timeout_ms());
}

// After a failed wait for the server that began at `start`: some WinINet builds
// report a silent server whose time-out ran out as a dropped connection (12030);
// the user is told the truth, that the request timed out.
void stall_as_timeout(HINTERNET request, std::chrono::steady_clock::time_point start)
{
    const auto waited = std::chrono::steady_clock::now() - start;
    if ((t_inet_error == ERROR_INTERNET_CONNECTION_ABORTED &&
         waited >= std::chrono::milliseconds(stall_timeout_ms())) ||
        watch_expired(request))
        t_inet_error = ERROR_INTERNET_TIMEOUT;
}

// A call that waits for the server. Returns 0 for the caller on failure.
template <typename Call>
int waiting_call(HINTERNET request, Call call)
{
    if (watch_expired(request)) {
        t_inet_error = ERROR_INTERNET_TIMEOUT;
        return 0;
    }
    const auto start = std::chrono::steady_clock::now();
    if (call()) return 1;
    failed();
    stall_as_timeout(request, start);
    return 0;
}

// The connection handle of a session to a host and port, made once and kept.
InetHandle* connect_cached(HINTERNET session, const char* host, int port)
{
    const ConnectionKey key{session, host ? host : "", port};
    std::lock_guard<std::mutex> lock(g_connections_mutex);
    if (auto it = g_connections.find(key); it != g_connections.end()) return seam_handle(it->second);
    HINTERNET connection =
        InternetConnectA(session, host, INTERNET_PORT(port), nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (!connection) {
        failed();
        return nullptr;
    }
    set_timeouts(connection);
    g_connections[key] = connection;
    return seam_handle(connection);
}

// Keeps in *text (the response's raw header lines) the value of the header `name`
// (lower case); FALSE with code 12150 when the response has none.
BOOL raw_header_value(std::vector<char>* text, const char* name)
{
    const std::string lines(text->data());
    const size_t name_size = std::strlen(name);
    for (size_t start = lines.find("\r\n"); start != std::string::npos;) {
        start += 2;
        const size_t end = std::min(lines.find("\r\n", start), lines.size());
        const std::string line = lines.substr(start, end - start);
        start = end < lines.size() ? end : std::string::npos;
        if (line.size() <= name_size || line[name_size] != ':') continue;
        bool same = true;
        for (size_t i = 0; i < name_size && same; ++i)
            same = std::tolower(static_cast<unsigned char>(line[i])) == name[i];
        if (!same) continue;
        const size_t first = line.find_first_not_of(" \t", name_size + 1);
        const size_t last = line.find_last_not_of(" \t");
        const std::string value = first == std::string::npos ? std::string() : line.substr(first, last - first + 1);
        text->assign(value.begin(), value.end());
        text->push_back('\0');
        return TRUE;
    }
    SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
    return FALSE;
}

// Whether the response to a secure request is its proxy's refusal of the tunnel:
// an https request answered over a connection that never became secure.
bool tunnel_refused(HINTERNET request)
{
    char url[INTERNET_MAX_URL_LENGTH] = {};
    DWORD size = sizeof url;
    if (!InternetQueryOptionA(request, INTERNET_OPTION_URL, url, &size) || _strnicmp(url, "https:", 6) != 0)
        return false;
    DWORD flags = 0;
    size = sizeof flags;
    return InternetQueryOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size) &&
           !(flags & SECURITY_FLAG_SECURE);
}

DWORD query_of(InetHeader which)
{
    switch (which) {
    case InetHeader::LastModified: return HTTP_QUERY_LAST_MODIFIED;
    case InetHeader::ContentLength: return HTTP_QUERY_CONTENT_LENGTH;
    case InetHeader::StatusCode: return HTTP_QUERY_STATUS_CODE;
    case InetHeader::ContentEncoding: return HTTP_QUERY_CONTENT_ENCODING;
    case InetHeader::TunnelStatus: return HTTP_QUERY_STATUS_CODE;
    }
    return HTTP_QUERY_STATUS_CODE;
}

}  // namespace

InetHandle* native_inet::open_session(const char* agent, const char* proxy)
{
    const bool use_proxy = proxy && *proxy;
    ProxyLogin login;
    const std::string address = use_proxy ? split_proxy(proxy, &login) : std::string();
    HINTERNET session = InternetOpenA(agent, use_proxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_PRECONFIG,
                                      use_proxy ? address.c_str() : nullptr, nullptr, 0);
    if (!session) {
        failed();
        return nullptr;
    }
    if (!login.user.empty()) {
        std::lock_guard<std::mutex> lock(g_connections_mutex);
        g_proxy_logins[session] = std::move(login);
    }
    // A dead or silent server must not hang a run.
    set_timeouts(session);
    require_tls12(session);
    return seam_handle(session);
}

InetHandle* native_inet::connect(InetHandle* session, const char* host, int port)
{
    return connect_cached(handle_of(session), host, port);
}

InetHandle* native_inet::open_request(InetHandle* connection, const char* verb, const char* object, int secure)
{
    std::string target;
    if (!object || *object != '/') target.push_back('/');
    if (object) target.append(object);
    HINTERNET request = HttpOpenRequestA(handle_of(connection), verb, target.c_str(), nullptr, nullptr, nullptr,
                                         request_flags(secure != 0), 0);
    if (!request) {
        failed();
        return nullptr;
    }
    set_timeouts(request);
    Opened opened;
    opened.secure = secure != 0;
    {
        std::lock_guard<std::mutex> lock(g_connections_mutex);
        for (const auto& [key, handle] : g_connections)
            if (handle == handle_of(connection)) opened.session = std::get<0>(key);
    }
    set_proxy_login(opened.session, request);
    std::lock_guard<std::mutex> lock(g_watchdogs_mutex);
    g_opened[request] = opened;
    add_request_headers(request);
    return seam_handle(request);
}

namespace {

int send_once(InetHandle* request, const char* headers)
{
    const HINTERNET handle = handle_of(request);
    HINTERNET hop = nullptr;
    if (!unwatch(handle, &hop)) {
        t_inet_error = ERROR_INTERNET_TIMEOUT;
        return 0;
    }
    if (hop) InternetCloseHandle(hop);
    auto sending = std::make_shared<Sending>();
    sending->request = handle;
    {
        std::lock_guard<std::mutex> lock(g_watchdogs_mutex);
        if (const auto it = g_opened.find(handle); it != g_opened.end()) sending->opened = it->second;
    }
    sending->watchdog = watch(handle, kRequestTimeoutMs);
    sending->has_headers = headers != nullptr;
    if (headers) sending->headers = headers;
    const auto start = std::chrono::steady_clock::now();
    if (!send_with_deadline(sending, stall_timeout_ms())) {
        expire_now(handle);
        t_inet_error = ERROR_INTERNET_TIMEOUT;
        return 0;
    }
    if (sending->ok) return 1;
    t_inet_error = sending->code;
    stall_as_timeout(handle, start);
    return 0;
}

}  // namespace

int native_inet::send_request(InetHandle* request, const char* headers)
{
    if (send_once(request, headers)) return 1;
    if (t_inet_error != ERROR_INTERNET_SEC_CERT_REV_FAILED) return 0;
    // Some WinINet builds ask about revocation before the issuer, so that a
    // certificate from an unknown authority fails as "revocation failed". Sent again
    // without the revocation check, the request tells which it is; it fails either
    // way, and the caller closes it.
    DWORD flags = 0, size = sizeof flags;
    const HINTERNET handle = handle_of(request);
    if (InternetQueryOptionA(handle, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size)) {
        flags |= SECURITY_FLAG_IGNORE_REVOCATION;
        if (InternetSetOptionA(handle, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags) &&
            !send_once(request, headers) && t_inet_error == ERROR_INTERNET_INVALID_CA)
            return 0;
    }
    t_inet_error = ERROR_INTERNET_SEC_CERT_REV_FAILED;
    return 0;
}

int native_inet::query_header(InetHandle* request, InetHeader which, char* buf, uint32_t* len)
{
    if (!len) return 0;
    // Read whole into a buffer of our own, then hand it out by the seam's rule for
    // a buffer that is missing or too small.
    std::vector<char> value(64);
    DWORD size = DWORD(value.size());
    const HINTERNET hop = hop_of(request);
    const DWORD query = which == InetHeader::ContentEncoding ? DWORD(HTTP_QUERY_RAW_HEADERS_CRLF) : query_of(which);
    BOOL ok = HttpQueryInfoA(hop, query, value.data(), &size, nullptr);
    if (!ok && GetLastError() == ERROR_INSUFFICIENT_BUFFER && size < (1u << 20)) {
        value.resize(size_t(size) + 1);
        size = DWORD(value.size());
        ok = HttpQueryInfoA(hop, query, value.data(), &size, nullptr);
    }
    if (ok && which == InetHeader::ContentEncoding) ok = raw_header_value(&value, "content-encoding");
    if (ok && which == InetHeader::TunnelStatus && !tunnel_refused(hop)) {
        SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
        ok = FALSE;
    }
    if (!ok) {
        failed();
        *len = 0;
        return 0;
    }
    const size_t length = std::strlen(value.data());
    if (!buf || *len < length + 1) {
        *len = uint32_t(length + 1);
        t_inet_error = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    std::memcpy(buf, value.data(), length + 1);
    *len = uint32_t(length);
    return 1;
}

int native_inet::query_data_available(InetHandle* request, uint32_t* available)
{
    DWORD count = 0;
    if (!waiting_call(handle_of(request), [&] { return InternetQueryDataAvailable(hop_of(request), &count, 0, 0); }))
        return 0;
    *available = count;
    return 1;
}

int native_inet::read(InetHandle* request, void* buf, uint32_t size, uint32_t* read)
{
    DWORD got = 0;
    if (!waiting_call(handle_of(request), [&] { return InternetReadFile(hop_of(request), buf, size, &got); })) return 0;
    *read = got;
    return 1;
}

void native_inet::close(InetHandle* handle)
{
    if (!handle) return;
    {
        // A session takes its connection handles along; a connection handle leaves
        // the cache.
        std::lock_guard<std::mutex> lock(g_connections_mutex);
        g_proxy_logins.erase(handle_of(handle));
        for (auto it = g_connections.begin(); it != g_connections.end();) {
            if (std::get<0>(it->first) == handle_of(handle) || it->second == handle_of(handle)) {
                if (it->second != handle_of(handle)) InternetCloseHandle(it->second);
                it = g_connections.erase(it);
            } else {
                ++it;
            }
        }
    }
    {
        std::lock_guard<std::mutex> lock(g_watchdogs_mutex);
        g_opened.erase(handle_of(handle));
    }
    // A request its watchdog ended is closed already, with the redirect's request.
    HINTERNET hop = nullptr;
    if (unwatch(handle_of(handle), &hop)) {
        if (hop) InternetCloseHandle(hop);
        InternetCloseHandle(handle_of(handle));
    }
}

uint32_t native_inet::last_error() { return t_inet_error; }
