#include "calendar/json_doc.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace {

// Objects with more members than this check repeated names, and are matched, through
// a hash set; below it a look along the members is quicker.
constexpr size_t kIndexedObjectSize = 32;

// Builds the library's values from its parse events. We build them rather than let
// the library's callback parser do it because that parser, and the library's own
// member insertion, look along a container for every value added to it: quadratic
// time on a hostile file. Returning false from an event ends the parse as failed: a
// member name repeated within one object (the calendar reads members by position, so
// such a document cannot be trusted), nesting deeper than kJsonDepthLimit, or, when
// reading elements, a root that is not an array.
struct ValueReader {
    using number_integer_t = JsonValue::number_integer_t;
    using number_unsigned_t = JsonValue::number_unsigned_t;
    using number_float_t = JsonValue::number_float_t;
    using string_t = JsonValue::string_t;
    using binary_t = JsonValue::binary_t;

    struct Open {
        JsonValue* value = nullptr;
        std::unique_ptr<std::unordered_set<std::string>> names;  // a large object's member names
    };

    // With an element callback each element of the root array is handed over and
    // released; without one the whole document stays in `value`.
    const std::function<void(const JsonValue&)>* element = nullptr;
    bool in_root_array = false;
    JsonValue value;
    std::vector<Open> open;  // the containers open in `value`
    std::string name;        // the name of the member whose value comes next

    bool add(JsonValue&& added, bool container)
    {
        const size_t levels = open.size() + (in_root_array ? 1 : 0);
        if (container && levels >= size_t(kJsonDepthLimit)) return false;
        JsonValue* placed = &value;
        if (open.empty()) {
            if (element && !in_root_array) return false;
            value = std::move(added);
        } else if (open.back().value->is_array()) {
            auto& array = open.back().value->get_ref<JsonValue::array_t&>();
            array.push_back(std::move(added));
            placed = &array.back();
        } else {
            // Appended, not inserted: key() has refused a repeated name already.
            auto& object = open.back().value->get_ref<JsonValue::object_t&>();
            object.emplace_back(std::move(name), std::move(added));
            placed = &object.back().second;
        }
        if (container) open.push_back(Open{placed, {}});
        else if (open.empty()) hand_over();
        return true;
    }

    void hand_over()
    {
        if (!element) return;
        (*element)(value);
        value = JsonValue();
    }

    bool end()
    {
        if (open.empty()) return true;  // the root array
        open.pop_back();
        if (open.empty()) hand_over();
        return true;
    }

    static bool repeated(Open* o, const std::string& member)
    {
        if (o->names) return !o->names->insert(member).second;
        const auto& object = o->value->get_ref<JsonValue::object_t&>();
        if (object.find(member) != object.end()) return true;
        if (object.size() + 1 > kIndexedObjectSize) {
            o->names = std::make_unique<std::unordered_set<std::string>>();
            for (const auto& m : object) o->names->insert(m.first);
            o->names->insert(member);
        }
        return false;
    }

    bool null() { return add(JsonValue(nullptr), false); }
    bool boolean(bool v) { return add(JsonValue(v), false); }
    bool number_integer(number_integer_t v) { return add(JsonValue(v), false); }
    bool number_unsigned(number_unsigned_t v) { return add(JsonValue(v), false); }
    bool number_float(number_float_t v, const string_t&) { return add(JsonValue(v), false); }
    bool string(string_t& v) { return add(JsonValue(std::move(v)), false); }
    bool binary(binary_t&) { return false; }  // JSON text has none
    bool start_object(std::size_t) { return add(JsonValue(JsonValue::value_t::object), true); }
    bool key(string_t& member)
    {
        if (repeated(&open.back(), member)) return false;
        name = std::move(member);
        return true;
    }
    bool end_object() { return end(); }
    bool start_array(std::size_t)
    {
        if (element && !in_root_array && open.empty()) return in_root_array = true;
        return add(JsonValue(JsonValue::value_t::array), true);
    }
    bool end_array() { return end(); }
    template <class Exception>
    bool parse_error(std::size_t, const std::string&, const Exception&)
    {
        return false;
    }
};

template <typename Input>
bool read(Input&& input, ValueReader* reader)
{
    try {
        return JsonValue::sax_parse(std::forward<Input>(input), reader, JsonValue::input_format_t::json, true, false);
    } catch (...) {
        return false;  // only allocation can throw here; a document we cannot hold is not usable
    }
}

bool numbers_equal(const JsonValue& a, const JsonValue& b)
{
    // Two integers differ by a whole number, so within the tolerance only when they
    // are equal; comparing them exactly keeps large ones from meeting in a double.
    if (!a.is_number_float() && !b.is_number_float()) {
        if (a.is_number_unsigned() == b.is_number_unsigned()) return a == b;
        // The parser gives non-negative integers the unsigned type; "-0" is signed.
        const int64_t signed_value = a.is_number_unsigned() ? b.get<int64_t>() : a.get<int64_t>();
        const uint64_t unsigned_value = a.is_number_unsigned() ? a.get<uint64_t>() : b.get<uint64_t>();
        return signed_value >= 0 && uint64_t(signed_value) == unsigned_value;
    }
    return std::fabs(a.get<double>() - b.get<double>()) < 0.000001;
}

}  // namespace

int json_parse_text(std::string_view text, JsonValue* out)
{
    ValueReader reader;
    const bool ok = read(text, &reader);
    *out = ok ? std::move(reader.value) : JsonValue();
    return ok ? 1 : 0;
}

int json_parse_elements(const char* path, const std::function<void(const JsonValue&)>& element)
{
    FILE* file = g_platform.open_file(path, "rb");
    if (!file) return 0;
    ValueReader reader;
    reader.element = &element;
    const bool ok = read(file, &reader) && !std::ferror(file);
    std::fclose(file);
    return ok ? 1 : 0;
}

bool json_equal(const JsonValue& a, const JsonValue& b)
{
    std::vector<std::pair<const JsonValue*, const JsonValue*>> pending{{&a, &b}};
    std::unordered_map<std::string_view, const JsonValue*> index;
    while (!pending.empty()) {
        auto [x, y] = pending.back();
        pending.pop_back();
        if (x->is_number() && y->is_number()) {
            if (!numbers_equal(*x, *y)) return false;
            continue;
        }
        if (x->type() != y->type()) return false;
        switch (x->type()) {
        case JsonValue::value_t::null: break;
        case JsonValue::value_t::boolean:
        case JsonValue::value_t::string:
            if (*x != *y) return false;
            break;
        case JsonValue::value_t::array:
            if (x->size() != y->size()) return false;
            for (size_t i = 0; i < x->size(); ++i) pending.emplace_back(&(*x)[i], &(*y)[i]);
            break;
        case JsonValue::value_t::object: {
            const auto& xs = x->get_ref<const JsonValue::object_t&>();
            const auto& ys = y->get_ref<const JsonValue::object_t&>();
            if (xs.size() != ys.size()) return false;
            const bool indexed = xs.size() > kIndexedObjectSize;
            if (indexed) {
                index.clear();
                for (const auto& [name, member] : ys) index.emplace(name, &member);
            }
            for (const auto& [name, member] : xs) {
                const JsonValue* found = nullptr;
                if (indexed) {
                    auto it = index.find(name);
                    if (it != index.end()) found = it->second;
                } else {
                    auto it = ys.find(name);
                    if (it != ys.end()) found = &it->second;
                }
                if (!found) return false;
                pending.emplace_back(&member, found);
            }
            break;
        }
        default: return false;
        }
    }
    return true;
}
