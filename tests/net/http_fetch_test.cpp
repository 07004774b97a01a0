// The HTTP client against the loopback server: how requests go out (proxy, TLS),
// what is read from the response, what a failed transfer leaves on disk, and dates.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "net/http_fetch.h"
#include "net/net_fixture.h"
#include "support/mirror_server.h"

constexpr int64_t kServerTime = 1700000000;  // 14-Nov-2023 22:13:20 UTC
constexpr int64_t kClock = 1764000000;       // 24-Nov-2025 16:00 UTC

TEST(NetHttpDate, ReadsRfc1123DatesAndTheDocumentedLeniencies)
{
    // clang-format off
    const struct { const char* text; int64_t seconds; } rows[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", 784111777},
        {"Thu, 29 Feb 2024 12:00:00 GMT", 1709208000},
        {"Sun, 06 Nov 1994 08:49:37 +0200", 784111777},  // the zone is never read
        {"Sun,,06  Nov:1994 08::49:37", 784111777},      // runs of separators count as one
        {"Sun, 06 nov 1994 08:49:37 GMT", 757846177},    // no month name: January
        {"Sun, 06 Nov 1994 08", 784108800},              // missing parts are zero
        {"", -62167305600},                              // day 0 of January of year 0
        {"Thu, 31 Nov 1994 00:00:00 GMT", 786240000},    // out-of-range fields carry over
        {"Mon, 01 Jan 2024 24:00:60 GMT", 1704153660},
        {"Mon, 00 Mar 2100 00:00:00 GMT", 4107456000},
        // The two obsolete forms; a two-digit year is the latest not more than 50
        // years after the clock's year (2025 here).
        {"Sunday, 06-Nov-94 08:49:37 GMT", 784111777},
        {"Sun Nov  6 08:49:37 1994", 784111777},
        {"Thursday, 29-Feb-24 12:00:00 GMT", 1709208000},
        {"Friday, 01-Jan-75 00:00:00 GMT", 3313526400},
        {"Thursday, 01-Jan-76 00:00:00 GMT", 189302400},
        {"Sunday, 06-nov-94 08:49:37 GMT", 757846177},  // months stay case-sensitive
        {"Sun NOV  6 08:49:37 1994", 757846177},
    };
    // clang-format on
    for (const auto& row : rows) EXPECT_EQ(parse_http_date_at(row.text, kClock), row.seconds) << row.text;
    // Only the years 1970 to 9999 are a server's date.
    for (const char* date : {"Thu, 01 Jan 1970 00:00:00 GMT", "Fri, 31 Dec 9999 23:59:59 GMT"})
        EXPECT_TRUE(http_date_in_range(parseHttpDate(date))) << date;
    for (const char* date : {"Wed, 31 Dec 1969 23:59:59 GMT", "Sat, 01 Jan 10000 00:00:00 GMT",
                             "Fri, 31 Dec 9999 23:59:60 GMT", "Mon, 01 Jan 99999999999999 00:00:00 GMT", ""})
        EXPECT_FALSE(http_date_in_range(parseHttpDate(date))) << date;
    EXPECT_EQ(http_date_text(784111777), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(parseHttpDate(http_date_text(-1).c_str()), -1);
    EXPECT_EQ(parseHttpDate(nullptr), parseHttpDate(""));
}

TEST_F(NetTest, PlainSourceIsFetchedWholeWithTheServersTime)
{
    // Far more than the platform holds for the caller at once: the transfer pauses and
    // resumes many times.
    std::string body;
    for (int i = 0; i < 1500000; ++i) body += char('A' + (i * 7 + i / 251) % 26);
    server.add("/kestrl/cty.zip", body, kServerTime);
    // An empty proxy text means the platform's settings, not "no proxy".
    ScopedEnv http_proxy("http_proxy", ("http://127.0.0.1:" + std::to_string(server.port())).c_str());
    via_server = session_with("");
    DataSource source;
    EXPECT_EQ(fetch(&source, "kestrl/cty.zip", "cty.zip"), 1);
    EXPECT_EQ(source.remoteTime, kServerTime);
    EXPECT_EQ(source.remoteSize, 1500000u);
    EXPECT_TRUE(read_file("cty.zip") == body);
    EXPECT_EQ(mtime_of("cty.zip"), kServerTime);

    // One absolute-form GET, as a proxy sees it, with our agent and no cached answer.
    auto seen = server.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].target, "http://www.country-files.com/kestrl/cty.zip");
    EXPECT_NE(seen[0].headers.find("User-Agent: WinInetGet/0.1\r\n"), std::string::npos);
    EXPECT_NE(seen[0].headers.find("no-cache"), std::string::npos);

    // 0 at the start, steady steps, 100 with the last byte, back to 0.
    const std::vector<int>& p = g_progress;
    ASSERT_GE(p.size(), 4u);
    EXPECT_EQ(std::vector<int>({p.front(), p[p.size() - 2], p.back()}), std::vector<int>({0, 100, 0}));
    for (size_t i = 1; i + 1 < p.size(); ++i) EXPECT_GT(p[i], p[i - 1]) << "position " << i;
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(NetTest, SecureSourceGoesThroughATunnelToPort443AndItsCertificateIsChecked)
{
    std::filesystem::create_directories("mirror/www.country-files.com");
    write_file("mirror/www.country-files.com/clublog.scp.zip", "secure bytes");
    MirrorServer nginx("mirror", "nginx");
    ASSERT_NE(nginx.tls_port, 0);
    HttpServer proxy(nginx.tls_port);
    via_server = session_with("127.0.0.1:" + std::to_string(proxy.port()));
    ScopedEnv trust_test_ca("SSL_CERT_FILE", "nginx/ca.pem");
    DataSource source;
    EXPECT_EQ(fetch(&source, "clublog.scp.zip", "clublog.scp.zip", 1), 1);
    EXPECT_EQ(read_file("clublog.scp.zip"), "secure bytes");
    auto seen = proxy.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].method + " " + seen[0].target, "CONNECT www.country-files.com:443");
    EXPECT_NE(nginx.access_log().find("www.country-files.com GET /clublog.scp.zip 200"), std::string::npos);

    // Refused certificates, each with its own code: another host's, an expired one
    // (from an authority of its own), one that the trusted authorities did not sign.
    DataSource other = source;
    other.host = "other.example";
    EXPECT_EQ(openRequest(owner, via_server, other), nullptr);
    ASSERT_EQ(
        std::system("mkdir -p old && cd old && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 "
                    "-nodes -keyout ca.key -out ca.pem -days 30 -subj /CN=old 2>/dev/null && openssl req -newkey ec "
                    "-pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout server.key -out server.csr -subj "
                    "/CN=www.country-files.com -addext subjectAltName=DNS:www.country-files.com 2>/dev/null && "
                    "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -copy_extensions copy -days -1 "
                    "-out server.pem 2>/dev/null"),
        0);
    MirrorServer expired("mirror", "old");
    HttpServer expired_proxy(expired.tls_port);
    ScopedEnv trust_old_ca("SSL_CERT_FILE", "old/ca.pem");
    via_server = session_with("127.0.0.1:" + std::to_string(expired_proxy.port()));
    EXPECT_EQ(fetch(&source, "clublog.scp.zip", nullptr, 1), -1);
    ScopedEnv system_cas("SSL_CERT_FILE", nullptr);
    EXPECT_EQ(fetch(&source, "clublog.scp.zip", nullptr, 1), -1);
    const std::string log = without_cr(log_text());
    for (const char* code : {"12038\nThe SSL certificate is for another host name.\nhttp://other.example/",
                             "12037\nThe SSL certificate has expired or is not valid yet.\n",
                             "12045\nThe SSL certificate was issued by an authority that is not trusted.\n"})
        EXPECT_NE(log.find(std::string("ERROR:\tHttpSendRequest failed, error = ") + code), std::string::npos)
            << code << log;
}

TEST_F(NetTest, ASecureSourceIsRedirectedToHttpsOnlyAPlainOneToHttpOrHttps)
{
    std::filesystem::create_directories("mirror/www.country-files.com");
    std::filesystem::create_directories("nginx");
    write_file("mirror/www.country-files.com/clublog.scp.zip", "secure bytes");
    write_file("nginx/locations.conf",
               "location = /to-https { return 302 https://www.country-files.com/clublog.scp.zip; }\n"
               "location = /to-http { return 302 http://www.country-files.com/clublog.scp.zip; }\n");
    MirrorServer nginx("mirror", "nginx");
    ASSERT_NE(nginx.tls_port, 0);
    // The proxy serves plain HTTP itself and tunnels TLS to nginx.
    HttpServer proxy(nginx.tls_port);
    proxy.add("/clublog.scp.zip", "plain bytes", kServerTime);
    proxy.add("/up", {"", 0, 302, 0, "https://www.country-files.com/clublog.scp.zip", "", ""});
    proxy.add("/ftp", {"", 0, 302, 0, "ftp://www.country-files.com/clublog.scp.zip", "", ""});
    via_server = session_with("127.0.0.1:" + std::to_string(proxy.port()));
    ScopedEnv trust_test_ca("SSL_CERT_FILE", "nginx/ca.pem");
    // clang-format off
    const struct { const char* path; int secure; int result; const char* body; } rows[] = {
        {"to-https", 1, 1, "secure bytes"},
        {"up", 0, 1, "secure bytes"},
        {"to-http", 1, -1, nullptr},
        {"ftp", 0, -1, nullptr},
    };
    // clang-format on
    DataSource s;
    for (const auto& row : rows) {
        std::filesystem::remove("got");
        EXPECT_EQ(fetch(&s, row.path, "got", row.secure), row.result) << row.path;
        if (row.body) EXPECT_EQ(read_file("got"), row.body) << row.path;
        else
            EXPECT_NE(without_cr(log_text())
                          .find(std::string("ERROR:\tHttpSendRequest failed, error = 12156\nThe redirection failed.\n"
                                            "http://www.country-files.com/") +
                                row.path + "\n"),
                      std::string::npos)
                << log_text();
    }
    // The plain copy was never asked for.
    for (const ReceivedRequest& r : proxy.requests())
        EXPECT_EQ(r.target.find("clublog"), std::string::npos) << r.target;
}

TEST_F(NetTest, HeadersDecideWhatIsKnownAboutTheRemoteFile)
{
    g_config.debug = 1;
    server.add("/dated", "12345", kServerTime);
    server.add("/undated", "x", kServerTime, 200, kServeNoLastModified);
    server.add("/unsized", std::string(5000, 'u'), kServerTime, 200, kServeNoContentLength);
    // {body, last_modified, status, flags, location, last_modified_text, encoding}
    server.add("/long-date", {"x", 0, 200, 0, "", "Tuesday, 14 Nov 2023 22:13:20 GMT and more text", ""});
    server.add("/moved", {"", 0, 302, 0, "http://www.country-files.com/dated", "", ""});
    server.add("/far", {"x", 0, 200, 0, "", "Sat, 01 Jan 10000 00:00:00 GMT", ""});
    DataSource s;
    EXPECT_EQ(fetch(&s, "dated"), 1);
    EXPECT_EQ(fetch(&s, "undated"), 0);
    // A date past the year 9999 is as good as none (the forms HTTP allows are read
    // by parseHttpDate, above).
    EXPECT_EQ(fetch(&s, "far"), 0);
    // A date longer than the usual 29 characters is read whole.
    EXPECT_EQ(fetch(&s, "long-date"), 1);
    EXPECT_EQ(s.remoteTime, kServerTime);
    // A redirect is followed and the final response's headers count.
    s.remoteTime = 0;
    EXPECT_EQ(fetch(&s, "moved"), 1);
    EXPECT_EQ(s.remoteTime, kServerTime);
    EXPECT_EQ(s.remoteSize, 5u);
    // No Content-Length: size 0, the progress bar never moves, the body still comes.
    EXPECT_EQ(fetch(&s, "unsized", "unsized.txt"), 1);
    EXPECT_EQ(s.remoteSize, 0u);
    EXPECT_EQ(read_file("unsized.txt"), std::string(5000, 'u'));
    EXPECT_EQ(g_progress, std::vector<int>{0});

    const std::string log = without_cr(log_text());
    EXPECT_EQ(log.rfind("  dated is 5 bytes\n", 0), 0u) << log;
    EXPECT_NE(log.find("DEBUG:\t  ***** unsized is 0 bytes\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("undated is"), std::string::npos) << log;
}

TEST_F(NetTest, FailuresAreReportedAndKeepThePreviousFile)
{
    ScopedEnv short_stall("KSTLUPD_TEST_STALL_SECONDS", "1");
    write_file("file.txt", "old contents\r\n");
    set_mtime("file.txt", 1000000000);
    // Paths without a fault are not served: the server answers 404.
    server.add("/loop", {"", 0, 302, 0, "http://www.country-files.com/loop", "", ""});
    // refused: through a proxy that refuses connections.
    // clang-format off
    const struct { const char* path; unsigned fault; int status; size_t size; bool refused; int result; const char* logged; } rows[] = {
        {"cut", kServeCutShort, 200, 200000, false, 0, "InternetQueryDataAvailable failed, error = 12030\nThe connection with the server was ended.\nhttp://www.country-files.com/cut\n"},
        {"reset", kServeReset, 200, 200000, false, 0, "InternetQueryDataAvailable failed, error = 12031\nThe connection with the server was reset.\nhttp://www.country-files.com/reset\n"},
        {"empty", 0, 200, 0, false, 0, "InternetReadFile failed, 0 of 0 bytes received\nhttp://www.country-files.com/empty\n"},
        {"part", 0, 206, 2000, false, -1, "HttpSendRequest failed, HTTP status = 206\nhttp://www.country-files.com/part\n"},
        {"none", 0, 204, 0, false, -1, "HttpSendRequest failed, HTTP status = 204\nhttp://www.country-files.com/none\n"},
        {"stall", kServeStall, 200, 200000, false, 0,
         "InternetQueryDataAvailable failed, error = 12002\nThe request has timed out.\nhttp://www.country-files.com/stall\n"},
        {"slow", kServeSlowHeaders, 200, 1, false, -1,
         "HttpSendRequest failed, error = 12002\nThe request has timed out.\nhttp://www.country-files.com/slow\n"},
        {"gone", 0, 0, 0, false, -1, "HttpSendRequest failed, HTTP status = 404\nhttp://www.country-files.com/gone\n"},
        {"loop", 0, 0, 0, false, -1, "HttpSendRequest failed, error = 12156\nThe redirection failed.\nhttp://www.country-files.com/loop\n"},
        {"any", 0, 0, 0, true, -1,
         "HttpSendRequest failed, error = 12029\nThe attempt to connect to the server failed.\nhttp://www.country-files.com/any\n"},
    };
    // clang-format on
    DataSource s;
    for (const auto& row : rows) {
        if (row.status)
            server.add(std::string("/") + row.path, std::string(row.size, 'x'), kServerTime, row.status, row.fault);
        via_server = row.refused ? session_with("127.0.0.1:" + std::to_string(refused_port())) : sessions.front();
        EXPECT_EQ(fetch(&s, row.path, "file.txt"), row.result) << row.path;
        EXPECT_EQ(read_file("file.txt"), "old contents\r\n");
        EXPECT_EQ(mtime_of("file.txt"), 1000000000);
        EXPECT_EQ(temp_files_in("."), "");
        EXPECT_TRUE(g_progress.empty() || g_progress.back() == 0) << row.path;
        EXPECT_NE(without_cr(log_text()).find(std::string("ERROR:\t") + row.logged), std::string::npos) << log_text();
    }
    EXPECT_EQ(dialogs.shown.size(), std::size(rows));
    for (const ShownBox& box : dialogs.shown) EXPECT_EQ(box.title, "Internet error");
    // The redirect loop ended after a few rounds.
    EXPECT_LE(server.requests().size(), std::size(rows) + 6);

    // A file that cannot be written is reported as such.
    via_server = sessions.front();
    server.add("/f", "data", kServerTime);
    EXPECT_EQ(fetch(&s, "f", "NOFOLDER\\f.txt"), 0);
    EXPECT_EQ(dialogs.shown.back().text, "ERROR: Unable to open file \"NOFOLDER\\f.txt\" for write.");
    EXPECT_EQ(dialogs.shown.back().title, "CreateFile");
}

TEST_F(NetTest, NotModifiedMeansTheCopyAndRequestsShareOneConnection)
{
    server.add("/same", "12345", kServerTime);
    DataSource s;
    s.localSize = 9;
    s.localTime = kServerTime + 7;
    // Not newer than the copy: 304, whose date and size are the copy's; no body.
    EXPECT_EQ(fetch(&s, "same", nullptr, 0, kServerTime + 7), 1);
    EXPECT_EQ(std::pair(s.remoteTime, s.remoteSize), std::pair(kServerTime + 7, 9u));
    EXPECT_EQ(fetch(&s, "same", "same.txt", 0, kServerTime), 0);
    EXPECT_EQ(fetch(&s, "same", "same.txt"), 1);
    EXPECT_EQ(server.connections(), 1);
    // A body left unread closes its connection only.
    EXPECT_EQ(fetch(&s, "same"), 1);
    EXPECT_EQ(fetch(&s, "same", "again.txt"), 1);
    EXPECT_EQ(server.connections(), 2);

    // However many hosts a run visits, each keeps its connection.
    std::string hosts;
    for (char h = 'a'; h <= 'f'; ++h)
        hosts += h + std::string(".test:80:127.0.0.1:") + std::to_string(server.port()) + ",";
    ScopedEnv direct("KSTLUPD_TEST_CONNECT_TO", hosts.c_str()), no_proxy("no_proxy", "*");
    InetHandle* session = session_with("");
    for (const char* host : {"a.test", "b.test", "c.test", "d.test", "e.test", "f.test", "a.test"}) {
        s.host = host;
        closeRequest(openRequest(owner, session, s, kServerTime));
    }
    EXPECT_EQ(server.connections(), 2 + 6);
}

TEST_F(NetTest, BodiesAreDecodedCheckedAndHugeFilesRefused)
{
    write_file("file.txt", "old contents\r\n");
    std::string list;
    for (int i = 0; i < 20000; ++i) list += "K" + std::to_string(i) + "ABC\r\n";
    const std::string gzip = compressed(list, 31), zlib = compressed(list, 15), raw = compressed(list, -15);
    const std::string half = list.substr(0, list.size() / 2);
    auto flipped = [](std::string body, size_t from_end) { return body[body.size() - from_end] ^= 1, body; };
    // A compressed body is the file only when its stream reached its end with its
    // check values, whatever length the server claims or how the connection ended.
    // clang-format off
    const struct { const char* path; std::string body; const char* encoding; unsigned flags; int result; bool damaged; } rows[] = {
        {"gzip", gzip, "gzip", 0, 1, false},
        {"zlib", zlib, "Deflate", 0, 1, false},
        {"raw-deflate", raw, "deflate", 0, 1, false},
        {"members", compressed(half, 31) + compressed(list.substr(half.size()), 31), "x-gzip", 0, 1, false},
        {"gzip-half", gzip.substr(0, gzip.size() / 2), "gzip", 0, 0, true},
        {"gzip-closed", gzip.substr(0, gzip.size() / 2), "gzip", kServeNoContentLength, 0, true},
        {"no-trailer", gzip.substr(0, gzip.size() - 8), "gzip", 0, 0, true},
        {"bad-crc", flipped(gzip, 8), "gzip", 0, 0, true},
        {"bad-adler", flipped(zlib, 1), "deflate", 0, 0, true},
        {"raw-half", raw.substr(0, raw.size() / 2), "deflate", kServeNoContentLength, 0, true},
        {"trailing", gzip + "junk", "gzip", 0, 0, true},
        {"gzip-cut", gzip, "gzip", kServeCutShort, 0, false},
        {"brotli", "\x1b\x03", "br", 0, 0, false},
    };
    // clang-format on
    DataSource s;
    for (const auto& row : rows) {
        // {body, last_modified, status, flags, location, last_modified_text, encoding}
        server.add(std::string("/") + row.path, {row.body, kServerTime, 200, row.flags, "", "", row.encoding});
        EXPECT_EQ(fetch(&s, row.path, row.result ? "list.txt" : "file.txt"), row.result) << row.path;
        if (row.result) {
            EXPECT_TRUE(read_file("list.txt") == list) << row.path;
        }
        if (row.damaged) {
            EXPECT_NE(without_cr(log_text())
                          .find(std::string("(") + row.encoding +
                                ") and incomplete or damaged\nhttp://www.country-files.com/" + row.path + "\n"),
                      std::string::npos)
                << row.path;
        }
    }
    EXPECT_NE(server.requests().back().headers.find("Accept-Encoding: gzip, deflate\r\n"), std::string::npos);

    // The check sees the whole body, decoded, before it may replace the file.
    s.title = "Sample";
    check = [&](const char* path, std::string* why) { return *why = "it is not the list", read_file(path) == list; };
    server.add("/page", "<p>Sign in</p>", kServerTime);
    EXPECT_EQ(fetch(&s, "page", "file.txt"), 0);
    EXPECT_EQ(fetch(&s, "gzip", "list.txt"), 1);
    check = nullptr;
    EXPECT_EQ(read_file("file.txt"), "old contents\r\n");

    // Over the cap: refused by its Content-Length before a byte is read, or as soon
    // as a body without one passes it.
    server.add("/huge", std::string(1000, 'h'), kServerTime, 200, kServeNoContentLength);
    PlatformOverride fake;
    static uint64_t reads;
    reads = 0;
    g_platform.inet_query_header = [](InetHandle* request, InetHeader which, char* buf, uint32_t* len) {
        if (which != InetHeader::ContentLength || !buf)
            return native_platform().inet_query_header(request, which, buf, len);
        return *len = uint32_t(std::snprintf(buf, *len, "%llu", (unsigned long long)(kMaxDownloadBytes + 1))), 1;
    };
    // An endless body, but for a few chunks past the cap.
    g_platform.inet_read = [](InetHandle*, void*, uint32_t size, uint32_t* got) {
        return *got = ++reads < kMaxDownloadBytes / 4096 + 3 ? size : 0, 1;
    };
    EXPECT_EQ(fetch(&s, "huge", "file.txt"), 0);
    EXPECT_EQ(reads, 0u);
    g_platform.inet_query_header = fake.saved.inet_query_header;
    g_platform.inet_query_data_available = [](InetHandle*, uint32_t* available) { return *available = 4096, 1; };
    EXPECT_EQ(fetch(&s, "huge", "file.txt"), 0);
    EXPECT_EQ(reads, kMaxDownloadBytes / 4096 + 1);
    EXPECT_EQ(read_file("file.txt"), "old contents\r\n");
    EXPECT_EQ(temp_files_in("."), "");

    const std::string log = without_cr(log_text());
    const std::string url = "\nhttp://www.country-files.com/";
    for (const std::string& line : {"The file came in an encoding that cannot be read (br)" + url + "brotli\n",
                                    "The download of Sample was refused: it is not the list" + url + "page\n",
                                    "The file is larger than 256 MiB, the most a download may have" + url + "huge\n"})
        EXPECT_NE(log.find("ERROR:\t" + line), std::string::npos) << line << "\n" << log;
    // One report for each refusal.
    EXPECT_EQ(dialogs.shown.size(), 9u + 1u + 2u);
}
