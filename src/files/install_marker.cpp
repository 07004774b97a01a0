#include "files/install_marker.h"

#include "base/atomic_file.h"
#include "base/log.h"
#include "base/report.h"
#include "files/file_ops.h"
#include "platform/platform.h"

std::string not_installed_marker(const std::string& download_path) { return download_path + kNotInstalledSuffix; }

int is_marked_not_installed(const DataSource& source)
{
    return fileExists(not_installed_marker(source.downloadPath).c_str());
}

int mark_not_installed(AppWindow* owner, const DataSource& source)
{
    const std::string marker = not_installed_marker(source.downloadPath);
    AtomicFile file;
    if (atomic_open(&file, marker)) {
        std::fputs("fetched, not yet installed\r\n", file.file);
        if (atomic_commit(&file)) return 1;
    }
    const std::string text =
        format_bounded(kMessageSize, "ERROR: Unable to open file \"%s\" for write.", marker.c_str());
    report_message(owner, text.c_str(), "CreateFile", kMbIconError);
    return 0;
}

void clear_not_installed(const DataSource& source)
{
    const std::string marker = not_installed_marker(source.downloadPath);
    if (!g_platform.delete_file(marker.c_str()) && fileExists(marker.c_str()))
        debug_printf("DEBUG:\tcould not delete %s\n", marker.c_str());
}
