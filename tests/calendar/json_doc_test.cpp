#include <string>

#include <gtest/gtest.h>

#include "calendar/json_doc.h"

namespace {

std::string nested_arrays(int depth) { return std::string(depth, '[') + std::string(depth, ']'); }

// An object of 100 members, in ascending or descending order, one value changed.
std::string wide_object(bool descending, int changed = -1)
{
    std::string text = "{";
    for (int k = 0; k < 100; ++k) {
        int i = descending ? 99 - k : k;
        text += (k ? ",\"m" : "\"m") + std::to_string(i) + "\":" + std::to_string(i == changed ? i + 1 : i);
    }
    return text + "}";
}

}  // namespace

TEST(CalendarJson, ParseAcceptsOneValueAndRefusesTheRest)
{
    std::string wide = "[";  // depth is counted, not opening brackets
    for (int i = 0; i < 2000; ++i) wide += nested_arrays(10) + ",";
    // clang-format off
    const struct {
        std::string text;
        bool ok;
    } cases[] = {
        // A repeated member name cannot be trusted when members are read by position.
        {R"([{"a": "1", "a": "2"}])", false}, {R"({"a": [{"b": 1}, {"c": 2}], "a": 2})", false},
        {R"({"x": {"a": 1, "b": 2, "a": 3}})", false}, {R"([{"a": 1}, {"a": {"a": 2}, "A": 3}])", true},
        {wide_object(false), true}, {wide_object(false).erase(wide_object(false).size() - 1) + ",\"m3\":1}", false},
        // A byte-order mark only first, one value only; nesting refused beyond the limit.
        {"\xEF\xBB\xBF[1]", true}, {" \xEF\xBB\xBF[1]", false}, {"[1] [2]", false}, {wide + "[]]", true},
        {nested_arrays(kJsonDepthLimit), true}, {nested_arrays(kJsonDepthLimit + 1), false}, {nested_arrays(200000), false},
    };
    // clang-format on
    for (const auto& c : cases) {
        JsonValue value;
        EXPECT_EQ(json_parse_text(c.text, &value), c.ok ? 1 : 0) << c.text.substr(0, 60);
    }
}

TEST(CalendarJson, EqualityByTypeAndContent)
{
    // clang-format off
    const struct {
        std::string a, b;
        bool equal;
    } cases[] = {
        {"1.0", "1.0000005", true}, {"1", "1.0000009", true}, {"1.0", "1.000002", false}, {"100", "1e2", true},
        {"-0", "0", true}, {"-1", "18446744073709551615", false}, {"null", "false", false}, {"\"1\"", "1", false},
        {"true", "false", false}, {"\"ab\"", "\"abc\"", false}, {R"({"a": 1})", R"({"c": 1})", false},
        {"9007199254740993", "9007199254740992", false},  // integers are not rounded to doubles
        {"18446744073709551615", "18446744073709551615", true}, {"[1, [2, 3]]", "[1.0, [2, 3.0000001]]", true},
        {"[1, 2]", "[2, 1]", false}, {"[1, 2]", "[1, 2, 3]", false}, {R"({"a": {"b": null}})", R"({"a": {"b": 0}})", false},
        {R"({"a": 1, "b": [true]})", R"({"b": [true], "a": 1})", true},
        {nested_arrays(kJsonDepthLimit), nested_arrays(kJsonDepthLimit - 1), false},
        // Past 32 members, members are found through an index.
        {wide_object(false), wide_object(true), true}, {wide_object(false, 50), wide_object(true), false},
        {wide_object(false), wide_object(true).replace(wide_object(true).find("\"m50\""), 5, "\"n50\""), false},
    };
    // clang-format on
    for (const auto& c : cases) {
        JsonValue a, b;
        ASSERT_EQ(json_parse_text(c.a, &a) + json_parse_text(c.b, &b), 2) << c.a << " / " << c.b;
        EXPECT_EQ(json_equal(a, b), c.equal) << c.a.substr(0, 60) << " / " << c.b.substr(0, 60);
    }
}
