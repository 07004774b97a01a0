#include "app/startup.h"

#include <ctime>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/host_checks.h"
#include "base/calendar_time.h"
#include "base/config.h"
#include "base/log.h"
#include "base/report.h"
#include "base/terminal_view.h"
#include "catalogue/catalogue.h"
#include "catalogue/run_context.h"
#include "catalogue/selections.h"
#include "files/file_ops.h"
#include "net/http_fetch.h"
#include "net/internet_error.h"
#include "net/self_update.h"
#include "pipeline/update_run.h"
#include "platform/platform.h"
#include "ui/windowed_mode.h"
#include "usage_text.h"

namespace {

// The local date and time in the C library's "%c" form, in 32 characters.
std::string local_time_text()
{
    char buffer[32] = {};
    const std::tm local = local_calendar_time(int64_t(std::time(nullptr)));
    std::strftime(buffer, sizeof buffer, "%c", &local);
    return buffer;
}

void write_header()
{
    const std::string line(65, '-');
    log_printf("%s\n", line.c_str());
    log_printf("KESTRL Data Updater ver. %s started on %s\n", g_config.version.c_str(), local_time_text().c_str());
    log_printf("%s\n", line.c_str());
}

void write_footer()
{
    const std::string line(66, '-');
    log_printf("\n%s\n", line.c_str());
    log_printf("KESTRL Data Updater ver. %s finished on %s\n", g_config.version.c_str(), local_time_text().c_str());
    log_printf("%s\n", line.c_str());
}

void fail_with(const char* text, const char* title, unsigned icon) { report_message(nullptr, text, title, icon); }

// BACKUP or UPDATE made if missing. A missing parent path has been reported by
// ensureDirectory; any other cause is said here, so that no start ends without a word.
int make_work_folder(const char* name)
{
    if (ensureDirectory(nullptr, name)) return 1;
    const uint32_t code = g_platform.last_error();
    if (code == kErrorPathNotFound) return 0;
    FileStatus status;
    const std::string text =
        g_platform.file_status(name, &status) && !status.is_directory
            ? format_bounded(kMessageSize, "Can't create the %s directory: a file of that name is in the way.", name)
            : format_bounded(kMessageSize, "Can't create the %s directory (error code %u).", name, unsigned(code));
    fail_with(text.c_str(), "CreateDirectory", kMbIconError);
    return 0;
}

bool is_host_folder(const std::string& prefix)
{
    return directoryExists((prefix + "SAVE").c_str()) && directoryExists((prefix + "IMPORT").c_str());
}

// A scheduler starts the program where it likes (the Task Scheduler in system32
// unless "Start in" is filled in): when that is no logging-program folder but the
// folder of the program's own file is one, the program works there. Chosen before
// the log is opened, so that nothing is written into the folder it was started in.
void work_in_program_folder()
{
    if (is_host_folder("")) return;
    std::string folder;
    if (!g_platform.program_folder || !g_platform.program_folder(&folder) || folder.empty()) return;
    const char last = folder.back();
    if (is_host_folder(last == '\\' || last == '/' ? folder : folder + "\\"))
        (void)g_platform.change_folder(folder.c_str());
}

// The file whose lock keeps a second run out of the folder, whichever build it is.
// It stays when the run ends: the lock, not the file, says that a run is on, and the
// system drops the lock with its holder, so a killed run leaves nothing in the way.
constexpr const char* kRunLockFile = "kstlupd.lck";

struct RunLockReleaser {
    void operator()(RunLock* lock) const { g_platform.unlock_run(lock); }
};
using HeldRunLock = std::unique_ptr<RunLock, RunLockReleaser>;

struct SessionCloser {
    void operator()(InetHandle* session) const { closeSession(session); }
};
using Session = std::unique_ptr<InetHandle, SessionCloser>;

// Start-up from reading the command line to the end of the run; returns the exit
// status. The session opened here is left in *session for the caller to close once
// the log is closed.
int start(const char* commandLine, Session* session)
{
    if (!parse_command_line(commandLine, nullptr)) return -1;

    session->reset(openSession(g_config.proxy.c_str()));
    if (!*session) {
        reportInternetError(nullptr, "InternetOpen", nullptr);
        return -1;
    }

    if (!directoryExists("IMPORT") || !directoryExists("SAVE")) {
        fail_with("Can't find SAVE or IMPORT directory(s).  Is the\nKESTRL Updater installed in the correct directory?",
                  "Wrong directory", kMbIconError);
        return -1;
    }
    if (!get_host_version(&g_config)) {
        fail_with("Can't find KESTRL.EXE.  Is the KESTRL\nUpdater installed in the correct directory?",
                  "Wrong directory", kMbIconError);
        return -1;
    }
    if (!g_config.noCheck) {
        if (version_refused(g_config.hostVersion)) {
            std::string text = format_bounded(
                kMessageSize,
                "KESTRL %s is not supported by the Updater.\nTry Help | Check for Updates from the KESTRL main menu.",
                g_config.hostVersion.c_str());
            fail_with(text.c_str(), "Unsupported KESTRL version", kMbIconError);
            return -1;
        }
        if (host_running()) {
            fail_with("KESTRL is running!  Exit KESTRL,\nthen start the KESTRL Data Updater again.",
                      "KESTRL is running", kMbIconWarning);
            return -1;
        }
    }
    if (!make_work_folder("BACKUP") || !make_work_folder("UPDATE")) return -1;

    choose_master_slot(&g_config);
    RunContext run;
    run.hostVersion = g_config.hostVersion;
    run.session = session->get();
    build_catalogue(&run.catalogue, run.hostVersion, g_config.masterSlot);
    run.selections = *load_selections(run.catalogue);

    if (checkSelfUpdate(nullptr, run.session, &run.catalogue.slot[kSlotUpdater])) return 0;

    if (g_config.resetUpdates) deleteOldUpdates(run.catalogue);
    if (!g_config.autoMode) return run_main_window(&run);
    Update(nullptr, &run);
    return 0;
}

// The log is emptied at every start, so the one before is copied aside first; the
// copy becomes the previous log only once this run holds the log (a start that
// finds it held by another run leaves the previous log as it was). Empty when
// there is no log to keep.
std::string copy_previous_log()
{
    const std::string copy = std::string(g_config.previousLogFile) + kTempSuffix;
    (void)g_platform.remove_temp_file(copy.c_str());
    return g_platform.copy_file(g_config.logFile, copy.c_str(), 0) ? copy : std::string();
}

// An unattended start that fails says why on standard error as well, terminal or
// not: a scheduler mails it, and the log may be the very thing that failed. (On a
// terminal the report has been shown there already.)
int failed_start()
{
    if (g_config.autoMode && !terminal_view_on() && !last_problem_line().empty())
        std::fprintf(stderr, "%s\n", last_problem_line().c_str());
    return -1;
}

}  // namespace

int run_program(const char* commandLine)
{
    g_config = Config{};
    const EarlyOptions early = early_options(commandLine);
    // The usage text and the version touch nothing: no log, no folder, no display.
    own_version();
    if (early.help || early.version) {
        const std::string text = early.help ? std::string(kUsageText) : "kstlupd " + g_config.version + "\n";
        if (g_platform.show_usage) g_platform.show_usage(text.c_str());
        else std::fputs(text.c_str(), stdout);
        return 0;
    }
    work_in_program_folder();
    // Known before the log is opened, so that a log that cannot be had is reported
    // without a box in an unattended run.
    g_config.autoMode = uint8_t(early.autoMode);
    // Taken before the log is emptied and held to the end: a run of either build in
    // this folder refuses the other, which is told as a log held by another copy.
    const HeldRunLock lock(g_platform.lock_run(kRunLockFile));
    if (!lock) {
        const uint32_t code = g_platform.last_error();
        report_open_error(nullptr, code == kErrorLockViolation ? g_config.logFile : kRunLockFile, errno_of_error(code));
        return failed_start();
    }
    const std::string previous_log = copy_previous_log();
    g_config.log = g_platform.open_exclusive_log(g_config.logFile);
    if (!g_config.log) {
        report_open_error(nullptr, g_config.logFile, errno_of_error(g_platform.last_error()));
        if (!previous_log.empty()) (void)g_platform.remove_temp_file(previous_log.c_str());
        return failed_start();
    }
    if (!previous_log.empty()) (void)g_platform.replace_file(previous_log.c_str(), g_config.previousLogFile);
    write_header();

    Session session;
    int status = start(commandLine, &session);
    if (status == -1) status = failed_start();

    write_footer();
    std::fclose(g_config.log);
    g_config.log = nullptr;
    return status;
}
