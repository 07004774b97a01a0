#include "pipeline/install_phase.h"

#include <csignal>
#include <filesystem>
#include <sys/mount.h>
#include <sys/resource.h>

#include "pipeline/update_run.h"
#include "support/run_fixture.h"

namespace {

namespace fs = std::filesystem;

using InstallPhase = RunTest;

const std::string kSep = "--------------------------------------------------------";

TEST_F(InstallPhase, NothingFlaggedWritesNothingNotEvenTheSeparator)
{
    updateTargets(nullptr, &catalogue);
    EXPECT_EQ(log_text(), "");
    EXPECT_TRUE(status.lines.empty());
    EXPECT_EQ(g_config.updatedCount, 0u);
}

TEST_F(InstallPhase, PlainCopiesStandAboveTheSeparatorInInstallOrder)
{
    status.lines = {"IOTA Islands (XML) -- 06-Nov-1994 08:49"};  // a download line already there
    write_file("UPDATE/fulllist.xml", "<iota/>");
    write_file("UPDATE/KESTRL.WPX", "wpx");
    write_file("SAVE/KESTRL.WPX", "old wpx");
    catalogue.slot[7].remoteTime = 784111777;
    catalogue.slot[18].remoteTime = 784111777 + 60;
    selections->upd[7] = selections->upd[18] = 1;
    g_config.debug = 1;
    updateTargets(nullptr, &catalogue);

    EXPECT_EQ(read_file("SAVE/fulllist.xml"), "<iota/>");
    EXPECT_EQ(read_file("SAVE/KESTRL.WPX"), "wpx");
    EXPECT_EQ(read_file("BACKUP/KESTRL.WPX"), "old wpx");
    EXPECT_EQ(g_config.updatedCount, 2u);
    EXPECT_EQ(status.lines, (std::vector<std::string>{"Updated:  IOTA Islands (XML) -- 06-Nov-1994 08:49",
                                                      "Updated:  CQ WPX Honor Roll (WPX) -- 06-Nov-1994 08:50", kSep,
                                                      "IOTA Islands (XML) -- 06-Nov-1994 08:49"}));
    EXPECT_EQ(log_text(), "DEBUG:\tIOTA Islands (XML) will be updated\n"
                          "\n" + kSep + "\n\n"
                          "Updated:  IOTA Islands (XML) -- 06-Nov-1994 08:49\n"
                          "DEBUG:\tCQ WPX Honor Roll (WPX) will be updated\n"
                          "Updated:  CQ WPX Honor Roll (WPX) -- 06-Nov-1994 08:50\n");
}

TEST_F(InstallPhase, FailedBackupTakesALineAndTheNextSlotStillInstalls)
{
    write_file("SAVE/fulllist.xml", "old");
    make_dir("BACKUP/fulllist.xml");  // the backup cannot be written
    write_file("UPDATE/fulllist.xml", "new");
    write_file("UPDATE/KESTRL.WPX", "wpx");
    selections->upd[7] = selections->upd[18] = 1;
    updateTargets(nullptr, &catalogue);
    EXPECT_EQ(read_file("SAVE/fulllist.xml"), "old");
    ASSERT_EQ(status.lines.size(), 3u);
    EXPECT_EQ(status.lines[0], "Error backing up SAVE\\fulllist.xml");
    EXPECT_EQ(status.lines[1].rfind("Updated:  CQ WPX Honor Roll (WPX) -- ", 0), 0u);
    EXPECT_EQ(status.lines[2], kSep);
    EXPECT_EQ(g_config.updatedCount, 1u);
    EXPECT_EQ(g_config.errorCount, 0u);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "CopyFile");
}

TEST_F(InstallPhase, FailedCopyTakesNoLineAndKeepsTheTarget)
{
    write_file("SAVE/KESTRL.WPX", "old");
    selections->upd[18] = 1;  // but nothing was downloaded
    updateTargets(nullptr, &catalogue);
    EXPECT_EQ(read_file("SAVE/KESTRL.WPX"), "old");
    EXPECT_TRUE(status.lines.empty());
    EXPECT_EQ(g_config.updatedCount, 0u);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Can't copy UPDATE\\KESTRL.WPX to SAVE\\KESTRL.WPX\nError Code = 2");
}

// Files of 100 KiB do not fit: SAVE and BACKUP are small tmpfs (128 and 64 KiB)
// where the test may mount them (root), else the process may write no file past 64 KiB.
struct FullDisk {
    bool mounted = false;
    rlimit saved{};
    FullDisk()
    {
        mounted = ::mount("tmpfs", "SAVE", "tmpfs", 0, "size=128k") == 0 &&
                  ::mount("tmpfs", "BACKUP", "tmpfs", 0, "size=64k") == 0;
        std::printf("full disk by %s\n", mounted ? "small tmpfs mounts" : "RLIMIT_FSIZE of 64 KiB");
    }
    void fill()
    {
        if (mounted) return;
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 64 << 10;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FullDisk()
    {
        if (!mounted) ::setrlimit(RLIMIT_FSIZE, &saved);
        for (const char* dir : {"SAVE", "BACKUP"}) ::umount2(dir, MNT_DETACH);
    }
};

TEST_F(InstallPhase, AFullDiskKeepsEveryTargetAndBackupWhole)
{
    FullDisk disk;
    const std::string big(100 << 10, 'n');
    for (const char* f : {"UPDATE/KESTRL.WPX", "UPDATE/fulllist.xml", "UPDATE/KESTRL.TCP"}) write_file(f, big);
    write_file("SAVE/KESTRL.WPX", std::string(70 << 10, 'o'));
    write_file("BACKUP/KESTRL.WPX", "previous backup");
    set_mtime("BACKUP/KESTRL.WPX", 1000);
    disk.fill();
    selections->upd[7] = selections->upd[17] = selections->upd[18] = 1;
    updateTargets(nullptr, &catalogue);
    EXPECT_EQ(status.lines, (std::vector<std::string>{"Error backing up SAVE\\KESTRL.WPX", kSep}));
    EXPECT_TRUE(read_file("SAVE/KESTRL.WPX") == std::string(70 << 10, 'o'));
    EXPECT_EQ(read_file("BACKUP/KESTRL.WPX"), "previous backup");
    EXPECT_EQ(std::distance(fs::directory_iterator("SAVE"), {}) + std::distance(fs::directory_iterator("BACKUP"), {}), 2);
    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[1].text.rfind("Can't copy UPDATE\\KESTRL.TCP to SAVE\\KESTRL.TCP\nError Code = ", 0), 0u);
    EXPECT_EQ(g_config.updatedCount, 0u);
}

TEST_F(InstallPhase, Version9CountryFileNeedsTheTextFolder)
{
    use_host_version("9.0.0.0");
    write_file("UPDATE/kestrl9_cty.zip", "not even a zip");
    selections->upd[5] = 1;
    updateTargets(nullptr, &catalogue);
    EXPECT_EQ(g_config.updatedCount, 0u);
    EXPECT_TRUE(status.lines.empty());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "ERROR: Can't update country files if directory CTYTexts does not exist");
    EXPECT_EQ(dialogs.shown[0].title, "Can't Update CTY");
}

TEST_F(InstallPhase, SummaryWording)
{
    EXPECT_EQ(update_summary(0, 0), "No files were updated.");
    EXPECT_EQ(update_summary(1, 0), "One file was updated.");
    EXPECT_EQ(update_summary(3, 2), "3 files were updated.\nThere were 2 errors.");
    EXPECT_EQ(update_summary(1, 1), "One file was updated.\nThere was one error.");
    EXPECT_EQ(update_summary(0, 12), "No files were updated.\nThere were 12 errors.");
}

TEST_F(InstallPhase, RunWithNothingToDoReportsNoFilesAndResetsCounters)
{
    select_nothing();
    // Every required target exists, so nothing is fetched and no request is made.
    for (const char* f : {"SAVE/kestrl.awd", "SAVE/kestrl.cty", "SAVE/KESTRL.TCP", "SAVE/KESTRL.WPX", "KESTRL.MAS1",
                          "KESTRL.MAS2", "SAVE/KESTRL.CAL"})
        write_file(f, "x");
    g_config.errorCount = 5;
    g_config.updatedCount = 7;
    Update(nullptr);
    EXPECT_EQ(g_config.errorCount, 0u);
    EXPECT_EQ(g_config.updatedCount, 0u);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "No files were updated.");
    EXPECT_EQ(dialogs.shown[0].title, "Update finished");
    EXPECT_EQ(dialogs.shown[0].style, kMbIconInformation | kMbTopmost);
    EXPECT_EQ(log_text().find(kSep), std::string::npos);
    EXPECT_TRUE(status.lines.empty());
}

}  // namespace
