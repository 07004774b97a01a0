#include <string>

#include <gtest/gtest.h>

#include "calendar/calendar_compare.h"
#include "support/app_fixture.h"

namespace {

class CalendarCompare : public AppTest {
protected:
    // compare_calendars of two documents written to the staged and the kept file.
    int compare(const std::string& fresh, const std::string& old)
    {
        make_dir("UPDATE");
        make_dir("KESTRL");
        write_file("KESTRL/kestrl.php", fresh);
        write_file("UPDATE/kestrl.php", old);
        return compare_calendars(nullptr, "KESTRL\\kestrl.php", "UPDATE\\kestrl.php");
    }
};

const std::string kCalendar = R"([{"start":"2022-06-24","text":"3Y0J","n":1.5},{"start":"2022-07-01"}])";

}  // namespace

TEST_F(CalendarCompare, ContentDecidesPositionsCountAndNotJsonIsReported)
{
    // clang-format off
    const struct {
        std::string fresh;
        int expected;
        std::string old = kCalendar;
    } cases[] = {
        {R"([ {"start" : "2022\u002d06-24", "text": "3Y0J" ,"n": 15e-1},)" "\r\n" R"({"start":"2022-07-01"}])", 0},
        // Events or members in another order, a renamed or added member, a changed value, an event less.
        {R"([{"start":"2022-07-01"},{"start":"2022-06-24","text":"3Y0J","n":1.5}])", 1},
        {R"([{"text":"3Y0J","start":"2022-06-24","n":1.5},{"start":"2022-07-01"}])", 1},
        {R"([{"start":"2022-06-24","title":"3Y0J","n":1.5},{"start":"2022-07-01"}])", 1},
        {R"([{"start":"2022-06-24","text":"3Y0J","n":1.5},{"start":"2022-07-01","x":null}])", 1},
        {R"([{"start":"2022-06-24","text":"3Y0J","n":1.6},{"start":"2022-07-01"}])", 1},
        {R"([{"start":"2022-06-24","text":"3Y0J","n":1.5}])", 1},
        // Elements that are not objects count as objects without members.
        {"[1, \"x\"]", 0, "[[2], {}]"}, {"[1]", 1, R"([{"a": "b"}])"},
        // As deeply nested as the parser allows only within the root array.
        {"[" + std::string(511, '[') + std::string(511, ']') + "]", 1}, {"[" + std::string(512, '[') + std::string(512, ']') + "]", -1},
        // Not a JSON array: reported, the first bad file only.
        {"<html>Service Unavailable</html>", -1, "not json either"}, {kCalendar, -1, R"({"a": 1})"},
    };
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(compare(c.fresh, c.old), c.expected) << c.fresh << " / " << c.old;
    EXPECT_EQ(compare_calendars(nullptr, "KESTRL\\kestrl.php", "UPDATE\\gone.php"), -1);
    EXPECT_EQ(log_text(),
              "ERROR:\tKESTRL\\kestrl.php is not a JSON file\nERROR:\tKESTRL\\kestrl.php is not a JSON file\n"
              "ERROR:\tUPDATE\\kestrl.php is not a JSON file\nERROR:\tUPDATE\\gone.php is not a JSON file\n");
    EXPECT_EQ(dialogs.shown.back().title, "Not JSON");
}
