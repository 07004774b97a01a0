#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "calendar/calendar_file.h"
#include "catalogue/catalogue.h"
#include "catalogue/selections.h"
#include "support/app_fixture.h"

namespace {

// The bytes of a calendar file: the header, then one record per event.
std::string header(int count)
{
    return std::string("CALB\x2E\x00", 6) + char(count) + char(count >> 8) + std::string(2, '\0');
}

std::string record(const std::string& text, int start, int end)
{
    std::string bytes{char(start), char(start >> 8), char(end), char(end >> 8), char(text.size())};
    return bytes + text + std::string(41 - text.size(), '\0');
}

// One element of a JSON calendar.
std::string event(const std::string& text, const std::string& start = "2022-06-24",
                  const std::string& end = "2022-06-30")
{
    return "{\"start\":\"" + start + "\",\"end\":\"" + end + "\",\"text\":\"" + text + "\"}";
}

class CalendarFile : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        build_catalogue(&catalogue, g_config.hostVersion, g_config.masterSlot);
        selections.sel[kSlotCalendarSource] = 1;
        make_dir("UPDATE");
        make_dir("SAVE");
    }

    // The calendar file that write_calendar makes of `json`.
    std::string convert(const std::string& json)
    {
        write_file("UPDATE/kestrl.php", json);
        EXPECT_EQ(write_calendar(nullptr, kSlotCalendar, catalogue, selections, &errorCount), 1);
        return read_file("SAVE/KESTRL.CAL");
    }

    Catalogue catalogue;
    Selections selections;
    uint32_t errorCount = 0;
};

}  // namespace

TEST_F(CalendarFile, WritesEventsInOrderOrNoneWhenDeselected)
{
    g_config.debug = 1;
    selections.upd[kSlotCalendarSource] = 1;
    EXPECT_EQ(
        convert("[" + event("B", "2022-01-05", "2022-01-09") + "," + event("A", "2022-03-01", "2022-03-02") + "]"),
        header(2) + record("A", 44560, 44561) + record("B", 44505, 44509));
    // Deselected: the file is rewritten empty, the source (broken here) not even read.
    selections.upd[kSlotCalendarSource] = selections.sel[kSlotCalendarSource] = 0;
    EXPECT_EQ(convert("<html>"), header(0));
    EXPECT_EQ(log_text(),
              "DEBUG:\t    425 DX Calendar was updated\nDEBUG:\t  Wrote 2 calendar events to SAVE\\KESTRL.CAL\n");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CalendarFile, ElementsToEventsAndWhatIsSkipped)
{
    const std::string file = convert(
        "\xEF\xBB\xBF[" + event("slashes", "2022/6/24", "2022-06-24 12:00") + "," +
        event("runs", "2022 - 06 -- 24", " 2022-6-24T08:00Z") + "," + event("leap", "2024-02-29", "2024-03-01") + "," +
        event("no digits", "2001-01-01", "2001-1-x") + "," + event("AB\\r\\nCD") + "," + event("nul\\u0000after") +
        "," + event(std::string(50, 'W')) + "," + event("X") + "," + event("X", "2023-01-10", "2023-01-20") + "," +
        event("X", "2022-06-24", "2022-07-15") + "," +
        // Names mean nothing: start, end and text are the first three values.
        R"({"text":"2022-07-01","start":"2022-07-09","end":"two","extra":{"x":[1]}}, "text",
        {"a":"2022-06-24","b":"2022-06-30"}, {"a":"2022-06-24","b":20220630,"c":"number"},
        {"a":"2022-06","b":"2022-06-30","c":"short"}, {"a":"2022-13-01","b":"2022-06-30","c":"month 13"},
        {"a":"2022-06-24","b":"2022-00-30","c":"month 0"},)" +
        event("A") + "," + event("\xC3\xA9") + "," + event("X", "2022-07-01", "2022-07-02") + "]");
    // Texts as unsigned bytes, a prefix first; the same text keeps every start, the
    // latest first (year, then month, then day); the first of a duplicate stays.
    EXPECT_EQ(file, header(13) + record("A", 44675, 44681) + record("AB", 44675, 44681) +
                        record(std::string(41, 'W'), 44675, 44681) + record("X", 44875, 44885) +
                        record("X", 44682, 44683) + record("X", 44675, 44681) + record("leap", 45290, 45291) +
                        record("no digits", 36831, 36830) + record("nul", 44675, 44681) + record("runs", 44675, 44675) +
                        record("slashes", 44675, 44675) + record("two", 44682, 44690) +
                        record("\xC3\xA9", 44675, 44681));
    EXPECT_EQ(log_text(), "ERROR:\tDuplicate event: X\n"
                          "WARNING:\tCalendar element 11 skipped: not an object\n"
                          "WARNING:\tCalendar element 12 skipped: fewer than three members\n"
                          "WARNING:\tCalendar element 13 skipped: one of the first three members is not a string\n"
                          "WARNING:\tCalendar element 14 skipped: a date with fewer than three parts\n"
                          "WARNING:\tCalendar element 15 skipped: a month outside 1 to 12\n"
                          "WARNING:\tCalendar element 16 skipped: a month outside 1 to 12\n");
    EXPECT_TRUE(dialogs.shown.empty());
}

// An answer that is no calendar, or one without a usable event, is reported as the
// reader finds it, and then the installed calendar stays.
TEST_F(CalendarFile, SourceThatGivesNoEventNeverReplacesTheCalendar)
{
    const std::string not_json = "UPDATE\\kestrl.php is missing or not a JSON file / Not JSON";
    const std::string kept =
        "No calendar event could be read from UPDATE\\kestrl.php: SAVE\\KESTRL.CAL was not replaced / No events";
    // clang-format off
    const struct { const char* content; std::string report; } rows[] = {
        {nullptr, not_json},
        {"<!DOCTYPE html><html><body>Error 500</body></html>", not_json},
        {R"({"events": []})", not_json},
        {R"([{"a":"2022-06-24","a":"2022-06-30","c":"X"}])", not_json},
        {" [ ] ", "UPDATE\\kestrl.php has no calendar events! / No events"},
        {"[1,2,3]", ""},
    };
    // clang-format on
    for (const auto& row : rows) {
        std::remove("UPDATE/kestrl.php");
        if (row.content) write_file("UPDATE/kestrl.php", row.content);
        write_file("SAVE/KESTRL.CAL", "old");
        dialogs.shown.clear();
        EXPECT_EQ(write_calendar(nullptr, kSlotCalendar, catalogue, selections, &errorCount), 0);
        EXPECT_EQ(read_file("SAVE/KESTRL.CAL"), "old");
        std::vector<std::string> shown;
        for (const ShownBox& box : dialogs.shown) shown.push_back(box.text + " / " + box.title);
        std::vector<std::string> expected{row.report, kept};
        if (row.report.empty()) expected.erase(expected.begin());
        EXPECT_EQ(shown, expected);
    }
    EXPECT_EQ(errorCount, 6u);
    // With no calendar file yet the empty one is written; the install still failed.
    std::remove("SAVE/KESTRL.CAL");
    EXPECT_EQ(write_calendar(nullptr, kSlotCalendar, catalogue, selections, &errorCount), 0);
    EXPECT_EQ(read_file("SAVE/KESTRL.CAL"), header(0));
    EXPECT_EQ(errorCount, 7u);
}

TEST_F(CalendarFile, FailedWriteKeepsTheOldCalendarAndIsReported)
{
    write_file("UPDATE/kestrl.php", "[" + event("X") + "]");
    std::filesystem::remove("SAVE");  // an empty folder, on every system
    EXPECT_EQ(write_calendar(nullptr, kSlotCalendar, catalogue, selections, &errorCount), 0);
    EXPECT_EQ(dialogs.shown.back().text, "Error opening SAVE\\KESTRL.CAL:\n" + std::string(std::strerror(ENOENT)));
    make_dir("SAVE");
    write_file("SAVE/KESTRL.CAL", "the calendar of yesterday");
    g_platform.open_file = [](const char* path, const char* mode) {
        return std::string(mode) == "wb" ? std::fopen("/dev/full", "wb") : native_platform().open_file(path, mode);
    };
    EXPECT_EQ(write_calendar(nullptr, kSlotCalendar, catalogue, selections, &errorCount), 0);
    EXPECT_EQ(read_file("SAVE/KESTRL.CAL"), "the calendar of yesterday");
    EXPECT_EQ(temp_files_in("SAVE"), "");
    EXPECT_EQ(dialogs.shown.back().text, "Error writing SAVE\\KESTRL.CAL:\n" + std::string(std::strerror(ENOSPC)));
    EXPECT_EQ(dialogs.shown.back().title, "File Write");
}

TEST_F(CalendarFile, AHostileCalendarKeepsTheFirst65535EventsAndLogsAHundredLinesOfEachKind)
{
    // More events than the count field holds, then a million elements of nothing: the
    // file keeps the first in file order, the log stays a few hundred lines.
    std::string json = "[";
    for (int i = 0; i < kMaxCalendarEvents + 2; ++i) json += event(std::to_string(100000 + i)) + ",";
    const std::string text(300, 'L');
    for (int i = 0; i < 151; ++i) json += event(text, i ? "2022-6-24" : "2022-06-24") + ",";
    for (int i = 0; i < 1000000; ++i) json += "{},";
    json.back() = ']';
    const std::string file = convert(json);
    ASSERT_EQ(file.size(), 10u + 46u * kMaxCalendarEvents) << "the count field matches the records";
    EXPECT_EQ(file.substr(0, 56), header(65535) + record("100000", 44675, 44681));
    EXPECT_EQ(file.substr(file.size() - 46), record("165534", 44675, 44681));
    std::string log = log_text();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 203);
    EXPECT_TRUE(log.starts_with("ERROR:\t" + ("Duplicate event: " + text).substr(0, 259) + "\n"));
    EXPECT_TRUE(
        log.ends_with("WARNING:\tCalendar element 65787 skipped: fewer than three members\n"
                      "WARNING:\t999900 more calendar elements skipped\nERROR:\t50 more duplicate events\n"
                      "WARNING:\tThe calendar has 65538 events; only the first 65535 fit into SAVE\\KESTRL.CAL\n"));
}
