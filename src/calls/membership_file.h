// The logging program's membership file, built from the membership lists, and the
// rule the membership settings apply to the list IDs before storing them.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "calls/call_set.h"
#include "catalogue/data_source.h"

struct AppWindow;
struct Selections;

// The record's length byte bounds the callsigns the membership file can hold; a longer
// one is counted invalid by readMemberList and never written.
constexpr size_t kMaxMemberCallLength = 255;

// 259 characters and the terminator; a longer line arrives in pieces.
inline constexpr int kMemberLineSize = 260;

// Whether a membership list line is read: one that starts with an ASCII letter or
// digit (headers and comments, "#..." or quoted column names, are not).
bool is_ascii_alnum(unsigned char c);

// Reads one membership list (pieces of 259 characters; only the first comma-separated
// field counts; lines not starting with an ASCII letter or digit are skipped
// uncounted) and adds its callsigns with the list ID.
void readMemberList(FILE* stream, CallSet* set, const DataSource& source, char listId);

// Walks the sorted set in order and counts the entries with one to four list IDs; with a
// stream also writes their records. The count is the same with and without one.
// Write errors stay on the stream.
int writeMemberRecords(FILE* stream, const CallSet& set);

// Reads every selected membership source (21 to 25, its sel byte as the list ID) and
// rewrites the target of `slot` whole through a temporary file. A source that cannot be
// opened is reported and left out. 1 success; 0 when the target could not be written
// (reported; the old file unchanged), or when a selected downloaded list gave not one
// callsign, or the file would hold none while one could not be opened
// (report_nothing_read: the old file unchanged; where there was none, what there is is
// written).
[[nodiscard]] int writeMembershipFile(AppWindow* owner, int slot, const Catalogue& catalogue,
                                      const Selections& selections, uint32_t* errorCount);

// Tidies and checks the texts of the five list-ID fields of the membership settings
// (slots 21 to 25 in order): a field starting with a blank is emptied. 1 when
// acceptable; 0 after telling the user why (titled "Too many lists").
[[nodiscard]] int checkListIds(AppWindow* owner, std::array<std::string, 5>* fields);
