// The internet entries of the POSIX table used directly: a header query with a buffer
// too small for the value (a padded Content-Length from a hostile server, say).
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "platform/posix/internet_curl.h"
#include "support/http_server.h"

TEST(CurlInternet, ShortBuffersAreLeftAloneAndToldTheSizeNeeded)
{
    HttpServer server;
    server.add("/a", "abc", 784111777);
    InetHandle* session = curl_open_session("agent", ("127.0.0.1:" + std::to_string(server.port())).c_str());
    InetHandle* request = curl_open_request(curl_connect(session, "files.test.example", 80), "GET", "a", 0);
    ASSERT_EQ(curl_send_request(request, nullptr), 1);
    char text[32] = "untouched";
    uint32_t len = 10;
    EXPECT_EQ(curl_query_header(request, InetHeader::LastModified, text, &len), 0);
    EXPECT_EQ(len, 30u);  // 29 characters and the terminator
    EXPECT_EQ(curl_last_error(), kInetInsufficientBuffer);
    EXPECT_STREQ(text, "untouched");
    len = sizeof text;
    EXPECT_EQ(curl_query_header(request, InetHeader::LastModified, text, &len), 1);
    EXPECT_EQ(std::string(text, len), "Sun, 06 Nov 1994 08:49:37 GMT");
    curl_close(request);
    curl_close(session);
}
