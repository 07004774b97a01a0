// The windowed mode of a program run: the main window and its message loop.
#pragma once

struct Platform;

// Start-up's last step without -auto: opens the main window and runs the message
// loop until the window quits; returns the exit status (0). When no display can be
// opened, logs and prints that the window cannot be shown and returns -1.
[[nodiscard]] int run_main_window();

// Points the status-list and progress-bar entries of the table at the toolkit's
// list and progress bar of the main window.
void install_window_services(Platform* platform);
