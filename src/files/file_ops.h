// The small file operations the pipeline, the self-update and the converters share,
// each reporting its own failure (log line and, unless -auto, a message box).
#pragma once

#include <string>

#include "catalogue/data_source.h"

struct Window;

// Non-zero when the path exists and is a directory / exists and is not one.
int directoryExists(const char* path);
int fileExists(const char* path);

// The text after the last '/' or '\' (the whole path when it has neither).
std::string fileNamePart(const std::string& path);

// "%s\%s" of a folder and a name.
std::string join_path(const char* folder, const std::string& name);

// Copies the target into BACKUP unless the backup already holds this version; the
// previous backup is replaced only by a complete new one.
// 1 done or nothing to do, 0 failed (reported, title "CopyFile").
[[nodiscard]] int backupTarget(Window* owner, const DataSource& source);

// Copies downloadPath over targetPath through the atomic writer, so a failed copy
// leaves the old target. 1 copied, 0 failed (reported, title "CopyFile").
[[nodiscard]] int installCopy(Window* owner, const DataSource& source);

// Copy (overwrite, keeps the time) and move (replace, across volumes). 1 done,
// 0 failed (reported with titles "CopyFileEx" / "MoveFileEx").
[[nodiscard]] int copyFileReported(Window* owner, const char* from, const char* to);
[[nodiscard]] int moveFileReported(Window* owner, const char* from, const char* to);

// 1 when the directory exists or was created; 0 otherwise, reported only when a
// parent is missing ("%s path not found!", title "CreateDirectory").
[[nodiscard]] int ensureDirectory(Window* owner, const char* path);

// Deletes the downloaded copies in UPDATE (never the user's own list).
void deleteOldUpdates(const Catalogue& catalogue);

// Removes the unfinished temporary files an earlier, killed run left in the folders
// the program writes to: the working folder, BACKUP, and every folder of a catalogue
// target or download (SAVE, IMPORT, UPDATE, CTYTexts, ...).
void removeLeftoverTemps(const Catalogue& catalogue);
