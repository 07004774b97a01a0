#include "base/report.h"

#include <cerrno>

#include "base/log.h"
#include "base/outside_text.h"
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

// Outside text can steer a terminal or reorder a line in more ways than C0 controls:
// C1 controls raw and in UTF-8, bidirectional overrides, and bytes that are no UTF-8.
TEST(OutsideText, ControlsAndInvalidUtf8AreEscapedOtherTextKept)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a\tb\x1B[2J\x7F", "a\tb\\x1B[2J\\x7F"},
        {"\x9B"
         "31m \xC2\x9B"
         "31m \xC2\x80",
         "\\x9B31m \\xC2\\x9B31m \\xC2\\x80"},
        {"exe.\xE2\x80\xAEgpj \xE2\x80\xAA \xE2\x81\xA6 \xE2\x81\xA9",
         "exe.\\xE2\\x80\\xAEgpj \\xE2\\x80\\xAA \\xE2\\x81\\xA6 \\xE2\\x81\\xA9"},
        // Overlong, a surrogate, past U+10FFFF, cut short, a lone continuation byte.
        {"\xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80 \xE2\x80 \xBF",
         "\\xC0\\xAF \\xED\\xA0\\x80 \\xF4\\x90\\x80\\x80 \\xE2\\x80 \\xBF"},
        // Letters, the marks next to the bidirectional controls, and a 4-byte character.
        {"Z\xC3\xBCrich \xC2\xA0 \xE2\x80\xA9 \xE2\x81\xAA \xF0\x9F\x93\xBB",
         "Z\xC3\xBCrich \xC2\xA0 \xE2\x80\xA9 \xE2\x81\xAA \xF0\x9F\x93\xBB"},
    };
    for (const auto& [text, shown] : cases) EXPECT_EQ(shown_text(text), shown) << shown;
}
