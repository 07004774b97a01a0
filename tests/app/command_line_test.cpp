#include "app/command_line.h"

#include "support/app_fixture.h"

namespace {

using CommandLine = AppTest;

TEST_F(CommandLine, FlagsAndValuesAreRead)
{
    ASSERT_EQ(parse_command_line("  -auto   -debug -nocheck -quick -reset -version 8.5.0.39 -proxy host:8080 ", nullptr), 1);
    EXPECT_EQ(g_config.autoMode, 1);
    EXPECT_EQ(g_config.debug, 1);
    EXPECT_EQ(g_config.noCheck, 1);
    EXPECT_EQ(g_config.quickExit, 1);
    EXPECT_EQ(g_config.resetUpdates, 1);
    EXPECT_EQ(g_config.hostVersion, "8.5.0.39");
    EXPECT_EQ(g_config.proxy, "host:8080");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CommandLine, EmptyTextSetsNothing)
{
    EXPECT_EQ(parse_command_line("", nullptr), 1);
    EXPECT_EQ(parse_command_line("    ", nullptr), 1);
    EXPECT_EQ(g_config.autoMode, 0);
    EXPECT_EQ(g_config.debug, 0);
    EXPECT_TRUE(g_config.proxy.empty());
}

TEST_F(CommandLine, ValuesAreTakenWhateverTheyLookLike)
{
    ASSERT_EQ(parse_command_line("-proxy -auto -version a -version b", nullptr), 1);
    EXPECT_EQ(g_config.proxy, "-auto");
    EXPECT_EQ(g_config.autoMode, 0);
    EXPECT_EQ(g_config.hostVersion, "b");  // the later value wins
    // A trailing -version changes nothing and is accepted.
    EXPECT_EQ(parse_command_line("-version", nullptr), 1);
    EXPECT_EQ(g_config.hostVersion, "b");
}

TEST_F(CommandLine, UnknownWordIsRejectedAfterEarlierFlagsTookEffect)
{
    EXPECT_EQ(parse_command_line("-debug -AUTO -auto", nullptr), 0);
    EXPECT_EQ(g_config.debug, 1);
    EXPECT_EQ(g_config.autoMode, 0);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Unrecognized command-line option: -AUTO");
    EXPECT_EQ(dialogs.shown[0].title, "Bad command line");
    EXPECT_EQ(dialogs.shown[0].style, kMbIconError | kMbTopmost);
    EXPECT_EQ(log_text(), "ERROR:\tUnrecognized command-line option: -AUTO\n");
}

TEST_F(CommandLine, TabIsPartOfAWordAndUnattendedRejectionShowsNoBox)
{
    EXPECT_EQ(parse_command_line("-auto -debug\t", nullptr), 0);
    EXPECT_EQ(g_config.autoMode, 1);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(log_text(), "ERROR:\tUnrecognized command-line option: -debug\t\n");
}

TEST_F(CommandLine, ProxyWithoutAddressIsRejected)
{
    EXPECT_EQ(parse_command_line("-proxy", nullptr), 0);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Didn't specify address of proxy server!");
    EXPECT_EQ(dialogs.shown[0].title, "Proxy server address");
}

TEST_F(CommandLine, OverlongWordIsCutToTheMessageBuffer)
{
    const std::string word(400, 'x');
    EXPECT_EQ(parse_command_line(word.c_str(), nullptr), 0);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text.size(), 259u);
    EXPECT_EQ(dialogs.shown[0].text.rfind("Unrecognized command-line option: xxx", 0), 0u);
}

}  // namespace
