// The HTTP client against the loopback server: how requests go out (proxy, direct,
// TLS), what is read from the response, and what a failed transfer leaves on disk.
#include <gtest/gtest.h>

#include <string>

#include "net/http_fetch.h"
#include "net/net_fixture.h"

namespace {

constexpr int64_t kServerTime = 1700000000;  // 14-Nov-2023 22:13:20 UTC

std::string pattern_body(size_t size)
{
    std::string body(size, '\0');
    for (size_t i = 0; i < size; ++i) body[i] = char('A' + (i * 7 + i / 251) % 26);
    return body;
}

// What the previous download left and the test expects to survive a failure.
void write_old_copy()
{
    make_dir("UPDATE");
    write_file("UPDATE/file.txt", "old contents\r\n");
    set_mtime("UPDATE/file.txt", 1000000000);
}

void expect_old_copy_untouched()
{
    EXPECT_EQ(read_file("UPDATE/file.txt"), "old contents\r\n");
    EXPECT_EQ(mtime_of("UPDATE/file.txt"), 1000000000);
    EXPECT_FALSE(path_exists("UPDATE/file.txt.~new"));
}

}  // namespace

TEST_F(NetTest, PlainSourceThroughProxyIsFetchedWithTheServersTime)
{
    const std::string body = pattern_body(10000);
    server.add("/kestrl/cty.zip", body, kServerTime);
    InetHandle* session = proxied_session();
    ASSERT_NE(session, nullptr);
    DataSource source = make_source("www.country-files.com", "kestrl/cty.zip");

    InetHandle* request = openRequest(owner, session, source);
    ASSERT_NE(request, nullptr);
    ASSERT_EQ(queryRemoteInfo(owner, request, &source), 1);
    EXPECT_EQ(source.remoteTime, kServerTime);
    EXPECT_EQ(source.remoteSize, 10000u);
    make_dir("UPDATE");
    EXPECT_EQ(fetchToFile(owner, request, source, "UPDATE\\cty.zip"), 0);
    closeRequest(request);

    EXPECT_EQ(read_file("UPDATE/cty.zip"), body);
    EXPECT_EQ(mtime_of("UPDATE/cty.zip"), kServerTime);
    EXPECT_FALSE(path_exists("UPDATE/cty.zip.~new"));

    // One absolute-form GET, as a proxy sees it, with our agent and no cached answer.
    auto seen = server.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].method, "GET");
    EXPECT_EQ(seen[0].target, "http://www.country-files.com/kestrl/cty.zip");
    EXPECT_EQ(seen[0].host, "www.country-files.com");
    EXPECT_NE(seen[0].headers.find("User-Agent: WinInetGet/0.1\r\n"), std::string::npos);
    EXPECT_NE(seen[0].headers.find("no-cache"), std::string::npos);
    EXPECT_FALSE(seen[0].tls);

    // 0 at the start, steady steps, 100 with the last byte, back to 0.
    const std::vector<int>& p = recorded_progress();
    ASSERT_GE(p.size(), 4u);
    EXPECT_EQ(p.front(), 0);
    EXPECT_EQ(p[p.size() - 2], 100);
    EXPECT_EQ(p.back(), 0);
    for (size_t i = 1; i + 1 < p.size(); ++i) EXPECT_GT(p[i], p[i - 1]) << "position " << i;
    EXPECT_EQ(dialogs.shown.size(), 0u);
}

TEST_F(NetTest, SecureSourceUsesTlsOnPort443)
{
    server.add("/clublog.scp.zip", "secure bytes", kServerTime);
    DataSource source = make_source("cdn.clublog.org", "clublog.scp.zip", 1);
    make_dir("UPDATE");

    // Through the proxy: a CONNECT to port 443, then the GET inside the tunnel.
    InetHandle* request = openRequest(owner, proxied_session(), source);
    ASSERT_NE(request, nullptr);
    ASSERT_EQ(queryRemoteInfo(owner, request, &source), 1);
    EXPECT_EQ(fetchToFile(owner, request, source, "UPDATE\\clublog.scp.zip"), 0);
    closeRequest(request);
    EXPECT_EQ(read_file("UPDATE/clublog.scp.zip"), "secure bytes");
    auto seen = server.requests();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].method, "CONNECT");
    EXPECT_EQ(seen[0].target, "cdn.clublog.org:443");
    EXPECT_EQ(seen[1].target, "/clublog.scp.zip");
    EXPECT_EQ(seen[1].host, "cdn.clublog.org");
    EXPECT_TRUE(seen[1].tls);

    // Directly: the host's port 443 is mapped to the TLS endpoint.
    server.clear_requests();
    std::string map = "cdn.clublog.org:443:127.0.0.1:" + std::to_string(server.tls_port());
    ScopedEnv connect_to("KSTLUPD_TEST_CONNECT_TO", map.c_str());
    request = openRequest(owner, session_with(nullptr), source);
    ASSERT_NE(request, nullptr);
    closeRequest(request);
    seen = server.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].target, "/clublog.scp.zip");
    EXPECT_TRUE(seen[0].tls);

    // A certificate that the trusted authorities did not sign is refused.
    ScopedEnv system_cas("SSL_CERT_FILE", nullptr);
    EXPECT_EQ(openRequest(nullptr, session_with(nullptr), source), nullptr);
    EXPECT_NE(without_cr(log_text()).find("ERROR:\tHttpSendRequest failed, error = 12157\nInternal error loading the SSL "
                              "libraries.\nhttp://cdn.clublog.org/clublog.scp.zip\n"),
              std::string::npos)
        << without_cr(log_text());
}

TEST_F(NetTest, DirectAndPreconfiguredRequestsUseTheRightForm)
{
    server.add("/xml/fulllist.xml", "<islands/>", kServerTime);
    DataSource source = make_source("www.iota-world.org", "xml/fulllist.xml");

    // No proxy: origin-form to the host's port 80.
    std::string map = "www.iota-world.org:80:127.0.0.1:" + std::to_string(server.port());
    {
        ScopedEnv connect_to("KSTLUPD_TEST_CONNECT_TO", map.c_str());
        InetHandle* request = openRequest(owner, session_with(nullptr), source);
        ASSERT_NE(request, nullptr);
        closeRequest(request);
    }
    // An empty proxy text means the platform's settings, not "no proxy".
    std::string env_proxy = "http://127.0.0.1:" + std::to_string(server.port());
    {
        ScopedEnv http_proxy("http_proxy", env_proxy.c_str());
        InetHandle* request = openRequest(owner, session_with(""), source);
        ASSERT_NE(request, nullptr);
        closeRequest(request);
    }
    auto seen = server.requests();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].target, "/xml/fulllist.xml");
    EXPECT_EQ(seen[0].host, "www.iota-world.org");
    EXPECT_EQ(seen[1].target, "http://www.iota-world.org/xml/fulllist.xml");
}

TEST_F(NetTest, HeadersDecideWhatIsKnownAboutTheRemoteFile)
{
    g_config.debug = 1;
    server.add("/dated", "12345", kServerTime);
    server.add("/undated", "x", kServerTime, 200, kServeNoLastModified);
    server.add("/unsized", std::string(5000, 'u'), kServerTime, 200, kServeNoContentLength);
    ServedFile long_dated;
    long_dated.body = "x";
    long_dated.last_modified_text = "Tuesday, 14 Nov 2023 22:13:20 GMT plus some more text";
    server.add("/long-date", long_dated);
    ServedFile moved_away;
    moved_away.status = 302;
    moved_away.flags = kServeNoLastModified;
    moved_away.location = "http://www.country-files.com/dated";
    server.add("/moved", moved_away);
    InetHandle* session = proxied_session();

    DataSource dated = make_source("www.country-files.com", "dated");
    InetHandle* r = openRequest(owner, session, dated);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(queryRemoteInfo(owner, r, &dated), 1);
    EXPECT_EQ(dated.remoteSize, 5u);
    closeRequest(r);

    DataSource undated = make_source("www.country-files.com", "undated");
    undated.remoteTime = 42;
    r = openRequest(owner, session, undated);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(queryRemoteInfo(owner, r, &undated), 0);
    EXPECT_EQ(undated.remoteTime, 42);
    closeRequest(r);

    // No Content-Length: size 0, the progress bar never moves, the body still comes.
    DataSource unsized = make_source("www.country-files.com", "unsized");
    r = openRequest(owner, session, unsized);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(queryRemoteInfo(owner, r, &unsized), 1);
    EXPECT_EQ(unsized.remoteSize, 0u);
    EXPECT_EQ(unsized.remoteTime, kServerTime);
    EXPECT_EQ(fetchToFile(owner, r, unsized, "unsized.txt"), 0);
    closeRequest(r);
    EXPECT_EQ(read_file("unsized.txt"), std::string(5000, 'u'));
    EXPECT_EQ(recorded_progress(), std::vector<int>{0});

    // A date longer than the usual 29 characters is read whole.
    DataSource long_date = make_source("www.country-files.com", "long-date");
    r = openRequest(owner, session, long_date);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(queryRemoteInfo(owner, r, &long_date), 1);
    EXPECT_EQ(long_date.remoteTime, kServerTime);
    closeRequest(r);

    // A redirect is followed and the final response's headers count.
    DataSource moved = make_source("www.country-files.com", "moved");
    r = openRequest(owner, session, moved);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(queryRemoteInfo(owner, r, &moved), 1);
    EXPECT_EQ(moved.remoteTime, kServerTime);
    EXPECT_EQ(moved.remoteSize, 5u);
    closeRequest(r);

    const std::string log = without_cr(log_text());
    EXPECT_EQ(log.rfind("  dated is 5 bytes\n", 0), 0u) << log;
    EXPECT_NE(log.find("DEBUG:\t  ***** unsized is 0 bytes\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("undated is"), std::string::npos) << log;
}

TEST_F(NetTest, EmptyBodyGivesEmptyFileAndAnOwnerlessFetchLeavesTheBarAlone)
{
    server.add("/empty", "", kServerTime);
    DataSource source = make_source("www.country-files.com", "empty");
    InetHandle* r = openRequest(nullptr, proxied_session(), source);
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(queryRemoteInfo(nullptr, r, &source), 1);
    EXPECT_EQ(source.remoteSize, 0u);
    write_file("empty.txt", "something that was there before");
    EXPECT_EQ(fetchToFile(nullptr, r, source, "empty.txt"), 0);
    closeRequest(r);
    EXPECT_EQ(read_file("empty.txt"), "");
    EXPECT_EQ(mtime_of("empty.txt"), kServerTime);
    EXPECT_TRUE(recorded_progress().empty());
}

TEST_F(NetTest, BrokenTransfersFailAndKeepThePreviousFile)
{
    ScopedEnv short_stall("KSTLUPD_TEST_STALL_SECONDS", "1");
    const std::string body = pattern_body(200000);
    server.add("/cut", body, kServerTime, 200, kServeCutShort);
    server.add("/stall", body, kServerTime, 200, kServeStall);
    server.add("/silent", body, kServerTime, 200, kServeStallBeforeHeaders);
    InetHandle* session = proxied_session();
    write_old_copy();

    DataSource cut = make_source("www.country-files.com", "cut");
    InetHandle* r = openRequest(owner, session, cut);
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(queryRemoteInfo(owner, r, &cut), 1);
    EXPECT_EQ(fetchToFile(owner, r, cut, "UPDATE\\file.txt"), 1);
    closeRequest(r);
    expect_old_copy_untouched();
    EXPECT_EQ(recorded_progress().back(), 0);

    DataSource stall = make_source("www.country-files.com", "stall");
    r = openRequest(owner, session, stall);
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(queryRemoteInfo(owner, r, &stall), 1);
    EXPECT_EQ(fetchToFile(owner, r, stall, "UPDATE\\file.txt"), 1);
    closeRequest(r);
    expect_old_copy_untouched();

    DataSource silent = make_source("www.country-files.com", "silent");
    EXPECT_EQ(openRequest(owner, session, silent), nullptr);

    const std::string log = without_cr(log_text());
    EXPECT_NE(log.find("ERROR:\tInternetQueryDataAvailable failed, error = 12030\nhttp://www.country-files.com/cut\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("ERROR:\tInternetQueryDataAvailable failed, error = 12002\nThe request has timed out.\n"
                       "http://www.country-files.com/stall\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("ERROR:\tHttpSendRequest failed, error = 12002\nThe request has timed out.\n"
                       "http://www.country-files.com/silent\n"),
              std::string::npos)
        << log;
    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[0].title, "Internet error");
}

TEST_F(NetTest, RefusedConnectionsAndErrorStatusesAreReportedFailures)
{
    write_old_copy();
    server.add("/gone", "<html>not here</html>", kServerTime, 404);
    DataSource gone = make_source("www.country-files.com", "gone");
    EXPECT_EQ(openRequest(owner, proxied_session(), gone), nullptr);
    DataSource missing = make_source("www.country-files.com", "never/added");
    EXPECT_EQ(openRequest(owner, proxied_session(), missing), nullptr);

    const std::string refused = "127.0.0.1:" + std::to_string(refused_port());
    DataSource source = make_source("www.country-files.com", "anything");
    EXPECT_EQ(openRequest(owner, session_with(refused.c_str()), source), nullptr);
    expect_old_copy_untouched();

    const std::string log = without_cr(log_text());
    EXPECT_NE(log.find("ERROR:\tHttpSendRequest failed, HTTP status = 404\nhttp://www.country-files.com/gone\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("HTTP status = 404\nhttp://www.country-files.com/never/added\n"), std::string::npos) << log;
    EXPECT_NE(log.find("ERROR:\tHttpSendRequest failed, error = 12029\nThe attempt to connect to the server failed.\n"
                       "http://www.country-files.com/anything\n"),
              std::string::npos)
        << log;
    ASSERT_EQ(dialogs.shown.size(), 3u);
    for (const ShownBox& box : dialogs.shown) EXPECT_EQ(box.title, "Internet error");
}

TEST_F(NetTest, UnwritableDestinationIsReportedAsCreateFile)
{
    server.add("/f", "data", kServerTime);
    DataSource source = make_source("www.country-files.com", "f");
    InetHandle* r = openRequest(owner, proxied_session(), source);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(fetchToFile(owner, r, source, "NOFOLDER\\f.txt"), 1);
    closeRequest(r);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "ERROR: Unable to open file \"NOFOLDER\\f.txt\" for write.");
    EXPECT_EQ(dialogs.shown[0].title, "CreateFile");
    EXPECT_NE(without_cr(log_text()).find("ERROR:\tERROR: Unable to open file \"NOFOLDER\\f.txt\" for write.\n"), std::string::npos);
}
