// Our small JSON layer, shared by the calendar's comparison and its converter: a
// whole file parsed without exceptions into a compact value tree (one 16-byte node
// per value, member names and strings in one text) that keeps members in document
// order, and the tolerant deep equality of two values.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

enum class JsonType : uint8_t { null, boolean, integer, unsigned_integer, number, string, array, object, key };

// One value. A container is followed by its elements (an object's by pairs of a key
// node and its value), so its subtree is the nodes up to `end`.
struct JsonNode {
    uint64_t value = 0;      // boolean, number bits, or a string's offset in JsonDoc::text
    uint32_t end = 0;        // index of the node after this value's subtree
    uint32_t type_size = 0;  // the JsonType in the low 4 bits, the size above them
};

// Node 0 is the root. The nodes live in blocks, so a growing document is never copied.
struct JsonDoc {
    std::deque<JsonNode> nodes;
    std::string text;
};

// Nesting deeper than this is refused as not JSON; no real calendar comes near it.
constexpr int kJsonDepthLimit = 512;

// 1 with *out holding the document; 0 when the text is not JSON: a syntax error,
// trailing data, an object that repeats a member name, nesting deeper than
// kJsonDepthLimit, or a document too large for the node fields. A UTF-8 byte-order
// mark is skipped only as the very first bytes. *out is empty after a failure.
// Reports nothing.
[[nodiscard]] int json_parse_text(std::string_view text, JsonDoc* out);

// As json_parse_text for the file at `path` (a path as the core composes it), read as
// it is parsed; 0 also when the file cannot be opened or read. Reports nothing.
[[nodiscard]] int json_parse_file(const char* path, JsonDoc* out);

// Parses the file at `path` one element of its root array at a time: element(doc)
// gets each element, once it is complete, as a document of its own (node 0), which
// is released before the next; so only one element is ever held. 1 when the file is
// a JSON array (by the rules of json_parse_text); 0 otherwise, when some elements
// may have been handed over already. Reports nothing.
[[nodiscard]] int json_parse_elements(const char* path, const std::function<void(const JsonDoc&)>& element);

inline JsonType json_type(const JsonDoc& doc, size_t node) { return JsonType(doc.nodes[node].type_size & 0xF); }

// Elements of an array, members of an object, bytes of a string or key.
inline size_t json_size(const JsonDoc& doc, size_t node) { return doc.nodes[node].type_size >> 4; }

// The node after this value and everything in it: the next element, or the next
// member's key.
inline size_t json_next(const JsonDoc& doc, size_t node) { return doc.nodes[node].end; }

// The unescaped bytes of a string or key.
inline std::string_view json_string(const JsonDoc& doc, size_t node)
{
    return std::string_view(doc.text).substr(doc.nodes[node].value, json_size(doc, node));
}

// Deep equality as the calendar comparison wants it: same type (all numbers are one
// type) and equal content; strings byte by byte; numbers equal when they differ by
// less than 0.000001; arrays element by element in order; objects with equal member
// counts whose every member has an equal value under the same name in the other.
// Works without recursion, so it is safe on any tree.
[[nodiscard]] bool json_equal(const JsonDoc& da, size_t a, const JsonDoc& db, size_t b);
