// The mark of a downloaded copy in UPDATE that is not installed yet: the one record
// of whether a copy counts as current. A copy with a mark is never current, so the
// next run fetches it again whatever its date; the mark is made durable before a
// download may replace the copy, and removed only once an install from the copy has
// succeeded, so a run killed or failing in between leaves it.
#pragma once

#include <string>

#include "catalogue/data_source.h"

struct AppWindow;

// A fetched copy carries the server's date from the start, so that what is installed
// from it carries that date too; the mark is a file beside it (downloadPath +
// kNotInstalledSuffix).
inline constexpr const char* kNotInstalledSuffix = ".~notinstalled";
std::string not_installed_marker(const std::string& download_path);

// Non-zero when the source's copy is marked as not yet installed.
int is_marked_not_installed(const DataSource& source);

// Writes the marker of the source's copy and makes it durable. 1 done; 0 reported
// ("ERROR: Unable to open file \"%s\" for write.", title "CreateFile").
[[nodiscard]] int mark_not_installed(AppWindow* owner, const DataSource& source);

// Removes the marker: the copy is what is installed. A marker that cannot be removed
// only costs a fetch more.
void clear_not_installed(const DataSource& source);
