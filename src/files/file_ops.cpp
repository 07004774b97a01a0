#include "files/file_ops.h"

#include "base/log.h"
#include "base/report.h"
#include "base/atomic_file.h"
#include "platform/platform.h"

namespace {

void report_error(Window* owner, const std::string& text, const char* title)
{
    report_message(owner, text.c_str(), title, kMbIconError);
}

// The shared wording of failed copies and moves.
std::string transfer_error(const char* verb, const char* from, const char* to, uint32_t code)
{
    if (code == kErrorAccessDenied) return format_bounded(kMessageSize, "Access denied: %s", to);
    if (code == kErrorNotSameDevice) return format_bounded(kMessageSize, "Not same device: %s", to);
    return format_bounded(kMessageSize, "Unable to %s %s to %s, error code = %0d", verb, from, to, int(code));
}

}  // namespace

int directoryExists(const char* path)
{
    FileStatus st;
    return g_platform.file_status(path, &st) && st.is_directory;
}

int fileExists(const char* path)
{
    FileStatus st;
    return g_platform.file_status(path, &st) && !st.is_directory;
}

std::string fileNamePart(const std::string& path)
{
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string join_path(const char* folder, const std::string& name)
{
    return std::string(folder) + "\\" + name;
}

int backupTarget(Window* owner, const DataSource& source)
{
    std::string backup = join_path("BACKUP", fileNamePart(source.targetPath));
    FileStatus target;
    if (!g_platform.file_status(source.targetPath.c_str(), &target) || target.is_directory) return 1;
    FileStatus old;
    if (g_platform.file_status(backup.c_str(), &old) && !old.is_directory && old.mtime == target.mtime) return 1;
    if (!g_platform.copy_file(source.targetPath.c_str(), backup.c_str(), 1)) {
        uint32_t code = g_platform.last_error();
        report_error(owner,
                     format_bounded(kMessageSize, "Can't backup %s to %s\nError Code = %d", source.targetPath.c_str(),
                                    backup.c_str(), int(code)),
                     "CopyFile");
        return 0;
    }
    return 1;
}

int installCopy(Window* owner, const DataSource& source)
{
    const std::string temp = temp_path_for(source.targetPath);
    const char* from = source.downloadPath.c_str();
    const char* to = source.targetPath.c_str();
    uint32_t code = 0;
    if (!g_platform.copy_file(from, temp.c_str(), 1)) {
        code = g_platform.last_error();
    } else if (!g_platform.move_file(temp.c_str(), to)) {
        code = g_platform.last_error();
    }
    if (code == 0) return 1;
    g_platform.delete_file(temp.c_str());
    report_error(owner, format_bounded(kMessageSize, "Can't copy %s to %s\nError Code = %d", from, to, int(code)),
                 "CopyFile");
    return 0;
}

int copyFileReported(Window* owner, const char* from, const char* to)
{
    if (g_platform.copy_file(from, to, 1)) return 1;
    report_error(owner, transfer_error("copy", from, to, g_platform.last_error()), "CopyFileEx");
    return 0;
}

int moveFileReported(Window* owner, const char* from, const char* to)
{
    if (g_platform.move_file(from, to)) return 1;
    report_error(owner, transfer_error("move", from, to, g_platform.last_error()), "MoveFileEx");
    return 0;
}

int ensureDirectory(Window* owner, const char* path)
{
    if (directoryExists(path)) return 1;
    if (g_platform.create_directory(path)) return 1;
    if (g_platform.last_error() == kErrorPathNotFound)
        report_error(owner, format_bounded(kMessageSize, "%s path not found!", path), "CreateDirectory");
    return 0;
}

void deleteOldUpdates(const Catalogue& catalogue)
{
    for (int i = 0; i < kSlotCount; ++i) {
        const DataSource& s = catalogue.slot[i];
        if (i == kSlotCustomList || s.downloadPath.empty()) continue;
        debug_printf("DEBUG:\tDeleting %s (%s)\n", s.downloadPath.c_str(), s.title);
        g_platform.delete_file(s.downloadPath.c_str());
        if (i == kSlotClubLog) {
            debug_printf("DEBUG:\tDeleting %s (%s)\n", s.targetPath.c_str(), s.title);
            g_platform.delete_file(s.targetPath.c_str());
        }
    }
}
