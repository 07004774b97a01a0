// The real program on a private X server that xvfb-run starts for it (and ends with
// it), and xdotool / ImageMagick commands against that server.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

struct RunningProgram {
    pid_t pid = -1;       // xvfb-run, leading the process group of the server and the program
    std::string folder;   // the program's folder; its output goes to .program-output there
    std::string display;  // ":N", empty when the server did not come up
};

// 1 when xvfb-run, xdotool and ImageMagick's import are installed.
int window_tools_installed();

// Starts the program in a folder on a 1024x768 server of its own and returns once
// the server is up, without waiting for the program; extra_env entries
// ("NAME=value") are set in its environment, replacing the test's.
RunningProgram start_kstlupd(const std::vector<std::string>& args, const std::string& folder,
                             const std::vector<std::string>& extra_env = {});

// Runs a shell command against the program's server; returns its standard output
// without the trailing line end.
std::string on_display(const RunningProgram& program, const std::string& command);

// Waits up to timeout_ms for the program to end: its exit code, or -1 when it had
// to be killed (with its server) or did not exit normally.
int wait_kstlupd(RunningProgram* program, int timeout_ms);

// Folder for screenshots a person may look at: <build>/screenshots.
std::string screenshot_folder();
