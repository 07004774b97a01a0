#include <string>

#include <gtest/gtest.h>

#include "calendar/calendar_compare.h"
#include "support/app_fixture.h"

namespace {

class CalendarCompare : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        make_dir("UPDATE");
        make_dir("KESTRL");
    }

    // compare_calendars of two documents written to the staged and the kept file.
    int compare(const std::string& fresh, const std::string& old)
    {
        write_file("KESTRL/kestrl.php", fresh);
        write_file("UPDATE/kestrl.php", old);
        return compare_calendars(nullptr, "KESTRL\\kestrl.php", "UPDATE\\kestrl.php");
    }

    const std::string calendar =
        R"([{"start":"2022-06-24","end":"2022-06-30","text":"3Y0J Bouvet","n":1.5},)"
        R"({"start":"2022-07-01","end":"2022-07-09","text":"VP8 South Orkney"}])";
};

}  // namespace

TEST_F(CalendarCompare, SameValuesWrittenDifferentlyAreTheSame)
{
    EXPECT_EQ(compare(calendar, calendar), 0);
    const std::string respelled =
        "\xEF\xBB\xBF[\r\n  {\r\n    \"start\" : \"2022\\u002d06-24\",\n\t\"end\":\"2022-06-30\", "
        "\"text\": \"3Y0J\\u0020Bouvet\", \"n\": 15e-1 },\n"
        "  {\"start\":\"2022-07-01\",\"end\":\"2022-07-0\\u0039\"\n,\"text\":\"VP8 South Orkney\"}\n]\n";
    EXPECT_EQ(compare(respelled, calendar), 0);
    EXPECT_EQ(compare(calendar, respelled), 0);
    EXPECT_EQ(compare("[]", " [ ] "), 0);
    // Elements that are not objects count as objects without members.
    EXPECT_EQ(compare("[1, \"x\"]", "[[2], {}]"), 0);
    EXPECT_EQ(compare("[1]", R"([{"a": "b"}])"), 1);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(log_text(), "");
}

TEST_F(CalendarCompare, PositionsCountNotJustContent)
{
    const std::string events_swapped =
        R"([{"start":"2022-07-01","end":"2022-07-09","text":"VP8 South Orkney"},)"
        R"({"start":"2022-06-24","end":"2022-06-30","text":"3Y0J Bouvet","n":1.5}])";
    EXPECT_EQ(compare(events_swapped, calendar), 1);

    const std::string members_swapped =
        R"([{"end":"2022-06-30","start":"2022-06-24","text":"3Y0J Bouvet","n":1.5},)"
        R"({"start":"2022-07-01","end":"2022-07-09","text":"VP8 South Orkney"}])";
    EXPECT_EQ(compare(members_swapped, calendar), 1);

    const std::string renamed =
        R"([{"start":"2022-06-24","end":"2022-06-30","title":"3Y0J Bouvet","n":1.5},)"
        R"({"start":"2022-07-01","end":"2022-07-09","text":"VP8 South Orkney"}])";
    EXPECT_EQ(compare(renamed, calendar), 1);

    std::string value_changed = calendar;
    value_changed.replace(value_changed.find("1.5"), 3, "1.6");
    EXPECT_EQ(compare(value_changed, calendar), 1);

    std::string member_added = calendar;
    member_added.replace(member_added.find("\"VP8 South Orkney\""), 18, "\"VP8 South Orkney\",\"x\":null");
    EXPECT_EQ(compare(member_added, calendar), 1);

    EXPECT_EQ(compare(R"([{"start":"2022-06-24","end":"2022-06-30","text":"3Y0J Bouvet","n":1.5}])", calendar), 1);
    EXPECT_EQ(compare("[]", calendar), 1);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CalendarCompare, NotJsonIsReportedAndCountsAsChanged)
{
    EXPECT_EQ(compare("<html><body>Service Unavailable</body></html>", calendar), -1);
    EXPECT_EQ(log_text(), "ERROR:\tKESTRL\\kestrl.php is not a JSON file\n");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "KESTRL\\kestrl.php is not a JSON file");
    EXPECT_EQ(dialogs.shown[0].title, "Not JSON");
    EXPECT_EQ(dialogs.shown[0].style, kMbIconError | kMbTopmost);

    // Only the first bad file is reported.
    EXPECT_EQ(compare("{\"a\": 1}", "not json either"), -1);
    EXPECT_EQ(dialogs.shown.back().text, "KESTRL\\kestrl.php is not a JSON file");
    EXPECT_EQ(dialogs.shown.size(), 2u);

    EXPECT_EQ(compare(calendar, "[{\"a\": \"1\", \"a\": \"2\"}]"), -1) << "a repeated member name";
    EXPECT_EQ(dialogs.shown.back().text, "UPDATE\\kestrl.php is not a JSON file");

    write_file("KESTRL/kestrl.php", calendar);
    EXPECT_EQ(compare_calendars(nullptr, "KESTRL\\kestrl.php", "UPDATE\\gone.php"), -1);
    EXPECT_EQ(dialogs.shown.back().text, "UPDATE\\gone.php is not a JSON file");
}

TEST_F(CalendarCompare, ReportDisablesTheOwnerOrOnlyLogsInAutoMode)
{
    int window_stand_in = 0;
    Window* owner = reinterpret_cast<Window*>(&window_stand_in);
    write_file("KESTRL/kestrl.php", "oops");
    write_file("UPDATE/kestrl.php", calendar);
    EXPECT_EQ(compare_calendars(owner, "KESTRL\\kestrl.php", "UPDATE\\kestrl.php"), -1);
    EXPECT_EQ(dialogs.window_events, (std::vector<std::string>{"disable", "enable"}));

    g_config.autoMode = 1;
    EXPECT_EQ(compare_calendars(nullptr, "KESTRL\\kestrl.php", "UPDATE\\kestrl.php"), -1);
    EXPECT_EQ(dialogs.shown.size(), 1u) << "no box with -auto";
    EXPECT_EQ(log_text(), "ERROR:\tKESTRL\\kestrl.php is not a JSON file\nERROR:\tKESTRL\\kestrl.php is not a JSON file\n");
}
