#include "calendar/calendar_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "base/little_endian.h"
#include "base/log.h"
#include "base/log_limit.h"
#include "base/outside_text.h"
#include "base/report.h"
#include "calendar/json_doc.h"
#include "catalogue/selections.h"
#include "files/file_ops.h"

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

// Why an element gives no event, or nullptr when it gives one in *event.
const char* event_from_element(const JsonValue& element, CalendarEvent* event)
{
    if (!element.is_object()) return "not an object";
    if (element.size() < 3) return "fewer than three members";
    // Member names mean nothing here: start, end and text are the first three values.
    // By an iterator: the map's own [] looks a member up by name.
    const auto members = element.get_ref<const JsonValue::object_t&>().begin();
    for (size_t i = 0; i < 3; ++i)
        if (!members[i].second.is_string()) return "one of the first three members is not a string";
    const std::string& text = members[2].second.get_ref<const std::string&>();
    if (!parse_date(members[0].second.get_ref<const std::string&>(), &event->start) ||
        !parse_date(members[1].second.get_ref<const std::string&>(), &event->end))
        return "a date with fewer than three parts";
    if (event->start.month < 1 || event->start.month > 12 || event->end.month < 1 || event->end.month > 12)
        return "a month outside 1 to 12";
    // The logging program's text field is a C string, so a NUL ends the text too.
    event->text = text.substr(0, std::min(text.find_first_of(std::string("\r\n\0", 3)), text.size()));
    return nullptr;
}

struct SkippedElement {
    size_t element = 0;
    const char* why = nullptr;
};

// Skipped elements and duplicate events in the order of the array, at most
// kLoggedPerKind of each kind, then one line for each kind with the count of the rest.
void log_dropped(const std::vector<SkippedElement>& skipped, const LogLimit& skip_limit,
                 const std::vector<CalendarEvent>& duplicates)
{
    LogLimit duplicate_limit;
    size_t d = 0;
    auto log_duplicates_before = [&](size_t element) {
        for (; d < duplicates.size() && duplicates[d].element < element; ++d) {
            if (!log_limit_take(&duplicate_limit)) continue;
            std::string text =
                format_bounded(kMessageSize, "Duplicate event: %s", shown_text(duplicates[d].text).c_str());
            log_printf("ERROR:\t%s\n", text.c_str());
        }
    };
    for (const SkippedElement& skip : skipped) {
        log_duplicates_before(skip.element);
        log_printf("WARNING:\tCalendar element %zu skipped: %s\n", skip.element, skip.why);
    }
    log_duplicates_before(SIZE_MAX);
    if (int rest = log_limit_rest(skip_limit)) log_printf("WARNING:\t%d more calendar elements skipped\n", rest);
    if (int rest = log_limit_rest(duplicate_limit)) log_printf("ERROR:\t%d more duplicate events\n", rest);
}

}  // namespace

std::vector<CalendarEvent> read_calendar(AppWindow* owner, const DataSource& source)
{
    const char* path = source.downloadPath.c_str();
    std::vector<CalendarEvent> events;
    std::vector<SkippedElement> skipped;
    LogLimit skip_limit;
    size_t index = 0;
    const int ok = json_parse_elements(path, [&](const JsonValue& element) {
        CalendarEvent event;
        event.element = index++;
        if (const char* why = event_from_element(element, &event)) {
            if (log_limit_take(&skip_limit)) skipped.push_back({event.element, why});
            return;
        }
        events.push_back(std::move(event));
    });
    if (!ok) {
        std::string text = format_bounded(kMessageSize, "%s is missing or not a JSON file", path);
        report_message(owner, text.c_str(), "Not JSON", kMbIconError);
        return {};
    }
    if (index == 0) {
        std::string text = format_bounded(kMessageSize, "%s has no calendar events!", path);
        report_message(owner, text.c_str(), "No events", kMbIconError);
        return {};
    }
    std::vector<CalendarEvent> duplicates;
    sort_events(&events, &duplicates);
    log_dropped(skipped, skip_limit, duplicates);
    return events;
}

bool check_calendar(const char* path, std::string* why)
{
    bool found = false;
    const int ok = json_parse_elements(path, [&](const JsonValue& element) {
        CalendarEvent event;
        found = found || !event_from_element(element, &event);
    });
    if (!ok) *why = "it is not a JSON array";
    else if (!found) *why = "it holds no calendar event";
    else return true;
    return false;
}

int write_calendar(AppWindow* owner, int slot, const Catalogue& catalogue, const Selections& selections,
                   uint32_t* errorCount)
{
    const DataSource& source = catalogue.slot[kSlotCalendarSource];
    const DataSource& target = catalogue.slot[slot];
    const char* title = source.title ? source.title : "";

    if (selections.upd[kSlotCalendarSource]) debug_printf("DEBUG:\t    %s was updated\n", title);
    // A deselected source still rewrites the file, empty: the logging program's
    // calendar then shows nothing.
    std::vector<CalendarEvent> events;
    if (selections.sel[kSlotCalendarSource]) events = read_calendar(owner, source);

    const char* path = target.targetPath.c_str();
    // An answer that is no calendar must not empty the logging program's calendar.
    const bool nothing_read = selections.sel[kSlotCalendarSource] && events.empty();
    if (nothing_read && report_nothing_read(owner, target.targetPath,
                                            format_bounded(kMessageSize, "No calendar event could be read from %s",
                                                           source.downloadPath.c_str()),
                                            "No events", errorCount))
        return 0;
    AtomicFile file;
    if (!atomic_open(&file, target.targetPath)) {
        report_open_error(owner, path, errno);
        return 0;
    }
    int total = write_events(nullptr, events);
    int count = total < kMaxCalendarEvents ? total : kMaxCalendarEvents;
    if (total > count)
        log_printf("WARNING:\tThe calendar has %d events; only the first %d fit into %s\n", total, count, path);

    uint8_t header[10] = {'C', 'A', 'L', 'B', uint8_t(kCalendarRecordSize)};
    put_u16(header + 6, uint16_t(count));
    std::fwrite(header, 1, sizeof header, file.file);
    write_events(file.file, events, count);
    // A failed write or a full disk surfaces here; the old calendar then stays.
    if (!atomic_commit(&file)) {
        std::string reason = format_bounded(128, "%s", std::strerror(errno));
        std::string text = format_bounded(kMessageSize, "Error writing %s:\n%s", path, reason.c_str());
        report_message(owner, text.c_str(), "File Write", kMbIconError);
        return 0;
    }
    if (count != 0) debug_printf("DEBUG:\t  Wrote %d calendar events to %s\n", count, path);
    return nothing_read ? 0 : 1;
}
