#include "calendar/calendar_events.h"

#include <algorithm>
#include <cstring>

#include "base/keep_first.h"
#include "base/little_endian.h"

namespace {

// Negative when a sorts before b, positive when after, 0 for duplicates.
int compare_events(const CalendarEvent& a, const CalendarEvent& b)
{
    // std::string compares its bytes as unsigned char.
    int by_text = a.text.compare(b.text);
    if (by_text != 0) return by_text;
    // The later start comes first.
    if (a.start.year != b.start.year) return a.start.year > b.start.year ? -1 : 1;
    if (a.start.month != b.start.month) return a.start.month > b.start.month ? -1 : 1;
    if (a.start.day != b.start.day) return a.start.day > b.start.day ? -1 : 1;
    return 0;
}

constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

}  // namespace

void sort_events(std::vector<CalendarEvent>* events, std::vector<CalendarEvent>* duplicates)
{
    sort_keep_first(
        events,
        [](const CalendarEvent& a, const CalendarEvent& b) {
            int order = compare_events(a, b);
            return order != 0 ? order < 0 : a.element < b.element;
        },
        [](const CalendarEvent& a, const CalendarEvent& b) { return compare_events(a, b) == 0; },
        [&](const CalendarEvent&, CalendarEvent& dropped) { duplicates->push_back(std::move(dropped)); });
    std::sort(duplicates->begin(), duplicates->end(),
              [](const CalendarEvent& a, const CalendarEvent& b) { return a.element < b.element; });
}

uint16_t day_number(int32_t day, int32_t month, int32_t year)
{
    // The year loop of the count, in closed form and 64 bits wide, so that a year
    // such as 2000000000 in a hostile calendar costs nothing and cannot overflow.
    int64_t days = 36525;
    if (year > 2001) {
        int64_t years = int64_t(year) - 2001;
        int64_t leap_years = (int64_t(year) - 1) / 4 - 2000 / 4;  // multiples of 4 in 2001 .. year-1
        days += years * 365 + leap_years;
    }
    for (int32_t m = 1; m < month && m <= 12; ++m) {
        days += kMonthDays[m - 1];
        if (m == 2 && year % 4 == 0) ++days;
    }
    days += int64_t(day) + 305;
    return uint16_t(uint64_t(days) & 0xFFFF);
}

void encode_event(const CalendarEvent& event, uint8_t out[kCalendarRecordSize])
{
    std::memset(out, 0, kCalendarRecordSize);
    put_u16(out, day_number(event.start.day, event.start.month, event.start.year));
    put_u16(out + 2, day_number(event.end.day, event.end.month, event.end.year));
    size_t length = event.text.size() < kCalendarTextSize ? event.text.size() : kCalendarTextSize;
    out[4] = uint8_t(length);
    std::memcpy(out + 5, event.text.data(), length);
}

int write_events(FILE* stream, const std::vector<CalendarEvent>& events, int limit)
{
    int count = 0;
    uint8_t record[kCalendarRecordSize];
    for (const CalendarEvent& event : events) {
        if (count >= limit) break;
        if (stream) {
            encode_event(event, record);
            std::fwrite(record, 1, sizeof record, stream);
        }
        ++count;
    }
    return count;
}
