#include "calendar/json_doc.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace {

using DomBuilder = nlohmann::detail::json_sax_dom_parser<JsonValue>;

// The library's DOM builder, with two refusals added: a member name repeated within
// one object (the builder alone would keep the last value, and the calendar reads
// members by position, so such a document cannot be trusted), and nesting deeper
// than kJsonDepthLimit. Returning false from an event ends the parse as failed.
struct CheckedDomBuilder {
    using number_integer_t = JsonValue::number_integer_t;
    using number_unsigned_t = JsonValue::number_unsigned_t;
    using number_float_t = JsonValue::number_float_t;
    using string_t = JsonValue::string_t;
    using binary_t = JsonValue::binary_t;

    explicit CheckedDomBuilder(JsonValue& root) : dom(root, false) {}

    bool null() { return dom.null(); }
    bool boolean(bool value) { return dom.boolean(value); }
    bool number_integer(number_integer_t value) { return dom.number_integer(value); }
    bool number_unsigned(number_unsigned_t value) { return dom.number_unsigned(value); }
    bool number_float(number_float_t value, const string_t& text) { return dom.number_float(value, text); }
    bool string(string_t& value) { return dom.string(value); }
    bool binary(binary_t& value) { return dom.binary(value); }

    bool start_object(std::size_t size)
    {
        if (++depth > kJsonDepthLimit) return false;
        // The name sets of closed objects are kept and reused: a calendar is
        // thousands of small objects.
        if (open_objects == names.size()) names.emplace_back();
        else names[open_objects].clear();
        ++open_objects;
        return dom.start_object(size);
    }

    bool key(string_t& name)
    {
        if (!names[open_objects - 1].insert(name).second) return false;
        return dom.key(name);
    }

    bool end_object()
    {
        --depth;
        --open_objects;
        return dom.end_object();
    }

    bool start_array(std::size_t size)
    {
        if (++depth > kJsonDepthLimit) return false;
        return dom.start_array(size);
    }

    bool end_array()
    {
        --depth;
        return dom.end_array();
    }

    template <class Exception>
    bool parse_error(std::size_t position, const std::string& token, const Exception& error)
    {
        return dom.parse_error(position, token, error);
    }

    DomBuilder dom;
    int depth = 0;
    std::vector<std::unordered_set<std::string>> names;  // one per open object
    size_t open_objects = 0;
};

bool read_whole_file(const char* path, std::string* out)
{
    FILE* file = g_platform.open_file(path, "rb");
    if (!file) return false;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) out->append(buffer, got);
    bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

bool numbers_equal(const JsonValue& a, const JsonValue& b)
{
    // Two integers differ by a whole number, so within the tolerance only when they
    // are equal; comparing them exactly keeps large ones from meeting in a double.
    if (a.is_number_integer() && b.is_number_integer()) {
        if (a.is_number_unsigned() == b.is_number_unsigned()) return a == b;
        // The parser gives non-negative integers the unsigned type; "-0" is signed.
        const JsonValue& u = a.is_number_unsigned() ? a : b;
        const JsonValue& s = a.is_number_unsigned() ? b : a;
        uint64_t unsigned_value = u.get<uint64_t>();
        int64_t signed_value = s.get<int64_t>();
        return signed_value >= 0 && unsigned_value == uint64_t(signed_value);
    }
    return std::fabs(a.get<double>() - b.get<double>()) < 0.000001;
}

// Objects with more members than this are matched through a hash index; below it
// the linear lookup of the ordered object is quicker.
constexpr size_t kIndexedObjectSize = 32;

}  // namespace

int json_parse_text(std::string_view text, JsonValue* out)
{
    *out = nullptr;
    JsonValue root;
    bool ok = false;
    try {
        CheckedDomBuilder builder(root);
        ok = JsonValue::sax_parse(text.begin(), text.end(), &builder, nlohmann::json::input_format_t::json, true,
                                  false) &&
             !builder.dom.is_errored();
    } catch (...) {
        // Only allocation can throw here; a document we cannot hold is not usable.
        ok = false;
    }
    if (!ok) return 0;
    *out = std::move(root);
    return 1;
}

int json_parse_file(const char* path, JsonValue* out)
{
    *out = nullptr;
    std::string text;
    if (!read_whole_file(path, &text)) return 0;
    return json_parse_text(text, out);
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
        case JsonValue::value_t::null:
            break;
        case JsonValue::value_t::boolean:
        case JsonValue::value_t::string:
        case JsonValue::value_t::binary:
            if (*x != *y) return false;
            break;
        case JsonValue::value_t::array:
            if (x->size() != y->size()) return false;
            for (size_t i = 0; i < x->size(); ++i) pending.emplace_back(&(*x)[i], &(*y)[i]);
            break;
        case JsonValue::value_t::object:
            if (x->size() != y->size()) return false;
            if (y->size() > kIndexedObjectSize) {
                index.clear();
                for (auto it = y->begin(); it != y->end(); ++it) index.emplace(it.key(), &it.value());
                for (auto it = x->begin(); it != x->end(); ++it) {
                    auto found = index.find(it.key());
                    if (found == index.end()) return false;
                    pending.emplace_back(&it.value(), found->second);
                }
            } else {
                for (auto it = x->begin(); it != x->end(); ++it) {
                    auto found = y->find(it.key());
                    if (found == y->end()) return false;
                    pending.emplace_back(&it.value(), &*found);
                }
            }
            break;
        default:
            // Numbers of both kinds were handled above; "discarded" never leaves the parser.
            return false;
        }
    }
    return true;
}
