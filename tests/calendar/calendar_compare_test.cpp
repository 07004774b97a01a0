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

TEST_F(CalendarCompare, ContentDecidesAndPositionsCount)
{
    const struct {
        std::string fresh;
        int expected;
    } cases[] = {
        {kCalendar, 0},
        {"\xEF\xBB\xBF[\r\n " R"({"start" : "2022\u002d06-24",)" "\n\t"
         R"("text": "3Y0J" ,"n": 15e-1}, {"start":"2022-07-01"}])", 0},
        // Events or members in another order, a renamed or added member, a changed value, an event less.
        {R"([{"start":"2022-07-01"},{"start":"2022-06-24","text":"3Y0J","n":1.5}])", 1},
        {R"([{"text":"3Y0J","start":"2022-06-24","n":1.5},{"start":"2022-07-01"}])", 1},
        {R"([{"start":"2022-06-24","title":"3Y0J","n":1.5},{"start":"2022-07-01"}])", 1},
        {R"([{"start":"2022-06-24","text":"3Y0J","n":1.5},{"start":"2022-07-01","x":null}])", 1},
        {R"([{"start":"2022-06-24","text":"3Y0J","n":1.6},{"start":"2022-07-01"}])", 1},
        {R"([{"start":"2022-06-24","text":"3Y0J","n":1.5}])", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(compare(c.fresh, kCalendar), c.expected) << c.fresh;
    // Elements that are not objects count as objects without members.
    EXPECT_EQ(compare("[1, \"x\"]", "[[2], {}]"), 0);
    EXPECT_EQ(compare("[1]", R"([{"a": "b"}])"), 1);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(log_text(), "");
}

TEST_F(CalendarCompare, NotJsonIsReportedOnceAndCountsAsChanged)
{
    EXPECT_EQ(compare("<html><body>Service Unavailable</body></html>", "not json either"), -1);
    EXPECT_EQ(log_text(), "ERROR:\tKESTRL\\kestrl.php is not a JSON file\n") << "only the first bad file";
    EXPECT_EQ(dialogs.shown.back().title, "Not JSON");
    EXPECT_EQ(compare(R"({"a": 1})", kCalendar), -1) << "not an array";
    EXPECT_EQ(compare(kCalendar, R"([{"a": "1", "a": "2"}])"), -1);
    EXPECT_EQ(compare_calendars(nullptr, "KESTRL\\kestrl.php", "UPDATE\\gone.php"), -1);
    EXPECT_EQ(dialogs.shown.back().text, "UPDATE\\gone.php is not a JSON file");
    EXPECT_EQ(dialogs.shown.size(), 4u);
}
