#include "calendar/calendar_compare.h"

#include <string>

#include "base/log.h"
#include "base/report.h"
#include "calendar/json_doc.h"

namespace {

// The root array of a calendar file, or 0 after reporting that it is none.
int load_calendar_array(Window* owner, const char* path, JsonDoc* out)
{
    if (json_parse_file(path, out) && json_type(*out, 0) == JsonType::array) return 1;
    std::string text = format_bounded(kMessageSize, "%s is not a JSON file", path);
    report_message(owner, text.c_str(), "Not JSON", kMbIconError);
    return 0;
}

// An element's member count; one that is not an object counts as one without members.
size_t member_count(const JsonDoc& doc, size_t element)
{
    return json_type(doc, element) == JsonType::object ? json_size(doc, element) : 0;
}

}  // namespace

int compare_calendars(Window* owner, const char* new_file, const char* old_file)
{
    JsonDoc fresh;
    if (!load_calendar_array(owner, new_file, &fresh)) return -1;
    JsonDoc old;
    if (!load_calendar_array(owner, old_file, &old)) return -1;

    if (json_size(fresh, 0) != json_size(old, 0)) return 1;
    for (size_t a = 1, b = 1; a < json_next(fresh, 0); a = json_next(fresh, a), b = json_next(old, b)) {
        size_t members = member_count(fresh, a);
        if (members != member_count(old, b)) return 1;
        // Position by position: the same members in another order are a change, as
        // the converter reads them by position.
        for (size_t x = a + 1, y = b + 1, n = 0; n < members; ++n, x = json_next(fresh, x + 1), y = json_next(old, y + 1)) {
            if (json_string(fresh, x) != json_string(old, y)) return 1;
            if (!json_equal(fresh, x + 1, old, y + 1)) return 1;
        }
    }
    return 0;
}
