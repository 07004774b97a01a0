#include "platform/posix/files_posix.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/pe_version.h"
#include "platform/posix/platform_posix.h"
#include "support/temp_folder.h"

namespace {

TEST(PosixFiles, BackslashPathsAndCaseInsensitiveFallback)
{
    TempFolder folder;
    make_dir("Save/CTYTexts");
    write_file("Save/CTYTexts/Iota.TXT", "x");
    EXPECT_EQ(posix_native_path("SAVE\\ctytexts\\iota.txt"), "Save/CTYTexts/Iota.TXT");
    // A component that exists with the exact case is taken as it is.
    write_file("Save/CTYTexts/iota.txt", "y");
    EXPECT_EQ(posix_native_path("Save\\CTYTexts\\iota.txt"), "Save/CTYTexts/iota.txt");
    // New names keep the case they were given; known folders on the way are matched.
    EXPECT_EQ(posix_native_path("save\\new.dat"), "Save/new.dat");
    EXPECT_EQ(posix_native_path(folder.path.c_str()), folder.path);
}

// Every reader opens files through these: none may wait on a FIFO, and nothing the
// program writes or clears goes through a link planted at a temporary name.
TEST(PosixFiles, OnlyRegularFilesAreReadAndLinksAreNeverFollowed)
{
    TempFolder folder;
    ASSERT_EQ(::mkfifo("fifo", 0644), 0);
    make_dir("d");
    EXPECT_EQ(posix_open_file("fifo", "rb"), nullptr);
    EXPECT_EQ(g_platform.last_error(), kErrorBadFileType);
    EXPECT_EQ(posix_lock_run("fifo"), nullptr);
    EXPECT_EQ(g_platform.last_error(), kErrorBadFileType);
    EXPECT_EQ(posix_copy_file("fifo", "copy", 0), 0);
    EXPECT_EQ(g_platform.last_error(), kErrorBadFileType);
    EXPECT_FALSE(path_exists("copy"));
    FileStatus st;
    ASSERT_EQ(posix_file_status("fifo", &st), 1);
    EXPECT_FALSE(st.is_regular);
    FixedFileInfo info;
    EXPECT_EQ(posix_file_version("fifo", &info), 0);

    write_file("outside", "theirs");
    ASSERT_EQ(::chmod("outside", 0444), 0);
    ASSERT_EQ(::symlink("outside", "x.~kstlupd"), 0);
    EXPECT_EQ(posix_open_file("x.~kstlupd", "wb"), nullptr);
    EXPECT_EQ(g_platform.last_error(), kErrorFileExists);
    EXPECT_EQ(posix_lock_run("x.~kstlupd"), nullptr);
    EXPECT_EQ(g_platform.last_error(), kErrorBadFileType);
    write_file("mine", "mine");
    EXPECT_EQ(posix_copy_file("mine", "x.~kstlupd", 1), 0);
    EXPECT_EQ(posix_set_read_only("x.~kstlupd", 1), 0);
    EXPECT_EQ(posix_set_read_only("x.~kstlupd", 0), 1);
    EXPECT_EQ(posix_set_file_times("x.~kstlupd", 1000, 1000, 1000), 1);
    EXPECT_EQ(posix_remove_temp_file("x.~kstlupd"), 1);
    // Nor is the log opened through a link to a file of the user's, or on a FIFO.
    ASSERT_EQ(::symlink("mine", "kstlupd.log"), 0);
    for (const char* log : {"kstlupd.log", "fifo"}) {
        EXPECT_EQ(posix_open_exclusive_log(log), nullptr) << log;
        EXPECT_EQ(g_platform.last_error(), kErrorBadFileType) << log;
    }
    EXPECT_EQ(read_file("mine"), "mine");
    struct stat outside {};
    ASSERT_EQ(::stat("outside", &outside), 0);
    EXPECT_EQ(outside.st_mode & 0777, 0444u);
    EXPECT_NE(outside.st_mtime, 1000);
    EXPECT_EQ(read_file("outside"), "theirs");
}

TEST(PosixShell, AddressGoesToXdgOpenAndItsFailureIsReported)
{
    TempFolder folder;
    const std::string saved_path = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", folder.path.c_str(), 1);
    EXPECT_EQ(posix_open_url("https://example.org/a b"), 0);  // no xdg-open at all
    // Only the shell's own commands: PATH holds nothing else.
    write_file("xdg-open",
               "#!/bin/sh\ncd \"" + folder.path + "\"\nprintf %s \"$1\" >opened\nread code <exit_code\nexit $code\n");
    ::chmod("xdg-open", 0755);
    write_file("exit_code", "0");
    EXPECT_EQ(posix_open_url("https://example.org/a b"), 1);
    EXPECT_EQ(read_file("opened"), "https://example.org/a b");
    write_file("exit_code", "3");  // no browser found
    EXPECT_EQ(posix_open_url("https://example.org/"), 0);
    ::setenv("PATH", saved_path.c_str(), 1);
}

}  // namespace
