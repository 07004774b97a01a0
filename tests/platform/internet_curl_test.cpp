// The internet entries of the POSIX table used directly: header queries as WinINet
// answers them, the body pulled in pieces, and the codes errors come out as.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "platform/posix/internet_curl.h"
#include "support/http_server.h"
#include "support/scoped_env.h"

namespace {

struct Handles {
    InetHandle* session = nullptr;
    InetHandle* request = nullptr;
    ~Handles()
    {
        if (request) curl_close(request);
        if (session) curl_close(session);
    }
};

// A sent GET for http://files.test.example/<path> through the server as proxy.
void send_get(const HttpServer& server, const char* path, Handles* h)
{
    const std::string proxy = "127.0.0.1:" + std::to_string(server.port());
    h->session = curl_open_session("agent", proxy.c_str());
    ASSERT_NE(h->session, nullptr);
    InetHandle* connection = curl_connect(h->session, "files.test.example", 80);
    ASSERT_NE(connection, nullptr);
    h->request = curl_open_request(connection, "GET", path, 0);
    ASSERT_NE(h->request, nullptr);
    ASSERT_EQ(curl_send_request(h->request), 1);
}

}  // namespace

TEST(CurlInternet, HeadersAreQueriedAsWinInetAnswers)
{
    ScopedEnv no_proxy_env("http_proxy", nullptr);
    HttpServer server;
    server.add("/a", "abc", 784111777);
    server.add("/missing-date", "abc", 0, 404, kServeNoLastModified);

    Handles h;
    send_get(server, "a", &h);
    uint32_t len = 0;
    EXPECT_EQ(curl_query_header(h.request, InetHeader::LastModified, nullptr, &len), 0);
    EXPECT_EQ(len, 30u);  // 29 characters and the terminator
    EXPECT_EQ(curl_last_error(), kInetInsufficientBuffer);
    char text[32] = {};
    len = 10;
    EXPECT_EQ(curl_query_header(h.request, InetHeader::LastModified, text, &len), 0);
    EXPECT_EQ(len, 30u);
    len = sizeof text;
    ASSERT_EQ(curl_query_header(h.request, InetHeader::LastModified, text, &len), 1);
    EXPECT_STREQ(text, "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(len, 29u);
    len = sizeof text;
    ASSERT_EQ(curl_query_header(h.request, InetHeader::ContentLength, text, &len), 1);
    EXPECT_STREQ(text, "3");
    len = sizeof text;
    ASSERT_EQ(curl_query_header(h.request, InetHeader::StatusCode, text, &len), 1);
    EXPECT_STREQ(text, "200");

    // The platform sends an error status like any other; the caller judges it.
    Handles g;
    send_get(server, "missing-date", &g);
    len = 0;
    EXPECT_EQ(curl_query_header(g.request, InetHeader::LastModified, nullptr, &len), 0);
    EXPECT_EQ(len, 0u);
    EXPECT_EQ(curl_last_error(), kInetHeaderNotFound);
    len = sizeof text;
    ASSERT_EQ(curl_query_header(g.request, InetHeader::StatusCode, text, &len), 1);
    EXPECT_STREQ(text, "404");

    EXPECT_EQ(curl_send_request(nullptr), 0);
    EXPECT_EQ(curl_last_error(), kInetInvalidHandle);
}

TEST(CurlInternet, BodyComesWholeInSmallPiecesAndCanBeAbandoned)
{
    ScopedEnv no_proxy_env("http_proxy", nullptr);
    HttpServer server;
    std::string body(1500000, '\0');
    for (size_t i = 0; i < body.size(); ++i) body[i] = char(i * 131 % 251);
    server.add("/big", body, 784111777);

    // More than is held for the caller at once: the transfer pauses and resumes.
    Handles h;
    send_get(server, "big", &h);
    std::string got;
    char piece[777];
    for (;;) {
        uint32_t available = 0;
        ASSERT_EQ(curl_query_data_available(h.request, &available), 1);
        uint32_t read = 0;
        ASSERT_EQ(curl_read(h.request, piece, sizeof piece, &read), 1);
        EXPECT_LE(read, sizeof piece);
        if (available == 0) {
            EXPECT_EQ(read, 0u);
        }
        if (read == 0) break;
        got.append(piece, read);
    }
    EXPECT_TRUE(got == body) << got.size() << " bytes";

    // Closing after the headers walks away from the body at once.
    Handles abandoned;
    send_get(server, "big", &abandoned);
    curl_close(abandoned.request);
    abandoned.request = nullptr;
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST(CurlInternet, TransferFailuresComeOutAsWinInetCodes)
{
    // The ones loopback cannot produce.
    EXPECT_EQ(inet_error_from_curl(6), kInetNameNotResolved);    // host not resolved
    EXPECT_EQ(inet_error_from_curl(5), kInetNameNotResolved);    // proxy not resolved
    EXPECT_EQ(inet_error_from_curl(7), kInetCannotConnect);
    EXPECT_EQ(inet_error_from_curl(28), kInetTimeout);
    EXPECT_EQ(inet_error_from_curl(35), kInetSecurityChannelError);  // handshake
    EXPECT_EQ(inet_error_from_curl(60), kInetSecurityChannelError);  // peer certificate
    EXPECT_EQ(inet_error_from_curl(18), kInetConnectionAborted);     // body cut short
    EXPECT_EQ(inet_error_from_curl(47), kInetRedirectFailed);

    // Too many redirects: a loop.
    HttpServer server;
    ServedFile loop;
    loop.status = 302;
    loop.location = "http://files.test.example/loop";
    server.add("/loop", loop);
    const std::string proxy = "127.0.0.1:" + std::to_string(server.port());
    Handles h;
    h.session = curl_open_session("agent", proxy.c_str());
    h.request = curl_open_request(curl_connect(h.session, "files.test.example", 80), "GET", "loop", 0);
    ASSERT_NE(h.request, nullptr);
    EXPECT_EQ(curl_send_request(h.request), 0);
    EXPECT_EQ(curl_last_error(), kInetRedirectFailed);
    EXPECT_LE(server.requests().size(), 6u);
}
