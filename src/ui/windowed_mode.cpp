#include "ui/windowed_mode.h"

#include <cstdio>

#include "base/log.h"
#include "platform/platform.h"
#include "ui/control_ids.h"
#include "ui/main_window.h"

namespace {

constexpr const char* kNoDisplay =
    "No display is available for the main window.  Set DISPLAY to a display you may use,\n"
    "or run the update without a window: kstlupd -auto";

void status_insert(AppWindow* window, const char* text, int index)
{
    g_platform.toolkit.list_insert(window, kIdStatusList, text, index);
}

int status_count(AppWindow* window) { return g_platform.toolkit.list_count(window, kIdStatusList); }

void status_delete(AppWindow* window, int index) { g_platform.toolkit.list_delete(window, kIdStatusList, index); }

void progress_set(AppWindow* window, int percent) { g_platform.toolkit.set_progress(window, kIdProgressBar, percent); }

}  // namespace

RunView main_window_view()
{
    return {.status_insert = status_insert,
            .status_count = status_count,
            .status_delete = status_delete,
            .progress_set = progress_set};
}

int run_main_window(RunContext* run)
{
    const Toolkit& tk = g_platform.toolkit;
    if (!tk.open_display || !tk.open_display()) {
        log_printf("ERROR:\t%s\n", kNoDisplay);
        std::fprintf(stderr, "kstlupd: %s\n", kNoDisplay);
        return -1;
    }
    MainWindow main;
    init_main_window(&main, run);
    if (!create_main_window(&main)) return -1;
    create_main_controls(&main);
    // Runs show in the window only while it stands.
    g_run_view = main_window_view();
    tk.set_idle_check([](void* context) { completion_check(static_cast<MainWindow*>(context)); }, &main);
    tk.show_window(main.window);
    const int status = tk.run_loop();
    tk.set_idle_check(nullptr, nullptr);
    finish_run_thread(&main);
    close_settings(&main);
    g_run_view = no_run_view();
    tk.destroy_window(main.window);
    return status;
}
