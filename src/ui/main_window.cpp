#include "ui/main_window.h"

#include <string>

#include "base/config.h"
#include "base/log.h"
#include "base/report.h"
#include "catalogue/catalogue.h"
#include "catalogue/run_context.h"
#include "catalogue/selections.h"
#include "files/file_ops.h"
#include "pipeline/update_run.h"
#include "platform/platform.h"
#include "ui/control_ids.h"
#include "ui/settings_windows.h"
#include "ui/strings.h"

namespace {

const Toolkit& tk() { return g_platform.toolkit; }

// The rectangles of the nine source check boxes, in main-list order: the fifth is the
// master-callsign box, whichever slot masterSlot names. The first column and the
// keep-alive box are wide enough for their titles in Arial (and its metric twin)
// with a few pixels to spare, which text scaled for a high DPI can take up; the
// columns right of a widened one move over by as much.
constexpr Rect kSourceBoxes[] = {
    {20, 20, 150, 20},  {20, 40, 150, 20},  {20, 60, 150, 20},  {170, 20, 160, 20}, {170, 40, 160, 20},
    {170, 60, 160, 20}, {330, 20, 180, 20}, {330, 40, 220, 20}, {330, 60, 180, 20},
};
// The progress bar and the status list span the width the boxes take.
constexpr int kListWidth = kMainWidth - 60;
static_assert(std::size(kSourceBoxes) == std::tuple_size_v<decltype(Catalogue::mainList)>);

struct ButtonDef {
    int id;
    const char* text;
    int x;
};

constexpr ButtonDef kButtons[] = {
    {kIdUpdate, "Update", 20}, {kIdReset, "Reset", 120}, {kIdHelp, "Help", 220},
    {kIdAbout, "About", 320},  {kIdExit, "Exit", 420},
};

// The buttons a run disables.
constexpr int kRunButtons[] = {kIdUpdate, kIdReset, kIdExit};

int box_checked(void* context, int id) { return g_platform.toolkit.is_checked(static_cast<AppWindow*>(context), id); }

void copy_selections(MainWindow* main)
{
    CheckBoxReader boxes{main->window, box_checked};
    CopySelections(boxes, &main->context->selections, main->context->catalogue, main->context->hostVersion);
}

void save_and_quit(MainWindow* main)
{
    copy_selections(main);
    // A failed save has been reported to the user, who asked to leave all the same.
    (void)write_selections(main->window, &main->context->selections, main->context->catalogue);
    main->quitting = true;
    tk().quit(0);
}

void run_thread_body(MainWindow* main)
{
    main->run(main->window, main->context);
    main->runExitCode = 0;
    main->runEnded.store(true);
    // The loop may be asleep with nothing else to wake it.
    g_platform.toolkit.wake();
}

void start_update(MainWindow* main)
{
    copy_selections(main);
    const Selections& sel = main->context->selections;
    if (sel.sel[kSlotNodesKeepAlive] && sel.sel[kSlotNodes]) {
        g_platform.message_box(load_string(kStrBothNodeLists), "DX Cluster Nodes", kMbIconError);
        return;
    }
    for (int slot : main->context->catalogue.mainList) tk().enable_control(main->window, kControlIdBase + slot, 0);
    for (int id : kRunButtons) tk().enable_control(main->window, id, 0);
    tk().list_reset(main->window, kIdStatusList);
    main->runEnded.store(false);
    main->runThread = std::thread(run_thread_body, main);
}

void reset_updates(MainWindow* main)
{
    const int answer =
        ask_question(nullptr, load_string(kStrResetQuestion), "Delete old updates?", kMbYesNo | kMbIconWarning);
    if (answer == kIdYes) deleteOldUpdates(main->context->catalogue);
}

// The help page installed with the program: beside it on Windows, and in the
// installation's share/doc/kstlupd on other systems (whose paths start with '/').
// Empty when it is not there.
std::string installed_help_page()
{
    std::string folder;
    if (!g_platform.program_folder(&folder) || folder.empty()) return {};
    const std::string page =
        folder[0] == '/' ? folder + "/../share/doc/kstlupd/kstlupd.html" : folder + "\\kstlupd.html";
    FileStatus status;
    if (!g_platform.file_status(page.c_str(), &status) || !status.is_regular) return {};
    return page;
}

void open_help()
{
    const std::string page = installed_help_page();
    if (!page.empty() && g_platform.open_url(page.c_str())) return;
    // Without the page, the help on the web.
    const char* address = load_string(kStrHelpAddress);
    if (g_platform.open_url(address)) return;
    // Without a browser the address is of use all the same, opened by hand.
    const std::string text = format_bounded(kMessageSize, "%s\n\nOpen this address in a web browser:\n%s",
                                            load_string(kStrNoBrowser), address);
    g_platform.message_box(text.c_str(), "Error", kMbIconError);
}

void show_about()
{
    const std::string version = format_bounded(80, "Version %s -- %s %s", g_config.version.c_str(), __DATE__, __TIME__);
    const std::string text = format_bounded(kMessageSize, "%s\n%s\n%s", load_string(kStrProgramName), version.c_str(),
                                            load_string(kStrNotice));
    g_platform.message_box(text.c_str(), load_string(kStrAboutTitle), kMbIconInformation);
}

// Check boxes of the two node lists exclude each other.
void exclude_other(MainWindow* main, int clicked, int other)
{
    if (tk().is_checked(main->window, clicked)) tk().set_check(main->window, other, 0);
}

}  // namespace

void init_main_window(MainWindow* main, RunContext* context)
{
    main->context = context;
    main->run = Update;
}

int create_main_window(MainWindow* main)
{
    const std::string title =
        format_bounded(80, "%s - Version %s", load_string(kStrProgramName), g_config.version.c_str());
    WindowSpec def;
    def.title = title.c_str();
    def.width = kMainWidth;
    def.height = kMainHeight;
    def.min_width = kMainWidth;
    def.min_height = kMainHeight;
    def.resizable = 1;
    WindowEvents events;
    events.context = main;
    events.command = [](void* context, AppWindow*, int id, int notification) {
        main_command(static_cast<MainWindow*>(context), id, notification);
    };
    events.close = [](void* context, AppWindow*) { close_request(static_cast<MainWindow*>(context)); };
    events.resize = [](void* context, AppWindow*, int width, int height) {
        relayout(static_cast<MainWindow*>(context), width, height);
    };
    main->window = tk().create_window(def, events);
    return main->window ? 1 : 0;
}

void add_source_checkbox(AppWindow* window, const Catalogue& catalogue, const Selections& selections, int slot,
                         const Rect& rect, int toggles)
{
    const DataSource& source = catalogue.slot[slot];
    ControlSpec def;
    def.id = kControlIdBase + slot;
    def.kind = toggles ? ControlKind::AutoCheckBox : ControlKind::CheckBox;
    def.text = source.title ? source.title : "";
    def.rect = rect;
    def.font = ControlFont::List;
    if (!g_platform.toolkit.add_control(window, def)) return;
    if (!source.enabled) {
        g_platform.toolkit.enable_control(window, def.id, 0);
        return;
    }
    if (selections.sel[slot]) {
        g_platform.toolkit.set_check(window, def.id, 1);
        debug_printf("DEBUG:\tSetting %s to checked\n", def.text);
    }
}

void create_main_controls(MainWindow* main)
{
    AppWindow* w = main->window;
    for (size_t i = 0; i < std::size(kSourceBoxes); ++i) {
        // A derived target's box opens its settings window, which checks it.
        const int slot = main->context->catalogue.mainList[i];
        add_source_checkbox(w, main->context->catalogue, main->context->selections, slot, kSourceBoxes[i],
                            group_sources(slot).empty());
    }
    for (const ButtonDef& b : kButtons) {
        ControlSpec def;
        def.id = b.id;
        def.kind = ControlKind::PushButton;
        def.text = b.text;
        def.rect = {b.x, 90, 80, 25};
        (void)tk().add_control(w, def);
    }
    ControlSpec progress;
    progress.id = kIdProgressBar;
    progress.kind = ControlKind::ProgressBar;
    progress.rect = {20, 130, kListWidth, 17};
    progress.font = ControlFont::List;
    (void)tk().add_control(w, progress);

    ControlSpec list;
    list.id = kIdStatusList;
    list.kind = ControlKind::StatusList;
    list.rect = {20, 225, kListWidth, kMainHeight - 300};
    list.font = ControlFont::List;
    (void)tk().add_control(w, list);

    tk().client_size(w, &main->clientWidth, &main->clientHeight);
    Rect frame;
    tk().window_rect(w, &frame);
    int screenWidth = 0, screenHeight = 0;
    tk().screen_size(&screenWidth, &screenHeight);
    tk().move_window(w, (screenWidth - frame.w) / 2, (screenHeight - frame.h) / 2);
}

void main_command(MainWindow* main, int id, int notification)
{
    if (notification != kNotifyClicked) return;
    const int masterBox = kControlIdBase + int(g_config.masterSlot);
    switch (id) {
    case kIdUpdate: start_update(main); return;
    case kIdReset: reset_updates(main); return;
    case kIdHelp: open_help(); return;
    case kIdAbout: show_about(); return;
    case kIdExit: close_request(main); return;
    case kControlIdBase + kSlotCalendar: open_settings(main, SettingsKind::Calendar); return;
    case kControlIdBase + kSlotMembership: open_settings(main, SettingsKind::Membership); return;
    case kControlIdBase + kSlotNodesKeepAlive: exclude_other(main, id, kControlIdBase + kSlotNodes); return;
    case kControlIdBase + kSlotNodes: exclude_other(main, id, kControlIdBase + kSlotNodesKeepAlive); return;
    default: break;
    }
    if (id == masterBox) open_settings(main, SettingsKind::MasterCall);
}

bool run_active(const MainWindow& main) { return main.runThread.joinable() && !main.runEnded.load(); }

void close_request(MainWindow* main)
{
    if (run_active(*main)) return;
    if (g_config.quickExit) {
        save_and_quit(main);
        return;
    }
    const int answer = g_platform.message_box(load_string(kStrExitQuestion), load_string(kStrProgramName),
                                              kMbYesNoCancel | kMbIconQuestion);
    if (answer == kIdYes) save_and_quit(main);
}

void completion_check(MainWindow* main)
{
    if (!main->runThread.joinable() || !main->runEnded.load()) return;
    main->runThread.join();
    debug_printf("\nDEBUG:\tReturned from Update() thread with status = %0d\n\n", main->runExitCode);
    if (g_config.quickExit) close_request(main);
    for (int slot : main->context->catalogue.mainList)
        if (main->context->catalogue.slot[slot].enabled) tk().enable_control(main->window, kControlIdBase + slot, 1);
    for (int id : kRunButtons) tk().enable_control(main->window, id, 1);
    tk().show_window(main->window);
}

void relayout(MainWindow* main, int width, int height)
{
    Rect list;
    if (!main->window || !tk().control_rect(main->window, kIdStatusList, &list)) return;
    if (list.x < 0 || list.y < 0 || list.w < 0 || list.h < 0) return;
    const int w = list.w + (width - main->clientWidth);
    tk().move_control(main->window, kIdProgressBar, {20, 130, w, 17});
    tk().move_control(main->window, kIdStatusList, {20, 165, w, height - 185});
    main->clientWidth = width;
    main->clientHeight = height;
}

void finish_run_thread(MainWindow* main)
{
    if (main->runThread.joinable()) main->runThread.join();
}
