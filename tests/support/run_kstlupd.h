// Runs the real program binary in a folder, with no terminal on standard input,
// and collects its exit status and what it printed.
#pragma once

#include <string>
#include <vector>

struct ProgramRun {
    int status = -1;      // exit code, or -1 when it did not exit normally
    std::string output;   // standard output and standard error together
};

ProgramRun run_kstlupd(const std::vector<std::string>& args, const std::string& folder,
                       const std::vector<std::string>& extra_env = {});
