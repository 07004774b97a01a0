// The steps every callsign list reader shares: the source cut into the pieces its
// fixed line buffer would have taken, and each text validated, stripped of its
// operating suffixes, stored and counted.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "base/log_limit.h"
#include "calls/call_set.h"
#include "catalogue/data_source.h"

struct ReadCounts {
    int good = 0;     // texts handed to addCall, repeats included
    int invalid = 0;  // texts isValidCall rejected (or too long for the caller)
};

struct CallIntake {
    CallSet* set = nullptr;
    char listId = 0;
    // A callsign longer than this after stripping is counted invalid like a rejected
    // one, so that the counts still add up to the texts looked at.
    size_t max_length = static_cast<size_t>(-1);
    ReadCounts counts;
    LogLimit invalid_logged;
};

// Reads the stream to its end and calls line(char* text) for each piece of it, as a
// buffer of `piece` characters and the terminator would take them (a piece ends
// after its line feed or when the buffer is full). The text is terminated in place
// and may be changed in place. The stream is read in large blocks, so a list costs
// no memory of its own. false when reading failed part-way; the pieces before the
// failure have been handled.
template <typename Line>
bool for_each_piece(FILE* stream, size_t piece, Line line)
{
    std::string block(65536, '\0');
    char* data = block.data();
    size_t have = 0;
    size_t pos = 0;
    bool at_end = false;
    for (;;) {
        while (!at_end && have - pos < piece) {
            std::memmove(data, data + pos, have - pos);
            have -= pos;
            pos = 0;
            size_t got = std::fread(data + have, 1, block.size() - have, stream);
            have += got;
            at_end = got == 0;
        }
        if (pos >= have) break;
        size_t limit = std::min(have, pos + piece);
        const void* lf = std::memchr(data + pos, '\n', limit - pos);
        size_t end = lf ? size_t(static_cast<const char*>(lf) - data) + 1 : limit;
        char next = data[end];  // the block's own terminator when the block is full
        data[end] = '\0';
        line(data + pos);
        data[end] = next;
        pos = end;
    }
    return std::ferror(stream) == 0;
}

// Cuts the text at its first CR or LF, or also at its first comma (a plain loop:
// the texts are short).
inline void cut_line(char* text, bool at_comma)
{
    for (char* p = text; *p; ++p) {
        if (*p == '\r' || *p == '\n' || (at_comma && *p == ',')) {
            *p = '\0';
            return;
        }
    }
}

// Validates one text (with -debug "DEBUG:\t%s is not a valid call\n" for a rejected
// one, at most kLoggedPerKind times), strips it and adds it with the list ID.
void take_call(CallIntake* intake, char* text);

// The closing debug lines of a reader: how many invalid texts and new list IDs went
// unlogged, when any did, then "Read %0d good, %0d invalid calls from %s" with the
// source's downloadPath (its targetPath when it has none).
void log_read_counts(CallIntake* intake, const DataSource& source);

struct AppWindow;

// What the downloaded lists of one target gave, so that a sign-in page or a broken
// list in place of a list neither empties the file nor takes that list's callsigns out
// of it.
struct ListYield {
    std::string empty;     // the first downloaded list read without one callsign
    std::string unopened;  // the first downloaded list that could not be opened
};

// Notes what one selected list gave: `added` callsigns from the file at `path`, or
// nothing when it could not be opened (`opened` false). The user's own list
// (`downloaded` false) is theirs to empty.
void note_list(ListYield* yield, const std::string& path, bool downloaded, bool opened, size_t added);

// Reads the selected list at `path` into the set with `read` and notes what it gave
// (note_list); a list that cannot be opened is reported and noted as unopened.
void read_list(AppWindow* owner, const std::string& path, bool downloaded, CallSet* set, ListYield* yield,
               const std::function<void(FILE*)>& read);

// The list to name when the target must not be replaced: the first downloaded list read
// without a callsign, or, when the target would hold no record at all, the first one
// that could not be opened. Empty when the target may be replaced.
std::string list_without_calls(const ListYield& yield, bool target_empty);

// 1 when the installed `target` must stay as it is because a list gave no callsign
// (list_without_calls), after reporting it once ("No callsign could be read from ...");
// 0 when the target may be written. The install has failed either way once a list
// gave nothing, so `*refused` says whether such a list was met. The report counts in
// *errorCount.
[[nodiscard]] int keep_target_without_calls(AppWindow* owner, const ListYield& yield, bool target_empty,
                                            const std::string& target, bool* refused, uint32_t* errorCount);
