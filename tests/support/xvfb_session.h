// A private X server (Xvfb) for tests that show real windows, the program run on
// it, and xdotool / ImageMagick commands against it.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

struct XvfbSession {
    pid_t pid = -1;
    std::string display;  // ":N", empty when the server could not be started
    XvfbSession();
    ~XvfbSession();
    XvfbSession(const XvfbSession&) = delete;
    XvfbSession& operator=(const XvfbSession&) = delete;
};

// 1 when Xvfb, xdotool and ImageMagick's import are installed.
int window_tools_installed();

// Runs a shell command with DISPLAY set to the session; returns its standard output
// with the trailing line end removed, and its exit status in *status.
std::string on_display(const XvfbSession& x, const std::string& command, int* status = nullptr);

struct RunningProgram {
    pid_t pid = -1;
    std::string output_path;
};

// Starts the program in a folder on the session's display, without waiting;
// extra_env entries ("NAME=value") are set in its environment, replacing the test's.
RunningProgram start_kstlupd(const std::vector<std::string>& args, const std::string& folder,
                             const XvfbSession& x, const std::vector<std::string>& extra_env = {});

// Waits up to timeout_ms for the program to end: its exit code, or -1 when it had
// to be killed or did not exit normally.
int wait_kstlupd(RunningProgram* program, int timeout_ms);

// Folder for screenshots a person may look at: <build>/screenshots.
std::string screenshot_folder();
