// What an update run shows of itself while it goes on: the view the windowed mode
// sets for the main window, and the one that shows nothing.
#pragma once

struct AppWindow;

// What an update run shows in the main window from its own thread: lines of the
// status list (insert at a 0-based index, -1 appends; count; delete) and the
// progress bar. The windowed mode points it at the main window's controls while the
// window is open; otherwise (and with -auto) it shows nothing.
struct RunView {
    void (*status_insert)(AppWindow* window, const char* text, int index);
    int (*status_count)(AppWindow* window);
    void (*status_delete)(AppWindow* window, int index);
    void (*progress_set)(AppWindow* window, int percent);
};

extern RunView g_run_view;

// The view that shows nothing.
RunView no_run_view();
