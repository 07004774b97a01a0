#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calendar/calendar_events.h"
#include "support/app_fixture.h"

namespace {

EventTree make_event(const std::string& text, CalendarDate start, CalendarDate end = {1, 1, 2030})
{
    auto event = std::make_unique<CalendarEvent>();
    event->text = text;
    event->start = start;
    event->end = end;
    return event;
}

struct Record {
    uint16_t start = 0;
    uint16_t end = 0;
    std::string text;
};

Record decode(const uint8_t* r)
{
    Record out;
    out.start = uint16_t(r[0] | r[1] << 8);
    out.end = uint16_t(r[2] | r[3] << 8);
    out.text.assign(reinterpret_cast<const char*>(r + 5), r[4] <= 41 ? r[4] : 41);
    return out;
}

// The records write_events writes, and the count it returns.
std::vector<Record> written(const CalendarEvent* tree, int* count, int limit = INT_MAX)
{
    FILE* stream = std::tmpfile();
    *count = write_events(stream, tree, limit);
    std::vector<uint8_t> bytes(size_t(std::ftell(stream)));
    std::rewind(stream);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), stream), bytes.size());
    std::fclose(stream);
    EXPECT_EQ(bytes.size() % kCalendarRecordSize, 0u);
    std::vector<Record> records;
    for (size_t at = 0; at + kCalendarRecordSize <= bytes.size(); at += kCalendarRecordSize)
        records.push_back(decode(bytes.data() + at));
    return records;
}

// Checks the level rules of an AA tree and returns its height.
int check_levels(const CalendarEvent* node)
{
    if (!node) return 0;
    if (!node->left && !node->right) {
        EXPECT_EQ(node->level, 0) << node->text;
    }
    if (node->left) {
        EXPECT_EQ(node->left->level, node->level - 1) << node->text;
    }
    if (node->right) {
        EXPECT_TRUE(node->right->level == node->level || node->right->level == node->level - 1) << node->text;
        if (node->right->right) {
            EXPECT_LT(node->right->right->level, node->level) << node->text;
        }
    }
    if (node->level > 0) {
        EXPECT_TRUE(node->left && node->right) << node->text;
    }
    return 1 + std::max(check_levels(node->left.get()), check_levels(node->right.get()));
}

// Insertion logs duplicates, so these tests have the program's log.
class CalendarTree : public AppTest {};

}  // namespace

TEST(CalendarEvents, DayNumbers)
{
    EXPECT_EQ(day_number(24, 6, 2022), 44675);
    EXPECT_EQ(day_number(29, 2, 2024), 45290);
    EXPECT_EQ(day_number(1, 3, 2024), 45291);
    EXPECT_EQ(day_number(28, 2, 2023) + 1, day_number(1, 3, 2023)) << "2023 has no 29 February";
    EXPECT_EQ(day_number(1, 1, 2001), 36831);
    EXPECT_EQ(day_number(31, 12, 2001), 36831 + 364);
    EXPECT_EQ(day_number(1, 1, 2002), 36831 + 365);
    EXPECT_EQ(day_number(1, 1, 2005), 36831 + 4 * 365 + 1);
    // The last day that fits, then the wrap.
    EXPECT_EQ(day_number(4, 8, 2079), 65535);
    EXPECT_EQ(day_number(5, 8, 2079), 0);
    EXPECT_EQ(day_number(1, 1, 2100), uint16_t(day_number(1, 1, 2096) + 1461));
}

TEST(CalendarEvents, DayNumbersOfHostileDatesAreSafeAndQuick)
{
    // Four years are 1461 days throughout, also where a loop over the years would
    // take billions of steps and 32 bits would overflow.
    EXPECT_EQ(day_number(1, 1, INT32_MAX), uint16_t(day_number(1, 1, INT32_MAX - 4) + 1461));
    EXPECT_EQ(day_number(INT32_MAX, 1, 2022), uint16_t(day_number(0, 1, 2022) + uint32_t(INT32_MAX)));
    // Months beyond the table read no further than December.
    EXPECT_EQ(day_number(1, 13, 2022), day_number(1, 1, 2023));
    EXPECT_EQ(day_number(1, 1000000, 2022), day_number(1, 1, 2023));
    EXPECT_EQ(day_number(1, 0, 2022), day_number(1, 1, 2022));
}

// The documented examples (B, A, A; duplicates) run through the calendar file tests;
// these are the finer points of the order.
TEST_F(CalendarTree, OrderByTextThenLaterStartFirst)
{
    EventTree tree;
    for (CalendarDate start : {CalendarDate{1, 2, 2022}, {31, 12, 2021}, {2, 2, 2022}, {1, 3, 2022}})
        tree = insert_event(std::move(tree), make_event("A", start));
    for (const char* text : {"AB", "\xC3\xA9t\xC3\xA9", "Z", "", "B"})
        tree = insert_event(std::move(tree), make_event(text, {1, 1, 2022}));
    int count = 0;
    std::vector<std::string> texts;
    std::vector<uint16_t> starts;
    for (const Record& r : written(tree.get(), &count)) {
        texts.push_back(r.text);
        starts.push_back(r.start);
    }
    // A prefix sorts first; bytes are unsigned; year before month before day.
    EXPECT_EQ(texts, (std::vector<std::string>{"", "A", "A", "A", "A", "AB", "B", "Z", "\xC3\xA9t\xC3\xA9"}));
    EXPECT_EQ(std::vector<uint16_t>(starts.begin() + 1, starts.begin() + 5),
              (std::vector<uint16_t>{day_number(1, 3, 2022), day_number(2, 2, 2022), day_number(1, 2, 2022),
                                     day_number(31, 12, 2021)}));
    EXPECT_EQ(log_text(), "") << "no duplicates among these";

    // A long duplicate text is cut to the message buffer, not written past it.
    std::string long_text(1000, 'L');
    tree = insert_event(std::move(tree), make_event(long_text, {1, 1, 2022}));
    tree = insert_event(std::move(tree), make_event(long_text, {1, 1, 2022}, {5, 5, 2025}));
    EXPECT_EQ(write_events(nullptr, tree.get()), 10);
    EXPECT_EQ(log_text(), "ERROR:\t" + ("Duplicate event: " + long_text).substr(0, 259) + "\n");
}

TEST_F(CalendarTree, StaysBalanced)
{
    std::vector<std::string> texts;
    for (int i = 0; i < 3000; ++i) texts.push_back("event " + std::to_string(i * 7919 % 3000));
    std::vector<std::string> sorted = texts;
    std::sort(sorted.begin(), sorted.end());
    // Sorted input is the worst case for an unbalanced tree.
    for (const auto* order : {&sorted, &texts}) {
        EventTree tree;
        for (const std::string& text : *order) tree = insert_event(std::move(tree), make_event(text, {1, 1, 2022}));
        int height = check_levels(tree.get());
        EXPECT_LE(height, 2 * int(std::log2(3001.0)) + 1);
        int count = 0;
        std::vector<Record> records = written(tree.get(), &count);
        ASSERT_EQ(count, 3000);
        for (size_t i = 0; i < records.size(); ++i) ASSERT_EQ(records[i].text, sorted[i].substr(0, 41));
    }
}

TEST(CalendarEvents, RecordLayout)
{
    uint8_t bytes[kCalendarRecordSize];
    std::string fifty = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";
    ASSERT_EQ(fifty.size(), 50u);
    encode_event(*make_event(fifty, {24, 6, 2022}, {29, 2, 2024}), bytes);
    EXPECT_EQ(bytes[0], 0x83);  // 44675 = 0xAE83
    EXPECT_EQ(bytes[1], 0xAE);
    EXPECT_EQ(bytes[2], 0xEA);  // 45290 = 0xB0EA
    EXPECT_EQ(bytes[3], 0xB0);
    EXPECT_EQ(bytes[4], 41);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes + 5), 41), fifty.substr(0, 41));

    std::fill(bytes, bytes + kCalendarRecordSize, 0xFF);
    encode_event(*make_event("", {1, 1, 2001}, {1, 1, 2001}), bytes);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + kCalendarRecordSize),
              [] {
                  std::vector<uint8_t> v(kCalendarRecordSize, 0);
                  v[0] = v[2] = 0xDF;  // 36831 = 0x8FDF
                  v[1] = v[3] = 0x8F;
                  return v;
              }());
}

TEST(CalendarEvents, CountingWalkAndLimit)
{
    EventTree tree;
    int count = -1;
    EXPECT_EQ(write_events(nullptr, nullptr), 0);
    EXPECT_TRUE(written(nullptr, &count).empty());
    EXPECT_EQ(count, 0);
    for (const char* text : {"c", "a", "b"}) tree = insert_event(std::move(tree), make_event(text, {1, 1, 2022}));
    EXPECT_EQ(write_events(nullptr, tree.get()), 3);
    EXPECT_EQ(write_events(nullptr, tree.get(), 2), 2);
    std::vector<Record> records = written(tree.get(), &count, 2);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].text, "a");
    EXPECT_EQ(records[1].text, "b");
}
