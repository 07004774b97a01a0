#include "calendar/calendar_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/config.h"
#include "base/log.h"
#include "base/report.h"
#include "calendar/json_doc.h"
#include "catalogue/selections.h"
#include "base/atomic_file.h"

namespace {

// A date part as the C library's atoi reads it (leading white space, a plus sign,
// then decimal digits; 0 when there are none), held at INT32_MAX instead of
// overflowing.
int32_t date_part(const std::string& text, size_t begin, size_t end)
{
    size_t i = begin;
    while (i < end && (text[i] == '\t' || text[i] == '\n' || text[i] == '\v' || text[i] == '\f' || text[i] == '\r'))
        ++i;
    if (i < end && text[i] == '+') ++i;
    int64_t value = 0;
    for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT32_MAX) value = INT32_MAX;
    }
    return int32_t(value);
}

// Year, month and day from the first three parts of a text split at runs of '/',
// '-' and blanks; what follows them (a time of day, say) is ignored. 0 when there
// are fewer than three parts.
int parse_date(const std::string& text, CalendarDate* date)
{
    int32_t parts[3] = {};
    int found = 0;
    size_t pos = 0;
    while (found < 3) {
        pos = text.find_first_not_of("/- ", pos);
        if (pos == std::string::npos) break;
        size_t end = text.find_first_of("/- ", pos);
        if (end == std::string::npos) end = text.size();
        parts[found++] = date_part(text, pos, end);
        pos = end;
    }
    if (found < 3) return 0;
    date->year = parts[0];
    date->month = parts[1];
    date->day = parts[2];
    return 1;
}

void skip_element(size_t index, const char* why)
{
    log_printf("WARNING:\tCalendar element %zu skipped: %s\n", index, why);
}

// The event an array element describes, or nullptr after logging why it was skipped.
EventTree event_from_element(const JsonValue& element, size_t index)
{
    if (!element.is_object()) {
        skip_element(index, "not an object");
        return nullptr;
    }
    if (element.size() < 3) {
        skip_element(index, "fewer than three members");
        return nullptr;
    }
    // Member names mean nothing here: start, end and text are the first three values.
    const JsonValue* values[3];
    auto member = element.begin();
    for (int i = 0; i < 3; ++i, ++member) {
        if (!member.value().is_string()) {
            skip_element(index, "one of the first three members is not a string");
            return nullptr;
        }
        values[i] = &member.value();
    }
    auto event = std::make_unique<CalendarEvent>();
    const std::string& start = values[0]->get_ref<const std::string&>();
    const std::string& end = values[1]->get_ref<const std::string&>();
    if (!parse_date(start, &event->start) || !parse_date(end, &event->end)) {
        skip_element(index, "a date with fewer than three parts");
        return nullptr;
    }
    if (event->start.month < 1 || event->start.month > 12 || event->end.month < 1 || event->end.month > 12) {
        skip_element(index, "a month outside 1 to 12");
        return nullptr;
    }
    // The logging program's text field is a C string, so a NUL ends the text too.
    const std::string& text = values[2]->get_ref<const std::string&>();
    event->text = text.substr(0, std::min(text.find_first_of(std::string("\r\n\0", 3)), text.size()));
    return event;
}

}  // namespace

EventTree read_calendar(Window* owner, const DataSource& source)
{
    const char* path = source.downloadPath.c_str();
    JsonValue root;
    if (!json_parse_file(path, &root) || !root.is_array()) {
        std::string text = format_bounded(kMessageSize, "%s is missing or not a JSON file", path);
        report_message(owner, text.c_str(), "Not JSON", kMbIconError);
        return nullptr;
    }
    if (root.empty()) {
        std::string text = format_bounded(kMessageSize, "%s has no calendar events!", path);
        report_message(owner, text.c_str(), "No events", kMbIconError);
        return nullptr;
    }
    EventTree tree;
    for (size_t i = 0; i < root.size(); ++i) {
        EventTree event = event_from_element(root[i], i);
        if (event) tree = insert_event(std::move(tree), std::move(event));
    }
    return tree;
}

int write_calendar(Window* owner, int slot, const Catalogue& catalogue)
{
    const DataSource& source = catalogue.slot[kSlotCalendarSource];
    const DataSource& target = catalogue.slot[slot];
    const Selections* selections = g_config.selections;
    const char* title = source.title ? source.title : "";

    if (selections && selections->upd[kSlotCalendarSource]) debug_printf("DEBUG:\t    %s was updated\n", title);
    // A deselected source still rewrites the file, empty: the logging program's
    // calendar then shows nothing.
    EventTree tree;
    if (selections && selections->sel[kSlotCalendarSource]) tree = read_calendar(owner, source);

    const char* path = target.targetPath.c_str();
    AtomicFile file;
    if (!atomic_open(&file, target.targetPath)) {
        report_open_error(owner, path, errno);
        return 0;
    }
    int total = write_events(nullptr, tree.get());
    int count = total < kMaxCalendarEvents ? total : kMaxCalendarEvents;
    if (total > count)
        log_printf("WARNING:\tThe calendar has %d events; only the first %d fit into %s\n", total, count, path);

    uint8_t header[10] = {'C', 'A', 'L', 'B', uint8_t(kCalendarRecordSize), 0, uint8_t(count & 0xFF),
                          uint8_t((count >> 8) & 0xFF), 0, 0};
    std::fwrite(header, 1, sizeof header, file.file);
    write_events(file.file, tree.get(), count);
    // A failed write or a full disk surfaces here; the old calendar then stays.
    if (!atomic_commit(&file)) {
        std::string reason = format_bounded(128, "%s", std::strerror(errno));
        std::string text = format_bounded(kMessageSize, "Error writing %s:\n%s", path, reason.c_str());
        report_message(owner, text.c_str(), "File Write", kMbIconError);
        return 0;
    }
    if (count != 0) debug_printf("DEBUG:\t  Wrote %d calendar events to %s\n", count, path);
    return 1;
}
