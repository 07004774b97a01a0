#include "base/calendar_time.h"

#include <algorithm>
#include <chrono>

std::tm utc_calendar_time(int64_t unix_time)
{
    using namespace std::chrono;
    const sys_seconds at{seconds{unix_time}};
    const sys_days day = floor<days>(at);
    const year_month_day ymd{day};
    const hh_mm_ss<seconds> clock{at - day};
    std::tm out{};
    out.tm_year = int(ymd.year()) - 1900;
    out.tm_mon = int(unsigned(ymd.month())) - 1;
    out.tm_mday = int(unsigned(ymd.day()));
    out.tm_hour = int(clock.hours().count());
    out.tm_min = int(clock.minutes().count());
    out.tm_sec = int(clock.seconds().count());
    out.tm_wday = int(weekday{day}.c_encoding());
    out.tm_yday = int((day - sys_days{ymd.year() / January / 1}).count());
    return out;
}

int64_t days_from_civil(int64_t year, int month)
{
    using std::chrono::sys_days;
    using Year = std::chrono::year;
    const Year held{int(std::clamp<int64_t>(year, int(Year::min()), int(Year::max())))};
    return sys_days{held / std::chrono::month{unsigned(month)} / 1}.time_since_epoch().count();
}

std::tm local_calendar_time(int64_t unix_time)
{
    const std::time_t when = std::time_t(unix_time);
    std::tm out{};
#ifdef _WIN32
    if (localtime_s(&out, &when) != 0) out = std::tm{};
#else
    if (!localtime_r(&when, &out)) out = std::tm{};
#endif
    return out;
}
