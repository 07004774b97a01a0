// Any bytes as a downloaded zip archive, from which one member is extracted over
// an installed target. Whatever the archive holds, the target is either the old file
// or a new one, never a damaged one: after a logged error it must be the old file,
// and no temporary file may stay beside it.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "files/zip_members.h"
#include "fuzz_support.h"

namespace {

const char kOldTarget[] = "the installed file of the last update\r\n";

// Names in SAVE other than the target itself.
bool other_files_in_save()
{
    DIR* dir = opendir("SAVE");
    if (!dir) fuzz_fail("the target folder is gone");
    bool found = false;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != ".." && name != "KESTRL.CTY") found = true;
    }
    closedir(dir);
    return found;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_setup();
    mkdir("UPDATE", 0755);
    mkdir("SAVE", 0755);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz_write_file("UPDATE/fuzz.zip", data, size);
    chmod("SAVE/KESTRL.CTY", 0644);
    fuzz_write_file("SAVE/KESTRL.CTY", kOldTarget, sizeof kOldTarget - 1);
    fuzz_log_taken();

    const int extracted = extractMember("UPDATE\\fuzz.zip", "SAVE\\KESTRL.CTY");

    const bool error_logged = fuzz_log_text().find("ERROR:") != std::string::npos;
    if (error_logged == (extracted != 0)) fuzz_fail("the result and the log disagree about a failure");
    std::string target;
    if (!fuzz_read_file("SAVE/KESTRL.CTY", &target)) fuzz_fail("the target was lost");
    if (error_logged && target != kOldTarget) fuzz_fail("a failed extraction changed the target");
    if (other_files_in_save()) fuzz_fail("a file other than the target was left in its folder");
    fuzz_check_log(size);
    return 0;
}
