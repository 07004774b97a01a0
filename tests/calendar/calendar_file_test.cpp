#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "calendar/calendar_file.h"
#include "catalogue/catalogue.h"
#include "catalogue/selections.h"
#include "support/app_fixture.h"

namespace {

const std::string kEmptyCalendar("CALB\x2E\x00\x00\x00\x00\x00", 10);
using Record = std::tuple<std::string, int, int>;  // text, start day, end day

class CalendarFile : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        build_catalogue(&catalogue);
        selections.sel[kSlotCalendarSource] = 1;
        g_config.selections = &selections;
        make_dir("UPDATE");
        make_dir("SAVE");
    }

    // Converts `json` and returns the records of SAVE\KESTRL.CAL, checking its header.
    std::vector<Record> convert(const std::string& json)
    {
        write_file("UPDATE/kestrl.php", json);
        EXPECT_EQ(write_calendar(nullptr, kSlotCalendar, catalogue), 1);
        std::string bytes = read_file("SAVE/KESTRL.CAL");
        if (bytes.size() < 10) return {{"no header", 0, 0}};
        size_t count = uint8_t(bytes[6]) | uint8_t(bytes[7]) << 8;
        EXPECT_EQ(bytes.substr(0, 10), std::string("CALB\x2E\x00", 6) + bytes.substr(6, 2) + std::string(2, '\0'));
        EXPECT_EQ(bytes.size(), 10 + 46 * count) << "the count field matches the records";
        std::vector<Record> records;
        for (size_t at = 10; at + 46 <= bytes.size(); at += 46) {
            const auto* r = reinterpret_cast<const uint8_t*>(bytes.data() + at);
            records.emplace_back(std::string(reinterpret_cast<const char*>(r + 5), std::min<int>(r[4], 41)), r[0] | r[1] << 8,
                                 r[2] | r[3] << 8);
        }
        return records;
    }

    Catalogue catalogue;
    Selections selections;
};

// One element of a JSON calendar.
std::string event(const std::string& text, const std::string& start = "2022-06-24", const std::string& end = "2022-06-30")
{
    return "{\"start\":\"" + start + "\",\"end\":\"" + end + "\",\"text\":\"" + text + "\"}";
}

}  // namespace

TEST_F(CalendarFile, WritesEventsInTreeOrderOrNoneWhenDeselected)
{
    g_config.debug = 1;
    selections.upd[kSlotCalendarSource] = 1;
    std::vector<Record> records = convert("[" + event("B", "2022-01-05", "2022-01-09") + "," +
                                          event("A", "2022-03-01", "2022-03-02") + "," +
                                          event("A", "2022-02-01", "2022-02-03") + "]");
    EXPECT_EQ(records, (std::vector<Record>{{"A", 44560, 44561}, {"A", 44532, 44534}, {"B", 44505, 44509}}));
    // Little-endian day numbers, the text's length and the text padded with zeros.
    EXPECT_EQ(read_file("SAVE/KESTRL.CAL").substr(10, 46), std::string("\x10\xAE\x11\xAE\x01" "A", 6) + std::string(40, 0));
    const std::string debug_lines = "DEBUG:\t    425 DX Calendar was updated\n"
                                    "DEBUG:\t  Wrote 3 calendar events to SAVE\\KESTRL.CAL\n";
    EXPECT_EQ(log_text(), debug_lines);

    // Deselected: the file is rewritten empty, the source (broken here) not even read.
    selections.upd[kSlotCalendarSource] = selections.sel[kSlotCalendarSource] = 0;
    EXPECT_TRUE(convert("<html>").empty());
    EXPECT_EQ(read_file("SAVE/KESTRL.CAL"), kEmptyCalendar);
    EXPECT_EQ(log_text(), debug_lines);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CalendarFile, ElementsToEventsAndWhatIsSkipped)
{
    std::vector<Record> records = convert(
        "\xEF\xBB\xBF[" + event("slashes", "2022/6/24", "2022-06-24 12:00") + "," +
        event("runs", "2022 - 06 -- 24", " 2022-6-24T08:00Z") + "," + event("leap", "2024-02-29", "2024-03-01") + "," +
        event("no digits", "2001-01-01", "2001-1-x") + "," + event("AB\\r\\nCD") + "," + event("nul\\u0000after") +
        "," + event(std::string(50, 'W')) + "," + event("X") + "," + event("X", "2023-01-10", "2023-01-20") + "," +
        event("X", "2022-06-24", "2022-07-15") + "," +
        // Names mean nothing: start, end and text are the first three values.
        R"({"text":"2022-07-01","start":"2022-07-09","end":"two","extra":{"x":[1]}}, "text",
        {"a":"2022-06-24","b":"2022-06-30"}, {"a":"2022-06-24","b":20220630,"c":"number"},
        {"a":"2022-06","b":"2022-06-30","c":"short"}, {"a":"2022-13-01","b":"2022-06-30","c":"month 13"},
        {"a":"2022-06-24","b":"2022-00-30","c":"month 0"}])");
    // The same text keeps every start, the latest first; the first of a duplicate stays.
    EXPECT_EQ(records, (std::vector<Record>{{"AB", 44675, 44681}, {std::string(41, 'W'), 44675, 44681},
                                            {"X", 44875, 44885}, {"X", 44675, 44681}, {"leap", 45290, 45291},
                                            {"no digits", 36831, 36830}, {"nul", 44675, 44681}, {"runs", 44675, 44675},
                                            {"slashes", 44675, 44675}, {"two", 44682, 44690}}));
    EXPECT_EQ(log_text(), "ERROR:\tDuplicate event: X\n"
                          "WARNING:\tCalendar element 11 skipped: not an object\n"
                          "WARNING:\tCalendar element 12 skipped: fewer than three members\n"
                          "WARNING:\tCalendar element 13 skipped: one of the first three members is not a string\n"
                          "WARNING:\tCalendar element 14 skipped: a date with fewer than three parts\n"
                          "WARNING:\tCalendar element 15 skipped: a month outside 1 to 12\n"
                          "WARNING:\tCalendar element 16 skipped: a month outside 1 to 12\n");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CalendarFile, SourceThatIsNoCalendarIsReportedAndGivesTheEmptyFile)
{
    const std::string not_json = "UPDATE\\kestrl.php is missing or not a JSON file";
    const char* contents[] = {nullptr, "<!DOCTYPE html><html><body>Error 500</body></html>", R"({"events": []})",
                              R"([{"a":"2022-06-24","a":"2022-06-30","c":"X"}])", " [ ] "};
    for (const char* content : contents) {
        std::remove("UPDATE/kestrl.php");
        if (content) write_file("UPDATE/kestrl.php", content);
        write_file("SAVE/KESTRL.CAL", "old");
        EXPECT_EQ(write_calendar(nullptr, kSlotCalendar, catalogue), 1);
        EXPECT_EQ(read_file("SAVE/KESTRL.CAL"), kEmptyCalendar);
    }
    ASSERT_EQ(dialogs.shown.size(), 5u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(dialogs.shown[i].text + " " + dialogs.shown[i].title, not_json + " Not JSON");
    EXPECT_EQ(dialogs.shown[4].text, "UPDATE\\kestrl.php has no calendar events!");
    EXPECT_EQ(dialogs.shown[4].title, "No events");
}

TEST_F(CalendarFile, FailedWriteKeepsTheOldCalendarAndIsReported)
{
    write_file("UPDATE/kestrl.php", "[" + event("X") + "]");
    std::remove("SAVE");
    EXPECT_EQ(write_calendar(nullptr, kSlotCalendar, catalogue), 0);
    EXPECT_EQ(dialogs.shown.back().text, "Error opening SAVE\\KESTRL.CAL:\n" + std::string(std::strerror(ENOENT)));
    make_dir("SAVE");
    write_file("SAVE/KESTRL.CAL", "the calendar of yesterday");
    g_platform.open_file = [](const char* path, const char* mode) {
        return std::string(mode) == "wb" ? std::fopen("/dev/full", "wb") : native_platform().open_file(path, mode);
    };
    EXPECT_EQ(write_calendar(nullptr, kSlotCalendar, catalogue), 0);
    EXPECT_EQ(read_file("SAVE/KESTRL.CAL"), "the calendar of yesterday");
    EXPECT_FALSE(path_exists("SAVE/KESTRL.CAL.~new"));
    EXPECT_EQ(dialogs.shown.back().text, "Error writing SAVE\\KESTRL.CAL:\n" + std::string(std::strerror(ENOSPC)));
    EXPECT_EQ(dialogs.shown.back().title, "File Write");
}

TEST_F(CalendarFile, MoreEventsThanTheCountFieldHoldsKeepsTheFirst65535)
{
    std::string json = "[";
    for (int i = 0; i < kMaxCalendarEvents + 2; ++i) json += event(std::to_string(100000 + i)) + ",";
    json.back() = ']';
    std::vector<Record> records = convert(json);
    ASSERT_EQ(records.size(), size_t(kMaxCalendarEvents));
    EXPECT_EQ(std::get<0>(records.front()) + " " + std::get<0>(records.back()), "100000 165534");
    EXPECT_EQ(log_text(), "WARNING:\tThe calendar has 65537 events; only the first 65535 fit into SAVE\\KESTRL.CAL\n");
}
