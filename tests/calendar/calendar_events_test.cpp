#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "calendar/calendar_events.h"
#include "support/app_fixture.h"

namespace {

using Walked = std::vector<std::pair<std::string, int>>;  // text, start day

EventTree make_event(const std::string& text, CalendarDate start, CalendarDate end = {1, 1, 2030})
{
    return std::make_unique<CalendarEvent>(CalendarEvent{text, start, end, 0, nullptr, nullptr});
}

// The events in order into *out; returns the tree's height.
int walk(const CalendarEvent* node, Walked* out)
{
    if (!node) return 0;
    int left = walk(node->left.get(), out);
    out->emplace_back(node->text, day_number(node->start.day, node->start.month, node->start.year));
    return 1 + std::max(left, walk(node->right.get(), out));
}

// Insertion logs duplicates, so these tests have the program's log.
class CalendarTree : public AppTest {};

}  // namespace

TEST(CalendarEvents, DayNumbers)
{
    // 2022-06-24, 2024-02-29 and 2001-01-01 are checked in the written calendar file.
    EXPECT_EQ(day_number(1, 3, 2023), 44925);
    EXPECT_EQ(day_number(1, 1, 2005), 36831 + 4 * 365 + 1);
    EXPECT_EQ(day_number(4, 8, 2079), 65535);  // the last day that fits, then the wrap
    EXPECT_EQ(day_number(5, 8, 2079), 0);
    // Hostile dates: four years stay 1461 days where 32 bits would overflow and a
    // year loop would take billions of steps; months beyond the table stop at December.
    EXPECT_EQ(day_number(1, 1, INT32_MAX), uint16_t(day_number(1, 1, INT32_MAX - 4) + 1461));
    EXPECT_EQ(day_number(INT32_MAX, 1, 2022), uint16_t(day_number(0, 1, 2022) + uint32_t(INT32_MAX)));
    EXPECT_EQ(day_number(1, 1000000, 2022), day_number(1, 1, 2023));
    EXPECT_EQ(day_number(1, 0, 2022), day_number(1, 1, 2022));
}

TEST_F(CalendarTree, OrderByTextThenLaterStartFirstWithoutDuplicates)
{
    const std::string long_text(1000, 'L');
    const std::pair<std::string, CalendarDate> inserted[] = {
        {"A", {1, 2, 2022}}, {"A", {31, 12, 2021}}, {"A", {2, 2, 2022}}, {"A", {1, 3, 2022}}, {"AB", {1, 1, 2022}},
        {"\xC3\xA9t\xC3\xA9", {1, 1, 2022}}, {"Z", {1, 1, 2022}}, {"", {1, 1, 2022}}, {"B", {1, 1, 2022}},
        {long_text, {1, 1, 2022}}, {long_text, {1, 1, 2022}}};
    EventTree tree;
    for (const auto& [text, start] : inserted) tree = insert_event(std::move(tree), make_event(text, start));
    // A long duplicate text is cut to the message buffer, not written past it.
    EXPECT_EQ(log_text(), "ERROR:\t" + ("Duplicate event: " + long_text).substr(0, 259) + "\n");
    Walked events;
    walk(tree.get(), &events);
    // A prefix first; bytes as unsigned; year before month before day.
    EXPECT_EQ(events, (Walked{{"", 44501}, {"A", 44560}, {"A", 44533}, {"A", 44532}, {"A", 44500}, {"AB", 44501},
                              {"B", 44501}, {long_text, 44501}, {"Z", 44501}, {"\xC3\xA9t\xC3\xA9", 44501}}));
}

TEST(CalendarEvents, SortedInsertionStaysBalanced)
{
    EventTree tree;
    for (int i = 0; i < 3000; ++i) tree = insert_event(std::move(tree), make_event("e", {1, 1, 5000 - i}));
    Walked events;
    EXPECT_LE(walk(tree.get(), &events), 23);  // 2 log2(n + 1)
    EXPECT_EQ(events.size(), 3000u);
}
