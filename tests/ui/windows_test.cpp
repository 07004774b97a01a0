// The main window and the settings windows over the fake toolkit, with a real
// catalogue and selections for a given version of the logging program, and a run
// function the test controls.
#include <atomic>
#include <chrono>
#include <cstring>
#include <regex>
#include <thread>

#include "base/run_view.h"
#include "base/status_line.h"
#include "support/fake_toolkit.h"
#include "support/run_fixture.h"
#include "ui/control_ids.h"
#include "ui/main_window.h"
#include "ui/strings.h"
#include "ui/windowed_mode.h"

namespace {

// The control id of a slot's check box or field.
constexpr int box_id(int slot) { return kControlIdBase + slot; }

std::string box(const std::string& title, unsigned style, const std::string& text)
{
    return title + "|" + std::to_string(style) + "|" + text + "\n";
}

class UiTest : public RunTest {
protected:
    void SetUp() override
    {
        RunTest::SetUp();
        install_fake_toolkit(&fake);
        g_run_view = main_window_view();
        g_config.debug = 1;
    }

    void TearDown() override
    {
        finish_run_thread(&main);
        RunTest::TearDown();
    }

    // Opens the main window as start-up does for a logging program of this version,
    // with `update` in place of the update run; `selected` slots are selected first.
    void open_main(void (*update)(AppWindow*, RunContext*), std::initializer_list<int> selected = {},
                   const char* hostVersion = "8.5.0.39")
    {
        use_host_version(hostVersion);
        for (int slot : selected) selections->sel[slot] = 1;
        init_main_window(&main, &run);
        main.run = update;
        ASSERT_TRUE(create_main_window(&main));
        create_main_controls(&main);
    }

    // Clicks a main-window box and returns the window made last (the settings window).
    AppWindow* open_from(int boxId)
    {
        click(main.window, boxId);
        return reinterpret_cast<AppWindow*>(fake.windows.back().get());
    }
    // The boxes shown since the last call, each as box() gives it; then forgotten.
    std::string boxes()
    {
        std::string all;
        for (const ShownBox& b : dialogs.shown) all += box(b.title, b.style & 0xFF, b.text);
        dialogs.shown.clear();
        return all;
    }
    bool logged(const std::string& text) { return log_text().find(text) != std::string::npos; }
    FakeControl* ctl(int id) { return fake_control(main.window, id); }
    FakeWindow* window() { return fake_window(main.window); }

    FakeToolkit fake;
    MainWindow main;
};

void no_run(AppWindow*, RunContext*) { ADD_FAILURE() << "an update run was started"; }

// A run the test holds at its start (stage 1) until released (stage 2); it then
// writes two result lines and moves the progress bar, as the real run does.
std::atomic<int> g_stage{0};

void held_run(AppWindow* owner, RunContext*)
{
    g_stage = 1;
    while (g_stage.load() != 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    statusLine(owner, "Downloaded:  Country File (CTY) -- 01-Jan-2024 10:00", -1);
    g_run_view.progress_set(owner, 100);
    statusLine(owner, "Updated:  Country File (CTY) -- 01-Jan-2024 10:00", 0);
}

using MainWindowTest = UiTest;
using SettingsTest = UiTest;

// What a run disables: the source boxes and three of the buttons.
std::vector<int> locked_ids()
{
    std::vector<int> ids{kIdUpdate, kIdReset, kIdExit};
    for (int slot : {kSlotAwards, kSlotCalendar, kSlotCountry, kSlotIota, kSlotMaster, kSlotMembership, kSlotNodes,
                     kSlotNodesKeepAlive, kSlotWpx})
        ids.push_back(box_id(slot));
    return ids;
}
const char* const kExitQuestion = "Are you sure you want to exit the KESTRL Data Updater?";
const char* const kResetQuestion =
    "This will delete all the files in the UPDATE directory.\nAre you sure you want to do this?";

}  // namespace

TEST_F(MainWindowTest, BoxesAndButtons)
{
    open_main(no_run, {kSlotIota, kSlotNodes, kSlotNodesKeepAlive});  // IOTA is not enabled in this catalogue
    EXPECT_EQ(window()->rect.x, (1024 - kMainWidth) / 2);             // centred
    EXPECT_EQ(window()->rect.y, (768 - 480) / 2);
    EXPECT_EQ(ctl(box_id(kSlotIota))->checked + ctl(box_id(kSlotIota))->enabled, 0);
    EXPECT_EQ(ctl(box_id(kSlotCountry))->checked, 1);
    write_file("UPDATE/kestrl_cty.zip", "zip");
    static std::string s_opened;
    static int s_browser = 0;
    g_platform.open_url = [](const char* url) {
        s_opened = url;
        return s_browser;
    };

    // Each box the buttons (0: the close box) show, answered so that nothing happens.
    const char* const kNoBrowser =
        "Could not start web browser.\n\nOpen this address in a web browser:\nhttp://kst.test/kestrl/updater/";
    // clang-format off
    const struct { int button, answer; std::string shown; } declined[] = {
        {kIdUpdate, kIdOk, box("DX Cluster Nodes", kMbIconError, load_string(kStrBothNodeLists))},
        {kIdReset, kIdNo, box("Delete old updates?", kMbYesNo | kMbIconWarning, kResetQuestion)},
        {kIdHelp, kIdOk, box("Error", kMbIconError, kNoBrowser)},
        {kIdExit, kIdNo, box("KESTRL Data Updater", kMbYesNoCancel | kMbIconQuestion, kExitQuestion)},
        {0, kIdCancel, box("KESTRL Data Updater", kMbYesNoCancel | kMbIconQuestion, kExitQuestion)},
    };
    // clang-format on
    for (const auto& row : declined) {
        dialogs.answers = {row.answer};
        if (row.button) click(main.window, row.button);
        else press_close_box(main.window);
        EXPECT_EQ(boxes(), row.shown);
    }
    EXPECT_EQ(fake.quit_code, -99);
    EXPECT_FALSE(path_exists("kstlupd.ini"));
    EXPECT_TRUE(path_exists("UPDATE/kestrl_cty.zip"));
    EXPECT_TRUE(logged(std::string(kResetQuestion) + " [NO]\n"));
    EXPECT_FALSE(logged("web browser"));

    click(main.window, kIdAbout);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    const std::regex about("About this program\\.\\.\\.\\|64\\|KESTRL Data Updater\nVersion 9\\.6 -- [A-Z][a-z]{2} "
                           "[ 1-3][0-9] [0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-5][0-9]\n([^\n]{1,79})\n");
    std::smatch m;
    const std::string shown = boxes();
    ASSERT_TRUE(std::regex_match(shown, m, about)) << shown;
    EXPECT_EQ(m[1].str(), load_string(kStrNotice));

    // Clicking one node list unchecks the other; unchecking leaves the other alone.
    // clang-format off
    const struct { int click; bool nodes, keepAlive; } steps[] = {
        {box_id(kSlotNodesKeepAlive), true, false}, {box_id(kSlotNodesKeepAlive), false, true},
        {box_id(kSlotNodes), true, false}, {box_id(kSlotNodes), false, false}};
    // clang-format on
    for (const auto& step : steps) {
        click(main.window, step.click);
        EXPECT_EQ(std::pair(ctl(box_id(kSlotNodes))->checked == 1, ctl(box_id(kSlotNodesKeepAlive))->checked == 1),
                  std::pair(step.nodes, step.keepAlive))
            << step.click;
    }

    // The answers that act.
    // Help opens the page installed with the program, and the web address without it.
    s_browser = 1;
    click(main.window, kIdHelp);
    EXPECT_EQ(s_opened, "http://kst.test/kestrl/updater/");
    static std::string s_program_folder;
    g_platform.program_folder = [](std::string* out) { return *out = s_program_folder, 1; };
#ifdef _WIN32
    s_program_folder = folder.path;
    const std::string page = "kstlupd.html", opened = folder.path + "\\kstlupd.html";
#else
    s_program_folder = folder.path + "/bin";
    const std::string page = "share/doc/kstlupd/kstlupd.html", opened = s_program_folder + "/../" + page;
    make_dir("bin");
    make_dir("share/doc/kstlupd");
#endif
    write_file(page, "<p>help</p>");
    click(main.window, kIdHelp);
    EXPECT_EQ(s_opened, opened);
    EXPECT_EQ(boxes(), "");
    dialogs.answers = {kIdYes};
    click(main.window, kIdReset);
    EXPECT_FALSE(path_exists("UPDATE/kestrl_cty.zip"));
    EXPECT_TRUE(logged(std::string(kResetQuestion) + " [YES]\n"));
    click(main.window, box_id(kSlotWpx));  // WPX off
    dialogs.answers = {kIdYes};
    click(main.window, kIdExit);
    EXPECT_EQ(fake.quit_code, 0);
    EXPECT_EQ(selections->sel[kSlotWpx], 0);
    EXPECT_TRUE(path_exists("kstlupd.ini"));
}

TEST_F(MainWindowTest, UpdateRunsOnItsThreadWithTheControlsLocked)
{
    g_config.quickExit = 1;
    open_main(held_run, {kSlotIota});
    g_stage = 0;
    ctl(kIdStatusList)->lines = {"line of an earlier run"};

    click(main.window, box_id(kSlotAwards));  // awards off
    click(main.window, kIdUpdate);
    while (g_stage.load() != 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (int id : locked_ids()) EXPECT_EQ(ctl(id)->enabled, 0) << id;
    EXPECT_EQ(ctl(kIdHelp)->enabled + ctl(kIdAbout)->enabled, 2);
    EXPECT_TRUE(ctl(kIdStatusList)->lines.empty());
    EXPECT_EQ(selections->sel[kSlotAwards], 0);  // the boxes went into sel first

    // Leaving is refused without a word while the run goes on, and the check sees
    // nothing to do.
    press_close_box(main.window);
    completion_check(&main);
    EXPECT_EQ(fake.quit_code, -99);

    g_stage = 2;
    while (!main.runEnded.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_GE(fake.wakes, 1);
    EXPECT_EQ(ctl(kIdStatusList)->lines,
              (std::vector<std::string>{"Updated:  Country File (CTY) -- 01-Jan-2024 10:00", std::string(56, '-'),
                                        "Downloaded:  Country File (CTY) -- 01-Jan-2024 10:00"}));
    EXPECT_EQ(ctl(kIdProgressBar)->progress, 100);

    // The check gives the controls back (not the disabled source) and, with -quick,
    // leaves saving the selections.
    window()->shown = 0;
    completion_check(&main);
    for (int id : locked_ids()) EXPECT_EQ(ctl(id)->enabled, id == box_id(kSlotIota) ? 0 : 1) << id;
    EXPECT_EQ(window()->shown, 1);
    EXPECT_TRUE(logged("\nDEBUG:\tReturned from Update() thread with status = 0\n\n"));
    EXPECT_EQ(fake.quit_code, 0);
    EXPECT_EQ(boxes(), "");
    const std::string ini = read_file("kstlupd.ini");
    ASSERT_EQ(ini.size(), kSelectionsSize);
    Selections saved;
    decode_selections(reinterpret_cast<const uint8_t*>(ini.data()), &saved);
    EXPECT_EQ(std::pair(saved.sel[kSlotAwards], saved.sel[kSlotCountry]), (std::pair<uint8_t, uint8_t>(0, 1)));
}

TEST_F(SettingsTest, OkClearCancelAndCloseBoxOfEachWindow)
{
    // clang-format off
    const struct {
        const char *hostVersion, *title, *clearing, *saving, *target;
        int target_slot, ok, source_slot, stored;
    } rows[] = {
        {"8.5.0.39", "Calendar (CAL)", "calendar", "calendar", "calendar", kSlotCalendar, kIdCalendarOk,
         kSlotCalendarSource, 1},
        {"8.5.0.39", "Master Callsigns (MAS1)", "master call", "master call", "master call", kSlotMaster, kIdMasterOk,
         kSlotSuperCheck, 1},
        {"7.05", "Master Callsigns (MAS)", "master call", "master call", "master call", kSlotMasterOld, kIdMasterOk,
         kSlotSuperCheck, 1},
        // The field takes the ID in capitals.
        {"8.5.0.39", "Membership List (MAS2)", "member list", "membership list", "membership lists", kSlotMembership,
         kIdMemberOk, kSlotEqsl, 'E'},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.title);
        const int target_box = box_id(row.target_slot);
        open_main(no_run, {}, row.hostVersion);
        const Selections before = *selections;
        const std::string saving = std::string("DEBUG:\tsaving ") + row.saving + " settings\nDEBUG:\t";

        // The close box asks; No keeps the window, Cancel and Yes leave without saving.
        AppWindow* s = open_from(target_box);
        EXPECT_EQ(window()->enabled, 0);
        click(s, row.ok + 1);
        dialogs.answers = {kIdNo};
        press_close_box(s);
        EXPECT_EQ(boxes(), box(row.title, kMbYesNo | kMbIconWarning, "Are you sure you want to abandon your changes?"));
        EXPECT_FALSE(fake_window(s)->destroyed);
        click(s, row.ok + 2);
        EXPECT_TRUE(fake_window(s)->destroyed);
        s = open_from(target_box);
        click(s, row.ok + 1);
        dialogs.answers = {kIdYes};
        press_close_box(s);
        boxes();
        EXPECT_TRUE(fake_window(s)->destroyed);
        EXPECT_EQ(window()->enabled, 1);
        EXPECT_EQ(std::memcmp(before.sel, selections->sel, kSlotCount), 0);
        EXPECT_EQ(ctl(target_box)->checked, 1);
        EXPECT_TRUE(logged(std::string("DEBUG:\tclearing ") + row.clearing + " settings\n"));

        // Clear, then OK: the target is off; one source chosen: it is on.
        s = open_from(target_box);
        click(s, row.ok + 1);
        click(s, row.ok);
        EXPECT_EQ(selections->sel[row.target_slot] + ctl(target_box)->checked, 0);
        EXPECT_TRUE(logged(saving + "not updating " + row.target + "\n"));
        s = open_from(target_box);
        if (row.target_slot == kSlotMembership) type_text(s, box_id(row.source_slot), "e");
        else click(s, box_id(row.source_slot));
        click(s, row.ok);
        EXPECT_TRUE(fake_window(s)->destroyed);
        EXPECT_EQ(selections->sel[row.source_slot], row.stored);
        EXPECT_EQ(selections->sel[row.target_slot] + ctl(target_box)->checked, 2);
        EXPECT_TRUE(logged(saving + "updating " + row.target + "\n"));
    }
}

TEST_F(SettingsTest, MembershipRefusesFiveListsAndEmptiesABlank)
{
    open_main(no_run);
    // A window the toolkit cannot make is reported; the next click opens it.
    fake.fail_create = 1;
    click(main.window, box_id(kSlotMembership));
    EXPECT_EQ(window()->enabled, 1);
    EXPECT_EQ(boxes(), box("RegisterClass", kMbIconError, "RegisterClass(&wcMbr) failed"));
    EXPECT_TRUE(logged("ERROR:\tRegisterClass(&wcMbr) failed\n"));

    AppWindow* member = open_from(box_id(kSlotMembership));
    EXPECT_EQ(fake_control(member, box_id(kSlotEqsl))->text, "E");  // the saved ID
    leave_field(member, box_id(kSlotEqsl));
    EXPECT_TRUE(logged("DEBUG:\teQSL is now set to E\n"));

    const Selections before = *selections;
    // clang-format off
    const struct { const char* ids[5]; int accepted; } tries[] = {
        {{"e", "l", "o", "c", "x"}, 0},
        {{"e", "l", " ", "c", ""}, 1},  // a blank is taken out and stored as nothing
    };
    // clang-format on
    for (const auto& t : tries) {
        click(member, kIdMemberClear);
        for (int i = 0; i < 5; ++i) type_text(member, box_id(kSlotEqsl) + i, t.ids[i]);
        click(member, kIdMemberOk);
        EXPECT_EQ(fake_window(member)->destroyed + window()->enabled, 2 * t.accepted);
    }
    EXPECT_EQ(boxes(), box("Too many lists", kMbIconError, "You can have no more than four (4) membership lists."));
    const uint8_t stored[] = {'E', 'L', 0, 'C', 0};
    EXPECT_EQ(std::memcmp(selections->sel + kSlotEqsl, stored, 5), 0);
    EXPECT_EQ(std::memcmp(before.sel, selections->sel, kSlotEqsl), 0);
}
