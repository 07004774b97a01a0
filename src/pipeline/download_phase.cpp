#include "pipeline/download_phase.h"

#include <ctime>

#include "base/calendar_time.h"
#include "base/log.h"
#include "base/status_line.h"
#include "catalogue/run_context.h"
#include "files/file_ops.h"
#include "files/install_marker.h"
#include "net/http_fetch.h"
#include "pipeline/calendar_download.h"
#include "pipeline/download_checks.h"
#include "platform/platform.h"

namespace {

// The progress bar's total for the IOTA list when the server's length is not used.
constexpr uint32_t kIotaDefaultSize = 0x12B000;

int internet_error_outcome(AppWindow* owner, RunContext* run, int slot, const DataSource& source)
{
    std::string line = format_bounded(kMessageSize, "%s -- Internet Error", source.title);
    status_failure_line(owner, line.c_str(), -1);
    ++run->errorCount;
    run->fetch_failed[size_t(slot)] = true;
    run->selections.upd[slot] = 0;
    return 0;
}

// The result line of a source found current.
int current_outcome(AppWindow* owner, const DataSource& source)
{
    std::string line = format_bounded(kMessageSize, "%s -- %s", source.title, result_date(source.remoteTime).c_str());
    statusLine(owner, line.c_str(), -1);
    return 0;
}

// The calendar is a script's output whose dates say nothing about its content: it
// is always fetched whole and compared with the copy. The comparison puts a changed
// calendar in place itself, so the mark comes first; it goes again when nothing new
// arrived.
int download_calendar_source(AppWindow* owner, RunContext* run, DataSource* source, bool pending)
{
    InetHandle* request = openRequest(owner, run->session, *source);
    if (!request) return internet_error_outcome(owner, run, kSlotCalendarSource, *source);
    if (!pending && !mark_not_installed(owner, *source)) {
        closeRequest(request);
        return internet_error_outcome(owner, run, kSlotCalendarSource, *source);
    }
    const int calendar = download_calendar(owner, request, source);  // closes the request
    if (calendar <= 0 && !pending) clear_not_installed(*source);
    if (calendar < 0) return internet_error_outcome(owner, run, kSlotCalendarSource, *source);
    uint8_t& upd = run->selections.upd[kSlotCalendarSource];
    if (calendar > 0) upd = 1;
    if (!upd) return current_outcome(owner, *source);
    // A calendar found the same has taken its progress line away already.
    if (calendar > 0) status_remove_last(owner);
    std::string line = format_bounded(kMessageSize, "Downloaded:  %s", source->title);
    statusLine(owner, line.c_str(), -1);
    return 1;
}

}  // namespace

std::string result_date(int64_t unix_time)
{
    const std::tm utc = utc_calendar_time(unix_time);
    char buffer[24] = {};
    std::strftime(buffer, sizeof buffer, "%d-%b-%Y %H:%M", &utc);
    return buffer;
}

int downloadSource(AppWindow* owner, RunContext* run, int slot, DataSource* source)
{
    Selections& s = run->selections;
    if (!source->remotePath) return s.upd[slot];

    if (!fileExists(source->targetPath.c_str())) {
        debug_printf("DEBUG:\t  %s does not exist, must download it.\n", source->targetPath.c_str());
        s.upd[slot] = 1;
    }
    if (s.sel[slot] == 0 && s.upd[slot] == 0) {
        debug_printf("DEBUG:\t%s is not selected.\n", source->title);
        return 0;
    }
    FileStatus local;
    const bool have_copy = g_platform.file_status(source->downloadPath.c_str(), &local) && !local.is_directory;
    if (have_copy) {
        source->localTime = local.mtime;
        source->localSize = uint32_t(local.size);
    }
    // A copy still waiting for its install, or dated 0 by an earlier version, says
    // nothing about what is installed: it is fetched again.
    const bool pending = have_copy && is_marked_not_installed(*source);
    if (!have_copy || pending || source->localTime == kCopyNotInstalled) s.upd[slot] = 1;
    if (slot == kSlotCalendarSource) return download_calendar_source(owner, run, source, pending);

    // A copy dated far ahead of this clock came from a server whose clock was ahead:
    // only the same date says that it is current, and any other, even an older one,
    // that it is not.
    const bool ordered = copy_time_usable(source->localTime, int64_t(std::time(nullptr)));
    // Only a comparison with a usable copy can end in "not newer"; then the server
    // may say so without sending the file.
    InetHandle* request = openRequest(owner, run->session, *source,
                                      !s.upd[slot] && ordered && source->localTime > 0 ? source->localTime : 0);
    if (!request) return internet_error_outcome(owner, run, slot, *source);
    if (!queryRemoteInfo(owner, request, source)) {
        closeRequest(request);
        report_no_date(owner, *source);
        return internet_error_outcome(owner, run, slot, *source);
    }
    if (source->remoteTime > source->localTime || (!ordered && source->remoteTime != source->localTime))
        s.upd[slot] = 1;
    if (!s.upd[slot]) {
        closeRequest(request);
        return current_outcome(owner, *source);
    }

    std::string progress = format_bounded(kMessageSize, "Downloading:  %s", source->title);
    status_progress_line(owner, progress.c_str());
    if (slot == kSlotIota) source->remoteSize = source->localSize ? source->localSize : kIotaDefaultSize;
    // Marked before the new copy can replace the old one; a failed fetch leaves the
    // old copy, and with it what was known about it.
    const int marked = pending || mark_not_installed(owner, *source);
    const int fetched = marked && fetchToFile(owner, request, *source, source->downloadPath.c_str(), source->remoteTime,
                                              download_check(slot));
    closeRequest(request);
    if (!fetched) {
        if (marked && !pending) clear_not_installed(*source);
        status_remove_last(owner);
        return internet_error_outcome(owner, run, slot, *source);
    }
    status_remove_last(owner);
    std::string line =
        format_bounded(kMessageSize, "Downloaded:  %s -- %s", source->title, result_date(source->remoteTime).c_str());
    statusLine(owner, line.c_str(), -1);
    return 1;
}

void downloadGroup(AppWindow* owner, RunContext* run, int group, std::span<const int> sources)
{
    Catalogue& c = run->catalogue;
    Selections& s = run->selections;
    if (s.sel[group] == 0 && !c.slot[group].required) {
        for (int m : sources) {
            if (s.sel[m] != s.ini[m]) {
                s.upd[group] = 1;
                return;
            }
        }
        return;
    }
    for (int m : sources) {
        if (s.sel[m]) {
            s.upd[m] = 0;
            if (downloadSource(owner, run, m, &c.slot[m])) s.upd[group] = 1;
        } else if (s.ini[m]) {
            s.upd[group] = 1;
        }
    }
    if (!fileExists(c.slot[group].targetPath.c_str())) s.upd[group] = 1;
}

void downloadUpdates(AppWindow* owner, RunContext* run)
{
    Catalogue& c = run->catalogue;
    Selections& s = run->selections;
    for (int slot : c.mainList) {
        s.upd[slot] = 0;
        if (std::span<const int> sources = group_sources(slot); !sources.empty()) {
            downloadGroup(owner, run, slot, sources);
        } else if (s.sel[slot] || c.slot[slot].required) {
            downloadSource(owner, run, slot, &c.slot[slot]);
        }
    }
}

void markInstalled(const Catalogue& catalogue, const Selections& selections, int slot)
{
    auto installed = [&](int m) {
        if (catalogue.slot[m].remotePath) clear_not_installed(catalogue.slot[m]);
    };
    // A group's writer has read every selected source's copy, fetched in this run or not.
    std::span<const int> sources = group_sources(slot);
    if (sources.empty()) installed(slot);
    for (int m : sources)
        if (selections.sel[m]) installed(m);
}
