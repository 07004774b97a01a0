// The install of one target, watched at the moment a finished file takes its place:
// a file with exactly the bytes the target holds already is not put there at all, and
// what the target held is backed up only when it really is replaced. So a run that
// repeats an install (after a kill between the install and its record, or a server
// that sends the same file again) never backs up the version it installs.
#pragma once

#include <functional>
#include <string>

// While one lives on a thread, every file that the atomic writer of that thread puts
// in place at `target` (matched as Windows names files: either separator, any case)
// is first compared with the target. The same bytes leave the target as it is, but
// for taking the new file's date, and the write counts as done. Other bytes run
// `before` once, ahead of the first replacement, and go in place only when it
// returned non-zero.
struct ReplaceWatch {
    ReplaceWatch(std::string target, std::function<int()> before);
    ~ReplaceWatch();
    ReplaceWatch(const ReplaceWatch&) = delete;
    ReplaceWatch& operator=(const ReplaceWatch&) = delete;

    std::string target;
    std::function<int()> before;
    int before_result = -1;  // -1 until `before` ran
    ReplaceWatch* outer = nullptr;
};

enum class WatchVerdict {
    Put,      // no watch on this target, or `before` succeeded: put the file in place
    Same,     // the target holds these bytes already: drop the file, the write is done
    Refused,  // `before` failed: drop the file, the write failed
};

// What the atomic writer does with the finished file `temp` meant for `target`.
WatchVerdict replace_watch_verdict(const std::string& temp, const std::string& target);

// True when both files can be read and hold the same bytes.
bool same_file_bytes(const std::string& a, const std::string& b);
