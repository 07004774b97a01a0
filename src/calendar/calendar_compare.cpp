#include "calendar/calendar_compare.h"

#include <string>
#include <string_view>

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
size_t member_count(const JsonValue& element) { return element.is_object() ? element.size() : 0; }

// Position by position: the same members in another order are a change, as the
// converter reads them by position.
bool same_element(const JsonValue& fresh, const JsonValue& old)
{
    const size_t members = member_count(fresh);
    if (members != member_count(old)) return false;
    if (members == 0) return true;
    auto a = fresh.get_ref<const JsonValue::object_t&>().begin();
    auto b = old.get_ref<const JsonValue::object_t&>().begin();
    for (size_t i = 0; i < members; ++i)
        if (a[i].first != b[i].first || !json_equal(a[i].second, b[i].second)) return false;
    return true;
}

}  // namespace

int compare_calendars(AppWindow* owner, const char* new_file, const char* old_file)
{
    // Both files are read one element at a time. The kept copy's elements wait as
    // compact text, one line each, and are read back one at a time: as values, a
    // file of many tiny elements would take many times its size.
    std::string kept;
    size_t old_count = 0;
    const bool old_ok = json_parse_elements(old_file, [&](const JsonValue& element) {
        kept += element.dump();
        kept += '\n';
        ++old_count;
    });
    size_t fresh_count = 0;
    size_t line = 0;
    bool different = false;
    const int fresh_ok = json_parse_elements(new_file, [&](const JsonValue& element) {
        ++fresh_count;
        if (different || !old_ok) return;
        const size_t end = kept.find('\n', line);
        if (end == std::string::npos) {
            different = true;
            return;
        }
        // The same text is the same value; only a different one is read back and
        // compared with the tolerance.
        const std::string_view old_text = std::string_view(kept).substr(line, end - line);
        JsonValue old;
        different = old_text != element.dump() && (!json_parse_text(old_text, &old) || !same_element(element, old));
        line = end + 1;
    });
    if (!fresh_ok) {
        report_not_json(owner, new_file);
        return -1;
    }
    if (!old_ok) {
        report_not_json(owner, old_file);
        return -1;
    }
    return different || fresh_count != old_count ? 1 : 0;
}
