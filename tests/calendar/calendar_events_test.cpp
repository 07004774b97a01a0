#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "calendar/calendar_events.h"

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

TEST(CalendarEvents, OrderByTextThenLaterStartFirstKeepingTheFirstOfDuplicates)
{
    const std::pair<std::string, CalendarDate> read[] = {
        {"A", {1, 2, 2022}}, {"A", {31, 12, 2021}}, {"A", {2, 2, 2022}}, {"A", {1, 3, 2022}}, {"AB", {1, 1, 2022}},
        {"\xC3\xA9t\xC3\xA9", {1, 1, 2022}}, {"Z", {1, 1, 2022}}, {"", {1, 1, 2022}}, {"B", {1, 1, 2022}},
        {"A", {2, 2, 2022}}, {"B", {1, 1, 2022}}};
    std::vector<CalendarEvent> events, duplicates;
    for (const auto& [text, start] : read) events.push_back({text, start, {int32_t(events.size()), 1, 2030}, events.size()});
    sort_events(&events, &duplicates);
    // A prefix first; bytes as unsigned; year before month before day; the first of
    // equal text and start stays, whatever its end date.
    std::vector<std::pair<std::string, size_t>> order;
    for (const CalendarEvent& e : events) order.emplace_back(e.text, e.element);
    EXPECT_EQ(order, (std::vector<std::pair<std::string, size_t>>{
                         {"", 7}, {"A", 3}, {"A", 2}, {"A", 0}, {"A", 1}, {"AB", 4}, {"B", 8}, {"Z", 6}, {"\xC3\xA9t\xC3\xA9", 5}}));
    ASSERT_EQ(duplicates.size(), 2u);
    EXPECT_EQ(duplicates[0].element, 9u);
    EXPECT_EQ(duplicates[1].element, 10u);
}
