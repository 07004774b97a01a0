#include "net/http_fetch.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>

#include "base/atomic_file.h"
#include "base/calendar_time.h"
#include "base/config.h"
#include "base/log.h"
#include "base/outside_text.h"
#include "base/report.h"
#include "base/run_view.h"
#include "base/terminal_view.h"
#include "net/body_decoder.h"
#include "net/internet_error.h"
#include "platform/platform.h"

namespace {

constexpr uint32_t kChunkSize = 4096;

// The URL text of messages: always "http://", also for secure sources.
std::string url_text(const DataSource& source)
{
    return format_bounded(kMessageSize, "http://%s/%s", source.host ? source.host : "",
                          source.remotePath ? source.remotePath : "");
}

// Content-Length of the response as a number; 0 when there is none or it is not one.
int content_length(InetHandle* request, uint64_t* out)
{
    char text[32] = {};
    uint32_t len = sizeof text;
    if (!g_platform.inet_query_header(request, InetHeader::ContentLength, text, &len)) return 0;
    const char* end = text + len;
    auto [last, ec] = std::from_chars(text, end, *out);
    return ec == std::errc() && last == end && len > 0;
}

// The status number of the response; 0 when none could be read.
int response_status(InetHandle* request)
{
    char text[16] = {};
    uint32_t len = sizeof text;
    if (!g_platform.inet_query_header(request, InetHeader::StatusCode, text, &len)) return 0;
    return std::atoi(text);
}

// The report of an answer that is not the file; `tunnel`: the status is a proxy's
// refusal of the secure connection.
std::string status_text(int status, const DataSource& source, bool tunnel = false)
{
    // Only a proxy answers 407; the user can act on it.
    const std::string why =
        status == 407 ? "\nThe proxy server asks for a user name and password: give them as "
                        "-proxy user:password@host:port"
        : tunnel
            ? format_bounded(kMessageSize, "\nThe proxy server refused the secure connection (HTTP status %d)", status)
            : std::string();
    return format_bounded(kMessageSize, "HttpSendRequest failed, HTTP status = %d\n%s%s", status,
                          url_text(source).c_str(), why.c_str());
}

// The proxy of the -proxy option as it may be shown: without its user name and password.
std::string proxy_shown()
{
    const std::string& proxy = g_config.proxy;
    const size_t at = proxy.rfind('@');
    if (at == std::string::npos) return proxy;
    const std::string scheme = proxy.starts_with("http://") ? "http://" : "";
    return scheme + proxy.substr(at + 1);
}

// Content-Encoding of the response as sent; empty when none.
std::string content_encoding(InetHandle* request)
{
    uint32_t len = 0;
    (void)g_platform.inet_query_header(request, InetHeader::ContentEncoding, nullptr, &len);
    if (len == 0) return {};
    std::string text(len, '\0');
    if (!g_platform.inet_query_header(request, InetHeader::ContentEncoding, text.data(), &len)) return {};
    text.resize(len);
    return text;
}

std::string too_large_text(const DataSource& source)
{
    return format_bounded(kMessageSize, "The file is larger than %llu MiB, the most a download may have\n%s",
                          static_cast<unsigned long long>(kMaxDownloadBytes >> 20), url_text(source).c_str());
}

// Why a fetch failed, reported once where fetchToFile ends: an Internet error of
// `operation` (its code comes from the platform), or else `text` under `title`.
struct FetchFailure {
    const char* operation = nullptr;
    const char* title = nullptr;
    std::string text;
};

FetchFailure internet_failure(const char* operation) { return {.operation = operation, .title = nullptr, .text = {}}; }
FetchFailure message_failure(const char* title, std::string text) { return {.title = title, .text = std::move(text)}; }

// Progress bar positions go out only when they change.
struct Progress {
    AppWindow* owner = nullptr;
    int shown = -1;
};

void progress_to(Progress* p, int percent)
{
    if (!p->owner || percent == p->shown) return;
    p->shown = percent;
    g_run_view.progress_set(p->owner, percent);
}

// Month names in HTTP dates; not the C library's, which follow the locale.
const char* const kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Decimal number as the C library's atoi reads it, saturated to int so that the
// arithmetic below cannot overflow.
int64_t token_number(const std::string& token)
{
    long long value = std::strtoll(token.c_str(), nullptr, 10);
    return std::clamp<long long>(value, INT_MIN, INT_MAX);
}

}  // namespace

InetHandle* openSession(const char* proxy)
{
    return g_platform.inet_open_session(kUserAgent, proxy && *proxy ? proxy : nullptr);
}

void closeSession(InetHandle* session)
{
    if (session) g_platform.inet_close(session);
}

int copy_time_usable(int64_t copy_time, int64_t now)
{
    return copy_time != kCopyNotInstalled && copy_time <= now + kCopyFutureTolerance;
}

InetHandle* openRequest(AppWindow* owner, InetHandle* session, const DataSource& source, int64_t if_modified_since)
{
    InetHandle* connection = g_platform.inet_connect(session, source.host, source.secure ? 443 : 80);
    if (!connection) {
        reportInternetError(owner, "InternetConnect", source.host);
        return nullptr;
    }
    InetHandle* request = g_platform.inet_open_request(connection, "GET", source.remotePath, source.secure);
    if (!request) {
        reportInternetError(owner, "HttpOpenRequest", url_text(source).c_str());
        return nullptr;
    }
    const std::string condition =
        if_modified_since != 0 ? "If-Modified-Since: " + http_date_text(if_modified_since) + "\r\n" : std::string();
    if (!g_platform.inet_send_request(request, condition.empty() ? nullptr : condition.c_str())) {
        // Through a proxy of the -proxy option, no connection and no name mean the proxy's.
        std::string extra = url_text(source);
        const uint32_t code = g_platform.inet_last_error();
        if (!g_config.proxy.empty() && (code == kInetCannotConnect || code == kInetNameNotResolved))
            extra += format_bounded(kMessageSize, "\nThe proxy server %s could not be reached",
                                    shown_text(proxy_shown()).c_str());
        reportInternetError(owner, "HttpSendRequest", extra.c_str());
        g_platform.inet_close(request);
        return nullptr;
    }
    // An error page is not the file, and a partial or empty answer is not the whole
    // file: nothing of them may be stored or taken as a date.
    const int status = response_status(request);
    if (status != 200 && !(status == 304 && !condition.empty())) {
        char text[16] = {};
        uint32_t len = sizeof text;
        const bool tunnel = g_platform.inet_query_header(request, InetHeader::TunnelStatus, text, &len) == 1;
        report_message(owner, status_text(status, source, tunnel).c_str(), "Internet error", kMbIconError);
        g_platform.inet_close(request);
        return nullptr;
    }
    return request;
}

void report_no_date(AppWindow* owner, const DataSource& source)
{
    std::string text =
        format_bounded(kMessageSize, "HttpQueryInfo failed, the server sent no date\n%s", url_text(source).c_str());
    report_message(owner, text.c_str(), "Internet error", kMbIconError);
}

int notModified(InetHandle* request) { return response_status(request) == 304 ? 1 : 0; }

int queryRemoteInfo(AppWindow*, InetHandle* request, DataSource* source)
{
    if (notModified(request)) {
        // The server confirmed the copy: its date and size are the server's.
        source->remoteTime = source->localTime;
        source->remoteSize = source->localSize;
        debug_printf("  %s is %d bytes\n", source->remotePath, int(source->remoteSize));
        return 1;
    }
    uint32_t len = 0;
    if (!g_platform.inet_query_header(request, InetHeader::LastModified, nullptr, &len) && len == 0) return 0;
    // The usual value has 29 characters; a longer one is read whole rather than cut.
    std::string text(std::max<uint32_t>(len, 32), '\0');
    uint32_t size = uint32_t(text.size());
    if (!g_platform.inet_query_header(request, InetHeader::LastModified, text.data(), &size)) return 0;
    text.resize(size);
    const int64_t date = parseHttpDate(text.c_str());
    if (!http_date_in_range(date)) {
        debug_printf("DEBUG:\t%s has no usable Last-Modified\n", source->remotePath);
        return 0;
    }
    source->remoteTime = date;

    uint64_t length = 0;
    const bool have_length = content_length(request, &length) && length <= UINT32_MAX;
    source->remoteSize = have_length ? uint32_t(length) : 0;
    debug_printf("%s%s is %d bytes\n", have_length ? "  " : "DEBUG:\t  ***** ", source->remotePath,
                 int(source->remoteSize));
    return 1;
}

namespace {

// The body of a 200 into the atomic file `out`, checked and dated, with the progress
// shown; nothing when it is in place, else why not (nothing reported yet).
std::optional<FetchFailure> receive_file(InetHandle* request, const DataSource& source, const char* path,
                                         int64_t file_time, const DownloadCheck& check, Progress* progress)
{
    if (const int status = response_status(request); status != 200)
        return message_failure("Internet error", status_text(status, source));
    // Refused before a byte is read: what no data file can be, or not be read as.
    uint64_t expected = 0;
    const bool have_length = content_length(request, &expected);
    if (have_length && expected > kMaxDownloadBytes) return message_failure("Internet error", too_large_text(source));
    // The body comes as sent: decoded here, the same way on every system, so that
    // its length is checked in the bytes Content-Length counts and its end by the
    // decoder.
    const std::string encoding = content_encoding(request);
    BodyDecoder decoder;
    if (!decoder_open(&decoder, body_encoding(encoding)))
        return message_failure("Internet error",
                               format_bounded(kMessageSize, "The file came in an encoding that cannot be read (%s)\n%s",
                                              shown_text(encoding.substr(0, 40)).c_str(), url_text(source).c_str()));
    const auto damaged = [&] {
        return message_failure("Internet error",
                               format_bounded(kMessageSize,
                                              "The file came compressed (%s) and incomplete or damaged\n%s",
                                              shown_text(encoding.substr(0, 40)).c_str(), url_text(source).c_str()));
    };
    const auto write_failed = [&] {
        return message_failure("WriteFile",
                               format_bounded(kMessageSize, "ERROR: Unable to write to file \"%s\"", path));
    };

    AtomicFile out;  // removes the temporary file on every early return
    if (!atomic_open(&out, path))
        return message_failure("CreateFile",
                               format_bounded(kMessageSize, "ERROR: Unable to open file \"%s\" for write.", path));
    progress_to(progress, 0);

    char buffer[kChunkSize];
    std::string body;
    uint64_t total = 0, received = 0;
    for (;;) {
        uint32_t available = 0;
        if (!g_platform.inet_query_data_available(request, &available))
            return internet_failure("InternetQueryDataAvailable");
        uint32_t got = 0;
        if (!g_platform.inet_read(request, buffer, std::min(available, kChunkSize), &got))
            return internet_failure("InternetReadFile");
        if (got == 0) break;
        received += got;
        body.clear();
        if (!decoder_feed(&decoder, buffer, got, &body)) return damaged();
        if (body.size() > kMaxDownloadBytes - total || received > kMaxDownloadBytes)
            return message_failure("Internet error", too_large_text(source));
        if (std::fwrite(body.data(), 1, body.size(), out.file) != body.size()) return write_failed();
        total += body.size();
        terminal_progress(received, source.remoteSize);
        // 64-bit: received * 100 passes 32 bits from 43 MB on.
        if (source.remoteSize != 0)
            progress_to(progress, int(std::min<uint64_t>(100, received * 100 / source.remoteSize)));
    }

    // No data file is ever empty: an empty answer is a server's fault, not the file.
    // Content-Length counts the bytes as sent.
    if ((have_length && expected != received) || total == 0)
        return message_failure("Internet error",
                               format_bounded(kMessageSize, "InternetReadFile failed, %llu of %llu bytes received\n%s",
                                              static_cast<unsigned long long>(received),
                                              static_cast<unsigned long long>(expected), url_text(source).c_str()));
    // A compressed body is whole only where its stream says it ends, whatever the
    // length the server gave or the connection's close.
    if (!decoder_complete(decoder)) return damaged();
    // Only a good file of its kind may take the place of the last good copy.
    if (check && std::fflush(out.file) != 0) return write_failed();
    if (std::string why; check && !check(out.temp.c_str(), &why))
        return message_failure("Download refused",
                               format_bounded(kMessageSize, "The download of %s was refused: %s\n%s",
                                              source.title ? source.title : "", why.c_str(), url_text(source).c_str()));
    // Dated once closed and before it takes the place of the old file, so that no
    // moment exists in which a new file carries the time of its writing (which would
    // read as current).
    out.stamp = true;
    out.modified = out.accessed = out.created = file_time;
    if (!atomic_commit(&out)) return write_failed();
    return std::nullopt;
}

}  // namespace

int fetchToFile(AppWindow* owner, InetHandle* request, const DataSource& source, const char* path, int64_t file_time,
                const DownloadCheck& check)
{
    Progress progress{owner};
    const std::optional<FetchFailure> failure = receive_file(request, source, path, file_time, check, &progress);
    if (failure && failure->operation) reportInternetError(owner, failure->operation, url_text(source).c_str());
    else if (failure) report_message(owner, failure->text.c_str(), failure->title, kMbIconError);
    // Back to 0 once the bar has moved: a fetch refused before its body leaves it alone.
    if (progress.shown != -1) progress_to(&progress, 0);
    return failure ? 0 : 1;
}

void closeRequest(InetHandle* request)
{
    if (request) g_platform.inet_close(request);
}

std::string http_date_text(int64_t t)
{
    static const char* const kDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    const std::tm utc = utc_calendar_time(t);
    return format_bounded(64, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[utc.tm_wday], utc.tm_mday,
                          kMonthNames[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
}

int64_t parseHttpDate(const char* text) { return parse_http_date_at(text, int64_t(std::time(nullptr))); }

int64_t parse_http_date_at(const char* text, int64_t now)
{
    std::string tokens[7];
    int count = 0;
    for (const char* p = text ? text : ""; *p && count < 7;) {
        while (*p && std::strchr(" :,", *p)) ++p;
        const char* start = p;
        while (*p && !std::strchr(" :,", *p)) ++p;
        if (p > start) tokens[count++].assign(start, p);
    }
    // Which of the three forms HTTP allows: asctime ("Sun Nov  6 08:49:37 1994") has
    // the month where the others have the day; RFC 850 ("Sunday, 06-Nov-94
    // 08:49:37 GMT") joins day, month and two-digit year with hyphens. Everything
    // else is read as RFC 1123.
    std::string day_text = tokens[1], month_text = tokens[2], year_text = tokens[3];
    std::string clock[3] = {tokens[4], tokens[5], tokens[6]};
    bool two_digit_year = false;
    if (std::isalpha(static_cast<unsigned char>(tokens[1][0]))) {
        month_text = tokens[1];
        day_text = tokens[2];
        year_text = tokens[6];
        clock[0] = tokens[3], clock[1] = tokens[4], clock[2] = tokens[5];
    } else if (const size_t dash = tokens[1].find('-', 1); dash != std::string::npos) {
        const size_t second = tokens[1].find('-', dash + 1);
        day_text = tokens[1].substr(0, dash);
        month_text = tokens[1].substr(dash + 1, second == std::string::npos ? std::string::npos : second - dash - 1);
        year_text = second == std::string::npos ? std::string() : tokens[1].substr(second + 1);
        clock[0] = tokens[2], clock[1] = tokens[3], clock[2] = tokens[4];
        two_digit_year = year_text.size() <= 2;
    }
    int64_t month = 0;
    for (int i = 0; i < 12; ++i)
        if (month_text == kMonthNames[i]) month = i;
    const int64_t day = token_number(day_text);
    int64_t year = token_number(year_text);
    const int64_t hours = token_number(clock[0]);
    const int64_t minutes = token_number(clock[1]);
    const int64_t seconds = token_number(clock[2]);
    if (two_digit_year) {
        // The year of this century with those digits, unless that lies more than 50
        // years ahead: then the one a century before.
        const int64_t this_year = int64_t(utc_calendar_time(now).tm_year) + 1900;
        year += this_year - this_year % 100;
        if (year > this_year + 50) year -= 100;
    }

    // Days, hours, minutes and seconds out of range carry over as they would through
    // the C library's normalisation; the month is always in range here.
    year += month / 12;
    return (days_from_civil(year, month % 12 + 1) + day - 1) * 86400 + hours * 3600 + minutes * 60 + seconds;
}

int http_date_in_range(int64_t unix_time) { return unix_time >= 0 && unix_time < kEndOfYear9999; }
