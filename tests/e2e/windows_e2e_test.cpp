// The real program's windows on a private X server, driven with xdotool; the
// screenshots are kept under the build folder for a person to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/toolkit.h"
#include "support/mirror_server.h"
#include "support/program_run.h"
#include "support/temp_folder.h"
#include "support/xvfb_session.h"

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The id of the window whose whole title matches, waiting up to 10 s for it.
std::string find_window(const RunningProgram& x, const std::string& titleRegex)
{
    return on_display(x, "timeout 10 xdotool search --sync --onlyvisible --name '^" + titleRegex + "$' | head -n1");
}

std::vector<std::string> visible_windows(const RunningProgram& x)
{
    return lines_of(on_display(x, "xdotool search --onlyvisible --name . 2>/dev/null"));
}

bool window_gone(const RunningProgram& x, const std::string& id)
{
    for (int i = 0; i < 100; ++i) {
        const std::vector<std::string> ids = visible_windows(x);
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void click_at(const RunningProgram& x, const std::string& id, int cx, int cy)
{
    on_display(x,
               "xdotool mousemove --window " + id + " " + std::to_string(cx) + " " + std::to_string(cy) + " click 1");
}

void press(const RunningProgram& x, const std::string& id, const std::string& key)
{
    on_display(x, "xdotool windowfocus --sync " + id + " key " + key + " 2>/dev/null");
}

// Controls as the probe lists them ("x y w h need font size" a line): every label
// fits its control, every control lies inside the window, no two overlap. The
// labels' fonts and sizes are added to `fonts`.
void expect_laid_out(std::istream& layout, int width, int height, std::set<std::pair<int, int>>* fonts)
{
    std::vector<Rect> rects;
    int need = 0, font = 0, size = 0;
    for (Rect r; layout >> r.x >> r.y >> r.w >> r.h >> need >> font >> size;) {
        if (need) fonts->emplace(font, size);
        SCOPED_TRACE(std::to_string(r.x) + "," + std::to_string(r.y));
        EXPECT_LE(need, r.w);
        EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.w <= width && r.y + r.h <= height);
        for (const Rect& o : rects)
            EXPECT_TRUE(r.x >= o.x + o.w || o.x >= r.x + r.w || r.y >= o.y + o.h || o.y >= r.y + r.h);
        rects.push_back(r);
    }
}

void screenshot(const RunningProgram& x, const std::string& id, const std::string& name)
{
    // Give the window a moment to finish drawing what it was just sent.
    on_display(x, "sleep 0.2; import -window " + id + " '" + screenshot_folder() + "/" + name + "'");
}

// An update started with the Update button, against nginx serving the sample mirror,
// then the settings windows and Exit.
// The status list is read through a probe preloaded into the program, which copies
// the window's list into a file after every change.
class UpdateFromTheWindow : public ::testing::Test {
protected:
    void TearDown() override { wait_kstlupd(&x, 0); }

    TempFolder folder;
    RunningProgram x;  // the program and its X server
};

TEST_F(UpdateFromTheWindow, StatusListSettingsWindowsAndExitByTheMouse)
{
    if (!window_tools_installed()) GTEST_SKIP() << "xvfb-run, xdotool or ImageMagick missing";
    ASSERT_TRUE(make_sample_data(folder.path + "/sample", 3000));
    const std::string kestrl = folder.path + "/sample/kestrl";
    // The updater is as new as the mirror's: no offer, no box at start-up.
    const std::string offered =
        folder.path + "/sample/mirror/updates.kstlupd.example/kestrl/updater/download/kstlupd.exe";
    make_dir(offered.substr(0, offered.rfind('/')));
    for (const auto& [path, text] :
         {std::pair<std::string, std::string>{kestrl + "/kstlupd.exe", "running updater"}, {offered, "same updater"}}) {
        write_file(path, text);
        set_mtime(path, 1699000000);
    }
    MirrorServer server(folder.path + "/sample/mirror", folder.path + "/nginx");
    ASSERT_NE(server.port, 0) << "nginx did not start";

    std::string asan = "verify_asan_link_order=0";  // the probe is loaded before the sanitizer
    if (const char* old = std::getenv("ASAN_OPTIONS"); old && *old) asan = std::string(old) + ":" + asan;
    const std::string listFile = folder.path + "/status-list.txt";
    x = start_kstlupd({"-debug", "-nocheck", "-proxy", "127.0.0.1:" + std::to_string(server.port)}, kestrl,
                      {"XDG_DATA_HOME=" + folder.path + "/xdg", "LD_PRELOAD=" KSTLUPD_LIST_PROBE,
                       "KSTLUPD_LIST_PROBE_FILE=" + listFile, "ASAN_OPTIONS=" + asan, "http_proxy=", "https_proxy="});
    const std::string main = find_window(x, "KESTRL Data Updater - Version 9\\.6");
    ASSERT_FALSE(main.empty()) << read_file(kestrl + "/.program-output");
    click_at(x, main, 60, 102);  // Update

    // Every box the run raises is answered with Enter, as a user would, until the
    // window has seen the run end. (Club Log cannot be fetched: nginx does no TLS.)
    const std::string kReturned = "\nDEBUG:\tReturned from Update() thread with status = 0\n\n";
    std::vector<std::string> titles;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while (!contains(read_file(kestrl + "/kstlupd.log"), kReturned) && std::chrono::steady_clock::now() < deadline) {
        for (const std::string& id : visible_windows(x)) {
            const std::string title = on_display(x, "xdotool getwindowname " + id + " 2>/dev/null");
            if (id == main || title.empty()) continue;  // a box that closed while listed has no name
            titles.push_back(title);
            if (title == "Update finished") screenshot(x, id, "update_finished.png");
            press(x, id, "Return");
            ASSERT_TRUE(window_gone(x, id)) << title;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const std::string log = read_file(kestrl + "/kstlupd.log");
    ASSERT_TRUE(contains(log, kReturned)) << log;
    ASSERT_EQ(std::count(titles.begin(), titles.end(), "Update finished"), 1);
    EXPECT_EQ(titles.back(), "Update finished");
    screenshot(x, main, "main_window_after_update.png");

    // The install lines in run order, then the one separator, then the download
    // results in the order they came; no progress line is left.
    const std::vector<std::string> list = lines_of(read_file(listFile));
    const std::string kSeparator(56, '-');
    const auto separator = std::find(list.begin(), list.end(), kSeparator);
    ASSERT_NE(separator, list.end()) << read_file(listFile);
    EXPECT_EQ(std::count(list.begin(), list.end(), kSeparator), 1);
    EXPECT_EQ(std::vector<std::string>(list.begin(), separator),
              (std::vector<std::string>{"Updated:  Custom Awards (AWD)", "Updated:  Calendar (CAL)",
                                        "Updated:  Country File (CTY) -- 24-Nov-2025 16:00",
                                        "Updated:  Master Callsigns (MAS1)", "Updated:  Membership List (MAS2)",
                                        "Updated:  DX Cluster Nodes (TCP) -- 24-Nov-2025 16:00",
                                        "Updated:  CQ WPX Honor Roll (WPX) -- 24-Nov-2025 16:00"}));
    const std::vector<std::string> downloads(separator + 1, list.end());
    ASSERT_FALSE(downloads.empty());
    EXPECT_EQ(downloads.front(), "Downloaded:  Custom Awards (AWD) -- 24-Nov-2025 16:00");
    for (const char* line : {"Club Log -- Internet Error", "Downloaded:  425 DX Calendar"})
        EXPECT_NE(std::find(downloads.begin(), downloads.end(), line), downloads.end()) << line;
    for (const std::string& line : downloads) EXPECT_NE(line.rfind("Downloading:", 0), 0u) << line;

    // The window as drawn: the list shows whole rows, and the window is of the
    // program's X class.
    std::istringstream layout(read_file(listFile + ".layout"));
    int inside = 0, row = 1;
    ASSERT_TRUE(layout >> inside >> row);
    EXPECT_EQ(inside % row, 0) << inside << " " << row;
    EXPECT_EQ(on_display(x, "xprop -id " + main + " WM_CLASS"), "WM_CLASS(STRING) = \"kstlupd\", \"kstlupd\"");

    // Once the run has ended the settings windows open by the mouse, and opening one
    // leaves the item's mark alone (Calendar is checked); the membership fields take
    // one capital, a non-ASCII one is refused.
    // Each closed with Cancel (none: Escape), or OK after typing, at close_x, close_y.
    // clang-format off
    const struct { int cx, cy; const char *title, *typed; int close_x, close_y; const char* shot; } windows[] = {
        {30, 50, "Calendar \\(CAL\\)", nullptr, 0, 0, "calendar_settings.png"},
        {180, 50, "Master Callsigns \\(MAS1\\)", nullptr, 190, 90, "master_call_settings.png"},
        {180, 70, "Membership List \\(MAS2\\)", "c\xc3\xa9x", 50, 190, "membership_settings.png"},
    };
    // clang-format on
    const size_t logged = read_file(kestrl + "/kstlupd.log").size();
    for (const auto& s : windows) {
        click_at(x, main, s.cx, s.cy);
        const std::string id = find_window(x, s.title);
        ASSERT_FALSE(id.empty()) << s.title;
        if (s.typed) {
            click_at(x, id, 35, 120);  // the CW Ops field
            on_display(x, std::string("xdotool type --delay 30 '") + s.typed + "'");
        }
        screenshot(x, id, s.shot);
        if (s.close_x) click_at(x, id, s.close_x, s.close_y);
        else press(x, id, "Escape");
        EXPECT_TRUE(window_gone(x, id)) << s.title;
    }

    // Every window shown (main, boxes, settings) as laid out: labels fit, all in one
    // font, and nothing overlaps or leaves its window.
    std::istringstream laid_out(read_file(listFile + ".windows"));
    std::vector<std::string> shown;
    std::set<std::pair<int, int>> fonts;
    for (std::string title, controls, line; std::getline(laid_out, title); controls.clear()) {
        SCOPED_TRACE(title);
        while (std::getline(laid_out, line) && !line.empty()) controls += line + "\n";
        std::istringstream in(controls);
        int width = 0, height = 0;
        in >> width >> height;
        expect_laid_out(in, width, height, &fonts);
        shown.push_back(title);
    }
    for (const char* title :
         {"KESTRL Data Updater - Version 9.6", "Calendar (CAL)", "Master Callsigns (MAS1)", "Membership List (MAS2)"})
        EXPECT_NE(std::find(shown.begin(), shown.end(), title), shown.end()) << title;
    EXPECT_EQ(fonts.size(), 1u) << "every label, the message boxes' buttons too, in the main window's font";

    // Exit asks; Yes ends the program, which saves the selections.
    click_at(x, main, 460, 102);
    const std::string question = find_window(x, "KESTRL Data Updater");
    ASSERT_FALSE(question.empty());
    press(x, question, "y");
    EXPECT_EQ(wait_kstlupd(&x, 10000), 0);
    EXPECT_TRUE(
        contains(read_file(kestrl + "/kstlupd.log").substr(logged), "DEBUG:\tCopySelections(): 1 - Calendar (CAL)\n"));
    const std::string ini = read_file(kestrl + "/kstlupd.ini");
    ASSERT_EQ(ini.size(), 109u);
    EXPECT_EQ(ini[51 + 24], 'C');  // sel of slot 24, after id, version, "INI", ini and "SEL"
}

TEST(WindowsWithoutDisplay, WindowedStartNeedsADisplay)
{
    TempFolder folder;
    make_dir("SAVE");
    make_dir("IMPORT");
    ProgramRun run = run_binary(KSTLUPD_BINARY, {"-nocheck", "-version", "8.5.0.39"}, folder.path);  // no DISPLAY
    EXPECT_EQ(run.exit_status, 255);
    const std::string output = read_file(folder.path + "/program.out");
    EXPECT_TRUE(contains(output, "No display") && contains(output, "-auto")) << output;
    EXPECT_TRUE(contains(read_file("kstlupd.log"), "ERROR:\tNo display is available for the main window."));
}

}  // namespace
