#include "pipeline/calendar_download.h"

#include <ctime>
#include <string>

#include "base/config.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/report.h"
#include "base/status_line.h"
#include "calendar/calendar_compare.h"
#include "files/file_ops.h"
#include "net/http_fetch.h"
#include "pipeline/download_checks.h"
#include "platform/platform.h"

namespace {

// Progress-bar total when the size of the previous copy is unknown.
constexpr uint32_t kDefaultCalendarSize = 16384;

// Creates the missing folders above the staging folder without a word: a fresh
// account may not have its data folder yet, and the staging folder's own creation
// reports what really cannot be made.
void make_parent_folders(const std::string& folder)
{
    for (size_t cut = folder.find_first_of("/\\", 1); cut != std::string::npos;
         cut = folder.find_first_of("/\\", cut + 1)) {
        std::string prefix = folder.substr(0, cut);
        if (!directoryExists(prefix.c_str())) (void)g_platform.create_directory(prefix.c_str());
    }
    if (!directoryExists(folder.c_str())) (void)g_platform.create_directory(folder.c_str());
}

// 1 when the new calendar stands in UPDATE; -1 after the move was reported failed.
int move_into_updates(AppWindow* owner, const std::string& staged, const DataSource& source)
{
    if (moveFileReported(owner, staged.c_str(), source.downloadPath.c_str())) return 1;
    status_remove_last(owner);
    return -1;
}

}  // namespace

int download_calendar(AppWindow* owner, InetHandle* request, DataSource* source)
{
    std::string app_data;
    if (!g_platform.app_data_folder(&app_data)) {
        report_message(owner, "Could not get path to APPDATA", "APPDATA", kMbIconError);
        closeRequest(request);
        return -1;
    }
    // Paths are not cut at 260 characters: a shortened name would be another file.
    make_parent_folders(app_data);
    std::string staging = app_data + "\\KESTRL";
    if (!ensureDirectory(owner, staging.c_str())) {
        closeRequest(request);
        return -1;
    }
    std::string staged = join_path(staging.c_str(), fileNamePart(source->remotePath ? source->remotePath : ""));

    // The server gives no useful date: the fetch time stands in, and the previous
    // copy's size is the best guess of the progress-bar total.
    source->remoteTime = int64_t(std::time(nullptr));
    source->remoteSize = source->localSize != 0 ? source->localSize : kDefaultCalendarSize;

    std::string progress = format_bounded(kMessageSize, "Downloading:  %s", source->title ? source->title : "");
    status_progress_line(owner, progress.c_str());

    // Until the calendar file is built from it, the download phase's marker keeps it
    // from counting as current. A cut-short answer or an error page must never become
    // the calendar: only a calendar with an event is staged.
    const int fetched =
        fetchToFile(owner, request, *source, staged.c_str(), source->remoteTime, download_check(kSlotCalendarSource));
    closeRequest(request);
    if (!fetched) {
        status_remove_last(owner);
        return -1;
    }

    if (!fileExists(source->downloadPath.c_str())) return move_into_updates(owner, staged, *source);

    // The new one is a calendar: -1 here means the old copy is none, so it changed.
    if (compare_calendars(owner, staged.c_str(), source->downloadPath.c_str()) == 0) {
        debug_printf("\nDEBUG:\tcalendars are the same, no update needed.\n\n");
        status_remove_last(owner);  // the download phase writes the result line
        return 0;
    }
    debug_printf("DEBUG:\tcalendars are different, update is needed.\n");
    return move_into_updates(owner, staged, *source);
}
