// The calendar's events in memory, sorted as the calendar file lists them with the
// duplicates taken out, the day numbers the file stores, and the 46-byte event
// records.
#pragma once

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct CalendarDate {
    int32_t day = 0;
    int32_t month = 0;  // 1 to 12
    int32_t year = 0;   // in full, e.g. 2022
};

struct CalendarEvent {
    std::string text;  // cut at the first CR or LF
    CalendarDate start;
    CalendarDate end;
    size_t element = 0;  // its index in the calendar's array
};

// Bytes of one event record, and of the text field inside it.
constexpr int kCalendarRecordSize = 46;
constexpr size_t kCalendarTextSize = 41;

// Sorts the events by text (bytes as unsigned, a prefix first), then by start date,
// the later first, and keeps the first (lowest element) of each text and start date;
// the others are moved, in element order, into *duplicates.
void sort_events(std::vector<CalendarEvent>* events, std::vector<CalendarEvent>* duplicates);

// Days since 1 March 1900 (day 0), every fourth year a leap year: exact from
// 1 January 2001 to 4 August 2079. Only the low 16 bits are kept, so later dates
// wrap to small numbers, as the calendar file stores them. Any input is safe: the
// month table is only read for months 1 to 12.
uint16_t day_number(int32_t day, int32_t month, int32_t year);

// Writes one event record per event to `stream`, at most `limit` of them; with no
// stream nothing is written. Returns the number of events walked (all of them, or
// `limit` when there are more). Write errors are left in the stream's error flag.
int write_events(FILE* stream, const std::vector<CalendarEvent>& events, int limit = INT_MAX);

// The 46-byte record of one event.
void encode_event(const CalendarEvent& event, uint8_t out[kCalendarRecordSize]);
