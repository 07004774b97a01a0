// The texts of Internet errors, by code, with and without the extra text.
#include <gtest/gtest.h>

#include <string>

#include "net/internet_error.h"
#include "net/net_fixture.h"
#include "support/app_fixture.h"

namespace {

uint32_t g_code = 0;

uint32_t scripted_last_error()
{
    return g_code;
}

class NetInternetError : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        g_platform.inet_last_error = scripted_last_error;
    }
    uint32_t report(uint32_t code, const char* operation, const char* extra)
    {
        g_code = code;
        return reportInternetError(nullptr, operation, extra);
    }
};

}  // namespace

TEST_F(NetInternetError, KnownCodesCarryTheirExplanation)
{
    EXPECT_EQ(report(12029, "InternetConnect", "www.country-files.com"), 12029u);
    EXPECT_EQ(report(12002, "InternetReadFile", "http://www.iota-world.org/xml/fulllist.xml"), 12002u);
    EXPECT_EQ(report(12007, "HttpSendRequest", ""), 12007u);
    EXPECT_EQ(report(6, "InternetQueryDataAvailable", nullptr), 6u);
    EXPECT_EQ(report(12057, "HttpSendRequest", nullptr), 12057u);
    EXPECT_EQ(report(12157, "HttpSendRequest", nullptr), 12157u);
    ASSERT_EQ(dialogs.shown.size(), 6u);
    EXPECT_EQ(dialogs.shown[0].text,
              "InternetConnect failed, error = 12029\nThe attempt to connect to the server failed.\nwww.country-files.com");
    EXPECT_EQ(dialogs.shown[0].title, "Internet error");
    EXPECT_EQ(dialogs.shown[0].style, kMbIconError | kMbTopmost);
    EXPECT_EQ(dialogs.shown[1].text,
              "InternetReadFile failed, error = 12002\nThe request has timed out.\nhttp://www.iota-world.org/xml/fulllist.xml");
    EXPECT_EQ(dialogs.shown[2].text, "HttpSendRequest failed, error = 12007\nThe server name could not be resolved.");
    EXPECT_EQ(dialogs.shown[3].text, "InternetQueryDataAvailable failed, error = 6\nERROR_INVALID_HANDLE");
    EXPECT_EQ(dialogs.shown[4].text, "HttpSendRequest failed, error = 12057\nRevocation of the SSL certificate failed.");
    EXPECT_EQ(dialogs.shown[5].text, "HttpSendRequest failed, error = 12157\nInternal error loading the SSL libraries.");
    EXPECT_NE(without_cr(log_text()).find("ERROR:\tInternetConnect failed, error = 12029\nThe attempt to connect to the server "
                              "failed.\nwww.country-files.com\nERROR:\tInternetReadFile failed"),
              std::string::npos);
}

TEST_F(NetInternetError, OtherCodesShowTheFirstLineAndTheExtraText)
{
    EXPECT_EQ(report(12030, "InternetReadFile", "http://h/p"), 12030u);
    EXPECT_EQ(report(12004, "InternetOpen", nullptr), 12004u);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text, "InternetReadFile failed, error = 12030\nhttp://h/p");
    EXPECT_EQ(dialogs.shown[1].text, "InternetOpen failed, error = 12004");
}

TEST_F(NetInternetError, FileNotFoundAndShortBufferShowOnlyTheExtraText)
{
    EXPECT_EQ(report(2, "HttpQueryInfo", nullptr), 2u);
    EXPECT_EQ(report(122, "HttpQueryInfo", ""), 122u);
    EXPECT_EQ(without_cr(log_text()), "");
    EXPECT_TRUE(dialogs.shown.empty());

    EXPECT_EQ(report(2, "HttpQueryInfo", "http://h/p"), 2u);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "\nhttp://h/p");
    EXPECT_EQ(without_cr(log_text()), "ERROR:\t\nhttp://h/p\n");
}

TEST_F(NetInternetError, AutoModeLogsOnlyAndLongTextsAreCut)
{
    g_config.autoMode = 1;
    const std::string extra(400, 'x');
    report(12029, "InternetConnect", extra.c_str());
    EXPECT_TRUE(dialogs.shown.empty());
    const std::string log = without_cr(log_text());
    const std::string first = "ERROR:\tInternetConnect failed, error = 12029\nThe attempt to connect to the server failed.\n";
    ASSERT_EQ(log.rfind(first, 0), 0u) << log;
    // 259 characters of message, then the line end.
    EXPECT_EQ(log.size(), std::string("ERROR:\t").size() + 259 + 1);
    EXPECT_EQ(log.back(), '\n');
}
