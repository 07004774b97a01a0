#include "calendar/calendar_compare.h"

#include <string>

#include "base/log.h"
#include "base/report.h"
#include "calendar/json_doc.h"

namespace {

// The root array of a calendar file, or 0 after reporting that it is none.
int load_calendar_array(Window* owner, const char* path, JsonValue* out)
{
    if (json_parse_file(path, out) && out->is_array()) return 1;
    std::string text = format_bounded(kMessageSize, "%s is not a JSON file", path);
    report_message(owner, text.c_str(), "Not JSON", kMbIconError);
    return 0;
}

const JsonValue& empty_object()
{
    static const JsonValue object = JsonValue::object();
    return object;
}

}  // namespace

int compare_calendars(Window* owner, const char* new_file, const char* old_file)
{
    JsonValue fresh;
    if (!load_calendar_array(owner, new_file, &fresh)) return -1;
    JsonValue old;
    if (!load_calendar_array(owner, old_file, &old)) return -1;

    if (fresh.size() != old.size()) return 1;
    for (size_t i = 0; i < fresh.size(); ++i) {
        // An element that is not an object counts as one without members.
        const JsonValue& a = fresh[i].is_object() ? fresh[i] : empty_object();
        const JsonValue& b = old[i].is_object() ? old[i] : empty_object();
        if (a.size() != b.size()) return 1;
        // Position by position: the same members in another order are a change, as
        // the converter reads them by position.
        for (auto x = a.begin(), y = b.begin(); x != a.end(); ++x, ++y) {
            if (x.key() != y.key()) return 1;
            if (!json_equal(x.value(), y.value())) return 1;
        }
    }
    return 0;
}
