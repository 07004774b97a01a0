#include "support/run_kstlupd.h"

#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

ProgramRun run_kstlupd(const std::vector<std::string>& args, const std::string& folder,
                       const std::vector<std::string>& extra_env)
{
    ProgramRun run;
    const std::string out_path = folder + "/.program-output";
    std::vector<std::string> words{KSTLUPD_BINARY};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    std::vector<std::string> env_words;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        if (entry.rfind("DISPLAY=", 0) == 0) continue;  // no windows in these runs
        env_words.push_back(entry);
    }
    env_words.insert(env_words.end(), extra_env.begin(), extra_env.end());
    std::vector<char*> envp;
    for (auto& e : env_words) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return run;
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    FILE* f = std::fopen(out_path.c_str(), "rb");
    if (f) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) run.output.append(buffer, n);
        std::fclose(f);
    }
    std::remove(out_path.c_str());
    return run;
}
