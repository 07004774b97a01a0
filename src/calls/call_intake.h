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

// Texts a reader hands over before they are stored together. A reader keeps this many
// line buffers and reads each line into the one numbered CallIntake::queued.
constexpr int kCallBatch = 16;

// The texts of one source on their way into the set. They are validated and stripped
// first, then the tree entries their lookups will visit are fetched together, then
// each is logged, counted and added in line order: the log, the counts and the tree
// are exactly those of handling the lines one at a time.
struct CallIntake {
    CallSet* set = nullptr;
    char listId = 0;
    // A callsign longer than this after stripping is counted invalid like a rejected
    // one, so that the counts still add up to the texts looked at.
    size_t max_length = static_cast<size_t>(-1);
    ReadCounts counts;
    char* texts[kCallBatch] = {};  // texts[i] lies in the reader's line buffer i
    int queued = 0;
};

// Queues a text from the reader's line buffer numbered intake->queued, which must stay
// untouched until the batch is handled; a full batch is handled at once.
void take_call(CallIntake* intake, char* text);

// Handles the queued texts: validation (with -debug "DEBUG:\t%s is not a valid call\n"
// for a rejected one), stripping, addCall with the list ID.
void flush_calls(CallIntake* intake);

// The closing debug line of a reader: "Read %0d good, %0d invalid calls from %s" with
// the source's downloadPath (its targetPath when it has none).
void log_read_counts(const ReadCounts& counts, const DataSource& source);
