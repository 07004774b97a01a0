#include <string>

#include <gtest/gtest.h>

#include "calendar/json_doc.h"

namespace {

std::string nested_arrays(int depth)
{
    return std::string(depth, '[') + std::string(depth, ']');
}

}  // namespace

TEST(CalendarJson, ParseAcceptsOneValueAndRefusesTheRest)
{
    std::string deep_objects;
    for (int i = 0; i < 100000; ++i) deep_objects += "{\"a\":";
    std::string wide = "[";  // depth is counted, not opening brackets
    for (int i = 0; i < 2000; ++i) wide += nested_arrays(10) + ",";
    const struct {
        std::string text;
        bool ok;
    } cases[] = {
        // A repeated member name cannot be trusted when members are read by position.
        {R"([{"a": "1", "a": "2"}])", false}, {R"({"a": [{"b": 1}, {"c": 2}], "a": 2})", false},
        {R"({"x": {"a": 1, "b": 2, "a": 3}})", false}, {R"([{"a": 1}, {"a": {"a": 2}, "A": 3}])", true},
        // A byte-order mark only as the very first bytes; one value, nothing after it.
        {"\xEF\xBB\xBF[1]", true}, {" \xEF\xBB\xBF[1]", false}, {"[1] [2]", false}, {"<html>502 Bad Gateway</html>", false},
        // Nesting: refused beyond the limit, also far beyond it without a crash.
        {nested_arrays(kJsonDepthLimit), true}, {nested_arrays(kJsonDepthLimit + 1), false},
        {nested_arrays(200000), false}, {deep_objects + "1" + std::string(100000, '}'), false}, {wide + "[]]", true},
    };
    for (const auto& c : cases) {
        JsonValue value = 42;
        EXPECT_EQ(json_parse_text(c.text, &value), c.ok ? 1 : 0) << c.text.substr(0, 60);
        EXPECT_EQ(value.is_null(), !c.ok) << "a failed parse leaves null";
    }
}

TEST(CalendarJson, EqualityByTypeAndContent)
{
    const struct {
        std::string a, b;
        bool equal;
    } cases[] = {
        {"1.0", "1.0000005", true}, {"1", "1.0000009", true}, {"1.0", "1.000002", false}, {"100", "1e2", true},
        {"-0", "0", true}, {"-1", "18446744073709551615", false}, {"null", "false", false}, {"\"1\"", "1", false},
        {"9007199254740993", "9007199254740992", false},  // integers are not rounded to doubles
        {"18446744073709551615", "18446744073709551615", true}, {"[1, [2, 3]]", "[1.0, [2, 3.0000001]]", true},
        {"[1, 2]", "[2, 1]", false}, {"[1, 2]", "[1, 2, 3]", false}, {R"({"a": {"b": null}})", R"({"a": {"b": 0}})", false},
        {R"({"a": 1, "b": [true]})", R"({"b": [true], "a": 1})", true}, {R"({"a": 1})", R"({"c": 1})", false},
        {nested_arrays(kJsonDepthLimit), nested_arrays(kJsonDepthLimit - 1), false},
    };
    for (const auto& c : cases) {
        JsonValue a, b;
        ASSERT_EQ(json_parse_text(c.a, &a) + json_parse_text(c.b, &b), 2) << c.a << " / " << c.b;
        EXPECT_EQ(json_equal(a, b), c.equal) << c.a.substr(0, 60) << " / " << c.b.substr(0, 60);
    }
    // Past 32 members, members are found through an index.
    JsonValue forward = JsonValue::object(), backward = JsonValue::object();
    for (int i = 0; i < 100; ++i) forward["m" + std::to_string(i)] = i, backward["m" + std::to_string(99 - i)] = 99 - i;
    EXPECT_TRUE(json_equal(forward, backward));
    forward["m50"] = 51;
    EXPECT_FALSE(json_equal(forward, backward));
    forward.erase("m50");
    forward["n50"] = 50;
    EXPECT_FALSE(json_equal(forward, backward));
}
