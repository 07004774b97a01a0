// The logging program's binary calendar file ("CALB"), built from the JSON calendar
// that the download phase keeps in UPDATE.
#pragma once

#include <cstdint>

#include "calendar/calendar_events.h"
#include "catalogue/data_source.h"

struct AppWindow;
struct Selections;

// The file holds a 16-bit event count: a calendar with more events keeps the first
// this many in file order, and the log says so.
constexpr int kMaxCalendarEvents = 65535;

// The sorted events of the JSON calendar at the source's downloadPath; none after
// reporting a missing or unparsable file or a root that is not an array ("%s is
// missing or not a JSON file", "Not JSON") or an empty array ("%s has no calendar
// events!", "No events"). An element that is not an object of at least three
// string members with valid start and end dates is skipped with a log line naming
// its index; a later event with the text and start date of an earlier one is dropped
// with "ERROR:\tDuplicate event: %s\n". Both kinds are logged in the order of the
// array, at most kLoggedPerKind times each, then counted in one line per kind.
[[nodiscard]] std::vector<CalendarEvent> read_calendar(AppWindow* owner, const DataSource& source);

// True when the file at `path` is a JSON array with at least one element that
// read_calendar takes as an event; otherwise false with the reason in *why. Logs
// nothing.
bool check_calendar(const char* path, std::string* why);

// Rebuilds the calendar target of `slot` from the calendar source (slot 26) when that
// is selected, else writes a calendar without events. 1 on success; 0 when the target
// could not be written (reported; the old file unchanged), or when the selected
// calendar gave not one event (report_nothing_read: the old file unchanged, an empty
// one written only where there was none).
[[nodiscard]] int write_calendar(AppWindow* owner, int slot, const Catalogue& catalogue, const Selections& selections,
                                 uint32_t* errorCount);
