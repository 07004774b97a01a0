// The real program's windows on a private X server, driven with xdotool; the
// screenshots are kept under the build folder for a person to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "support/http_server.h"
#include "support/mirror_server.h"
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

// The visible top-level windows but `except`, as (id, title); a box that closes
// while it is being listed is left out.
std::vector<std::pair<std::string, std::string>> other_windows(const XvfbSession& x, const std::string& except)
{
    const std::string listing = on_display(
        x, "for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do "
           "n=$(xdotool getwindowname $w 2>/dev/null) && echo \"$w $n\"; done");
    std::vector<std::pair<std::string, std::string>> windows;
    size_t start = 0;
    while (start < listing.size()) {
        size_t end = listing.find('\n', start);
        if (end == std::string::npos) end = listing.size();
        const std::string line = listing.substr(start, end - start);
        start = end + 1;
        const size_t blank = line.find(' ');
        if (blank == std::string::npos || line.substr(0, blank) == except) continue;
        windows.emplace_back(line.substr(0, blank), line.substr(blank + 1));
    }
    return windows;
}

bool window_id_gone(const XvfbSession& x, const std::string& id)
{
    for (int i = 0; i < 100; ++i) {
        const std::string visible = on_display(x, "xdotool search --onlyvisible --name . 2>/dev/null");
        if (("\n" + visible + "\n").find("\n" + id + "\n") == std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
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

// An update started with the Update button, against nginx serving the sample mirror.
// The status list is read through a probe preloaded into the program, which copies
// the window's list into a file after every change.
class UpdateFromTheWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!window_tools_installed()) GTEST_SKIP() << "Xvfb, xdotool or ImageMagick missing";
        ASSERT_FALSE(x.display.empty()) << "Xvfb did not start";
        ASSERT_TRUE(make_sample_data(folder.path + "/sample", 3000));
        kestrl = folder.path + "/sample/kestrl";
        // The updater is as new as the mirror's: no offer, no box at start-up.
        write_file(kestrl + "/kstlupd.exe", "running updater");
        set_mtime(kestrl + "/kstlupd.exe", kNewTime);
        const std::string offered = folder.path + "/sample/mirror/updates.kstlupd.example" + kUpdaterPath;
        make_dir(offered.substr(0, offered.rfind('/')));
        write_file(offered, "same updater");
        set_mtime(offered, kNewTime);
        server = std::make_unique<MirrorServer>(folder.path + "/sample/mirror", folder.path + "/nginx");
        ASSERT_NE(server->port, 0) << "nginx did not start";
    }

    void start()
    {
        std::string asan = "verify_asan_link_order=0";  // the probe is loaded before the sanitizer
        if (const char* old = std::getenv("ASAN_OPTIONS"); old && *old) asan = std::string(old) + ":" + asan;
        program = start_kstlupd({"-debug", "-nocheck", "-proxy", "127.0.0.1:" + std::to_string(server->port)}, kestrl,
                                x,
                                {"XDG_DATA_HOME=" + folder.path + "/xdg", "LD_PRELOAD=" KSTLUPD_LIST_PROBE,
                                 "KSTLUPD_LIST_PROBE_FILE=" + folder.path + "/status-list.txt",
                                 "ASAN_OPTIONS=" + asan, "http_proxy=", "https_proxy=", "KSTLUPD_TEST_CONNECT_TO="});
    }

    void TearDown() override
    {
        if (program.pid > 0) wait_kstlupd(&program, 0);
    }

    std::string log() { return read_file(kestrl + "/kstlupd.log"); }

    TempFolder folder;
    XvfbSession x;
    std::unique_ptr<MirrorServer> server;
    std::string kestrl;
    RunningProgram program;
};

TEST_F(UpdateFromTheWindow, StatusListShowsInstallsAboveTheSeparatorAndDownloadsBelow)
{
    const std::string kSeparator(56, '-');
    const std::string kReturned = "\nDEBUG:\tReturned from Update() thread with status = 0\n\n";
    start();
    const std::string main = find_window(x, kMainTitle);
    ASSERT_FALSE(main.empty()) << read_file(kestrl + "/.program-output");
    click_at(x, main, 60, 102);  // Update

    // Every box the run raises is answered with Enter, as a user would, until the
    // window has seen the run end. (Club Log cannot be fetched: nginx does no TLS.)
    std::vector<std::string> titles;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while (!contains(log(), kReturned) && std::chrono::steady_clock::now() < deadline) {
        for (const auto& [id, title] : other_windows(x, main)) {
            titles.push_back(title);
            if (title == "Update finished") screenshot(x, id, "update_finished.png");
            on_display(x, "xdotool windowfocus --sync " + id + " key Return 2>/dev/null");
            ASSERT_TRUE(window_id_gone(x, id)) << title;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const std::string text = log();
    ASSERT_TRUE(contains(text, kReturned)) << text;
    ASSERT_FALSE(titles.empty());
    EXPECT_EQ(titles.back(), "Update finished");
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "Update finished"), 1);
    EXPECT_TRUE(contains(text, "INFO:\t7 files were updated.\nThere was one error.\n"));
    screenshot(x, main, "main_window_after_update.png");

    // The list: the install lines, newest run order, then the separator, then the
    // download results in the order they came; no progress line is left.
    const std::vector<std::string> list = lines_of(read_file(folder.path + "/status-list.txt"));
    const auto separator = std::find(list.begin(), list.end(), kSeparator);
    ASSERT_NE(separator, list.end()) << read_file(folder.path + "/status-list.txt");
    EXPECT_EQ(std::count(list.begin(), list.end(), kSeparator), 1);
    const std::vector<std::string> installs(list.begin(), separator);
    const std::vector<std::string> downloads(separator + 1, list.end());
    EXPECT_EQ(installs, (std::vector<std::string>{"Updated:  Custom Awards (AWD)",
                                                  "Updated:  Calendar (CAL)",
                                                  "Updated:  Country File (CTY) -- 24-Nov-2025 16:00",
                                                  "Updated:  Master Callsigns (MAS1)",
                                                  "Updated:  Membership List (MAS2)",
                                                  "Updated:  DX Cluster Nodes (TCP) -- 24-Nov-2025 16:00",
                                                  "Updated:  CQ WPX Honor Roll (WPX) -- 24-Nov-2025 16:00"}));
    ASSERT_FALSE(downloads.empty());
    EXPECT_EQ(downloads.front(), "Downloaded:  Custom Awards (AWD) -- 24-Nov-2025 16:00");
    EXPECT_NE(std::find(downloads.begin(), downloads.end(), "Club Log -- Internet Error"), downloads.end());
    EXPECT_NE(std::find(downloads.begin(), downloads.end(), "Downloaded:  425 DX Calendar"), downloads.end());
    // Each list line is a line of the log, in the log's order: the downloads before
    // the log's separator, the installs after it.
    const size_t logSeparator = text.find("\n\n" + kSeparator + "\n\n");
    ASSERT_NE(logSeparator, std::string::npos);
    size_t at = 0;
    for (const std::string& line : downloads) {
        EXPECT_EQ(line.rfind("Downloading:", 0), std::string::npos) << line;
        const size_t found = text.find("\n" + line + "\n", at);
        EXPECT_LT(found, logSeparator) << line;
        if (found != std::string::npos) at = found + 1;
    }
    for (const std::string& line : installs) {
        const size_t found = text.find("\n" + line + "\n", at);
        EXPECT_GT(found, logSeparator) << line;
        if (found != std::string::npos) at = found + 1;
    }

    // Exit works again once the run has ended: it asks, and Yes ends the program.
    click_at(x, main, 460, 102);
    const std::string question = find_window(x, "KESTRL Data Updater");
    ASSERT_FALSE(question.empty());
    on_display(x, "xdotool windowfocus --sync " + question + " key y 2>/dev/null");
    EXPECT_EQ(wait_kstlupd(&program, 10000), 0);
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
