#include "app/command_line.h"

#include <tuple>

#include "app/startup.h"

#include "support/app_fixture.h"

namespace {

using CommandLine = AppTest;

TEST_F(CommandLine, FlagsAndValuesAreReadAsTheyCome)
{
    // A value is taken whatever it looks like, the later one wins, and a trailing
    // -version is accepted; blanks alone set nothing.
    ASSERT_EQ(parse_command_line("-proxy -auto -version a -version b -version", nullptr), 1);
    EXPECT_EQ(g_config.proxy, "-auto");
    EXPECT_EQ(g_config.autoMode, 0);
    EXPECT_EQ(g_config.hostVersion, "b");
    EXPECT_EQ(parse_command_line("    ", nullptr), 1);
    EXPECT_EQ(g_config.proxy, "-auto");
    ASSERT_EQ(
        parse_command_line("  -auto   -debug -nocheck -quick -reset -version 8.5.0.39 -proxy host:8080 ", nullptr), 1);
    EXPECT_EQ(g_config.autoMode + g_config.debug + g_config.noCheck + g_config.quickExit + g_config.resetUpdates, 5);
    EXPECT_EQ(g_config.hostVersion, "8.5.0.39");
    EXPECT_EQ(g_config.proxy, "host:8080");
    EXPECT_TRUE(dialogs.shown.empty());

    // What is known before the log is opened, with the words taken the same way.
    // clang-format off
    const struct { const char* text; int help, version, autoMode; } early[] = {
        {"-h", 1, 0, 0}, {"-auto --help", 1, 0, 1}, {"-x -? -help", 1, 0, 0}, {"-proxy -? -version -auto", 0, 0, 0},
        {"-HELP -?x", 0, 0, 0}, {"-auto --version -help", 0, 1, 1}, {"-version --version -proxy --version", 0, 0, 0},
        {"-h --version", 1, 0, 0}, {"-version", 0, 0, 0},
    };
    // clang-format on
    for (const auto& e : early) {
        const auto o = early_options(e.text);
        EXPECT_EQ(std::tuple(o.help, o.version, o.autoMode), std::tuple(e.help, e.version, e.autoMode)) << e.text;
    }
}

TEST_F(CommandLine, RejectionsAreReportedAfterEarlierFlagsTookEffect)
{
    const std::string overlong(400, 'x');
    // clang-format off
    const struct { std::string text, message, title; } rows[] = {
        {"-debug -AUTO -auto", "Unrecognized command-line option: -AUTO", "Bad command line"},
        {"-proxy", "Didn't specify address of proxy server!", "Proxy server address"},
        {overlong, "Unrecognized command-line option: " + overlong.substr(0, 259 - 34), "Bad command line"},
    };
    // clang-format on
    // The box points to the usage text; the log keeps the line as it is.
    for (const auto& row : rows) {
        dialogs.shown.clear();
        const size_t logged = log_text().size();
        EXPECT_EQ(parse_command_line(row.text.c_str(), nullptr), 0);
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, row.message.substr(0, 259 - 11) + "\nTry -help.");
        EXPECT_EQ(log_text().substr(logged), "ERROR:\t" + row.message + "\n");
        EXPECT_EQ(dialogs.shown[0].title, row.title);
        EXPECT_EQ(dialogs.shown[0].style, kMbIconError | kMbTopmost);
    }
    EXPECT_EQ(g_config.debug, 1);
    EXPECT_EQ(g_config.autoMode, 0);
    EXPECT_EQ(log_text().rfind("ERROR:\tUnrecognized command-line option: -AUTO\n", 0), 0u);

    // A tab is part of a word; an unattended rejection shows no box.
    EXPECT_EQ(parse_command_line("-auto -nocheck\t", nullptr), 0);
    EXPECT_EQ(g_config.autoMode, 1);
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_NE(log_text().find("ERROR:\tUnrecognized command-line option: -nocheck\t\n"), std::string::npos);
}

// The usage text and the version are shown before anything is opened, and the
// usage text is this system's own.
TEST_F(CommandLine, UsageAndVersionComeFirstAndTheUsageTextIsThisSystems)
{
    static std::string shown;
    g_platform.show_usage = [](const char* text) { shown = text; };
    FILE* const log = g_config.log;
    EXPECT_EQ(run_program("-auto --version -bogus"), 0);
    EXPECT_EQ(shown, "kstlupd 9.6\n");
    EXPECT_EQ(run_program("-help -version"), 0);
    g_config.log = log;
#ifdef _WIN32
    for (const char* part : {"Task Scheduler", "0xFFFFFFFF", "the system's\n                   proxy settings",
                             "C:\\KESTRL", "/SC DAILY /ST 06:30 /TR \"\\\"C:\\KESTRL\\kstlupd.exe\\\" -auto\"\n"})
        EXPECT_NE(shown.find(part), std::string::npos) << part;
    EXPECT_EQ(shown.find("~/.wine"), std::string::npos) << shown;
#else
    EXPECT_NE(shown.find("~/.wine/drive_c/KESTRL"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("schtasks"), std::string::npos) << shown;
#endif
    EXPECT_EQ(shown.find("\n["), std::string::npos) << shown;
}

}  // namespace
