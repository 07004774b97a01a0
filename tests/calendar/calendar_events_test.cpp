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
