// The main window's behaviour: its controls, its commands, the run thread it starts
// and watches, the exit request and the re-layout on resize. Drawn by the toolkit of
// the platform seam; nothing here knows which toolkit that is.
#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "platform/toolkit.h"
#include "ui/settings_windows.h"

struct Catalogue;
struct RunContext;
struct Selections;

// Window sizes: wide enough for the widest row of check boxes and a margin.
constexpr int kMainWidth = 590;
constexpr int kMainHeight = 480;

struct MainWindow {
    int clientWidth = kMainWidth;
    int clientHeight = kMainHeight;
    AppWindow* window = nullptr;
    // The update run the thread performs on `context`; a test puts its own in place.
    void (*run)(AppWindow* owner, RunContext* context) = nullptr;
    std::thread runThread;  // joinable while a run is not yet noticed as ended
    std::atomic<bool> runEnded{false};
    int runExitCode = 0;
    bool quitting = false;
    std::unique_ptr<SettingsWindow> settings;  // at most one open
    // Borrowed from start-up, which owns the run's state for the life of the window.
    RunContext* context = nullptr;
};

// Fills the record for the run's catalogue and selections, with Update as the run.
void init_main_window(MainWindow* main, RunContext* context);

// Creates the (hidden) window titled "KESTRL Data Updater - Version <version>".
// 1 done, 0 when the toolkit could not make it.
[[nodiscard]] int create_main_window(MainWindow* main);

// Creates the controls, stores the real client size and centres the window on the
// screen.
void create_main_controls(MainWindow* main);

// One check box of a data source: id 1400 + slot, the slot's title; disabled and
// unchecked when the source is not enabled, else checked when sel is set.
void add_source_checkbox(AppWindow* window, const Catalogue& catalogue, const Selections& selections, int slot,
                         const Rect& rect, int toggles);

// A click (notification 0) or other notification from a control.
void main_command(MainWindow* main, int id, int notification);

// The exit request of Exit, the close box and the end of a -quick run.
void close_request(MainWindow* main);

// Notices a run thread that has ended and gives the controls back; runs before the
// toolkit waits for the next event.
void completion_check(MainWindow* main);

// Places the progress bar and the status list for a new client size.
void relayout(MainWindow* main, int width, int height);

// True while a run thread exists that has not been noticed as ended.
bool run_active(const MainWindow& main);

// Waits for a run thread still present (the program is ending).
void finish_run_thread(MainWindow* main);
