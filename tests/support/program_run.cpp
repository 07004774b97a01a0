#include "support/program_run.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

// The child's environment, made before fork: the child of a threaded process may
// only do async-signal-safe work.
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

    const std::string out_path = folder + "/program.out";
    int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (in < 0 || out < 0) {
        if (in >= 0) ::close(in);
        if (out >= 0) ::close(out);
        return result;
    }
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0) ::_exit(126);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(in);
    ::close(out);
    if (pid < 0) return result;

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(int64_t(time_limit_seconds * 1000));
    int status = 0;
    for (;;) {
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0) return result;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            result.timed_out = true;
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
    return result;
}
