#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calendar/json_doc.h"
#include "support/app_fixture.h"

namespace {

JsonValue parsed(const std::string& text)
{
    JsonValue value;
    EXPECT_EQ(json_parse_text(text, &value), 1) << text;
    return value;
}

bool parses(const std::string& text)
{
    JsonValue value = 42;
    int ok = json_parse_text(text, &value);
    if (!ok) {
        EXPECT_TRUE(value.is_null()) << "a failed parse leaves null: " << text;
    }
    return ok == 1;
}

bool equal_texts(const std::string& a, const std::string& b)
{
    return json_equal(parsed(a), parsed(b));
}

std::string nested_arrays(int depth)
{
    return std::string(depth, '[') + std::string(depth, ']');
}

class CalendarJsonFile : public AppTest {};

}  // namespace

TEST(CalendarJson, KeepsMembersInDocumentOrder)
{
    JsonValue value = parsed(R"({"zulu": 1, "alpha": 2, "mike": {"y": 1, "b": 2}})");
    std::vector<std::string> names;
    for (auto it = value.begin(); it != value.end(); ++it) names.push_back(it.key());
    EXPECT_EQ(names, (std::vector<std::string>{"zulu", "alpha", "mike"}));
    EXPECT_EQ(value["mike"].begin().key(), "y");
}

TEST(CalendarJson, RepeatedMemberNameIsNotJson)
{
    EXPECT_FALSE(parses(R"([{"a": "1", "a": "2"}])"));
    EXPECT_FALSE(parses(R"({"a": [{"b": 1}, {"c": 2}], "a": 2})")) << "the outer name again after a nested array";
    EXPECT_FALSE(parses(R"({"x": {"a": 1, "b": 2, "a": 3}})"));
    // The same name in different objects, in siblings or nested, is fine.
    EXPECT_TRUE(parses(R"([{"a": 1}, {"a": 2}])"));
    EXPECT_TRUE(parses(R"({"a": {"a": {"a": 1}}, "b": [{"a": 1, "b": 2}]})"));
    EXPECT_TRUE(parses(R"({"a": 1, "A": 2, "a ": 3})")) << "names compare exactly";
}

TEST(CalendarJson, ByteOrderMarkOnlyAtTheVeryStart)
{
    EXPECT_EQ(parsed("\xEF\xBB\xBF[\"x\"]"), JsonValue::array({"x"}));
    EXPECT_FALSE(parses(" \xEF\xBB\xBF[1]"));
    EXPECT_FALSE(parses("\xEF\xBB\xBF\xEF\xBB\xBF[1]"));
    EXPECT_FALSE(parses("[1]\xEF\xBB\xBF"));
    EXPECT_FALSE(parses("\xEF\xBB[1]")) << "a broken mark";
    EXPECT_EQ(parsed("[\"\xEF\xBB\xBF\"]")[0].get<std::string>(), "\xEF\xBB\xBF") << "inside a string it is content";
}

TEST(CalendarJson, RefusesWhatIsNotOneJsonValue)
{
    EXPECT_FALSE(parses(""));
    EXPECT_FALSE(parses("   "));
    EXPECT_FALSE(parses("[1] [2]"));
    EXPECT_FALSE(parses("[1,]"));
    EXPECT_FALSE(parses("[1] // comment"));
    EXPECT_FALSE(parses("<html><body><h1>502 Bad Gateway</h1></body></html>"));
    EXPECT_FALSE(parses("[\"unterminated"));
    EXPECT_FALSE(parses("[1e999]")) << "a number no double holds";
    EXPECT_FALSE(parses(std::string("[\"a\0b\"]", 7))) << "raw control character in a string";
    EXPECT_TRUE(parses(" \r\n\t[1] \r\n"));
    EXPECT_EQ(parsed(R"(["a\u0000b"])")[0].get<std::string>(), std::string("a\0b", 3));
}

TEST(CalendarJson, NestingBeyondTheLimitIsRefusedWithoutCrashing)
{
    EXPECT_TRUE(parses(nested_arrays(kJsonDepthLimit)));
    EXPECT_FALSE(parses(nested_arrays(kJsonDepthLimit + 1)));
    EXPECT_FALSE(parses(nested_arrays(200000)));
    std::string objects;
    for (int i = 0; i < 100000; ++i) objects += "{\"a\":";
    objects += "1" + std::string(100000, '}');
    EXPECT_FALSE(parses(objects));
    // Depth is counted, not opening brackets: siblings do not add up.
    std::string wide = "[";
    for (int i = 0; i < 2000; ++i) wide += (i ? "," : "") + nested_arrays(10);
    EXPECT_TRUE(parses(wide + "]"));
}

TEST_F(CalendarJsonFile, ParsesThroughThePlatformPaths)
{
    make_dir("UPDATE");
    write_file("UPDATE/cal.json", "\xEF\xBB\xBF[{\"a\": \"x\"}]");
    JsonValue value;
    ASSERT_EQ(json_parse_file("UPDATE\\cal.json", &value), 1);
    EXPECT_EQ(value[0]["a"], "x");

    EXPECT_EQ(json_parse_file("UPDATE\\missing.json", &value), 0);
    EXPECT_TRUE(value.is_null());
    EXPECT_EQ(json_parse_file("UPDATE", &value), 0) << "a folder";
    write_file("UPDATE/empty.json", "");
    EXPECT_EQ(json_parse_file("UPDATE\\empty.json", &value), 0);
    EXPECT_TRUE(dialogs.shown.empty()) << "parsing reports nothing";
}

TEST(CalendarJson, NumbersEqualWithinTheTolerance)
{
    EXPECT_TRUE(equal_texts("1.0", "1.0000005"));
    EXPECT_TRUE(equal_texts("1", "1.0000009"));
    EXPECT_FALSE(equal_texts("1.0", "1.000002"));
    EXPECT_TRUE(equal_texts("100", "1e2"));
    EXPECT_TRUE(equal_texts("1", "1.0"));
    EXPECT_TRUE(equal_texts("-0", "0"));
    EXPECT_TRUE(equal_texts("-5", "-5.0"));
    EXPECT_FALSE(equal_texts("-1", "1"));
    EXPECT_FALSE(equal_texts("-1", "18446744073709551615"));
    EXPECT_FALSE(equal_texts("9007199254740993", "9007199254740992")) << "integers are not rounded to doubles";
    EXPECT_TRUE(equal_texts("18446744073709551615", "18446744073709551615"));
}

TEST(CalendarJson, EqualityByTypeAndContent)
{
    EXPECT_TRUE(equal_texts("null", "null"));
    EXPECT_FALSE(equal_texts("null", "false"));
    EXPECT_FALSE(equal_texts("true", "false"));
    EXPECT_FALSE(equal_texts("\"1\"", "1"));
    EXPECT_FALSE(equal_texts("[]", "{}"));
    EXPECT_TRUE(equal_texts(R"("A\u00e9\/\n")", "\"A\xC3\xA9/\\n\""));
    EXPECT_FALSE(equal_texts(R"("abc")", R"("abC")"));
    EXPECT_FALSE(equal_texts(R"("ab")", R"("ab ")"));
    // Arrays by position, objects by name.
    EXPECT_TRUE(equal_texts("[1, [2, 3]]", "[1.0, [2, 3.0000001]]"));
    EXPECT_FALSE(equal_texts("[1, 2]", "[2, 1]"));
    EXPECT_FALSE(equal_texts("[1, 2]", "[1, 2, 3]"));
    EXPECT_TRUE(equal_texts(R"({"a": 1, "b": [true]})", R"({"b": [true], "a": 1})"));
    EXPECT_FALSE(equal_texts(R"({"a": 1, "b": 2})", R"({"a": 1, "c": 2})"));
    EXPECT_FALSE(equal_texts(R"({"a": 1})", R"({"a": 1, "b": 2})"));
    EXPECT_FALSE(equal_texts(R"({"a": {"b": null}})", R"({"a": {"b": 0}})"));
}

TEST(CalendarJson, EqualityOfLargeObjectsAndDeepTrees)
{
    std::string forward = "{", backward = "{";
    for (int i = 0; i < 100; ++i) {
        forward += (i ? "," : "") + ("\"m" + std::to_string(i) + "\":" + std::to_string(i));
        backward += (i ? "," : "") + ("\"m" + std::to_string(99 - i) + "\":" + std::to_string(99 - i));
    }
    forward += "}";
    backward += "}";
    EXPECT_TRUE(equal_texts(forward, backward));
    std::string changed = backward;
    changed.replace(changed.find("\"m50\":50"), 8, "\"m50\":51");
    EXPECT_FALSE(equal_texts(forward, changed));
    changed = backward;
    changed.replace(changed.find("\"m50\":50"), 8, "\"n50\":50");
    EXPECT_FALSE(equal_texts(forward, changed));

    EXPECT_TRUE(equal_texts(nested_arrays(kJsonDepthLimit), nested_arrays(kJsonDepthLimit)));
    EXPECT_FALSE(equal_texts(nested_arrays(kJsonDepthLimit), nested_arrays(kJsonDepthLimit - 1)));
}
