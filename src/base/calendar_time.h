// Broken-down calendar times of 64-bit seconds, the same on every system (the
// re-entrant C calls differ between them).
#pragma once

#include <cstdint>
#include <ctime>

// The UTC calendar time of `unix_time` (tm_wday and tm_yday filled too).
std::tm utc_calendar_time(int64_t unix_time);
// Days from 1970-01-01 to the first of `month` (1 to 12) of `year` in the proleptic
// Gregorian calendar. Years beyond +-32767, which no date means, count as those.
int64_t days_from_civil(int64_t year, int month);
// The local calendar time of `unix_time`; a zero-filled record when the system
// cannot convert it.
std::tm local_calendar_time(int64_t unix_time);
