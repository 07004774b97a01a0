// The texts of Internet errors, by code, with and without the extra text.
#include <gtest/gtest.h>

#include <string>

#include "net/internet_error.h"
#include "support/app_fixture.h"

namespace {

uint32_t g_code = 0;

uint32_t report(uint32_t code, const char* operation, const char* extra)
{
    g_code = code;
    g_platform.inet_last_error = [] { return g_code; };
    return reportInternetError(nullptr, operation, extra);
}

using NetInternetError = AppTest;

}  // namespace

TEST_F(NetInternetError, TextsByCodeWithAndWithoutTheExtraText)
{
    // clang-format off
    const struct { uint32_t code; const char* operation; const char* extra; const char* shown; } rows[] = {
        {12007, "HttpSendRequest", "", "HttpSendRequest failed, error = 12007\nThe server name could not be resolved."},
        {6, "InternetQueryDataAvailable", nullptr, "InternetQueryDataAvailable failed, error = 6\nERROR_INVALID_HANDLE"},
        {12057, "HttpSendRequest", nullptr, "HttpSendRequest failed, error = 12057\nRevocation of the SSL certificate failed."},
        {12157, "HttpSendRequest", nullptr, "HttpSendRequest failed, error = 12157\nInternal error loading the SSL libraries."},
        {12045, "HttpSendRequest", "http://h/p", "HttpSendRequest failed, error = 12045\n"
         "The SSL certificate was issued by an authority that is not trusted.\nhttp://h/p"},
        // Other codes have no explanation; file-not-found shows only the extra text.
        {12003, "InternetReadFile", "http://h/p", "InternetReadFile failed, error = 12003\nhttp://h/p"},
        {12999, "InternetOpen", nullptr, "InternetOpen failed, error = 12999"},
        {2, "HttpQueryInfo", "http://h/p", "\nhttp://h/p"},
    };
    // clang-format on
    for (const auto& row : rows) {
        dialogs.shown.clear();
        EXPECT_EQ(report(row.code, row.operation, row.extra), row.code);
        ASSERT_EQ(dialogs.shown.size(), 1u) << row.code;
        EXPECT_EQ(dialogs.shown[0].text, row.shown);
        EXPECT_EQ(dialogs.shown[0].title, "Internet error");
        EXPECT_EQ(dialogs.shown[0].style, kMbIconError | kMbTopmost);
        std::string log = log_text();
        std::erase(log, '\r');
        EXPECT_TRUE(log.ends_with("ERROR:\t" + std::string(row.shown) + "\n")) << log;
    }

    // File-not-found and short-buffer without a text show nothing; long texts are cut.
    dialogs.shown.clear();
    const std::string before = log_text();
    report(2, "HttpQueryInfo", nullptr);
    report(122, "HttpQueryInfo", "");
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(log_text(), before);

    report(12029, "InternetConnect", std::string(400, 'x').c_str());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text.rfind("InternetConnect failed, error = 12029\nThe attempt", 0), 0u);
    EXPECT_EQ(dialogs.shown[0].text.size(), 259u);
}
