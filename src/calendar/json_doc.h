// The calendar's JSON layer, shared by its comparison and its converter: a file read
// one element of its root array at a time into the library's values (members kept in
// document order), under our rules for what counts as JSON, and the tolerant deep
// equality of two values.
#pragma once

#include <functional>
#include <string_view>

#include <nlohmann/json.hpp>

using JsonValue = nlohmann::ordered_json;

// Nesting deeper than this is refused as not JSON; no real calendar comes near it.
constexpr int kJsonDepthLimit = 512;

// 1 with *out holding the one value of `text`; 0 when the text is not JSON: a syntax
// error, trailing data, an object that repeats a member name, or nesting deeper than
// kJsonDepthLimit. A UTF-8 byte-order mark is skipped only as the very first bytes.
// *out is null after a failure. Reports nothing.
[[nodiscard]] int json_parse_text(std::string_view text, JsonValue* out);

// Reads the file at `path` (a path as the core composes it) one element of its root
// array at a time: element() gets each element once it is complete, and it is
// released before the next, so only one element is ever held. 1 when the file is a
// JSON array by the rules of json_parse_text; 0 otherwise, also when the file cannot
// be opened or read, when some elements may have been handed over already. Reports
// nothing.
[[nodiscard]] int json_parse_elements(const char* path, const std::function<void(const JsonValue&)>& element);

// Deep equality as the calendar comparison wants it: same type (all numbers are one
// type) and equal content; strings byte by byte; numbers equal when they differ by
// less than 0.000001, two integers only when they are equal; arrays element by
// element in order; objects with equal member counts whose every member has an equal
// value under the same name in the other. Works without recursion, so it is safe on
// any tree.
[[nodiscard]] bool json_equal(const JsonValue& a, const JsonValue& b);
