// The real program's windows on a private X server, driven with xdotool; the
// screenshots are kept under the build folder for a person to look at.
#include <gtest/gtest.h>

#include "support/http_server.h"
#include "support/program_run.h"
#include "support/temp_folder.h"
#include "support/xvfb_session.h"

namespace {

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The id of the window whose whole title matches, waiting up to 10 s for it.
std::string find_window(const XvfbSession& x, const std::string& titleRegex)
{
    return on_display(x, "timeout 10 xdotool search --sync --onlyvisible --name '^" + titleRegex + "$' | head -n1");
}

bool window_gone(const XvfbSession& x, const std::string& titleRegex)
{
    for (int i = 0; i < 100; ++i) {
        int status = 0;
        on_display(x, "xdotool search --onlyvisible --name '^" + titleRegex + "$'", &status);
        if (status != 0) return true;
        on_display(x, "sleep 0.05");
    }
    return false;
}

std::string geometry(const XvfbSession& x, const std::string& id)
{
    return on_display(x, "xdotool getwindowgeometry " + id + " | sed -n 's/.*Geometry: //p'");
}

void click_at(const XvfbSession& x, const std::string& id, int cx, int cy)
{
    on_display(x, "xdotool mousemove --window " + id + " " + std::to_string(cx) + " " + std::to_string(cy) +
                      " click 1");
}

void screenshot(const XvfbSession& x, const std::string& id, const std::string& name)
{
    // Give the window a moment to finish drawing what it was just sent.
    on_display(x, "sleep 0.2; import -window " + id + " '" + screenshot_folder() + "/" + name + "'");
}

constexpr int64_t kOldTime = 1690000000;
constexpr int64_t kNewTime = 1699000000;
constexpr const char* kUpdaterPath = "/kestrl/updater/download/kstlupd.exe";

class WindowsOnDisplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!window_tools_installed()) GTEST_SKIP() << "Xvfb, xdotool or ImageMagick missing";
        ASSERT_FALSE(x.display.empty()) << "Xvfb did not start";
        make_dir("SAVE");
        make_dir("IMPORT");
        // The updater's own file is as new as the server's: no offer at start-up.
        write_file("kstlupd.exe", "running updater");
        set_mtime("kstlupd.exe", kNewTime);
        server.add(kUpdaterPath, "same updater", kNewTime);
    }

    // The program on the display, fetching through the loopback server.
    void start(std::vector<std::string> args)
    {
        args.insert(args.end(), {"-nocheck", "-version", "8.5.0.39", "-proxy",
                                 "127.0.0.1:" + std::to_string(server.port())});
        program = start_kstlupd(args, folder.path, x, {"http_proxy=", "https_proxy=", "KSTLUPD_TEST_CONNECT_TO="});
    }

    void TearDown() override
    {
        if (program.pid > 0) wait_kstlupd(&program, 0);
    }

    TempFolder folder;
    XvfbSession x;
    HttpServer server;
    RunningProgram program;
};

constexpr const char* kMainTitle = "KESTRL Data Updater - Version 9\\.6";

TEST_F(WindowsOnDisplay, MainWindowAndSettingsWindowsRespondToTheMouse)
{
    start({"-debug"});
    const std::string main = find_window(x, kMainTitle);
    ASSERT_FALSE(main.empty()) << read_file(".program-output");
    EXPECT_EQ(on_display(x, "xdotool getwindowname " + main), "KESTRL Data Updater - Version 9.6");
    EXPECT_EQ(geometry(x, main), "550x480");
    screenshot(x, main, "main_window.png");

    // "Calendar (CAL)" opens its window and keeps its mark (checked by default).
    click_at(x, main, 30, 50);
    std::string settings = find_window(x, "Calendar \\(CAL\\)");
    ASSERT_FALSE(settings.empty());
    EXPECT_EQ(geometry(x, settings), "270x140");
    screenshot(x, settings, "calendar_settings.png");
    click_at(x, settings, 190, 70);  // Cancel
    EXPECT_TRUE(window_gone(x, "Calendar \\(CAL\\)"));

    click_at(x, main, 170, 50);
    settings = find_window(x, "Master Callsigns \\(MAS1\\)");
    ASSERT_FALSE(settings.empty());
    EXPECT_EQ(geometry(x, settings), "270x160");
    screenshot(x, settings, "master_call_settings.png");
    click_at(x, settings, 190, 90);  // Cancel
    EXPECT_TRUE(window_gone(x, "Master Callsigns \\(MAS1\\)"));

    // The membership fields take one character, in capitals; a non-ASCII one is refused.
    click_at(x, main, 170, 70);
    settings = find_window(x, "Membership List \\(MAS2\\)");
    ASSERT_FALSE(settings.empty());
    EXPECT_EQ(geometry(x, settings), "270x260");
    click_at(x, settings, 35, 120);  // the CW Ops field
    on_display(x, "xdotool type --delay 30 'c\xc3\xa9x'");
    screenshot(x, settings, "membership_settings.png");
    click_at(x, settings, 50, 190);  // OK
    EXPECT_TRUE(window_gone(x, "Membership List \\(MAS2\\)"));

    // Exit asks; Yes saves the selections and ends the program.
    click_at(x, main, 460, 102);
    const std::string question = find_window(x, "KESTRL Data Updater");
    ASSERT_FALSE(question.empty());
    screenshot(x, question, "exit_question.png");
    on_display(x, "xdotool windowfocus --sync " + question + " key y 2>/dev/null");
    EXPECT_EQ(wait_kstlupd(&program, 10000), 0);

    const std::string log = read_file("kstlupd.log");
    EXPECT_TRUE(contains(log, "DEBUG:\tCopySelections(): 1 - Calendar (CAL)\n"));
    EXPECT_TRUE(contains(log, "DEBUG:\tCopySelections(): C - CW Ops\n"));
    EXPECT_TRUE(contains(log, "DEBUG:\tupdating membership lists\n"));
    EXPECT_TRUE(contains(log, "KESTRL Data Updater ver. 9.6 finished on "));
    const std::string ini = read_file("kstlupd.ini");
    ASSERT_EQ(ini.size(), 109u);
    EXPECT_EQ(ini[51 + 24], 'C');  // sel of slot 24, after id, version, "INI", ini and "SEL"
}

TEST_F(WindowsOnDisplay, SelfUpdateQuestionIsAWindowAlsoUnattended)
{
    set_mtime("kstlupd.exe", kOldTime);
    start({"-auto"});
    const std::string box = find_window(x, "New version");
    ASSERT_FALSE(box.empty()) << read_file(".program-output");
    screenshot(x, box, "new_version_question.png");
    on_display(x, "xdotool windowfocus --sync " + box + " key n 2>/dev/null");
    EXPECT_EQ(wait_kstlupd(&program, 20000), 0);
    const std::string log = read_file("kstlupd.log");
    EXPECT_TRUE(contains(log, "Do you want to download it? [NO]\n")) << log;
    EXPECT_EQ(read_file("kstlupd.exe"), "running updater");
}

TEST(WindowsWithoutDisplay, WindowedStartNeedsADisplay)
{
    TempFolder folder;
    make_dir("SAVE");
    make_dir("IMPORT");
    ProgramRun run = run_binary(KSTLUPD_BINARY, {"-nocheck", "-version", "8.5.0.39"}, folder.path);  // no DISPLAY
    EXPECT_EQ(run.exit_status, 255);
    const std::string output = read_file(folder.path + "/program.out");
    EXPECT_TRUE(contains(output, "No display")) << output;
    EXPECT_TRUE(contains(output, "-auto"));
    const std::string log = read_file("kstlupd.log");
    EXPECT_TRUE(contains(log, "ERROR:\tNo display is available for the main window."));
    EXPECT_TRUE(contains(log, "KESTRL Data Updater ver. 9.6 finished on "));
}

}  // namespace
