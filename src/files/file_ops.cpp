#include "files/file_ops.h"

#include <cctype>
#include <vector>

#include "base/atomic_file.h"
#include "base/log.h"
#include "base/path_text.h"
#include "base/report.h"
#include "files/install_marker.h"
#include "platform/platform.h"

namespace {

void report_error(AppWindow* owner, const std::string& text, const char* title)
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

int backupTarget(AppWindow* owner, const DataSource& source, AtomicFile* staged)
{
    std::string backup = join_path("BACKUP", fileNamePart(source.targetPath));
    FileStatus target;
    if (!g_platform.file_status(source.targetPath.c_str(), &target) || target.is_directory) return 1;
    FileStatus old;
    if (g_platform.file_status(backup.c_str(), &old) && !old.is_directory && old.mtime == target.mtime) return 1;
    // Through the writer: the previous backup goes only when the new one is whole,
    // and a read-only backup (of a read-only target) is replaced like any other.
    AtomicFile own;
    AtomicFile* copy = staged ? staged : &own;
    if (!atomic_copy_staged(source.targetPath.c_str(), backup.c_str(), copy) || (!staged && !atomic_place(copy))) {
        uint32_t code = g_platform.last_error();
        report_error(owner,
                     format_bounded(kMessageSize, "Can't backup %s to %s\nError Code = %d", source.targetPath.c_str(),
                                    backup.c_str(), int(code)),
                     "CopyFile");
        return 0;
    }
    return 1;
}

int installCopy(AppWindow* owner, const DataSource& source)
{
    const char* from = source.downloadPath.c_str();
    const char* to = source.targetPath.c_str();
    if (atomic_copy(from, to)) return 1;
    report_error(
        owner,
        format_bounded(kMessageSize, "Can't copy %s to %s\nError Code = %d", from, to, int(g_platform.last_error())),
        "CopyFile");
    return 0;
}

int copyFileReported(AppWindow* owner, const char* from, const char* to)
{
    if (g_platform.copy_file(from, to, 1)) return 1;
    report_error(owner, transfer_error("copy", from, to, g_platform.last_error()), "CopyFileEx");
    return 0;
}

int moveFileReported(AppWindow* owner, const char* from, const char* to)
{
    if (g_platform.move_file(from, to)) return 1;
    report_error(owner, transfer_error("move", from, to, g_platform.last_error()), "MoveFileEx");
    return 0;
}

int ensureDirectory(AppWindow* owner, const char* path)
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
        g_platform.delete_file(not_installed_marker(s.downloadPath).c_str());
        if (i == kSlotClubLog) {
            debug_printf("DEBUG:\tDeleting %s (%s)\n", s.targetPath.c_str(), s.title);
            g_platform.delete_file(s.targetPath.c_str());
        }
    }
}

int report_nothing_read(AppWindow* owner, const std::string& target, const std::string& text, const char* title,
                        uint32_t* errorCount)
{
    // Only a file that is there can stay as it was.
    const int kept = fileExists(target.c_str());
    report_error(owner,
                 kept ? format_bounded(kMessageSize, "%s: %s was not replaced", text.c_str(), target.c_str()) : text,
                 title);
    ++*errorCount;
    return kept;
}

void removeLeftoverTemps(const Catalogue& catalogue)
{
    std::vector<std::string> folders = {".", "BACKUP"};
    for (const DataSource& s : catalogue.slot) {
        for (const std::string* path : {&s.targetPath, &s.downloadPath}) {
            std::string folder = folder_part(*path);
            bool known = false;
            for (const std::string& f : folders) known = known || same_path_name(f, folder);
            if (!known) folders.push_back(folder);
        }
    }
    // With no program file, the received new program beside it may be the only copy
    // of the updater (an update killed between its renames); start-up puts it back.
    const std::string& program = catalogue.slot[kSlotUpdater].targetPath;
    const bool keep_program = !program.empty() && !fileExists(program.c_str());
    const std::string program_folder = folder_part(program);
    for (const std::string& folder : folders) {
        std::string keep;
        if (keep_program && same_path_name(folder, program_folder)) keep = fileNamePart(program) + kTempSuffix;
        const int removed = remove_temp_files(folder.c_str(), keep);
        if (removed != 0) debug_printf("DEBUG:\tRemoved %d unfinished file(s) from %s\n", removed, folder.c_str());
    }
}
