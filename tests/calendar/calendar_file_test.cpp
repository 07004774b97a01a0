#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calendar/calendar_file.h"
#include "calendar/json_doc.h"
#include "catalogue/catalogue.h"
#include "catalogue/selections.h"
#include "support/app_fixture.h"

namespace {

const std::string kEmptyCalendar("CALB\x2E\x00\x00\x00\x00\x00", 10);

struct Record {
    uint16_t start = 0;
    uint16_t end = 0;
    std::string text;
};

class CalendarFile : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        g_config.hostVersion = "8.6.0.1";
        g_config.masterSlot = 10;
        build_catalogue(&catalogue);
        selections.sel[kSlotCalendarSource] = 1;
        g_config.selections = &selections;
        make_dir("UPDATE");
        make_dir("SAVE");
        ASSERT_EQ(catalogue.slot[kSlotCalendar].targetPath, "SAVE\\KESTRL.CAL");
        ASSERT_EQ(catalogue.slot[kSlotCalendarSource].downloadPath, "UPDATE\\kestrl.php");
    }

    void TearDown() override
    {
        g_config.selections = nullptr;
        AppTest::TearDown();
    }

    void write_source(const std::string& json) { write_file("UPDATE/kestrl.php", json); }

    // write_calendar's result, with the records of the file it wrote.
    int convert(std::vector<Record>* records)
    {
        int result = write_calendar(nullptr, kSlotCalendar, catalogue);
        records->clear();
        std::string bytes = path_exists("SAVE/KESTRL.CAL") ? read_file("SAVE/KESTRL.CAL") : "";
        if (bytes.size() < 10) return result;
        EXPECT_EQ(bytes.substr(0, 6), std::string("CALB\x2E\x00", 6));
        EXPECT_EQ(bytes.substr(8, 2), std::string(2, '\0'));
        size_t count = uint8_t(bytes[6]) | uint8_t(bytes[7]) << 8;
        EXPECT_EQ(bytes.size(), 10 + 46 * count) << "the count field matches the records";
        for (size_t at = 10; at + 46 <= bytes.size(); at += 46) {
            const auto* r = reinterpret_cast<const uint8_t*>(bytes.data() + at);
            records->push_back({uint16_t(r[0] | r[1] << 8), uint16_t(r[2] | r[3] << 8),
                                std::string(reinterpret_cast<const char*>(r + 5), r[4])});
        }
        return result;
    }

    static std::string event(const std::string& start, const std::string& end, const std::string& text)
    {
        JsonValue object = {{"start", start}, {"end", end}, {"text", text}};
        return object.dump();
    }

    Catalogue catalogue;
    Selections selections;
};

}  // namespace

TEST_F(CalendarFile, WritesEventsInTreeOrder)
{
    write_source("[" + event("2022-01-05", "2022-01-09", "B") + "," + event("2022-03-01", "2022-03-02", "A") + "," +
                 event("2022-02-01", "2022-02-03", "A") + "]");
    std::vector<Record> records;
    ASSERT_EQ(convert(&records), 1);
    std::string bytes = read_file("SAVE/KESTRL.CAL");
    EXPECT_EQ(bytes.substr(0, 10), std::string("CALB\x2E\x00\x03\x00\x00\x00", 10));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].text, "A");
    EXPECT_EQ(records[0].start, day_number(1, 3, 2022));
    EXPECT_EQ(records[0].end, day_number(2, 3, 2022));
    EXPECT_EQ(records[1].text, "A");
    EXPECT_EQ(records[1].start, day_number(1, 2, 2022));
    EXPECT_EQ(records[2].text, "B");
    EXPECT_EQ(records[2].start, day_number(5, 1, 2022));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(path_exists("SAVE/KESTRL.CAL.~new"));
}

TEST_F(CalendarFile, DateSpellingsAndTexts)
{
    write_source("\xEF\xBB\xBF[" + event("2022/6/24", "2022-06-24 12:00", "slashes") + "," +
                 event("2022 - 06 -- 24", " 2022-6-24T08:00Z", "runs of separators") + "," +
                 event("2024-02-29", "2024-03-01", "leap") + "," + event("2001-01-01", "2001-1-x", "no digits") + "," +
                 event("2022-06-24", "2022-06-30", "AB\r\nCD") + "," + event("2022-06-24", "2022-06-30", "\nlater") +
                 "," + event("2022-06-24", "2022-06-30", std::string("nul\0after", 9)) + "," +
                 event("2022-06-24", "2022-06-30", std::string(50, 'W')) + "," +
                 event("2022-06-24", "2022-06-30", "caf\xC3\xA9 \xE2\x82\xAC") + "]");
    std::vector<Record> records;
    ASSERT_EQ(convert(&records), 1);
    ASSERT_EQ(records.size(), 9u) << log_text();
    std::vector<std::string> texts;
    for (const Record& r : records) texts.push_back(r.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"", "AB", std::string(41, 'W'), "caf\xC3\xA9 \xE2\x82\xAC", "leap",
                                               "no digits", "nul", "runs of separators", "slashes"}));
    EXPECT_EQ(records[4].start, 45290);
    EXPECT_EQ(records[4].end, 45291);
    EXPECT_EQ(records[5].start, 36831);
    EXPECT_EQ(records[5].end, day_number(0, 1, 2001));
    EXPECT_EQ(records[7].start, 44675);
    EXPECT_EQ(records[7].end, 44675);
    EXPECT_EQ(records[8].start, 44675);
    EXPECT_EQ(records[8].end, 44675);
}

TEST_F(CalendarFile, MemberNamesAreIgnoredAndPositionsCount)
{
    write_source(R"([{"a":"2022-06-24","b":"2022-06-30","c":"one"},)"
                 R"({"text":"2022-07-01","start":"2022-07-09","end":"two","extra":5,"more":{"x":[1]}},)"
                 R"({"":"2022-08-01","\u0041":"2022-08-02","end":"three"}])");
    std::vector<Record> records;
    ASSERT_EQ(convert(&records), 1);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].text, "one");
    EXPECT_EQ(records[0].start, 44675);
    EXPECT_EQ(records[1].text, "three");
    EXPECT_EQ(records[1].end, day_number(2, 8, 2022));
    EXPECT_EQ(records[2].text, "two");
    EXPECT_EQ(records[2].start, day_number(1, 7, 2022));
    EXPECT_EQ(records[2].end, day_number(9, 7, 2022));
}

TEST_F(CalendarFile, SameTextKeepsEveryStartLatestFirstAndDropsDuplicates)
{
    write_source("[" + event("2022-06-24", "2022-06-30", "X") + "," + event("2023-01-10", "2023-01-20", "X") + "," +
                 event("2022-06-24", "2022-07-15", "X") + "," + event("2022-12-31", "2023-01-02", "X") + "]");
    std::vector<Record> records;
    ASSERT_EQ(convert(&records), 1);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].start, day_number(10, 1, 2023));
    EXPECT_EQ(records[1].start, day_number(31, 12, 2022));
    EXPECT_EQ(records[2].start, 44675);
    EXPECT_EQ(records[2].end, day_number(30, 6, 2022)) << "the first in the array stays";
    EXPECT_EQ(log_text(), "ERROR:\tDuplicate event: X\n");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CalendarFile, ElementsThatAreNoEventsAreSkippedWithALogLine)
{
    write_source(R"([ "just text",
        {"a":"2022-06-24","b":"2022-06-30"},
        {"a":"2022-06-24","b":20220630,"c":"number"},
        {"a":"2022-06","b":"2022-06-30","c":"short date"},
        {"a":"2022-13-01","b":"2022-06-30","c":"month 13"},
        {"a":"2022-06-24","b":"2022-00-30","c":"month 0"},
        {"a":"2022-06-24","b":"2022-06-30","c":"kept","d":7},
        null, [], {}])");
    std::vector<Record> records;
    ASSERT_EQ(convert(&records), 1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].text, "kept");
    EXPECT_EQ(log_text(),
              "WARNING:\tCalendar element 0 skipped: not an object\n"
              "WARNING:\tCalendar element 1 skipped: fewer than three members\n"
              "WARNING:\tCalendar element 2 skipped: one of the first three members is not a string\n"
              "WARNING:\tCalendar element 3 skipped: a date with fewer than three parts\n"
              "WARNING:\tCalendar element 4 skipped: a month outside 1 to 12\n"
              "WARNING:\tCalendar element 5 skipped: a month outside 1 to 12\n"
              "WARNING:\tCalendar element 7 skipped: not an object\n"
              "WARNING:\tCalendar element 8 skipped: not an object\n"
              "WARNING:\tCalendar element 9 skipped: fewer than three members\n");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CalendarFile, DeselectedSourceWritesTheEmptyCalendar)
{
    write_file("SAVE/KESTRL.CAL", "an older calendar with events");
    write_source("[" + event("2022-06-24", "2022-06-30", "X") + "]");
    selections.sel[kSlotCalendarSource] = 0;
    std::vector<Record> records;
    EXPECT_EQ(convert(&records), 1);
    EXPECT_EQ(read_file("SAVE/KESTRL.CAL"), kEmptyCalendar);
    // Not even read: a broken source is not reported when it is not selected.
    write_source("<html>");
    EXPECT_EQ(convert(&records), 1);
    EXPECT_EQ(read_file("SAVE/KESTRL.CAL"), kEmptyCalendar);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(log_text(), "");
}

TEST_F(CalendarFile, SourceThatIsNoCalendarIsReportedAndGivesTheEmptyFile)
{
    struct Case {
        const char* content;  // nullptr: no file
        const char* text;
        const char* title;
    };
    const Case cases[] = {
        {nullptr, "UPDATE\\kestrl.php is missing or not a JSON file", "Not JSON"},
        {"<!DOCTYPE html><html><body>Error 500</body></html>", "UPDATE\\kestrl.php is missing or not a JSON file",
         "Not JSON"},
        {R"({"events": []})", "UPDATE\\kestrl.php is missing or not a JSON file", "Not JSON"},
        {R"([{"a":"2022-06-24","a":"2022-06-30","c":"X"}])", "UPDATE\\kestrl.php is missing or not a JSON file",
         "Not JSON"},
        {" [ ] ", "UPDATE\\kestrl.php has no calendar events!", "No events"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::remove("UPDATE/kestrl.php");
        if (c.content) write_source(c.content);
        write_file("SAVE/KESTRL.CAL", "old");
        dialogs.shown.clear();
        std::vector<Record> records;
        EXPECT_EQ(convert(&records), 1);
        EXPECT_EQ(read_file("SAVE/KESTRL.CAL"), kEmptyCalendar);
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, c.text);
        EXPECT_EQ(dialogs.shown[0].title, c.title);
        EXPECT_EQ(dialogs.shown[0].style, kMbIconError | kMbTopmost);
        EXPECT_NE(log_text().find("ERROR:\t" + std::string(c.text) + "\n"), std::string::npos);
    }
}

TEST_F(CalendarFile, DebugLines)
{
    g_config.debug = 1;
    selections.upd[kSlotCalendarSource] = 1;
    write_source("[" + event("2022-06-24", "2022-06-30", "X") + "," + event("2022-06-25", "2022-06-30", "Y") + "]");
    std::vector<Record> records;
    ASSERT_EQ(convert(&records), 1);
    EXPECT_EQ(log_text(),
              "DEBUG:\t    425 DX Calendar was updated\n"
              "DEBUG:\t  Wrote 2 calendar events to SAVE\\KESTRL.CAL\n");

    selections.upd[kSlotCalendarSource] = 0;
    selections.sel[kSlotCalendarSource] = 0;
    ASSERT_EQ(convert(&records), 1);
    EXPECT_EQ(log_text(),
              "DEBUG:\t    425 DX Calendar was updated\n"
              "DEBUG:\t  Wrote 2 calendar events to SAVE\\KESTRL.CAL\n")
        << "nothing for an empty calendar";
}

namespace {

FILE* open_full_disk(const char* path, const char* mode)
{
    if (std::string(mode) == "wb") return std::fopen("/dev/full", "wb");
    return native_platform().open_file(path, mode);
}

FILE* open_denied(const char* path, const char* mode)
{
    if (std::string(mode) == "wb") {
        errno = EACCES;
        return nullptr;
    }
    return native_platform().open_file(path, mode);
}

}  // namespace

TEST_F(CalendarFile, FailedWriteKeepsTheOldCalendarAndIsReported)
{
    write_file("SAVE/KESTRL.CAL", "the calendar of yesterday");
    write_source("[" + event("2022-06-24", "2022-06-30", "X") + "]");
    g_platform.open_file = open_full_disk;
    EXPECT_EQ(write_calendar(nullptr, kSlotCalendar, catalogue), 0);
    EXPECT_EQ(read_file("SAVE/KESTRL.CAL"), "the calendar of yesterday");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Error writing SAVE\\KESTRL.CAL:\n" + std::string(std::strerror(ENOSPC)));
    EXPECT_EQ(dialogs.shown[0].title, "File Write");
    EXPECT_FALSE(path_exists("SAVE/KESTRL.CAL.~new"));

    g_platform.open_file = open_denied;
    EXPECT_EQ(write_calendar(nullptr, kSlotCalendar, catalogue), 0);
    EXPECT_EQ(read_file("SAVE/KESTRL.CAL"), "the calendar of yesterday");
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].text, "Error opening SAVE\\KESTRL.CAL:\n" + std::string(std::strerror(EACCES)));
    EXPECT_EQ(dialogs.shown[1].title, "File Open");
}

TEST_F(CalendarFile, MoreEventsThanTheCountFieldHoldsKeepsTheFirst65535)
{
    std::string json = "[";
    const int total = kMaxCalendarEvents + 2;
    for (int i = 0; i < total; ++i) {
        char text[16];
        std::snprintf(text, sizeof text, "E%06d", i);
        json += (i ? "," : "") + std::string(R"({"s":"2022-06-24","e":"2022-06-30","t":")") + text + "\"}";
    }
    json += "]";
    write_source(json);
    ASSERT_EQ(write_calendar(nullptr, kSlotCalendar, catalogue), 1);
    std::string bytes = read_file("SAVE/KESTRL.CAL");
    EXPECT_EQ(bytes.substr(0, 10), std::string("CALB\x2E\x00\xFF\xFF\x00\x00", 10));
    ASSERT_EQ(bytes.size(), 10u + 46u * kMaxCalendarEvents) << "the count field matches the records";
    EXPECT_EQ(bytes.substr(10 + 4, 8), std::string("\x07" "E000000", 8));
    EXPECT_EQ(bytes.substr(bytes.size() - 46 + 4, 8), std::string("\x07" "E065534", 8));
    EXPECT_EQ(log_text(),
              "WARNING:\tThe calendar has 65537 events; only the first 65535 fit into SAVE\\KESTRL.CAL\n");
}
