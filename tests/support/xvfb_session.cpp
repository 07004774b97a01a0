#include "support/xvfb_session.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

bool on_path(const char* tool)
{
    const std::string command = std::string("command -v ") + tool + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::string name_of(const std::string& entry)
{
    return entry.substr(0, entry.find('='));
}

// The test's environment with DISPLAY and each of `extra` replacing what it had:
// with two entries of one name the program would see the first.
std::vector<std::string> environment_with_display(const std::string& display, const std::vector<std::string>& extra)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = name_of(entry);
        bool replaced = name == "DISPLAY";
        for (const std::string& x : extra) replaced = replaced || name_of(x) == name;
        if (!replaced) env.push_back(entry);
    }
    env.push_back("DISPLAY=" + display);
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

}  // namespace

int window_tools_installed()
{
    return on_path("Xvfb") && on_path("xdotool") && on_path("import") ? 1 : 0;
}

XvfbSession::XvfbSession()
{
    int fds[2];
    if (::pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // Closed first: the read end may itself be descriptor 3.
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    // The server picks a free display number and writes it to descriptor 3.
    char* const argv[] = {const_cast<char*>("Xvfb"), const_cast<char*>("-displayfd"), const_cast<char*>("3"),
                          const_cast<char*>("-screen"), const_cast<char*>("0"), const_cast<char*>("1024x768x24"),
                          const_cast<char*>("-nolisten"), const_cast<char*>("tcp"), nullptr};
    const int rc = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        pid = -1;
        ::close(fds[0]);
        return;
    }
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (::poll(&p, 1, 10000) > 0) {
        char c;
        if (::read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    ::close(fds[0]);
    if (!number.empty()) display = ":" + number;
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
    std::vector<std::string> words{KSTLUPD_BINARY};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = environment_with_display(x.display, extra_env);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, program.output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (posix_spawn(&program.pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) program.pid = -1;
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
