// The logging program's master callsign file, built from the master-call sources,
// and the readers of those sources.
#pragma once

#include <cstdint>
#include <cstdio>

#include "calls/call_set.h"
#include "catalogue/data_source.h"

struct AppWindow;
struct Selections;

// Lines of the master lists are read into fixed buffers of 63 characters and the
// terminator; a longer line arrives in pieces.
inline constexpr int kMasterLineSize = 64;

// One callsign per line, read in pieces of 63 characters, added to the set. With
// -debug logs the invalid texts and the closing counts.
void readCallPerLine(FILE* stream, CallSet* set, const DataSource& source);

// The second of the blank-separated tokens of each line (pieces of 63 characters);
// lines with fewer than two tokens are skipped without being counted.
void readCallSecondToken(FILE* stream, CallSet* set, const DataSource& source);

// The second of the blank-separated tokens of a line, terminated in place; nullptr
// when there is none.
char* second_token(char* line);

// Writes one record per callsign of the sorted set in ascending order (the callsign with bit 7 of its
// first byte set) and returns the number written. Write errors stay on the stream.
int writeMasterCalls(FILE* stream, const CallSet& set);

// Reads every selected master-call source (19, 20; the Club Log archive is unpacked
// first) and rewrites the target of `slot` whole through a temporary file. A source
// that cannot be opened is reported and left out. 1 success; 0 when the target could
// not be written (reported; the old file unchanged), when the Club Log member could
// not be unpacked (logged; the old file unchanged), or when a selected list gave not
// one callsign, or the file would hold none while a list could not be opened
// (report_nothing_read: the old file unchanged; where there was none, what there is
// is written).
[[nodiscard]] int writeMasterFile(AppWindow* owner, int slot, const Catalogue& catalogue, const Selections& selections,
                                  uint32_t* errorCount);
