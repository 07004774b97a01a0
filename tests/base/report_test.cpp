#include "base/report.h"

#include <cerrno>

#include "base/log.h"
#include "support/app_fixture.h"

namespace {

using Reporting = AppTest;

TEST_F(Reporting, LogPrefixByIconBoxesUnlessUnattendedAndOpenErrors)
{
    report_message(nullptr, "one", "T", kMbIconError);
    report_message(nullptr, "two\nlines", "T", kMbIconWarning);
    report_message(nullptr, "three", "T", kMbIconInformation);
    report_message(nullptr, "four", "T", kMbIconQuestion);
    report_open_error(nullptr, "kstlupd.ini", EACCES);
    report_open_error(nullptr, std::string(300, 'n').c_str(), ENOENT);
    EXPECT_EQ(log_text().rfind("ERROR:\tone\nWARNING:\ttwo\nlines\nINFO:\tthree\n"
                               "ERROR:\tError opening kstlupd.ini:\nPermission denied\nERROR:\tError opening nnn",
                               0),
              0u);
    ASSERT_EQ(dialogs.shown.size(), 6u);
    EXPECT_EQ(dialogs.shown[1].style, kMbIconWarning | kMbTopmost);
    EXPECT_EQ(dialogs.shown[4].title, "File Open");
    EXPECT_EQ(dialogs.shown[5].text.size(), 127u);

    // Unattended: no box, but the owner is still disabled and enabled again.
    g_config.autoMode = 1;
    report_message(reinterpret_cast<AppWindow*>(0x1), "quiet", "T", kMbIconError);
    EXPECT_EQ(dialogs.shown.size(), 6u);
    EXPECT_EQ(dialogs.window_events, (std::vector<std::string>{"disable", "enable"}));
}

TEST_F(Reporting, QuestionsAreAskedEvenUnattendedAndBoundedFormatCuts)
{
    g_config.autoMode = 1;
    dialogs.answers = {kIdYes, kIdNo, kIdCancel};
    for (int expected : {kIdYes, kIdNo, kIdCancel})
        EXPECT_EQ(ask_question(nullptr, "Go?", "Q", kMbYesNoCancel | kMbIconQuestion), expected);
    EXPECT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(log_text(), "Go? [YES]\nGo? [NO]\nGo? [CANCEL]\n");

    EXPECT_EQ(format_bounded(6, "%s", "abcdefgh"), "abcde");
    EXPECT_EQ(format_bounded(6, "%d", 42), "42");
    EXPECT_EQ(format_bounded(1, "%s", "abc"), "");
    EXPECT_EQ(format_bounded(0, "%s", "abc"), "");
}

}  // namespace
