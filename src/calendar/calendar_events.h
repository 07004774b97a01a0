// The calendar's events in memory: a level-balanced (AA) tree that orders them as
// the calendar file lists them and turns duplicates away, the day numbers the file
// stores, and the 46-byte event records.
#pragma once

#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

struct CalendarDate {
    int32_t day = 0;
    int32_t month = 0;   // 1 to 12
    int32_t year = 0;    // in full, e.g. 2022
};

struct CalendarEvent;
using EventTree = std::unique_ptr<CalendarEvent>;

struct CalendarEvent {
    std::string text;    // cut at the first CR or LF
    CalendarDate start;
    CalendarDate end;
    int32_t level = 0;   // 0 for a new event
    EventTree left;
    EventTree right;
};

// Bytes of one event record, and of the text field inside it.
constexpr int kCalendarRecordSize = 46;
constexpr size_t kCalendarTextSize = 41;

// Inserts the event into the tree rooted at `node` and returns the new root. Events
// sort by text (bytes as unsigned, a prefix first), then by start date, the later
// first. An event with the text and start date of one already in the tree is not
// inserted: it is released and the log gets "ERROR:\tDuplicate event: %s\n".
[[nodiscard]] EventTree insert_event(EventTree node, EventTree event);

// Days since 1 March 1900 (day 0), every fourth year a leap year: exact from
// 1 January 2001 to 4 August 2079. Only the low 16 bits are kept, so later dates
// wrap to small numbers, as the calendar file stores them. Any input is safe: the
// month table is only read for months 1 to 12.
uint16_t day_number(int32_t day, int32_t month, int32_t year);

// Walks the tree in order and writes one event record per event to `stream`, at
// most `limit` of them; with no stream nothing is written. Returns the number of
// events walked (the events in the tree, or `limit` when there are more). Write
// errors are left in the stream's error flag.
int write_events(FILE* stream, const CalendarEvent* tree, int limit = INT_MAX);

// The 46-byte record of one event.
void encode_event(const CalendarEvent& event, uint8_t out[kCalendarRecordSize]);
