// Runs the real program binary in a folder, as a user or a scheduler would: no
// display, no terminal, chosen environment variables; bounded in time.
#pragma once

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

struct ProgramRun {
    int exit_status = -1;    // the low 8 bits the process ended with; -1 if it did not end normally
    bool timed_out = false;  // killed (SIGKILL) at the time limit
};

// Runs `binary` with `args` in `folder`, stdin from /dev/null, stdout and stderr to
// "program.out" in that folder, DISPLAY removed, and each (name, value) of `env` set
// (an empty value removes the variable).
ProgramRun run_binary(const std::string& binary, const std::vector<std::string>& args, const std::string& folder,
                      const std::vector<std::pair<std::string, std::string>>& env = {}, double time_limit_seconds = 60);

// Starts `binary` as run_binary does, with stdout and stderr to the file `out`, and
// returns at once: the child's pid, or -1 when it could not be started.
pid_t start_binary(const std::string& binary, const std::vector<std::string>& args, const std::string& folder,
                   const std::vector<std::pair<std::string, std::string>>& env, const std::string& out);

// Waits up to `seconds` for the child `pid` to end: its exit status, or -1 when it
// did not exit normally or had to be killed (SIGKILL, to its whole process group
// when `group`) at the limit, which sets *timed_out.
int wait_child(pid_t pid, double seconds, bool group, bool* timed_out = nullptr);
