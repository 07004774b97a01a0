// The one contract of the platform table, run against the table this test program is
// built with: the POSIX table on Linux, the Win32 table under Wine. For the same
// situation both give the same answer, the one Windows gives.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

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
    const struct {
        const char* what;
        std::function<bool()> call;
        uint32_t code;
        // clang-format off
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

    // Every entry of the table is filled: an empty one crashes where it is first used.
    const Platform native = native_platform();
    void* entries[offsetof(Platform, toolkit) / sizeof(void*)];
    std::memcpy(entries, &native, sizeof entries);
    for (void* entry : entries) EXPECT_NE(entry, nullptr);
}

TEST(PlatformContract, CopiesKeepTimesAndReadOnlyFilesAreReplacedAndRemoved)
{
    TempFolder folder;
    const Platform& p = g_platform;
    FILE* out = p.open_file("new.txt", "wb");
    ASSERT_NE(out, nullptr);
    std::fputs("data", out);
    EXPECT_EQ(p.sync_file(out), 1);
    std::fclose(out);
    EXPECT_EQ(p.set_file_time("new.txt", 1764000000), 1);
    ASSERT_EQ(p.copy_file("new.txt", "copy", 0), 1);
    FileStatus status;
    ASSERT_EQ(p.file_status("copy", &status), 1);
    EXPECT_EQ(status.mtime, 1764000000);
    EXPECT_EQ(status.size, 4u);
    EXPECT_TRUE(status.is_regular);
    ASSERT_EQ(p.move_file("copy", "moved"), 1);
    EXPECT_EQ(p.file_status("copy", &status), 0);
    // A read-only destination is replaced in one step, and a read-only temporary
    // file is removed.
    ASSERT_TRUE(p.set_read_only("moved", 1) && p.copy_file("new.txt", "copy", 1));
    EXPECT_EQ(p.replace_file("copy", "moved"), 1);
    ASSERT_EQ(p.set_read_only("moved", 1), 1);
    EXPECT_EQ(p.remove_temp_file("moved"), 1);
    std::vector<std::string> names;
    ASSERT_EQ(p.list_folder(".", &names), 1);
    EXPECT_EQ(names, std::vector<std::string>{"new.txt"});
}

}  // namespace
