#include "calendar/calendar_events.h"

#include <cstring>
#include <vector>

#include "base/log.h"

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

EventTree skew(EventTree node)
{
    if (node->left && node->left->level == node->level) {
        EventTree left = std::move(node->left);
        node->left = std::move(left->right);
        left->right = std::move(node);
        return left;
    }
    return node;
}

EventTree split(EventTree node)
{
    if (node->right && node->right->right && node->right->right->level == node->level) {
        EventTree right = std::move(node->right);
        node->right = std::move(right->left);
        right->left = std::move(node);
        ++right->level;
        return right;
    }
    return node;
}

void put_u16(uint8_t* out, uint16_t value)
{
    out[0] = uint8_t(value & 0xFF);
    out[1] = uint8_t(value >> 8);
}

constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

}  // namespace

EventTree insert_event(EventTree node, EventTree event)
{
    if (!node) {
        event->level = 0;
        return event;
    }
    int order = compare_events(*event, *node);
    if (order < 0) {
        node->left = insert_event(std::move(node->left), std::move(event));
    } else if (order > 0) {
        node->right = insert_event(std::move(node->right), std::move(event));
    } else {
        log_printf("ERROR:\t%s\n", format_bounded(kMessageSize, "Duplicate event: %s", event->text.c_str()).c_str());
        event.reset();
    }
    return split(skew(std::move(node)));
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

int write_events(FILE* stream, const CalendarEvent* tree, int limit)
{
    // The tree is balanced, but an explicit stack costs nothing and stops early.
    std::vector<const CalendarEvent*> path;
    const CalendarEvent* node = tree;
    int count = 0;
    uint8_t record[kCalendarRecordSize];
    while ((node || !path.empty()) && count < limit) {
        while (node) {
            path.push_back(node);
            node = node->left.get();
        }
        node = path.back();
        path.pop_back();
        if (stream) {
            encode_event(*node, record);
            std::fwrite(record, 1, sizeof record, stream);
        }
        ++count;
        node = node->right.get();
    }
    return count;
}
