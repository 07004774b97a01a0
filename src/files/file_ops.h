// The small file operations the pipeline, the self-update and the converters share,
// each reporting its own failure (log line and, unless -auto, a message box).
#pragma once

#include <string>

#include "catalogue/data_source.h"

struct AppWindow;
struct AtomicFile;

// Non-zero when the path exists and is a directory / exists and is not one.
int directoryExists(const char* path);
int fileExists(const char* path);

// Copies the target into BACKUP unless the backup already holds this version; the
// previous backup is replaced only by a complete new one. With `staged`, the copy
// waits beside the backup in it until atomic_place puts it there (an install that
// ends up replacing nothing drops it).
// 1 done or nothing to do, 0 failed (reported, title "CopyFile").
[[nodiscard]] int backupTarget(AppWindow* owner, const DataSource& source, AtomicFile* staged = nullptr);

// Copies downloadPath over targetPath through the atomic writer, so a failed copy
// leaves the old target. 1 copied, 0 failed (reported, title "CopyFile").
[[nodiscard]] int installCopy(AppWindow* owner, const DataSource& source);

// Copy (overwrite, keeps the time) and move (replace, across volumes). 1 done,
// 0 failed (reported with titles "CopyFileEx" / "MoveFileEx").
[[nodiscard]] int copyFileReported(AppWindow* owner, const char* from, const char* to);
[[nodiscard]] int moveFileReported(AppWindow* owner, const char* from, const char* to);

// 1 when the directory exists or was created; 0 otherwise, reported only when a
// parent is missing ("%s path not found!", title "CreateDirectory").
[[nodiscard]] int ensureDirectory(AppWindow* owner, const char* path);

// Deletes the downloaded copies in UPDATE and their not-installed markers (never the
// user's own list).
void deleteOldUpdates(const Catalogue& catalogue);

// For a converter with a downloaded list (or calendar) that gave not one record:
// reports `text` as an error (title `title`), followed by ": <target> was not
// replaced" when the target exists, and counts it in *errorCount. 1 when an
// installed target exists, which then stays as it is; 0 when there is none yet, so
// that what there is may be written. Either way the install has failed and its copies
// stay marked as not installed, to be fetched again whatever their date.
[[nodiscard]] int report_nothing_read(AppWindow* owner, const std::string& target, const std::string& text,
                                      const char* title, uint32_t* errorCount);

// Removes the unfinished temporary files an earlier, killed run left in the folders
// the program writes to: the working folder, BACKUP, and every folder of a catalogue
// target or download (SAVE, IMPORT, UPDATE, CTYTexts, ...). Only for a run that
// holds the folder's run lock: then no other run is writing any of them.
void removeLeftoverTemps(const Catalogue& catalogue);
