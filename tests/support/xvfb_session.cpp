#include "support/xvfb_session.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/stat.h>
#include <thread>

#include "support/program_run.h"

extern char** environ;

int window_tools_installed()
{
    return std::system("{ command -v xvfb-run && command -v xdotool && command -v import; } >/dev/null 2>&1") == 0;
}

RunningProgram start_kstlupd(const std::vector<std::string>& args, const std::string& folder,
                             const std::vector<std::string>& extra_env)
{
    RunningProgram program;
    program.folder = folder;
    // The command xvfb-run runs tells the display it got, then becomes the program.
    // clang-format off
    std::vector<std::string> words{"xvfb-run", "-a", "-f", folder + "/.xauth", "-s", "-screen 0 1024x768x24",
                                   "sh", "-c", "echo \"$DISPLAY\" > \"$0\"; exec env \"$@\"", folder + "/.display"};
    // clang-format on
    words.insert(words.end(), extra_env.begin(), extra_env.end());
    words.push_back(KSTLUPD_BINARY);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    const std::string output = folder + "/.program-output";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    if (posix_spawnp(&program.pid, "xvfb-run", &actions, &attributes, argv.data(), environ) != 0) program.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    for (int waited = 0; program.pid > 0 && program.display.empty() && waited < 10000; waited += 20) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::ifstream(folder + "/.display") >> program.display;
    }
    return program;
}

std::string on_display(const RunningProgram& program, const std::string& command)
{
    const std::string full =
        "export DISPLAY=" + program.display + " XAUTHORITY='" + program.folder + "/.xauth'; " + command;
    std::string out;
    FILE* pipe = ::popen(full.c_str(), "r");
    if (!pipe) return out;
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    ::pclose(pipe);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

int wait_kstlupd(RunningProgram* program, int timeout_ms)
{
    if (program->pid <= 0) return -1;
    const int status = wait_child(program->pid, timeout_ms / 1000.0, true);
    program->pid = -1;
    return status;
}

std::string screenshot_folder()
{
    std::string binary = KSTLUPD_BINARY;
    const std::string folder = binary.substr(0, binary.rfind('/')) + "/screenshots";
    ::mkdir(folder.c_str(), 0755);
    return folder;
}
