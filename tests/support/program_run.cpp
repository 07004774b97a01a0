#include "support/program_run.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

// The child's environment: the test's, without a display, with `env` applied.
std::vector<std::string> child_environment(const std::vector<std::pair<std::string, std::string>>& env)
{
    auto overridden = [&](const std::string& entry) {
        const std::string name = entry.substr(0, entry.find('='));
        if (name == "DISPLAY" || name == "WAYLAND_DISPLAY") return true;
        for (const auto& e : env)
            if (e.first == name) return true;
        return false;
    };
    std::vector<std::string> out;
    for (char** e = environ; *e; ++e)
        if (!overridden(*e)) out.emplace_back(*e);
    for (const auto& [name, value] : env)
        if (!value.empty()) out.push_back(name + "=" + value);
    return out;
}

}  // namespace

ProgramRun run_binary(const std::string& binary, const std::vector<std::string>& args, const std::string& folder,
                      const std::vector<std::pair<std::string, std::string>>& env, double time_limit_seconds)
{
    ProgramRun result;
    // Output opened before the folder is entered: `folder` may be relative.
    const pid_t pid = start_binary(binary, args, folder, env, folder + "/program.out");
    if (pid > 0) result.exit_status = wait_child(pid, time_limit_seconds, false, &result.timed_out);
    return result;
}

pid_t start_binary(const std::string& binary, const std::vector<std::string>& args, const std::string& folder,
                   const std::vector<std::pair<std::string, std::string>>& env, const std::string& out)
{
    // The Windows build takes the program's place under Wine when the Windows
    // tests ask for it; the expectations stay the same.
    std::string program = binary;
    std::vector<std::string> argv_text{binary};
    const char* windows_exe = std::getenv("KSTLUPD_E2E_WINE_EXE");
    if (windows_exe && *windows_exe && binary == KSTLUPD_BINARY) {
        program = "/usr/bin/wine";
        argv_text = {"wine", windows_exe};
    }
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env_text = child_environment(env);
    std::vector<char*> envp;
    for (std::string& e : env_text) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

int wait_child(pid_t pid, double seconds, bool group, bool* timed_out)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(int64_t(seconds * 1000));
    int status = 0;
    pid_t done;
    while ((done = ::waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (done == 0) {
        ::kill(group ? -pid : pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        if (timed_out) *timed_out = true;
        return -1;
    }
    return done == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
