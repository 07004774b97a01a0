// Our small JSON layer over nlohmann/json, shared by the calendar's comparison and
// its converter: a whole file parsed without exceptions into a value tree that keeps
// members in document order, and the tolerant deep equality of two values.
#pragma once

#include <string_view>

#include <nlohmann/json.hpp>

// Members stay in document order: the calendar reads them by position.
using JsonValue = nlohmann::ordered_json;

// Nesting deeper than this is refused as not JSON. Copying, printing and destroying
// a value tree recurse, so an absurdly deep document would overflow the stack; no
// real calendar comes near this.
constexpr int kJsonDepthLimit = 512;

// 1 with *out holding the document; 0 when the text is not JSON: a syntax error,
// trailing data, an object that repeats a member name, or nesting deeper than
// kJsonDepthLimit. A UTF-8 byte-order mark is skipped only as the very first bytes.
// *out is null after a failure. Reports nothing.
[[nodiscard]] int json_parse_text(std::string_view text, JsonValue* out);

// As json_parse_text for the file at `path` (a path as the core composes it); 0 also
// when the file cannot be opened or read. Reports nothing.
[[nodiscard]] int json_parse_file(const char* path, JsonValue* out);

// Deep equality as the calendar comparison wants it: same type (all numbers are one
// type) and equal content; strings byte by byte; numbers equal when they differ by
// less than 0.000001; arrays element by element in order; objects with equal member
// counts whose every member has an equal value under the same name in the other.
// Works without recursion, so it is safe on any tree.
[[nodiscard]] bool json_equal(const JsonValue& a, const JsonValue& b);
