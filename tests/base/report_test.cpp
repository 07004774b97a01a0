#include "base/report.h"

#include <cerrno>

#include "base/log.h"
#include "support/app_fixture.h"

namespace {

using Reporting = AppTest;

Window* const kOwner = reinterpret_cast<Window*>(0x1);

TEST_F(Reporting, LogPrefixFollowsTheIcon)
{
    report_message(nullptr, "one", "T", kMbIconError);
    report_message(nullptr, "two\nlines", "T", kMbIconWarning);
    report_message(nullptr, "three", "T", kMbIconInformation);
    report_message(nullptr, "four", "T", kMbIconQuestion);
    EXPECT_EQ(log_text(), "ERROR:\tone\nWARNING:\ttwo\nlines\nINFO:\tthree\n");
    ASSERT_EQ(dialogs.shown.size(), 4u);
    EXPECT_EQ(dialogs.shown[1].style, kMbIconWarning | kMbTopmost);
}

TEST_F(Reporting, UnattendedShowsNoBoxButOwnerIsStillReEnabled)
{
    g_config.autoMode = 1;
    report_message(kOwner, "quiet", "T", kMbIconError);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(log_text(), "ERROR:\tquiet\n");
    EXPECT_EQ(dialogs.window_events, (std::vector<std::string>{"disable", "enable"}));
}

TEST_F(Reporting, OpenErrorNamesFileAndReason)
{
    report_open_error(nullptr, "kstlupd.ini", EACCES);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Error opening kstlupd.ini:\nPermission denied");
    EXPECT_EQ(dialogs.shown[0].title, "File Open");
    const std::string long_name(300, 'n');
    report_open_error(nullptr, long_name.c_str(), ENOENT);
    EXPECT_EQ(dialogs.shown[1].text.size(), 127u);
}

TEST_F(Reporting, QuestionsAreAskedEvenUnattendedAndTheAnswerIsLogged)
{
    g_config.autoMode = 1;
    dialogs.answers = {kIdYes, kIdNo, kIdCancel};
    EXPECT_EQ(ask_question(nullptr, "Go?", "Q", kMbYesNoCancel | kMbIconQuestion), kIdYes);
    EXPECT_EQ(ask_question(nullptr, "Go?", "Q", kMbYesNoCancel | kMbIconQuestion), kIdNo);
    EXPECT_EQ(ask_question(nullptr, "Go?", "Q", kMbYesNoCancel | kMbIconQuestion), kIdCancel);
    EXPECT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(log_text(), "Go? [YES]\nGo? [NO]\nGo? [CANCEL]\n");
}

TEST_F(Reporting, BoundedFormatCutsAndNeverOverruns)
{
    EXPECT_EQ(format_bounded(6, "%s", "abcdefgh"), "abcde");
    EXPECT_EQ(format_bounded(6, "%d", 42), "42");
    EXPECT_EQ(format_bounded(1, "%s", "abc"), "");
    EXPECT_EQ(format_bounded(0, "%s", "abc"), "");
}

}  // namespace
