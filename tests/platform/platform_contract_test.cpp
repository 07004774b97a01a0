// The one contract of the platform table, run against the table this test program is
// built with: the POSIX table on Linux, the Win32 table under Wine. For the same
// situation both give the same answer, the one Windows gives. (What the files layer
// builds on the table, copies that keep times and read-only files replaced or
// removed, is tested above the seam on both systems.)
#include <cstddef>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>

#include "platform/platform.h"
#include "support/temp_folder.h"

namespace {

TEST(PlatformContract, FailuresGiveTheWindowsCodes)
{
    TempFolder folder;
    const Platform& p = g_platform;
    FileStatus status;
    write_file("a.txt", "abc");
    make_dir("dir");
    FILE* log = p.open_exclusive_log("held.log");
    ASSERT_NE(log, nullptr);
    std::fputs("first run", log);
    std::fflush(log);
    // The lock a run holds: another handle is refused it, in this process too.
    RunLock* run = p.lock_run("kstlupd.lck");
    ASSERT_NE(run, nullptr);
    // clang-format off
    const struct {
        const char* what;
        std::function<bool()> call;
        uint32_t code;
    } rows[] = {
        {"status of a missing file", [&] { return p.file_status("missing", &status); }, 2},
        {"status in a missing folder", [&] { return p.file_status("nodir\\x", &status); }, 3},
        {"copy of a missing file", [&] { return p.copy_file("missing", "b.txt", 1); }, 2},
        {"copy of a folder", [&] { return p.copy_file("dir", "b.txt", 1); }, 5},
        {"copy onto a file without overwrite", [&] { return p.copy_file("a.txt", "a.txt", 0); }, 80},
        {"folder made twice", [&] { return p.create_directory("dir"); }, 183},
        {"folder deleted as a file", [&] { return p.delete_file("dir"); }, 5},
        {"folder removed as a temporary file", [&] { return p.remove_temp_file("dir"); }, 5},
        {"change into a missing folder", [&] { return p.change_folder("nodir"); }, 2},
        {"move into a missing folder", [&] { return p.move_file("a.txt", "nodir\\a.txt"); }, 3},
        {"folder opened to read", [&] { return p.open_file("dir", "rb") != nullptr; }, 5},
        {"new file at a name in use", [&] { return p.open_file("a.txt", "wb") != nullptr; }, 80},
        {"log another holds", [&] { return p.open_exclusive_log("held.log") != nullptr; }, 32},
        {"run lock another holds", [&] { return p.lock_run("kstlupd.lck") != nullptr; }, 33},
        {"run lock on a folder", [&] { return p.lock_run("dir") != nullptr; }, 5},
        {"read-only file deleted", [&] { return p.set_read_only("a.txt", 1) && p.delete_file("a.txt"); }, 5},
    };
    // clang-format on
    for (const auto& row : rows) {
        p.set_last_error(0);
        EXPECT_FALSE(row.call()) << row.what;
        EXPECT_EQ(p.last_error(), row.code) << row.what;
    }
    // Nothing was harmed by the refusals: the read-only file and the held log are as
    // they were; the log is emptied when it is had again.
    EXPECT_EQ(read_file("a.txt"), "abc");
    EXPECT_EQ(read_file("held.log"), "first run");
    std::fclose(log);
    log = p.open_exclusive_log("held.log");
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(read_file("held.log"), "");
    std::fclose(log);
    p.unlock_run(run);
    run = p.lock_run("kstlupd.lck");
    EXPECT_NE(run, nullptr);
    p.unlock_run(run);

    // Every entry of the table is filled: an empty one crashes where it is first used.
    const Platform native = native_platform();
    void* entries[offsetof(Platform, toolkit) / sizeof(void*)];
    std::memcpy(entries, &native, sizeof entries);
    for (void* entry : entries) EXPECT_NE(entry, nullptr);
}

}  // namespace
