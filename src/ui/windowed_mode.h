// The windowed mode of a program run: the main window and its message loop.
#pragma once

#include "base/run_view.h"
#include "platform/toolkit.h"

struct RunContext;

// Start-up's last step without -auto: opens the main window over the run's state and
// runs the message loop until the window quits; returns the exit status (0). When no
// display can be opened, logs and prints that the window cannot be shown and returns -1.
[[nodiscard]] int run_main_window(RunContext* run);

// The run's view of the main window: its status list and progress bar.
RunView main_window_view();
