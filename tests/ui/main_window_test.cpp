// The main window's controls and commands, played against the fake toolkit.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <regex>
#include <thread>

#include "app/status_line.h"
#include "support/temp_folder.h"
#include "ui/strings.h"
#include "ui/ui_fixture.h"

namespace {

struct Expected {
    int id;
    ControlKind kind;
    const char* text;
    Rect rect;
};

bool same_rect(const Rect& a, const Rect& b)
{
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

constexpr int kBoxes[] = {1401, 1404, 1405, 1407, 1410, 1411, 1417, 1408, 1418};

// A run the test holds at its start until released; it then writes two result
// lines and moves the progress bar, as the real run does.
struct HeldRun {
    std::mutex mutex;
    std::condition_variable changed;
    bool started = false;
    bool released = false;
    int calls = 0;
};

HeldRun* g_held = nullptr;

void held_run(Window* owner)
{
    {
        std::unique_lock<std::mutex> lock(g_held->mutex);
        g_held->started = true;
        ++g_held->calls;
        g_held->changed.notify_all();
        g_held->changed.wait(lock, [] { return g_held->released; });
    }
    statusLine(owner, "Downloaded:  Country File (CTY) -- 01-Jan-2024 10:00", -1);
    g_platform.progress_set(owner, 100);
    statusLine(owner, "Updated:  Country File (CTY) -- 01-Jan-2024 10:00", 0);
}

void wait_until_started(HeldRun* run)
{
    std::unique_lock<std::mutex> lock(run->mutex);
    run->changed.wait(lock, [&] { return run->started; });
}

void release(HeldRun* run)
{
    std::lock_guard<std::mutex> lock(run->mutex);
    run->released = true;
    run->changed.notify_all();
}

void wait_until_ended(const MainWindow& main)
{
    while (!main.runEnded.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

class MainWindowTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        g_held = &held;
    }
    void TearDown() override
    {
        release(&held);
        UiTest::TearDown();
        g_held = nullptr;
    }
    HeldRun held;
};

}  // namespace

TEST_F(MainWindowTest, WindowHoldsTheControlsAtTheirPlaces)
{
    prepare();
    g_config.debug = 1;
    selections->sel[kSlotIota] = 1;  // a source that is not enabled in this catalogue
    open_main(no_run);

    EXPECT_EQ(window()->title, "KESTRL Data Updater - Version 9.6");
    EXPECT_EQ(window()->spec.width, 550);
    EXPECT_EQ(window()->spec.height, 480);
    EXPECT_EQ(window()->spec.min_width, 550);
    EXPECT_EQ(window()->spec.min_height, 480);
    EXPECT_TRUE(window()->spec.resizable);
    // Centred on a 1024 x 768 screen.
    EXPECT_EQ(window()->rect.x, (1024 - 550) / 2);
    EXPECT_EQ(window()->rect.y, (768 - 480) / 2);

    const Expected expected[] = {
        {1401, ControlKind::AutoCheckBox, "Custom Awards (AWD)", {20, 20, 140, 20}},
        {1404, ControlKind::CheckBox, "Calendar (CAL)", {20, 40, 140, 20}},
        {1405, ControlKind::AutoCheckBox, "Country File (CTY)", {20, 60, 140, 20}},
        {1407, ControlKind::AutoCheckBox, "IOTA Islands (XML)", {160, 20, 160, 20}},
        {1410, ControlKind::CheckBox, "Master Callsigns (MAS1)", {160, 40, 160, 20}},
        {1411, ControlKind::CheckBox, "Membership List (MAS2)", {160, 60, 160, 20}},
        {1417, ControlKind::AutoCheckBox, "DX Cluster Nodes (TCP)", {320, 20, 180, 20}},
        {1408, ControlKind::AutoCheckBox, "DX Cluster Nodes (with keep-alive)", {320, 40, 200, 20}},
        {1418, ControlKind::AutoCheckBox, "CQ WPX Honor Roll (WPX)", {320, 60, 180, 20}},
        {1005, ControlKind::PushButton, "Update", {20, 90, 80, 25}},
        {1004, ControlKind::PushButton, "Reset", {120, 90, 80, 25}},
        {1003, ControlKind::PushButton, "Help", {220, 90, 80, 25}},
        {1001, ControlKind::PushButton, "About", {320, 90, 80, 25}},
        {1002, ControlKind::PushButton, "Exit", {420, 90, 80, 25}},
        {kIdProgressBar, ControlKind::ProgressBar, "", {20, 130, 490, 17}},
        {1101, ControlKind::StatusList, "", {20, 225, 490, 180}},
    };
    ASSERT_EQ(window()->creation_order.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].id);
        EXPECT_EQ(window()->creation_order[i], expected[i].id);
        FakeControl* c = ctl(expected[i].id);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->spec.kind, expected[i].kind);
        EXPECT_EQ(c->text, expected[i].text);
        EXPECT_TRUE(same_rect(c->spec.rect, expected[i].rect));
        const bool listFont = expected[i].kind != ControlKind::PushButton;
        EXPECT_EQ(c->spec.font == ControlFont::List, listFont);
    }
    // Marks follow the default selections; a source that is not enabled is shown
    // disabled and unchecked although its selection is set.
    EXPECT_EQ(ctl(1401)->checked, 1);
    EXPECT_EQ(ctl(1404)->checked, 1);
    EXPECT_EQ(ctl(1410)->checked, 1);
    EXPECT_EQ(ctl(1411)->checked, 1);
    EXPECT_EQ(ctl(1408)->checked, 0);
    EXPECT_EQ(ctl(1407)->checked, 0);
    EXPECT_EQ(ctl(1407)->enabled, 0);
    EXPECT_EQ(ctl(1405)->enabled, 1);
    const std::string log = log_text();
    EXPECT_NE(log.find("DEBUG:\tSetting Country File (CTY) to checked\n"), std::string::npos);
    EXPECT_EQ(log.find("Setting IOTA Islands (XML) to checked"), std::string::npos);
    EXPECT_EQ(log.find("Setting DX Cluster Nodes (with keep-alive) to checked"), std::string::npos);
}

TEST_F(MainWindowTest, OlderLoggingProgramGetsTheMasterBox1409)
{
    prepare("7.05");
    open_main(held_run);
    ASSERT_NE(ctl(1409), nullptr);
    EXPECT_EQ(ctl(1410), nullptr);
    EXPECT_EQ(ctl(1409)->text, "Master Callsigns (MAS)");
    EXPECT_EQ(ctl(1409)->spec.kind, ControlKind::CheckBox);

    click(main.window, 1409);
    auto windows = open_windows(&fake);
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[1]->title, "Master Callsigns (MAS)");
    click(handle_of(windows[1]), kIdMasterCancel);

    click(main.window, kIdUpdate);
    wait_until_started(&held);
    EXPECT_EQ(ctl(1409)->enabled, 0);
    release(&held);
    wait_until_ended(main);
    run_idle(&fake);
    EXPECT_EQ(ctl(1409)->enabled, 1);
}

TEST_F(MainWindowTest, UpdateRunsOnItsThreadWithTheControlsLocked)
{
    prepare();
    g_config.debug = 1;
    selections->sel[kSlotIota] = 1;
    open_main(held_run);
    ctl(1101)->lines = {"line of an earlier run"};

    click(main.window, kIdUpdate);
    wait_until_started(&held);
    for (int id : kBoxes) EXPECT_EQ(ctl(id)->enabled, 0) << id;
    EXPECT_EQ(ctl(kIdUpdate)->enabled, 0);
    EXPECT_EQ(ctl(kIdReset)->enabled, 0);
    EXPECT_EQ(ctl(kIdExit)->enabled, 0);
    EXPECT_EQ(ctl(kIdHelp)->enabled, 1);
    EXPECT_EQ(ctl(kIdAbout)->enabled, 1);
    EXPECT_TRUE(ctl(1101)->lines.empty());
    // The check boxes went into sel before the run.
    EXPECT_EQ(selections->sel[kSlotCountry], 1);

    // Leaving is refused without a word while the run goes on; the check sees
    // nothing to do.
    press_close_box(main.window);
    close_request(&main);
    run_idle(&fake);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(fake.quit_code, -99);
    EXPECT_EQ(ctl(kIdUpdate)->enabled, 0);

    release(&held);
    wait_until_ended(main);
    EXPECT_GE(fake.wakes, 1);
    const std::vector<std::string> lines = {
        "Updated:  Country File (CTY) -- 01-Jan-2024 10:00",
        "--------------------------------------------------------",
        "Downloaded:  Country File (CTY) -- 01-Jan-2024 10:00",
    };
    EXPECT_EQ(ctl(1101)->lines, lines);
    EXPECT_EQ(ctl(kIdProgressBar)->progress, 100);

    window()->shown = 0;
    run_idle(&fake);
    EXPECT_FALSE(main.runThread.joinable());
    for (int id : kBoxes) EXPECT_EQ(ctl(id)->enabled, id == 1407 ? 0 : 1) << id;
    EXPECT_EQ(ctl(1407)->checked, 0);
    EXPECT_EQ(ctl(kIdUpdate)->enabled, 1);
    EXPECT_EQ(ctl(kIdReset)->enabled, 1);
    EXPECT_EQ(ctl(kIdExit)->enabled, 1);
    EXPECT_EQ(window()->shown, 1);
    EXPECT_NE(log_text().find("\nDEBUG:\tReturned from Update() thread with status = 0\n\n"), std::string::npos);
    EXPECT_EQ(fake.quit_code, -99);

    // A second check has nothing more to do; after the run the exit question comes.
    run_idle(&fake);
    close_request(&main);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Are you sure you want to exit the KESTRL Data Updater?");
}

TEST_F(MainWindowTest, QuickExitLeavesAfterTheRunSavingTheSelections)
{
    prepare();
    g_config.quickExit = 1;
    open_main(held_run);
    click(main.window, 1401);  // awards off
    click(main.window, kIdUpdate);
    release(&held);
    wait_until_ended(main);
    EXPECT_FALSE(path_exists("kstlupd.ini"));
    run_idle(&fake);
    EXPECT_EQ(fake.quit_code, 0);
    EXPECT_TRUE(dialogs.shown.empty());
    ASSERT_TRUE(path_exists("kstlupd.ini"));
    const std::string ini = read_file("kstlupd.ini");
    ASSERT_EQ(ini.size(), kSelectionsSize);
    Selections saved;
    decode_selections(reinterpret_cast<const uint8_t*>(ini.data()), &saved);
    EXPECT_EQ(saved.sel[kSlotAwards], 0);
    EXPECT_EQ(saved.sel[kSlotCountry], 1);
}

TEST_F(MainWindowTest, ExitQuestionHasThreeAnswers)
{
    prepare();
    open_main(no_run);
    click(main.window, 1418);  // WPX off

    dialogs.answers = {kIdNo, kIdCancel};
    click(main.window, kIdExit);
    press_close_box(main.window);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text, "Are you sure you want to exit the KESTRL Data Updater?");
    EXPECT_EQ(dialogs.shown[0].title, "KESTRL Data Updater");
    EXPECT_EQ(dialogs.shown[0].style & 0xFF, kMbYesNoCancel | kMbIconQuestion);
    EXPECT_EQ(fake.quit_code, -99);
    EXPECT_FALSE(path_exists("kstlupd.ini"));
    EXPECT_EQ(selections->sel[kSlotWpx], 1);

    dialogs.answers = {kIdYes};
    click(main.window, kIdExit);
    EXPECT_EQ(fake.quit_code, 0);
    EXPECT_EQ(selections->sel[kSlotWpx], 0);
    ASSERT_TRUE(path_exists("kstlupd.ini"));

    // -quick leaves without the question.
    dialogs.shown.clear();
    fake.quit_code = -99;
    g_config.quickExit = 1;
    press_close_box(main.window);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(fake.quit_code, 0);
}

TEST_F(MainWindowTest, BothNodeListsAreRefusedAtUpdate)
{
    prepare();
    open_main(no_run);
    // Clicking one node list unchecks the other; unchecking leaves the other alone.
    EXPECT_EQ(ctl(1417)->checked, 1);
    click(main.window, 1408);
    EXPECT_EQ(ctl(1408)->checked, 1);
    EXPECT_EQ(ctl(1417)->checked, 0);
    click(main.window, 1417);
    EXPECT_EQ(ctl(1417)->checked, 1);
    EXPECT_EQ(ctl(1408)->checked, 0);
    click(main.window, 1417);
    EXPECT_EQ(ctl(1408)->checked, 0);
    EXPECT_EQ(ctl(1417)->checked, 0);

    // Saved selections may hold both; Update then refuses to start.
    finish_run_thread(&main);
    fake.windows.clear();
    main.window = nullptr;
    selections->sel[kSlotNodes] = 1;
    selections->sel[kSlotNodesKeepAlive] = 1;
    open_main(no_run);
    click(main.window, kIdUpdate);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, load_string(kStrBothNodeLists));
    EXPECT_EQ(dialogs.shown[0].title, "DX Cluster Nodes");
    EXPECT_EQ(dialogs.shown[0].style & 0xFF, kMbIconError);
    EXPECT_FALSE(main.runThread.joinable());
    EXPECT_EQ(ctl(kIdUpdate)->enabled, 1);
    EXPECT_EQ(selections->sel[kSlotNodes], 1);
    EXPECT_EQ(selections->sel[kSlotNodesKeepAlive], 1);
}

TEST_F(MainWindowTest, ResetHelpAndAbout)
{
    prepare();
    open_main(no_run);
    make_dir("UPDATE");
    write_file("UPDATE/kestrl_cty.zip", "zip");

    dialogs.answers = {kIdNo};
    click(main.window, kIdReset);
    EXPECT_TRUE(path_exists("UPDATE/kestrl_cty.zip"));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "Delete old updates?");
    EXPECT_EQ(dialogs.shown[0].style & 0xFF, kMbYesNo | kMbIconWarning);
    dialogs.answers = {kIdYes};
    click(main.window, kIdReset);
    EXPECT_FALSE(path_exists("UPDATE/kestrl_cty.zip"));
    const std::string question =
        "This will delete all the files in the UPDATE directory.\nAre you sure you want to do this?";
    EXPECT_NE(log_text().find(question + " [NO]\n"), std::string::npos);
    EXPECT_NE(log_text().find(question + " [YES]\n"), std::string::npos);

    std::vector<std::string> opened;
    static std::vector<std::string>* s_opened = &opened;
    static int s_result = 1;
    g_platform.open_url = [](const char* url) {
        s_opened->push_back(url);
        return s_result;
    };
    dialogs.shown.clear();
    click(main.window, kIdHelp);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "http://kst.test/kestrl/updater/");
    EXPECT_LE(opened[0].size(), 31u);
    EXPECT_TRUE(dialogs.shown.empty());
    s_result = 0;
    const std::string logBefore = log_text();
    click(main.window, kIdHelp);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Could not start web browser.");
    EXPECT_EQ(dialogs.shown[0].title, "Error");
    EXPECT_EQ(log_text(), logBefore);  // not logged
    s_result = 1;

    dialogs.shown.clear();
    click(main.window, kIdAbout);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "About this program...");
    EXPECT_EQ(dialogs.shown[0].style & 0xFF, kMbIconInformation);
    const std::regex about("KESTRL Data Updater\nVersion 9\\.6 -- [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} "
                           "[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\n([^\n]{1,79})");
    std::smatch m;
    EXPECT_TRUE(std::regex_match(dialogs.shown[0].text, m, about)) << dialogs.shown[0].text;
    EXPECT_EQ(m.size() > 1 ? m[1].str() : std::string(), load_string(kStrNotice));
}

TEST_F(MainWindowTest, ResizeMovesTheProgressBarAndTheList)
{
    prepare();
    open_main(no_run);
    resize_window(main.window, 700, 600);
    EXPECT_TRUE(same_rect(ctl(kIdProgressBar)->spec.rect, {20, 130, 640, 17}));
    EXPECT_TRUE(same_rect(ctl(1101)->spec.rect, {20, 165, 640, 415}));
    EXPECT_EQ(main.clientWidth, 700);
    EXPECT_EQ(main.clientHeight, 600);
    // The width grows from the list's current width by the change of the window.
    resize_window(main.window, 600, 500);
    EXPECT_TRUE(same_rect(ctl(1101)->spec.rect, {20, 165, 540, 315}));

    // A window off the screen's top-left (minimised) moves nothing.
    window()->rect.x = -32000;
    resize_window(main.window, 800, 700);
    EXPECT_TRUE(same_rect(ctl(1101)->spec.rect, {20, 165, 540, 315}));
    EXPECT_EQ(main.clientWidth, 600);
}

TEST_F(MainWindowTest, NoDisplayEndsWithStatusMinusOne)
{
    prepare();
    fake.display = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_main_window(), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("No display"), std::string::npos);
    EXPECT_NE(err.find("-auto"), std::string::npos);
    EXPECT_NE(log_text().find("ERROR:\tNo display is available"), std::string::npos);
    EXPECT_TRUE(fake.windows.empty());
}

TEST_F(MainWindowTest, StringTableHoldsTheTextsByNumber)
{
    EXPECT_STREQ(load_string(1301), "KESTRL Data Updater");
    EXPECT_STREQ(load_string(1304), "About this program...");
    EXPECT_STREQ(load_string(1313), "Are you sure you want to exit the KESTRL Data Updater?");
    EXPECT_STREQ(load_string(1315),
                 "KESTRL %s is not supported by the Updater.\nTry Help | Check for Updates from the KESTRL main menu.");
    EXPECT_STREQ(load_string(1300), "");
    EXPECT_STREQ(load_string(1316), "");
    for (int id = 1301; id <= 1315; ++id) EXPECT_GT(std::string(load_string(id)).size(), 0u) << id;
}
