// Broken-down calendar times of 64-bit seconds, the same on every system (the
// re-entrant C calls differ between them).
#pragma once

#include <cstdint>
#include <ctime>

// The UTC calendar time of `unix_time` (tm_wday and tm_yday filled too).
std::tm utc_calendar_time(int64_t unix_time);
// The local calendar time of `unix_time`; a zero-filled record when the system
// cannot convert it.
std::tm local_calendar_time(int64_t unix_time);
