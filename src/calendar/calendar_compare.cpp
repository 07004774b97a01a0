#include "calendar/calendar_compare.h"

#include <string>

#include "base/log.h"
#include "base/report.h"
#include "calendar/json_doc.h"

namespace {

void report_not_json(AppWindow* owner, const char* path)
{
    std::string text = format_bounded(kMessageSize, "%s is not a JSON file", path);
    report_message(owner, text.c_str(), "Not JSON", kMbIconError);
}

// An element's member count; one that is not an object counts as one without members.
size_t member_count(const JsonDoc& doc, size_t element)
{
    return json_type(doc, element) == JsonType::object ? json_size(doc, element) : 0;
}

// Position by position: the same members in another order are a change, as the
// converter reads them by position.
bool same_element(const JsonDoc& fresh, size_t a, const JsonDoc& old, size_t b)
{
    size_t members = member_count(fresh, a);
    if (members != member_count(old, b)) return false;
    for (size_t x = a + 1, y = b + 1, n = 0; n < members; ++n, x = json_next(fresh, x + 1), y = json_next(old, y + 1)) {
        if (json_string(fresh, x) != json_string(old, y)) return false;
        if (!json_equal(fresh, x + 1, old, y + 1)) return false;
    }
    return true;
}

}  // namespace

int compare_calendars(AppWindow* owner, const char* new_file, const char* old_file)
{
    // The kept copy is held whole; the new one is compared element by element as it
    // is read, so a huge download never has two trees in memory.
    JsonDoc old;
    bool old_ok = json_parse_file(old_file, &old) && json_type(old, 0) == JsonType::array;
    size_t old_element = 1;
    size_t fresh_count = 0;
    bool different = false;
    int fresh_ok = json_parse_elements(new_file, [&](const JsonDoc& element) {
        ++fresh_count;
        if (different || !old_ok) return;
        different = old_element >= json_next(old, 0) || !same_element(element, 0, old, old_element);
        if (!different) old_element = json_next(old, old_element);
    });
    if (!fresh_ok) {
        report_not_json(owner, new_file);
        return -1;
    }
    if (!old_ok) {
        report_not_json(owner, old_file);
        return -1;
    }
    return different || fresh_count != json_size(old, 0) ? 1 : 0;
}
