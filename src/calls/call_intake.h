// The step every callsign list reader shares: validate one text from its line buffer,
// strip its operating suffixes, store it, and keep the good and invalid counts.
#pragma once

#include <cstddef>

#include "calls/call_set.h"
#include "catalogue/data_source.h"

struct ReadCounts {
    int good = 0;      // texts handed to addCall, repeats included
    int invalid = 0;   // texts isValidCall rejected (or too long for the caller)
};

// Validates and strips the text in place and adds it with the list ID. A callsign
// longer than max_length after stripping is counted invalid like a rejected one, so
// that the counts still add up to the texts looked at.
void take_call(CallSet* set, char* text, char listId, size_t max_length, ReadCounts* counts);

// The closing debug line of a reader: "Read %0d good, %0d invalid calls from %s" with
// the source's downloadPath (its targetPath when it has none).
void log_read_counts(const ReadCounts& counts, const DataSource& source);
