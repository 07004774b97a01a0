// The real program in a temporary logging-program folder.
#include <csignal>
#include <filesystem>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/program_run.h"
#include "support/temp_folder.h"

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(StartupEndToEnd, UsageTextAndVersionTouchNothing)
{
    TempFolder folder;
    std::string usage;
    for (const char* word : {"-help", "--help", "-h", "-?", "--version"}) {
        ProgramRun run = run_binary(KSTLUPD_BINARY, {"-auto", word}, folder.path);
        EXPECT_EQ(run.exit_status, 0) << word;
        EXPECT_FALSE(path_exists("kstlupd.log")) << word;
        if (word == std::string("--version")) EXPECT_EQ(read_file("program.out"), "kstlupd 9.6\n");
        else if (usage.empty()) usage = read_file("program.out");
        else EXPECT_EQ(read_file("program.out"), usage) << word;
    }
    EXPECT_EQ(usage.rfind("Usage: kstlupd [option ...]\n", 0), 0u);
}

TEST(StartupEndToEnd, RefusedStartsAreLoggedAndSaidInOneLineOnStandardError)
{
    TempFolder folder;
    make_dir("IMPORT");
    ProgramRun run = run_binary(KSTLUPD_BINARY, {"-auto"}, folder.path);
    EXPECT_EQ(run.exit_status, 255);
    const std::string log = read_file("kstlupd.log");
    EXPECT_TRUE(contains(log, "\nERROR:\tCan't find SAVE or IMPORT directory(s).  Is the\n"
                              "KESTRL Updater installed in the correct directory?\n"));
    EXPECT_TRUE(contains(log, "KESTRL Data Updater ver. 9.6 finished on "));
    EXPECT_EQ(read_file("program.out"), "Wrong directory: Can't find SAVE or IMPORT directory(s).  Is the "
                                        "KESTRL Updater installed in the correct directory?\n");
    EXPECT_FALSE(path_exists("BACKUP"));

    make_dir("SAVE");
    // clang-format off
    const struct { std::vector<std::string> args; const char* logged; } refused[] = {
        {{"-auto", "-version", "8.5.0.4"}, "ERROR:\tKESTRL 8.5.0.4 is not supported by the Updater.\n"
                                           "Try Help | Check for Updates from the KESTRL main menu.\n"},
        {{"-auto"}, "ERROR:\tCan't find KESTRL.EXE.  Is the KESTRL\nUpdater installed in the correct directory?\n"},
        {{"-auto", "-bogus"}, "ERROR:\tUnrecognized command-line option: -bogus\n\n"},
    };
    // clang-format on
    for (const auto& row : refused) {
        EXPECT_EQ(run_binary(KSTLUPD_BINARY, row.args, folder.path).exit_status, 255) << row.logged;
        EXPECT_TRUE(contains(read_file("kstlupd.log"), row.logged)) << row.logged;
    }
    EXPECT_EQ(read_file("program.out"), "Bad command line: Unrecognized command-line option: -bogus Try -help.\n");

    // On a terminal, without a display, the report is one line and asks nothing.
    run = run_binary("/usr/bin/env", {"script", "-qec", std::string(KSTLUPD_BINARY) + " -bogus", "/dev/null"},
                     folder.path);
    EXPECT_EQ(run.exit_status, 255);
    const std::string shown = read_file("program.out");
    EXPECT_TRUE(contains(shown, "Bad command line: Unrecognized command-line option: -bogus Try -help.\r\n")) << shown;
    EXPECT_FALSE(contains(shown, "Enter")) << shown;
}

// As a scheduler starts it: in a folder of its choosing, output to a pipe. The log
// has its header, the host version and its footer; the working folders are made.
TEST(StartupEndToEnd, StartedElsewhereWorksInItsOwnFolderAndSaysOnlyWhatFailed)
{
    TempFolder folder;
    for (const char* name : {"start", "KESTRL", "KESTRL/SAVE", "KESTRL/IMPORT"}) make_dir(name);
    const std::string program = folder.path + "/KESTRL/kstlupd";
    std::error_code error;
    ASSERT_TRUE(std::filesystem::copy_file(KSTLUPD_BINARY, program, error)) << error.message();
    // Nothing listens on port 1: every source fails at once.
    ProgramRun run = run_binary(program, {"-auto", "-nocheck", "-version", "8.5.0.39", "-proxy", "127.0.0.1:1"},
                                folder.path + "/start", {{"XDG_DATA_HOME", folder.path + "/xdg"}});
    EXPECT_EQ(run.exit_status, 0);
    const std::string log = read_file("KESTRL/kstlupd.log");
    const std::string dashes65(65, '-'), dashes66(66, '-');
    EXPECT_EQ(log.rfind(dashes65 + "\nKESTRL Data Updater ver. 9.6 started on ", 0), 0u);
    EXPECT_TRUE(contains(log, "\n" + dashes65 + "\n\nKESTRL version is 8.5.0.39\n\n"));
    EXPECT_TRUE(contains(log, "\n\n" + dashes66 + "\nKESTRL Data Updater ver. 9.6 finished on "));
    EXPECT_TRUE(log.ends_with(dashes66 + "\n"));
    const size_t info = log.rfind("INFO:\t");
    ASSERT_NE(info, std::string::npos) << log;
    const std::string summary = log.substr(info, log.find("\n\n" + dashes66, info) + 1 - info);
    EXPECT_TRUE(contains(summary, "\nThere were ")) << summary;
    EXPECT_TRUE(path_exists("KESTRL/UPDATE") && path_exists("KESTRL/BACKUP"));
    std::vector<std::string> started_in;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path + "/start"))
        started_in.push_back(entry.path().filename().string());
    EXPECT_EQ(started_in, std::vector<std::string>{"program.out"});
    // The failed results, the errors and the summary, as the log has them.
    const std::string said = read_file("start/program.out");
    EXPECT_TRUE(contains(said, "Custom Awards (AWD) -- Internet Error\n")) << said;
    EXPECT_TRUE(contains(said, "\nERROR:\t")) << said;
    EXPECT_TRUE(said.ends_with(summary) && said.size() > summary.size()) << said;
    EXPECT_EQ(said.find("Downloading"), std::string::npos) << said;
}

TEST(StartupEndToEnd, SecondRunIsRefusedUntilTheFirstEndsHoweverItEnds)
{
    TempFolder folder;
    make_dir("SAVE");
    make_dir("IMPORT");
    write_file("kstlupd.log", "the first run's log\n");
    // The first run's lock as Wine's server holds it for kstlupd.exe: a classic
    // record lock on the run-lock file's first byte, in a process of its own.
    const pid_t holder = start_binary(
        "/usr/bin/python3",
        {"-c", "import fcntl,time; f=open('kstlupd.lck','a'); fcntl.lockf(f, fcntl.LOCK_EX, 1); open('held','w'); "
               "time.sleep(60)"},
        folder.path, {}, "holder.out");
    for (int wait = 0; wait < 1000 && !path_exists("held"); ++wait) ::usleep(10000);
    const std::vector<std::string> args{"-auto", "-nocheck", "-version", "8.5.0.39"};
    ProgramRun run = run_binary(KSTLUPD_BINARY, args, folder.path);
    EXPECT_EQ(run.exit_status, 255);
    EXPECT_EQ(read_file("kstlupd.log"), "the first run's log\n");
    EXPECT_FALSE(path_exists("BACKUP"));
    EXPECT_EQ(read_file("program.out"), "File Open: Error opening kstlupd.log: Permission denied\n");
    // The run that could not start keeps no copy of the log as the previous log.
    EXPECT_FALSE(path_exists("kstlupd.old.log") || path_exists("kstlupd.old.log.~kstlupd"));
    // Killed, the first run leaves nothing in the way: the next start gets as far as
    // the working folders.
    ::kill(holder, SIGKILL);
    wait_child(holder, 5, false);

    // A file where a working folder belongs is named, not passed over in silence.
    write_file("UPDATE", "not a folder");
    run = run_binary(KSTLUPD_BINARY, args, folder.path);
    EXPECT_EQ(run.exit_status, 255);
    const std::string line = "Can't create the UPDATE directory: a file of that name is in the way.";
    EXPECT_EQ(read_file("program.out"), "CreateDirectory: " + line + "\n");
    EXPECT_TRUE(contains(read_file("kstlupd.log"), "ERROR:\t" + line + "\n"));
    // The next run empties the log, and the one before survives beside it.
    EXPECT_EQ(read_file("kstlupd.old.log"), "the first run's log\n");
    const std::string failed = read_file("kstlupd.log");
    EXPECT_EQ(run_binary(KSTLUPD_BINARY, {"-auto", "-nocheck", "-version", "8.5.0.39"}, folder.path).exit_status, 255);
    EXPECT_EQ(read_file("kstlupd.old.log"), failed);
    EXPECT_FALSE(path_exists("kstlupd.old.log.~kstlupd"));
}

TEST(StartupEndToEnd, InstallPutsProgramManualPageDesktopEntryAndTimer)
{
    TempFolder folder;
    const std::string binary = KSTLUPD_BINARY;
    const std::string build = binary.substr(0, binary.rfind('/'));
    ASSERT_EQ(run_binary("/usr/bin/env", {"cmake", "--install", build, "--prefix", folder.path + "/usr"}, folder.path)
                  .exit_status,
              0)
        << read_file("program.out");
    EXPECT_TRUE(path_exists("usr/bin/kstlupd"));
    EXPECT_TRUE(path_exists("usr/share/icons/hicolor/32x32/apps/kstlupd.png"));
    // The service names the program where this install put it; systemd accepts both units.
    const std::string units = folder.path + "/usr/share/systemd/user/";
    EXPECT_TRUE(
        contains(read_file(units + "kstlupd.service"), "\nExecStart=" + folder.path + "/usr/bin/kstlupd -auto\n"));
    make_dir("run");
    EXPECT_EQ(run_binary("/usr/bin/env",
                         {"systemd-analyze", "verify", "--user", units + "kstlupd.service", units + "kstlupd.timer"},
                         folder.path, {{"XDG_RUNTIME_DIR", folder.path + "/run"}})
                  .exit_status,
              0)
        << read_file("program.out");
    EXPECT_TRUE(path_exists("usr/share/doc/kstlupd/kstlupd.html"));
    // Without the logging program's folder the desktop entry still starts the
    // updater, named by its full path, which says what is wrong (the Exec line's
    // quoting is the shell's).
    const std::string desktop = read_file("usr/share/applications/kstlupd.desktop");
    EXPECT_TRUE(contains(desktop, "\nIcon=kstlupd\n"));
    const size_t exec = desktop.find("\nExec=");
    ASSERT_NE(exec, std::string::npos);
    std::string command = desktop.substr(exec + 6, desktop.find('\n', exec + 1) - exec - 6);
    for (size_t at = command.find("\\\\"); at != std::string::npos; at = command.find("\\\\", at + 1))
        command.erase(at, 1);
    make_dir("home");
    ProgramRun started = run_binary(
        "/bin/sh", {"-c", command}, folder.path,
        {{"HOME", folder.path + "/home"}, {"XDG_RUNTIME_DIR", folder.path + "/run"}, {"PATH", "/usr/bin:/bin"}});
    EXPECT_EQ(started.exit_status, 255) << command;
    EXPECT_TRUE(contains(read_file("run/kstlupd.log"), "ERROR:\tCan't find SAVE or IMPORT directory(s).")) << command;
    // The page renders without a warning and holds the options of the usage text.
    const std::string page = folder.path + "/usr/share/man/man1/kstlupd.1";
    EXPECT_EQ(run_binary("/bin/sh", {"-c", "man -l --warnings " + page + " >/dev/null"}, folder.path).exit_status, 0);
    EXPECT_EQ(read_file("program.out"), "");
    ASSERT_EQ(run_binary("/bin/sh", {"-c", "MANWIDTH=80 man -l " + page}, folder.path).exit_status, 0);
    for (const char* option : {"-auto", "-debug", "-nocheck", "-quick", "-reset", "-version V", "-proxy ADDRESS"})
        EXPECT_TRUE(contains(read_file("program.out"), std::string("\n       ") + option)) << option;
    // A command to type stands as it is typed, not filled into the text around it.
    EXPECT_TRUE(contains(
        read_file("program.out"),
        "\n              30 6 * * * cd \"$HOME/.wine/drive_c/KESTRL\" && \"$HOME/.local/bin/kstlupd\" -auto\n"))
        << read_file("program.out");
}

}  // namespace
