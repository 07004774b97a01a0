#include "files/file_ops.h"

#include <sys/stat.h>

#include "base/path_text.h"
#include "catalogue/catalogue.h"
#include "support/app_fixture.h"

namespace {

class FileOps : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        make_dir("SAVE");
        make_dir("BACKUP");
        make_dir("UPDATE");
        source.title = "Country File (CTY)";
        source.targetPath = "SAVE\\kestrl.cty";
        source.downloadPath = "UPDATE\\kestrl.cty";
    }
    DataSource source;
};

TEST_F(FileOps, BackupAndInstallCopyReplaceWholeOrNotAtAll)
{
    EXPECT_EQ(backupTarget(nullptr, source), 1);  // nothing to back up
    EXPECT_FALSE(path_exists("BACKUP/kestrl.cty"));

    write_file("SAVE/kestrl.cty", "first");
    set_mtime("SAVE/kestrl.cty", 1000);
    ASSERT_EQ(backupTarget(nullptr, source), 1);
    EXPECT_EQ(read_file("BACKUP/kestrl.cty"), "first");
    EXPECT_EQ(mtime_of("BACKUP/kestrl.cty"), 1000);

    // Same time: the backup is current and not copied again.
    write_file("BACKUP/kestrl.cty", "kept");
    set_mtime("BACKUP/kestrl.cty", 1000);
    ASSERT_EQ(backupTarget(nullptr, source), 1);
    EXPECT_EQ(read_file("BACKUP/kestrl.cty"), "kept");

    // A read-only backup (of a read-only target) does not block the next one.
    chmod("BACKUP/kestrl.cty", 0444);
    write_file("SAVE/kestrl.cty", "second");
    set_mtime("SAVE/kestrl.cty", 2000);
    ASSERT_EQ(backupTarget(nullptr, source), 1);
    EXPECT_EQ(read_file("BACKUP/kestrl.cty"), "second");
    EXPECT_TRUE(dialogs.shown.empty());

    // A folder in the backup's place: reported, nothing copied.
    std::remove("BACKUP/kestrl.cty");
    make_dir("BACKUP/kestrl.cty");
    EXPECT_EQ(backupTarget(nullptr, source), 0);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "CopyFile");
    EXPECT_EQ(log_text(), "ERROR:\tCan't backup SAVE\\kestrl.cty to BACKUP\\kestrl.cty\nError Code = 5\n");
    dialogs.shown.clear();

    write_file("UPDATE/kestrl.cty", "new data");
    set_mtime("UPDATE/kestrl.cty", 5000);
    write_file("SAVE/kestrl.cty", "old data");
    // Another program's temporary file of the target is neither removed nor installed.
    write_file("SAVE/kestrl.cty.~kstlupd", "another run's");
    ASSERT_EQ(installCopy(nullptr, source), 1);
    EXPECT_EQ(read_file("SAVE/kestrl.cty"), "new data");
    EXPECT_EQ(mtime_of("SAVE/kestrl.cty"), 5000);
    EXPECT_EQ(read_file("SAVE/kestrl.cty.~kstlupd"), "another run's");
    std::remove("SAVE/kestrl.cty.~kstlupd");

    // The rename fails: the old target stays, no temporary file is left, and the
    // message carries the rename's own code, though the clean-up met a failure too.
    write_file("UPDATE/kestrl.cty", "newer data");
    g_platform.replace_file = [](const char*, const char*) { return g_platform.set_last_error(kErrorDiskFull), 0; };
    g_platform.remove_temp_file = [](const char* path) {
        FileStatus status;
        return native_platform().file_status("missing", &status) + native_platform().remove_temp_file(path);
    };
    EXPECT_EQ(installCopy(nullptr, source), 0);
    EXPECT_EQ(read_file("SAVE/kestrl.cty"), "new data");
    EXPECT_EQ(temp_files_in("SAVE"), "");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Can't copy UPDATE\\kestrl.cty to SAVE\\kestrl.cty\nError Code = 112");
}

TEST_F(FileOps, CopyAndMoveErrorTexts)
{
    write_file("a", "A");
    g_platform.copy_file = [](const char*, const char*, int) { return 0; };
    g_platform.move_file = [](const char*, const char*) { return 0; };
    static uint32_t code;
    g_platform.last_error = [] { return code; };
    // clang-format off
    const struct { uint32_t code; bool move; const char *text, *title; } rows[] = {
        {kErrorAccessDenied, false, "Access denied: b", "CopyFileEx"},
        {kErrorNotSameDevice, true, "Not same device: b", "MoveFileEx"},
        {32, false, "Unable to copy a to b, error code = 32", "CopyFileEx"},
        {32, true, "Unable to move a to b, error code = 32", "MoveFileEx"},
    };
    // clang-format on
    for (const auto& row : rows) {
        code = row.code;
        EXPECT_EQ((row.move ? moveFileReported : copyFileReported)(nullptr, "a", "b"), 0);
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, row.text);
        EXPECT_EQ(dialogs.shown[0].title, row.title);
        dialogs.shown.clear();
    }
}

TEST_F(FileOps, NamesExistenceAndDirectoriesReportingOnlyAMissingParent)
{
    EXPECT_EQ(fileNamePart("SAVE\\k.cty") + "|" + fileNamePart("a/b\\c/d") + "|" + fileNamePart("SAVE/"), "k.cty|d|");
    EXPECT_EQ(fileNamePart("x.cty") + "|" + folder_part("a/b\\c/d") + "|" + folder_part("x.cty"), "x.cty|a/b\\c|.");
    write_file("SAVE/x", "1");
    EXPECT_TRUE(fileExists("SAVE\\x") && directoryExists("SAVE"));
    EXPECT_FALSE(fileExists("SAVE") || directoryExists("SAVE\\x") || fileExists("SAVE\\missing"));
    EXPECT_EQ(ensureDirectory(nullptr, "UPDATE"), 1);
    EXPECT_EQ(ensureDirectory(nullptr, "NEW"), 1);
    EXPECT_TRUE(directoryExists("NEW"));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(ensureDirectory(nullptr, "no\\such\\DIR"), 0);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "no\\such\\DIR path not found!");
    EXPECT_EQ(dialogs.shown[0].title, "CreateDirectory");
    write_file("plain", "x");
    EXPECT_EQ(ensureDirectory(nullptr, "plain"), 0);
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(FileOps, DeleteOldUpdatesKeepsTheUsersOwnListAndLeftoversGoToo)
{
    g_config.debug = 1;
    Catalogue c;
    build_catalogue(&c, "8.5.0.39", 10);
    const char* updates[] = {"UPDATE/kestrl_cty.zip", "UPDATE/clublog.scp.zip", "UPDATE/clublog.scp",
                             "UPDATE/kestrl.php"};
    for (const char* f : updates) write_file(f, "x");
    write_file("member.txt", "x");
    // What a killed run leaves goes; what merely looks alike stays.
    make_dir("IMPORT");
    make_dir("SAVE/dir.~kstlupd");
    const char* leftovers[] = {"SAVE/KESTRL.WPX.~kstlupd", "BACKUP/a.~kstlupd", "UPDATE/b.zip.~kstlupd",
                               "IMPORT/adif.pmp.~kstlupd", "kstlupd.ini.~kstlupd"};
    const char* kept[] = {"SAVE/x.~new", "SAVE/x.~kstlupd.txt", "SAVE/.~kstlupd", "SAVE/dir.~kstlupd"};
    for (const char* f : leftovers) write_file(f, "part");
    ASSERT_EQ(g_platform.set_read_only("BACKUP/a.~kstlupd", 1), 1);  // a copy of a read-only file
    for (const char* f : kept)
        if (!path_exists(f)) write_file(f, "mine");
    removeLeftoverTemps(c);
    for (const char* f : leftovers) EXPECT_FALSE(path_exists(f)) << f;
    for (const char* f : kept) EXPECT_TRUE(path_exists(f)) << f;
    deleteOldUpdates(c);
    for (const char* f : updates) EXPECT_FALSE(path_exists(f)) << f;
    EXPECT_TRUE(path_exists("member.txt"));
    const std::string log = log_text();
    EXPECT_NE(log.find("DEBUG:\tDeleting UPDATE\\clublog.scp.zip (Club Log)\n"
                       "DEBUG:\tDeleting UPDATE\\clublog.scp (Club Log)\n"),
              std::string::npos);
    EXPECT_EQ(log.find("member.txt"), std::string::npos);
    EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
