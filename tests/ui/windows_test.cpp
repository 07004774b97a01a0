// The main window and the settings windows over the fake toolkit, with a real
// catalogue and selections for a given version of the logging program, and a run
// function the test controls.
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <regex>
#include <thread>

#include "app/host_checks.h"
#include "base/status_line.h"
#include "catalogue/catalogue.h"
#include "catalogue/selections.h"
#include "support/app_fixture.h"
#include "support/fake_toolkit.h"
#include "support/temp_folder.h"
#include "ui/control_ids.h"
#include "ui/main_window.h"
#include "ui/strings.h"
#include "ui/windowed_mode.h"

namespace {

class UiTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        install_fake_toolkit(&fake);
        install_window_services(&g_platform);
        g_config.debug = 1;
        prepare();
    }

    void TearDown() override
    {
        finish_run_thread(&main);
        AppTest::TearDown();
    }

    // Catalogue and selections for a logging program of this version (SetUp makes
    // them for a current one).
    void prepare(const char* hostVersion = "8.5.0.39")
    {
        g_config.hostVersion = hostVersion;
        choose_master_slot(&g_config);
        build_catalogue(&catalogue);
        selections = new_status(catalogue);
        g_config.catalogue = &catalogue;
        g_config.selections = selections.get();
    }

    // Opens the main window as start-up does, with `run` in place of the update run.
    void open_main(void (*run)(Window*))
    {
        init_main_window(&main);
        main.run = run;
        ASSERT_TRUE(create_main_window(&main));
        create_main_controls(&main);
    }

    // Clicks a main-window box and returns the window made last (the settings window).
    Window* open_from(int boxId)
    {
        click(main.window, boxId);
        return reinterpret_cast<Window*>(fake.windows.back().get());
    }
    bool same_selections(const Selections& before) { return !std::memcmp(before.sel, selections->sel, kSlotCount); }
    FakeControl* ctl(int id) { return fake_control(main.window, id); }
    FakeWindow* window() { return fake_window(main.window); }

    FakeToolkit fake;
    Catalogue catalogue;
    std::unique_ptr<Selections> selections;
    MainWindow main;
};

// A run function that must not be called.
void no_run(Window*)
{
    ADD_FAILURE() << "an update run was started";
}

// A run the test holds at its start (stage 1) until released (stage 2); it then
// writes two result lines and moves the progress bar, as the real run does.
std::atomic<int> g_stage{0};

void held_run(Window* owner)
{
    g_stage = 1;
    while (g_stage.load() != 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    statusLine(owner, "Downloaded:  Country File (CTY) -- 01-Jan-2024 10:00", -1);
    g_platform.progress_set(owner, 100);
    statusLine(owner, "Updated:  Country File (CTY) -- 01-Jan-2024 10:00", 0);
}

using MainWindowTest = UiTest;
using SettingsTest = UiTest;

// What a run disables: the source boxes and three of the buttons.
constexpr int kLocked[] = {1401, 1404, 1405, 1407, 1410, 1411, 1417, 1408, 1418, kIdUpdate, kIdReset, kIdExit};
const char* const kExitQuestion = "Are you sure you want to exit the KESTRL Data Updater?";
const char* const kResetQuestion =
    "This will delete all the files in the UPDATE directory.\nAre you sure you want to do this?";

}  // namespace

TEST_F(MainWindowTest, ControlsStandAtTheirPlacesAndNodeListsExcludeEachOther)
{
    selections->sel[kSlotIota] = 1;  // a source that is not enabled in this catalogue
    open_main(no_run);
    EXPECT_EQ(window()->title, "KESTRL Data Updater - Version 9.6");
    EXPECT_EQ(window()->rect.x, (1024 - 550) / 2);  // centred
    EXPECT_EQ(window()->rect.y, (768 - 480) / 2);
    const std::pair<int, const char*> expected[] = {
        {1401, "Custom Awards (AWD)"}, {1404, "Calendar (CAL)"}, {1405, "Country File (CTY)"},
        {1407, "IOTA Islands (XML)"}, {1410, "Master Callsigns (MAS1)"}, {1411, "Membership List (MAS2)"},
        {1417, "DX Cluster Nodes (TCP)"}, {1408, "DX Cluster Nodes (with keep-alive)"},
        {1418, "CQ WPX Honor Roll (WPX)"}, {1005, "Update"}, {1004, "Reset"}, {1003, "Help"}, {1001, "About"},
        {1002, "Exit"}, {kIdProgressBar, ""}, {1101, ""},
    };
    EXPECT_EQ(window()->controls.size(), std::size(expected));
    for (const auto& [id, text] : expected) {
        ASSERT_NE(ctl(id), nullptr) << id;
        EXPECT_EQ(ctl(id)->text, text) << id;
    }
    EXPECT_EQ(ctl(1407)->checked + ctl(1407)->enabled, 0);  // selected but not enabled
    EXPECT_EQ(ctl(1405)->checked, 1);

    // Clicking one node list unchecks the other; unchecking leaves the other alone.
    const struct { int click, nodes, keepAlive; } steps[] = {{1408, 0, 1}, {1417, 1, 0}, {1417, 0, 0}};
    for (const auto& step : steps) {
        click(main.window, step.click);
        EXPECT_EQ(ctl(1417)->checked, step.nodes) << step.click;
        EXPECT_EQ(ctl(1408)->checked, step.keepAlive) << step.click;
    }
}

TEST_F(MainWindowTest, CommandTable)
{
    selections->sel[kSlotNodes] = selections->sel[kSlotNodesKeepAlive] = 1;
    open_main(no_run);
    make_dir("UPDATE");
    write_file("UPDATE/kestrl_cty.zip", "zip");
    static std::string s_opened;
    static int s_browser = 0;
    g_platform.open_url = [](const char* url) {
        s_opened = url;
        return s_browser;
    };

    // Each box the buttons (0: the close box) show, answered so that nothing happens.
    const struct {
        int button, answer;
        std::string text;
        const char* title;
        unsigned style;
    } declined[] = {
        {kIdUpdate, kIdOk, load_string(kStrBothNodeLists), "DX Cluster Nodes", kMbIconError},
        {kIdReset, kIdNo, kResetQuestion, "Delete old updates?", kMbYesNo | kMbIconWarning},
        {kIdHelp, kIdOk, "Could not start web browser.\n\nOpen this address in a web browser:\nhttp://kst.test/kestrl/updater/",
         "Error", kMbIconError},
        {kIdExit, kIdNo, kExitQuestion, "KESTRL Data Updater", kMbYesNoCancel | kMbIconQuestion},
        {0, kIdCancel, kExitQuestion, "KESTRL Data Updater", kMbYesNoCancel | kMbIconQuestion},
    };
    for (const auto& row : declined) {
        SCOPED_TRACE(row.text);
        dialogs.shown.clear();
        dialogs.answers = {row.answer};
        if (row.button) click(main.window, row.button);
        else press_close_box(main.window);
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, row.text);
        EXPECT_EQ(dialogs.shown[0].title, row.title);
        EXPECT_EQ(dialogs.shown[0].style & 0xFF, row.style);
    }
    EXPECT_EQ(fake.quit_code, -99);
    EXPECT_FALSE(path_exists("kstlupd.ini"));
    EXPECT_TRUE(path_exists("UPDATE/kestrl_cty.zip"));
    EXPECT_NE(log_text().find(std::string(kResetQuestion) + " [NO]\n"), std::string::npos);
    EXPECT_EQ(log_text().find("web browser"), std::string::npos);

    dialogs.shown.clear();
    click(main.window, kIdAbout);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "About this program...");
    EXPECT_EQ(dialogs.shown[0].style & 0xFF, kMbIconInformation);
    const std::regex about("KESTRL Data Updater\nVersion 9\\.6 -- [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} "
                           "[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\n([^\n]{1,79})");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(dialogs.shown[0].text, m, about)) << dialogs.shown[0].text;
    EXPECT_EQ(m[1].str(), load_string(kStrNotice));

    // The answers that act.
    dialogs.shown.clear();
    s_browser = 1;
    click(main.window, kIdHelp);
    EXPECT_EQ(s_opened, "http://kst.test/kestrl/updater/");
    EXPECT_TRUE(dialogs.shown.empty());
    dialogs.answers = {kIdYes};
    click(main.window, kIdReset);
    EXPECT_FALSE(path_exists("UPDATE/kestrl_cty.zip"));
    EXPECT_NE(log_text().find(std::string(kResetQuestion) + " [YES]\n"), std::string::npos);
    click(main.window, 1418);  // WPX off
    dialogs.answers = {kIdYes};
    click(main.window, kIdExit);
    EXPECT_EQ(fake.quit_code, 0);
    EXPECT_EQ(selections->sel[kSlotWpx], 0);
    EXPECT_TRUE(path_exists("kstlupd.ini"));
}

TEST_F(MainWindowTest, UpdateRunsOnItsThreadWithTheControlsLocked)
{
    g_config.quickExit = 1;
    selections->sel[kSlotIota] = 1;
    open_main(held_run);
    g_stage = 0;
    ctl(1101)->lines = {"line of an earlier run"};

    click(main.window, 1401);  // awards off
    click(main.window, kIdUpdate);
    while (g_stage.load() != 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (int id : kLocked) EXPECT_EQ(ctl(id)->enabled, 0) << id;
    EXPECT_EQ(ctl(kIdHelp)->enabled + ctl(kIdAbout)->enabled, 2);
    EXPECT_TRUE(ctl(1101)->lines.empty());
    EXPECT_EQ(selections->sel[kSlotAwards], 0);  // the boxes went into sel first

    // Leaving is refused without a word while the run goes on, and the check sees
    // nothing to do.
    press_close_box(main.window);
    completion_check(&main);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(fake.quit_code, -99);

    g_stage = 2;
    while (!main.runEnded.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_GE(fake.wakes, 1);
    EXPECT_EQ(ctl(1101)->lines, (std::vector<std::string>{"Updated:  Country File (CTY) -- 01-Jan-2024 10:00",
                                                          std::string(56, '-'),
                                                          "Downloaded:  Country File (CTY) -- 01-Jan-2024 10:00"}));
    EXPECT_EQ(ctl(kIdProgressBar)->progress, 100);

    // The check gives the controls back (not the disabled source) and, with -quick,
    // leaves saving the selections.
    window()->shown = 0;
    completion_check(&main);
    for (int id : kLocked) EXPECT_EQ(ctl(id)->enabled, id == 1407 ? 0 : 1) << id;
    EXPECT_EQ(ctl(1407)->checked, 0);
    EXPECT_EQ(window()->shown, 1);
    EXPECT_NE(log_text().find("\nDEBUG:\tReturned from Update() thread with status = 0\n\n"), std::string::npos);
    EXPECT_EQ(fake.quit_code, 0);
    EXPECT_TRUE(dialogs.shown.empty());
    const std::string ini = read_file("kstlupd.ini");
    ASSERT_EQ(ini.size(), kSelectionsSize);
    Selections saved;
    decode_selections(reinterpret_cast<const uint8_t*>(ini.data()), &saved);
    EXPECT_EQ(saved.sel[kSlotAwards], 0);
    EXPECT_EQ(saved.sel[kSlotCountry], 1);
}

TEST_F(SettingsTest, OkClearCancelAndCloseBoxOfEachWindow)
{
    const struct {
        const char* hostVersion;
        int box;
        const char* title;
        int ok;
        const char *clearing, *saving, *target;
        int targetSlot, source, stored;
    } rows[] = {
        {"8.5.0.39", 1404, "Calendar (CAL)", kIdCalendarOk, "clearing calendar settings", "saving calendar settings",
         "calendar", kSlotCalendar, 1426, 1},
        {"8.5.0.39", 1410, "Master Callsigns (MAS1)", kIdMasterOk, "clearing master call settings",
         "saving master call settings", "master call", kSlotMaster, 1420, 1},
        {"7.05", 1409, "Master Callsigns (MAS)", kIdMasterOk, "clearing master call settings",
         "saving master call settings", "master call", kSlotMasterOld, 1420, 1},
        // The field takes the ID in capitals.
        {"8.5.0.39", 1411, "Membership List (MAS2)", kIdMemberOk, "clearing member list settings",
         "saving membership list settings", "membership lists", kSlotMembership, 1421, 'E'},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.title);
        prepare(row.hostVersion);
        open_main(no_run);
        const Selections before = *selections;
        EXPECT_EQ(ctl(row.box)->text, row.title);

        // The close box asks; No keeps the window, Cancel and Yes leave without saving.
        Window* s = open_from(row.box);
        EXPECT_EQ(fake_window(s)->title, row.title);
        EXPECT_EQ(fake_window(s)->def.escape_id, row.ok + 2);  // Escape is Cancel
        EXPECT_EQ(window()->enabled, 0);
        click(s, row.ok + 1);
        dialogs.answers = {kIdNo};
        press_close_box(s);
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, "Are you sure you want to abandon your changes?");
        EXPECT_EQ(dialogs.shown[0].title, row.title);
        EXPECT_EQ(dialogs.shown[0].style & 0xFF, kMbYesNo | kMbIconWarning);
        EXPECT_FALSE(fake_window(s)->destroyed);
        click(s, row.ok + 2);
        EXPECT_TRUE(fake_window(s)->destroyed);
        s = open_from(row.box);
        click(s, row.ok + 1);
        dialogs.answers = {kIdYes};
        press_close_box(s);
        EXPECT_TRUE(fake_window(s)->destroyed);
        EXPECT_EQ(window()->enabled, 1);
        EXPECT_TRUE(same_selections(before));
        EXPECT_EQ(ctl(row.box)->checked, 1);
        EXPECT_NE(log_text().find(std::string("DEBUG:\t") + row.clearing + "\n"), std::string::npos);
        dialogs.shown.clear();

        // Clear, then OK: the target is off.
        s = open_from(row.box);
        click(s, row.ok + 1);
        click(s, row.ok);
        EXPECT_EQ(selections->sel[row.targetSlot], 0);
        EXPECT_EQ(ctl(row.box)->checked, 0);
        EXPECT_NE(log_text().find(std::string("DEBUG:\t") + row.saving + "\nDEBUG:\tnot updating " + row.target + "\n"),
                  std::string::npos);

        // One source chosen: the target is on.
        s = open_from(row.box);
        if (row.box == 1411) type_text(s, row.source, "e");
        else click(s, row.source);
        click(s, row.ok);
        EXPECT_TRUE(fake_window(s)->destroyed);
        EXPECT_EQ(selections->sel[row.source - 1400], row.stored);
        EXPECT_EQ(selections->sel[row.targetSlot], 1);
        EXPECT_EQ(ctl(row.box)->checked, 1);
        EXPECT_NE(log_text().find(std::string("DEBUG:\t") + row.saving + "\nDEBUG:\tupdating " + row.target + "\n"),
                  std::string::npos);
    }
}

TEST_F(SettingsTest, MembershipRefusesFiveListsAndEmptiesABlank)
{
    open_main(no_run);
    // A window the toolkit cannot make is reported; the next click opens it.
    fake.fail_create = 1;
    click(main.window, 1411);
    EXPECT_EQ(window()->enabled, 1);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "RegisterClass(&wcMbr) failed");
    EXPECT_EQ(dialogs.shown[0].title, "RegisterClass");
    EXPECT_NE(log_text().find("ERROR:\tRegisterClass(&wcMbr) failed\n"), std::string::npos);
    dialogs.shown.clear();

    Window* member = open_from(1411);
    EXPECT_EQ(fake_control(member, 1421)->text, "E");  // the saved ID
    leave_field(member, 1421);
    EXPECT_NE(log_text().find("DEBUG:\teQSL is now set to E\n"), std::string::npos);

    const Selections before = *selections;
    click(member, kIdMemberClear);
    const char* ids[] = {"e", "l", "o", "c", "x"};
    for (int i = 0; i < 5; ++i) type_text(member, 1421 + i, ids[i]);
    click(member, kIdMemberOk);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "You can have no more than four (4) membership lists.");
    EXPECT_EQ(dialogs.shown[0].title, "Too many lists");
    EXPECT_FALSE(fake_window(member)->destroyed);
    EXPECT_EQ(window()->enabled, 0);
    EXPECT_TRUE(same_selections(before));

    // A blank is taken out and stored as nothing; the others go in.
    click(member, kIdMemberClear);
    const char* four[] = {"e", "l", " ", "c", ""};
    for (int i = 0; i < 5; ++i) type_text(member, 1421 + i, four[i]);
    click(member, kIdMemberOk);
    EXPECT_TRUE(fake_window(member)->destroyed);
    const uint8_t stored[] = {'E', 'L', 0, 'C', 0};
    EXPECT_EQ(std::memcmp(selections->sel + 21, stored, 5), 0);
}
