#include "support/xvfb_session.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

int window_tools_installed()
{
    return std::system("{ command -v Xvfb && command -v xdotool && command -v import; } >/dev/null 2>&1") == 0 ? 1 : 0;
}

XvfbSession::XvfbSession()
{
    int fds[2];
    if (::pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    // The server picks a free display number and writes it to its standard output.
    char* const argv[] = {const_cast<char*>("Xvfb"), const_cast<char*>("-displayfd"), const_cast<char*>("1"),
                          const_cast<char*>("-screen"), const_cast<char*>("0"), const_cast<char*>("1024x768x24"),
                          const_cast<char*>("-nolisten"), const_cast<char*>("tcp"), nullptr};
    if (posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv, environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    // A server that cannot start exits, which ends the read.
    FILE* out = ::fdopen(fds[0], "r");
    char number[32] = {};
    if (out && std::fgets(number, sizeof number, out) && number[0] >= '0' && number[0] <= '9')
        display = ":" + std::to_string(std::atoi(number));
    if (out) std::fclose(out);
}

XvfbSession::~XvfbSession()
{
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

std::string on_display(const XvfbSession& x, const std::string& command, int* status)
{
    const std::string full = "export DISPLAY=" + x.display + "; " + command;
    std::string out;
    FILE* pipe = ::popen(full.c_str(), "r");
    if (!pipe) {
        if (status) *status = -1;
        return out;
    }
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int rc = ::pclose(pipe);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

RunningProgram start_kstlupd(const std::vector<std::string>& args, const std::string& folder,
                             const XvfbSession& x, const std::vector<std::string>& extra_env)
{
    RunningProgram program;
    program.output_path = folder + "/.program-output";
    // env replaces a variable the test has rather than adding a second entry,
    // which the program would not see; it then becomes the program itself.
    std::vector<std::string> words{"env", "DISPLAY=" + x.display};
    words.insert(words.end(), extra_env.begin(), extra_env.end());
    words.push_back(KSTLUPD_BINARY);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, program.output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (posix_spawnp(&program.pid, "env", &actions, nullptr, argv.data(), environ) != 0) program.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return program;
}

int wait_kstlupd(RunningProgram* program, int timeout_ms)
{
    if (program->pid <= 0) return -1;
    int status = 0;
    for (int waited = 0; waited < timeout_ms; waited += 20) {
        const pid_t done = ::waitpid(program->pid, &status, WNOHANG);
        if (done == program->pid) {
            program->pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(program->pid, SIGKILL);
    ::waitpid(program->pid, &status, 0);
    program->pid = -1;
    return -1;
}

std::string screenshot_folder()
{
    std::string binary = KSTLUPD_BINARY;
    const std::string folder = binary.substr(0, binary.rfind('/')) + "/screenshots";
    ::mkdir(folder.c_str(), 0755);
    return folder;
}
