#include "calendar/json_doc.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/platform.h"

namespace {

using Library = nlohmann::json;

constexpr uint32_t kMaxSize = std::numeric_limits<uint32_t>::max() >> 4;
constexpr size_t kMaxNodes = std::numeric_limits<uint32_t>::max();

// Objects with more members than this check repeated names, and are matched, through
// a hash set; below it a look along the members is quicker.
constexpr size_t kIndexedObjectSize = 32;

// Builds the compact tree from the library's parse events. Returning false from an
// event ends the parse as failed: a member name repeated within one object (the
// calendar reads members by position, so such a document cannot be trusted), nesting
// deeper than kJsonDepthLimit, or a size the node fields cannot hold.
struct DocBuilder {
    using number_integer_t = Library::number_integer_t;
    using number_unsigned_t = Library::number_unsigned_t;
    using number_float_t = Library::number_float_t;
    using string_t = Library::string_t;
    using binary_t = Library::binary_t;

    struct Open {
        size_t node = 0;
        uint32_t size = 0;
        std::unique_ptr<std::unordered_set<std::string>> names;  // a large object's member names
    };

    JsonDoc* doc = nullptr;
    std::vector<Open> open;
    size_t depth_limit = kJsonDepthLimit;

    bool add(JsonType type, uint64_t value, size_t size = 0)
    {
        if (doc->nodes.size() >= kMaxNodes || size > kMaxSize) return false;
        if (!open.empty() && type != JsonType::key && json_type(*doc, open.back().node) == JsonType::array) {
            if (++open.back().size > kMaxSize) return false;
        }
        doc->nodes.push_back(JsonNode{value, uint32_t(doc->nodes.size() + 1), uint32_t(size << 4 | uint32_t(type))});
        return true;
    }

    bool add_text(JsonType type, const std::string& text)
    {
        uint64_t offset = doc->text.size();
        if (!add(type, offset, text.size())) return false;
        doc->text += text;
        return true;
    }

    bool start(JsonType type)
    {
        if (open.size() >= depth_limit || !add(type, 0)) return false;
        open.push_back(Open{doc->nodes.size() - 1, 0, nullptr});
        return true;
    }

    bool finish()
    {
        Open& o = open.back();
        JsonNode& node = doc->nodes[o.node];
        node.end = uint32_t(doc->nodes.size());
        node.type_size |= o.size << 4;
        open.pop_back();
        return true;
    }

    bool repeated_name(Open* o, const std::string& name)
    {
        if (o->names) return !o->names->insert(name).second;
        for (size_t k = o->node + 1, n = 0; n < o->size; ++n, k = json_next(*doc, k + 1))
            if (json_string(*doc, k) == name) return true;
        if (o->size + 1 > kIndexedObjectSize) {
            o->names = std::make_unique<std::unordered_set<std::string>>();
            for (size_t k = o->node + 1, n = 0; n < o->size; ++n, k = json_next(*doc, k + 1))
                o->names->emplace(json_string(*doc, k));
            o->names->insert(name);
        }
        return false;
    }

    bool null() { return add(JsonType::null, 0); }
    bool boolean(bool value) { return add(JsonType::boolean, value ? 1 : 0); }
    bool number_integer(number_integer_t value) { return add(JsonType::integer, uint64_t(value)); }
    bool number_unsigned(number_unsigned_t value) { return add(JsonType::unsigned_integer, value); }
    bool number_float(number_float_t value, const string_t&)
    {
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return add(JsonType::number, bits);
    }
    bool string(string_t& value) { return add_text(JsonType::string, value); }
    bool binary(binary_t&) { return false; }  // JSON text has none
    bool start_object(std::size_t) { return start(JsonType::object); }
    bool key(string_t& name)
    {
        Open& o = open.back();
        if (repeated_name(&o, name) || ++o.size > kMaxSize) return false;
        return add_text(JsonType::key, name);
    }
    bool end_object() { return finish(); }
    bool start_array(std::size_t) { return start(JsonType::array); }
    bool end_array() { return finish(); }
    template <class Exception>
    bool parse_error(std::size_t, const std::string&, const Exception&)
    {
        return false;
    }
};

// Hands each element of a root array to a DocBuilder of its own and the finished
// element to the caller; a root that is not an array ends the parse as failed.
struct ElementSplitter {
    using number_integer_t = Library::number_integer_t;
    using number_unsigned_t = Library::number_unsigned_t;
    using number_float_t = Library::number_float_t;
    using string_t = Library::string_t;
    using binary_t = Library::binary_t;

    const std::function<void(const JsonDoc&)>* element = nullptr;
    JsonDoc doc;
    DocBuilder builder;
    int depth = 0;  // 1 inside the root array

    // Starts an element when a value begins directly in the root array.
    bool begin_value()
    {
        if (depth == 0) return false;
        if (depth == 1) {
            doc = JsonDoc{};
            builder = DocBuilder{};
            builder.doc = &doc;
            builder.depth_limit = kJsonDepthLimit - 1;  // the root array is the first level
        }
        return true;
    }
    // Hands over the element when the value just ended directly in the root array.
    bool end_value(bool ok)
    {
        if (ok && depth == 1) (*element)(doc);
        return ok;
    }

    bool null() { return begin_value() && end_value(builder.null()); }
    bool boolean(bool value) { return begin_value() && end_value(builder.boolean(value)); }
    bool number_integer(number_integer_t value) { return begin_value() && end_value(builder.number_integer(value)); }
    bool number_unsigned(number_unsigned_t value) { return begin_value() && end_value(builder.number_unsigned(value)); }
    bool number_float(number_float_t value, const string_t& text)
    {
        return begin_value() && end_value(builder.number_float(value, text));
    }
    bool string(string_t& value) { return begin_value() && end_value(builder.string(value)); }
    bool binary(binary_t&) { return false; }
    bool start_object(std::size_t size)
    {
        if (!begin_value()) return false;
        ++depth;
        return builder.start_object(size);
    }
    bool key(string_t& name) { return builder.key(name); }
    bool end_object()
    {
        --depth;
        return end_value(builder.end_object());
    }
    bool start_array(std::size_t size)
    {
        if (depth == 0) {
            depth = 1;  // the root array itself is not kept
            return true;
        }
        if (!begin_value()) return false;
        ++depth;
        return builder.start_array(size);
    }
    bool end_array()
    {
        if (--depth == 0) return true;
        return end_value(builder.end_array());
    }
    template <class Exception>
    bool parse_error(std::size_t, const std::string&, const Exception&)
    {
        return false;
    }
};

template <typename Input>
int parse(Input&& input, JsonDoc* out)
{
    *out = JsonDoc{};
    bool ok = false;
    try {
        DocBuilder builder;
        builder.doc = out;
        ok = Library::sax_parse(std::forward<Input>(input), &builder, Library::input_format_t::json, true, false);
    } catch (...) {
        // Only allocation can throw here; a document we cannot hold is not usable.
        ok = false;
    }
    if (!ok) *out = JsonDoc{};
    return ok ? 1 : 0;
}

double as_double(const JsonDoc& doc, size_t node)
{
    uint64_t bits = doc.nodes[node].value;
    switch (json_type(doc, node)) {
    case JsonType::integer: return double(int64_t(bits));
    case JsonType::unsigned_integer: return double(bits);
    default: {
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    }
}

bool is_number(JsonType type)
{
    return type == JsonType::integer || type == JsonType::unsigned_integer || type == JsonType::number;
}

bool numbers_equal(const JsonDoc& da, size_t a, const JsonDoc& db, size_t b)
{
    JsonType ta = json_type(da, a);
    JsonType tb = json_type(db, b);
    // Two integers differ by a whole number, so within the tolerance only when they
    // are equal; comparing them exactly keeps large ones from meeting in a double.
    if (ta != JsonType::number && tb != JsonType::number) {
        uint64_t va = da.nodes[a].value;
        uint64_t vb = db.nodes[b].value;
        if (ta == tb) return va == vb;
        // The parser gives non-negative integers the unsigned type; "-0" is signed.
        uint64_t signed_bits = ta == JsonType::integer ? va : vb;
        uint64_t unsigned_value = ta == JsonType::integer ? vb : va;
        return int64_t(signed_bits) >= 0 && unsigned_value == signed_bits;
    }
    return std::fabs(as_double(da, a) - as_double(db, b)) < 0.000001;
}

}  // namespace

int json_parse_text(std::string_view text, JsonDoc* out) { return parse(text, out); }

int json_parse_file(const char* path, JsonDoc* out)
{
    *out = JsonDoc{};
    FILE* file = g_platform.open_file(path, "rb");
    if (!file) return 0;
    int ok = parse(file, out);
    if (std::ferror(file)) {
        ok = 0;
        *out = JsonDoc{};
    }
    std::fclose(file);
    return ok;
}

int json_parse_elements(const char* path, const std::function<void(const JsonDoc&)>& element)
{
    FILE* file = g_platform.open_file(path, "rb");
    if (!file) return 0;
    bool ok = false;
    try {
        auto splitter = std::make_unique<ElementSplitter>();
        splitter->element = &element;
        ok = Library::sax_parse(file, splitter.get(), Library::input_format_t::json, true, false);
    } catch (...) {
        ok = false;  // only allocation can throw here
    }
    ok = ok && !std::ferror(file);
    std::fclose(file);
    return ok ? 1 : 0;
}

bool json_equal(const JsonDoc& da, size_t a, const JsonDoc& db, size_t b)
{
    std::vector<std::pair<size_t, size_t>> pending{{a, b}};
    std::unordered_map<std::string_view, size_t> index;
    while (!pending.empty()) {
        auto [x, y] = pending.back();
        pending.pop_back();
        JsonType type = json_type(da, x);
        if (is_number(type) && is_number(json_type(db, y))) {
            if (!numbers_equal(da, x, db, y)) return false;
            continue;
        }
        if (type != json_type(db, y)) return false;
        switch (type) {
        case JsonType::null: break;
        case JsonType::boolean:
            if (da.nodes[x].value != db.nodes[y].value) return false;
            break;
        case JsonType::string:
            if (json_string(da, x) != json_string(db, y)) return false;
            break;
        case JsonType::array:
            if (json_size(da, x) != json_size(db, y)) return false;
            for (size_t i = x + 1, j = y + 1; i < json_next(da, x); i = json_next(da, i), j = json_next(db, j))
                pending.emplace_back(i, j);
            break;
        case JsonType::object: {
            size_t count = json_size(da, x);
            if (count != json_size(db, y)) return false;
            bool indexed = count > kIndexedObjectSize;
            if (indexed) {
                index.clear();
                for (size_t k = y + 1; k < json_next(db, y); k = json_next(db, k + 1))
                    index.emplace(json_string(db, k), k + 1);
            }
            for (size_t k = x + 1; k < json_next(da, x); k = json_next(da, k + 1)) {
                std::string_view name = json_string(da, k);
                size_t found = 0;
                if (indexed) {
                    auto it = index.find(name);
                    if (it != index.end()) found = it->second;
                } else {
                    for (size_t m = y + 1; m < json_next(db, y) && !found; m = json_next(db, m + 1))
                        if (json_string(db, m) == name) found = m + 1;
                }
                if (!found) return false;
                pending.emplace_back(k + 1, found);
            }
            break;
        }
        default: return false;
        }
    }
    return true;
}
