#include "pipeline/install_phase.h"

#include <csignal>
#include <filesystem>
#ifndef _WIN32
#include <sys/mount.h>
#include <sys/resource.h>
#endif

#include "base/terminal_view.h"
#include "pipeline/update_run.h"
#include "support/run_fixture.h"
#include "support/stored_zip.h"

namespace {

namespace fs = std::filesystem;

using InstallPhase = RunTest;

const std::string kSep = "--------------------------------------------------------";

#ifndef _WIN32
// Files of 100 KiB do not fit: SAVE and BACKUP are small tmpfs (128 and 64 KiB)
// where the test may mount them (root), else no file may grow past 64 KiB.
struct FullDisk {
    bool mounted = ::mount("tmpfs", "SAVE", "tmpfs", 0, "size=128k") == 0 &&
                   ::mount("tmpfs", "BACKUP", "tmpfs", 0, "size=64k") == 0;
    rlimit saved{};
    void fill()
    {
        std::printf("full disk by %s\n", mounted ? "small tmpfs mounts" : "RLIMIT_FSIZE of 64 KiB");
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small{mounted ? saved.rlim_cur : 64 << 10, saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FullDisk()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        for (const char* dir : {"SAVE", "BACKUP"}) ::umount2(dir, MNT_DETACH);
    }
};

// A backup and two installs that do not fit leave every file and the previous backup
// whole, with no temporary file; a failed backup takes a line, a failed copy none, and
// the next slot still installs.
TEST_F(InstallPhase, AFullDiskKeepsEveryTargetAndBackupWhole)
{
    FullDisk disk;
    const std::string big(100 << 10, 'n'), old_iota(70 << 10, 'o');
    for (const char* f : {"UPDATE/fulllist.xml", "UPDATE/KESTRL.TCP"}) write_file(f, big);
    write_file("SAVE/fulllist.xml", old_iota);
    write_file("BACKUP/fulllist.xml", "previous backup");
    set_mtime("BACKUP/fulllist.xml", 1000);
    write_file("UPDATE/KESTRL.WPX", "wpx");
    write_file("SAVE/KESTRL.WPX", "old wpx");
    disk.fill();
    status.lines = {"a download line"};
    catalogue.slot[kSlotWpx].remoteTime = 784111777;
    selections->upd[7] = selections->upd[17] = selections->upd[18] = 1;
    g_config.debug = 1;
    updateTargets(nullptr, &run);
    EXPECT_EQ(status.lines, (std::vector<std::string>{"Error backing up SAVE\\fulllist.xml",
                                                      "Updated:  CQ WPX Honor Roll (WPX) -- 06-Nov-1994 08:49", kSep,
                                                      "a download line"}));
    EXPECT_NE(log_text().find("DEBUG:\tCQ WPX Honor Roll (WPX) will be updated\n"
                              "Updated:  CQ WPX Honor Roll (WPX) -- 06-Nov-1994 08:49\n"),
              std::string::npos);
    EXPECT_EQ(read_file("BACKUP/KESTRL.WPX"), "old wpx");
    EXPECT_TRUE(read_file("SAVE/fulllist.xml") == old_iota);
    EXPECT_EQ(read_file("BACKUP/fulllist.xml"), "previous backup");
    EXPECT_EQ(read_file("SAVE/KESTRL.WPX"), "wpx");
    EXPECT_EQ(std::distance(fs::directory_iterator("SAVE"), {}) + std::distance(fs::directory_iterator("BACKUP"), {}),
              4);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].title, "CopyFile");
    EXPECT_EQ(dialogs.shown[1].text.rfind("Can't copy UPDATE\\KESTRL.TCP to SAVE\\KESTRL.TCP\nError Code = ", 0), 0u);
    EXPECT_EQ(run.updatedCount, 1u);
    EXPECT_EQ(run.errorCount, 0u);
}
#endif

// An archive whose members take the place of the logging program's own file: that
// file, removed, is in BACKUP all the same.
TEST_F(InstallPhase, AFileThatMembersReplaceIsBackedUp)
{
    use_host_version("9.0.0.0");
    write_file("UPDATE/kestrl9_awd.zip", stored_zip("custawds.txt", "AWARD,New\r\n"));
    write_file("SAVE/custawds.dat", "old awards");
    selections->upd[kSlotAwards] = 1;
    updateTargets(nullptr, &run);
    EXPECT_EQ(run.updatedCount, 1u);
    EXPECT_EQ(read_file("SAVE/custawds.txt"), "AWARD,New\r\n");
    EXPECT_FALSE(path_exists("SAVE/custawds.dat"));
    EXPECT_EQ(read_file("BACKUP/custawds.dat"), "old awards");
}

TEST_F(InstallPhase, Version9CountryFileNeedsTheTextFolder)
{
    use_host_version("9.0.0.0");
    write_file("UPDATE/kestrl9_cty.zip", "not even a zip");
    selections->upd[5] = 1;
    updateTargets(nullptr, &run);
    EXPECT_EQ(run.updatedCount, 0u);
    EXPECT_TRUE(status.lines.empty());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "ERROR: Can't update country files if directory CTYTexts does not exist");
    EXPECT_EQ(dialogs.shown[0].title, "Can't Update CTY");

    // Unattended through a pipe, the failed install makes the run say so at its end
    // (no Internet error was counted). Earlier tests' unattended runs are forgotten first.
    unattended_end("", 0);
    g_config.autoMode = 1;
    g_platform.stderr_is_terminal = [] { return 0; };
    testing::internal::CaptureStderr();
    updateTargets(nullptr, &run);
    unattended_end("No files were updated.", 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ERROR:\tERROR: Can't update country files if directory CTYTexts does not exist\n"
              "INFO:\tNo files were updated.\n");
}

// A derived file is rebuilt only from a copy of every selected source: with one
// missing, the installed file stays and the install fails, reported once (not again
// for a source whose download failed); with no file yet, what there is is written.
TEST_F(InstallPhase, ADerivedFileIsRebuiltOnlyFromAllItsSources)
{
    select_nothing();
    write_file("UPDATE/MASTER.LIS", "1 K1ABC\r\n");
    selections->sel[kSlotMaster] = selections->sel[kSlotClubLog] = selections->sel[kSlotSuperCheck] = 1;
    selections->sel[kSlotCalendar] = selections->sel[kSlotCalendarSource] = 1;
    g_config.autoMode = 1;
    // {Club Log's download failed in this run, master file installed, updated, errors}
    const struct {
        bool failed, installed;
        uint32_t updated, errors;
    } rows[] = {{true, true, 0, 0}, {false, true, 0, 1}, {true, false, 1, 0}};
    for (const auto& row : rows) {
        if (row.installed) write_file("KESTRL.MAS1", "installed");
        else std::remove("KESTRL.MAS1");
        run.fetch_failed[kSlotClubLog] = row.failed;
        run.updatedCount = run.errorCount = 0;
        selections->upd[kSlotMaster] = 1;
        updateTargets(nullptr, &run);
        EXPECT_EQ(run.updatedCount, row.updated);
        EXPECT_EQ(run.errorCount, row.errors);
        EXPECT_EQ(read_file("KESTRL.MAS1"), row.installed ? "installed"
                                                          : "KSTLMAS1\x0C\xCB"
                                                            "1ABC\xFF");
    }
    EXPECT_NE(log_text().find("ERROR:\tClub Log has no good copy in UPDATE\n"), std::string::npos);
    EXPECT_EQ(log_text().find("ERROR:", log_text().find("ERROR:") + 1), std::string::npos) << log_text();

    // The calendar that could not be fetched, and none installed: an empty one, no error.
    run.fetch_failed[kSlotCalendarSource] = true;
    run.errorCount = 0;
    selections->upd[kSlotMaster] = 0;
    selections->upd[kSlotCalendar] = 1;
    updateTargets(nullptr, &run);
    EXPECT_EQ(read_file("SAVE/KESTRL.CAL"), std::string("CALB.\0\0\0\0\0", 10));
    EXPECT_EQ(run.errorCount, 0u);
}

TEST_F(InstallPhase, RunWithNothingToDoReportsNoFilesAndResetsCounters)
{
    select_nothing();
    // Every required target exists, so nothing is fetched and no request is made.
    for (const char* f : {"SAVE/kestrl.awd", "SAVE/kestrl.cty", "SAVE/KESTRL.TCP", "SAVE/KESTRL.WPX", "KESTRL.MAS1",
                          "KESTRL.MAS2", "SAVE/KESTRL.CAL"})
        write_file(f, "x");
    run.errorCount = 5;
    run.updatedCount = 7;
    Update(nullptr, &run);
    EXPECT_EQ(run.errorCount, 0u);
    EXPECT_EQ(run.updatedCount, 0u);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "No files were updated.");
    EXPECT_EQ(dialogs.shown[0].title, "Update finished");
    EXPECT_EQ(dialogs.shown[0].style, kMbIconInformation | kMbTopmost);
    EXPECT_EQ(log_text().find(kSep), std::string::npos);
    EXPECT_TRUE(status.lines.empty());
    EXPECT_EQ(update_summary(3, 2), "3 files were updated.\nThere were 2 errors.");
    EXPECT_EQ(update_summary(1, 1), "One file was updated.\nThere was one error.");
    EXPECT_EQ(update_summary(0, 12), "No files were updated.\nThere were 12 errors.");
}

}  // namespace
