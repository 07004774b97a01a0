#include "net/self_update.h"

#include <cstdio>
#include <ctime>
#include <string>

#include "base/calendar_time.h"
#include "base/log.h"
#include "base/report.h"
#include "base/atomic_file.h"
#include "files/file_ops.h"
#include "net/http_fetch.h"
#include "platform/platform.h"

namespace {

// The server's copy must be more than this much newer than the running file.
constexpr int64_t kNewerBySeconds = 60;

// "kstlupd.exe" -> "kstlupd.~xe": the character after the last '.' becomes '~'.
std::string backup_name(const std::string& target)
{
    const size_t dot = target.find_last_of('.');
    const size_t separator = target.find_last_of("\\/");
    if (dot == std::string::npos || dot + 1 >= target.size() || (separator != std::string::npos && dot < separator))
        return target + "~";
    std::string name = target;
    name[dot + 1] = '~';
    return name;
}

std::string date_text(int64_t t)
{
    // The day as %e writes it (padded with a blank); not every C library has %e.
    const std::tm utc = utc_calendar_time(t);
    char text[32] = {};
    const int day = std::snprintf(text, sizeof text, "%2d", utc.tm_mday);
    std::strftime(text + day, sizeof text - size_t(day), "-%b-%Y", &utc);
    return text;
}

// Fetches the new program file beside the running one and only then swaps them, so
// that a failed download leaves the running program's file as it was. The question
// before this may have taken minutes, so the file comes with a request of its own
// rather than through one held open all that time. 1 when the new file is in place.
int install_new_version(Window* owner, InetHandle* session, DataSource* source)
{
    const std::string& target = source->targetPath;
    const std::string staged = temp_path_for(target);
    InetHandle* request = openRequest(owner, session, *source);
    if (!request) return 0;
    if (!queryRemoteInfo(owner, request, source)) {
        // No date this time: the file keeps the one the offer was made with.
    }
    const int fetched = fetchToFile(owner, request, *source, staged.c_str(), source->remoteTime);
    closeRequest(request);
    if (!fetched) return 0;

    const std::string backup = backup_name(target);
    if (!moveFileReported(owner, target.c_str(), backup.c_str())) {
        g_platform.delete_file(staged.c_str());
        return 0;
    }
    if (!moveFileReported(owner, staged.c_str(), target.c_str())) {
        // Put the running program's file back where the next start looks for it.
        if (!g_platform.move_file(backup.c_str(), target.c_str()))
            log_printf("ERROR:\tThe previous program file is kept as %s\n", backup.c_str());
        g_platform.delete_file(staged.c_str());
        return 0;
    }
    return 1;
}

}  // namespace

int checkSelfUpdate(Window* owner, InetHandle* session, DataSource* source)
{
    // Without the running program's file there is nothing to compare with.
    FileStatus status;
    if (!g_platform.file_status(source->targetPath.c_str(), &status) || status.is_directory) return 0;
    source->localTime = status.mtime;
    source->localSize = static_cast<uint32_t>(status.size);

    // A server that honours the condition answers "not newer" with headers only.
    const int64_t offer_after = copy_time_usable(source->localTime, int64_t(std::time(nullptr)))
                                    ? source->localTime + kNewerBySeconds
                                    : 0;
    InetHandle* request = openRequest(owner, session, *source, offer_after);
    if (!request) return 0;
    const int dated = queryRemoteInfo(owner, request, source);
    // The body is not wanted now; closing abandons it.
    closeRequest(request);
    if (!dated) return 0;
    if (source->remoteTime - source->localTime <= kNewerBySeconds) return 0;

    const std::string question = format_bounded(
        kMessageSize, "There is a new version of the KESTRL Data Updater\ndated %s. Do you want to download it?",
        date_text(source->remoteTime).c_str());
    const int answer = ask_question(owner, question.c_str(), "New version", kMbYesNoCancel | kMbIconQuestion);
    if (answer == kIdNo) return 0;
    if (answer != kIdYes) return 1;

    if (!install_new_version(owner, session, source)) return 0;
    const int restart =
        ask_question(owner, "Do you want to restart using the new version?", "Restart", kMbYesNo | kMbIconQuestion);
    return restart == kIdYes ? 1 : 0;
}
